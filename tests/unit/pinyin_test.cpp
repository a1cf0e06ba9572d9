#include "commit/pinyin.h"

#include <gtest/gtest.h>

#include <set>
#include <string>

#include "commit/pinyin_table.h"

namespace {

std::uint16_t mainEntry(const Text& character) {
    int b1 = static_cast<unsigned char>(character[0]);
    int b2 = static_cast<unsigned char>(character[1]);
    return kPinyinMainTable[94 * (b1 - 0xB0) + (b2 - 0xA1)];
}

TEST(PinyinTable, TellingEntries) {
    EXPECT_EQ(mainEntry("啊"), 0x0021);  // a
    EXPECT_EQ(mainEntry("埃"), 0x001B);  // ai
    EXPECT_EQ(mainEntry("中"), 0x2801);  // zh + ong
    EXPECT_EQ(mainEntry("国"), 0x350C);  // g + uo
}

TEST(PinyinTable, EveryCharacterHasAReadingAndOnlyTheGapsAreZero) {
    // GB2312 leaves the last five cells of row 0xD7 empty; every other cell is a character.
    for (int i = 0; i < kPinyinMainEntries; ++i) {
        int b1 = 0xB0 + i / 94;
        int b2 = 0xA1 + i % 94;
        bool gap = b1 == 0xD7 && b2 >= 0xFA;
        EXPECT_EQ(kPinyinMainTable[i] == 0, gap) << std::hex << b1 << b2;
    }
}

// Each entry must spell a syllable: an initial with a final, or a whole initial-less syllable.
bool wellFormed(std::uint16_t entry) {
    int low = entry & 0xFF;
    int high = entry >> 8;
    if (low >= 1 && low <= 23) {
        return high >= 24 && high <= 55;
    }
    return low >= 24 && low <= 35 && high == 0;
}

TEST(PinyinTable, EntriesAreWellFormedAndSecondaryIndexesUsedOnce) {
    std::set<int> used;
    for (int i = 0; i < kPinyinMainEntries; ++i) {
        std::uint16_t entry = kPinyinMainTable[i];
        if (entry == 0) {
            continue;
        }
        if ((entry & 0x8000) == 0) {
            EXPECT_TRUE(wellFormed(entry)) << i;
            continue;
        }
        int k = entry & 0x7FFF;
        ASSERT_LT(k, kPinyinSecondaryCharacters) << i;
        EXPECT_TRUE(used.insert(k).second) << "secondary " << k << " shared";
        const std::uint16_t* readings = &kPinyinSecondaryTable[3 * k];
        // At least two readings, filled from the front, all different.
        EXPECT_TRUE(wellFormed(readings[0]) && wellFormed(readings[1])) << i;
        EXPECT_TRUE(readings[2] == 0 || wellFormed(readings[2])) << i;
        EXPECT_NE(readings[0], readings[1]);
        EXPECT_NE(readings[1], readings[2]);
        EXPECT_NE(readings[0], readings[2]);
    }
    EXPECT_EQ(static_cast<int>(used.size()), kPinyinSecondaryCharacters);
}

TEST(LocalPinyin, CommonCharacters) {
    EXPECT_EQ(localPinyin("啊", 1), "a");
    EXPECT_EQ(localPinyin("埃", 1), "ai");
    EXPECT_EQ(localPinyin("中", 1), "zhong");
    EXPECT_EQ(localPinyin("国", 1), "guo");
    EXPECT_EQ(localPinyin("女", 1), "nu");  // ü written u
    EXPECT_EQ(localPinyin("略", 1), "lue");
    EXPECT_EQ(localPinyin("嗯", 1), "en");
}

TEST(LocalPinyin, SeveralReadingsMostCommonFirst) {
    EXPECT_EQ(localPinyin("行", 1), "xing");
    EXPECT_EQ(localPinyin("行", 2), "hang");
    EXPECT_EQ(localPinyin("行", 3), "heng");
    EXPECT_EQ(localPinyin("行", 4), "");
    EXPECT_EQ(localPinyin("长", 1), "chang");
    EXPECT_EQ(localPinyin("长", 2), "zhang");
    EXPECT_EQ(localPinyin("长", 3), "");  // third secondary entry empty
    EXPECT_EQ(localPinyin("的", 1), "de");
    EXPECT_EQ(localPinyin("的", 2), "di");
}

TEST(LocalPinyin, ReadingNumbers) {
    EXPECT_EQ(localPinyin("行", 0), "xing");
    EXPECT_EQ(localPinyin("行", -100), "xing");
    EXPECT_EQ(localPinyin("中", 2), "");  // one reading only
    EXPECT_EQ(localPinyin("行", 2147483647), "");
    EXPECT_EQ(localPinyin("中", -2147483647 - 1), "zhong");
}

TEST(LocalPinyin, RowAndCellBoundaries) {
    EXPECT_EQ(localPinyin("\xB0\xFE", 1), "bo");   // 剥, last cell of the first row
    EXPECT_EQ(localPinyin("\xB1\xA1", 1), "bao");  // 薄, first cell of the next row
    EXPECT_EQ(localPinyin("\xF7\xFE", 1), "zha");  // 齄, the very last cell
    EXPECT_EQ(localPinyin("\xD7\xF9", 1), "zuo");  // 座, just before the gap
    EXPECT_EQ(localPinyin("\xD7\xFA", 1), "");     // the gap
}

TEST(LocalPinyin, FirstCharacterOnly) {
    EXPECT_EQ(localPinyin("中国", 1), "zhong");
    EXPECT_EQ(localPinyin("a中", 1), "");
}

TEST(LocalPinyin, OutsideTheHanziBlock) {
    EXPECT_EQ(localPinyin("", 1), "");
    EXPECT_EQ(localPinyin("a", 1), "");
    EXPECT_EQ(localPinyin("\xD6", 1), "");  // lone lead byte
    EXPECT_EQ(localPinyin("ab", 1), "");
    EXPECT_EQ(localPinyin("\xA1\xA3", 1), "");  // 。 punctuation row
    EXPECT_EQ(localPinyin("\xAF\xA1", 1), "");  // row below the block
    EXPECT_EQ(localPinyin("\xF8\xA1", 1), "");  // row above the block
    EXPECT_EQ(localPinyin("\xB0\xA0", 1), "");  // cell below the block
    EXPECT_EQ(localPinyin("\xB0\xFF", 1), "");  // cell above the block
    EXPECT_EQ(localPinyin("\x81\x40", 1), "");  // GBK extension character
}

}  // namespace
