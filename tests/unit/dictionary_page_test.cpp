#include "dictionary_page.h"

#include <gtest/gtest.h>

#include <cctype>
#include <set>
#include <string>

#include "dictionary_table.h"

namespace {

// Narrow literals in this file are GBK, like the page.
const std::string kPinyinMarker = "查找拼音为【";
const std::string kWubiMarker = "查找86版五笔编码为【";
const std::string kEnd = "】";

// The panel's reading: 20 bytes after the marker, up to "】" on a character boundary.
std::string valueAfter(const std::string& page, const std::string& marker) {
    std::size_t at = page.find(marker);
    if (at == std::string::npos)
        return "<none>";
    std::string window = page.substr(at + marker.size(), 20);
    for (std::size_t i = 0; i < window.size();
         i += static_cast<unsigned char>(window[i]) >= 0x80 ? 2 : 1) {
        if (window.compare(i, 2, kEnd) == 0)
            return window.substr(0, i);
    }
    return window;
}

}  // namespace

TEST(DictionaryPage, ZhongHasItsReadingsAndWubiCode) {
    service::DictionaryPage page = service::dictionaryPage("中,,,,,,,");
    ASSERT_TRUE(page.found);
    EXPECT_EQ(valueAfter(page.html, kPinyinMarker), "zhōng,zhòng");
    EXPECT_EQ(valueAfter(page.html, kWubiMarker), "khk");
    EXPECT_NE(page.html.find("charset=gbk"), std::string::npos);
}

TEST(DictionaryPage, SeveralReadingsMostCommonFirstWithinEighteenBytes) {
    auto xing = service::lookUpCharacter("行");
    ASSERT_TRUE(xing);
    EXPECT_EQ(xing->pinyin.rfind("xíng,háng", 0), 0u);
    EXPECT_LE(xing->pinyin.size(), 18u);
    auto le = service::lookUpCharacter("了");
    ASSERT_TRUE(le);
    EXPECT_EQ(le->pinyin.rfind("le,liǎo", 0), 0u);
}

TEST(DictionaryPage, OnlyTheKeywordsFirstCharacterCounts) {
    auto info = service::lookUpCharacter("中国");
    ASSERT_TRUE(info);
    EXPECT_EQ(info->character, "中");
}

TEST(DictionaryPage, SymbolsHaveBothFieldsEmpty) {
    // 1, a space (a '+' form-decoded), the lost keyword of '#', ， and 《.
    for (std::string keyword : {std::string("1,,,,,,,"), std::string(" ,,,,,,,"), std::string(""),
                                std::string("\xA3\xAC,,,,,,,"), std::string("\xA1\xB6")}) {
        service::DictionaryPage page = service::dictionaryPage(keyword);
        EXPECT_TRUE(page.found) << keyword;
        EXPECT_NE(page.html.find(std::string(kPinyinMarker) + "】"), std::string::npos);
        EXPECT_NE(page.html.find(std::string(kWubiMarker) + "】"), std::string::npos);
    }
}

TEST(DictionaryPage, UnknownKeywordsGiveAPageWithoutMarkers) {
    for (std::string keyword : {std::string("\xD6"), std::string("\xFF\xFF"),
                                std::string("\x81\x20"), std::string("\xAA\xA1")}) {
        service::DictionaryPage page = service::dictionaryPage(keyword);
        EXPECT_FALSE(page.found);
        EXPECT_EQ(page.html.find(kPinyinMarker), std::string::npos);
        EXPECT_EQ(page.html.find(kWubiMarker), std::string::npos);
    }
}

TEST(DictionaryTable, EntriesAreSortedWholeAndShort) {
    ASSERT_GT(service::kDictionaryEntryCount, 20000u);  // all of GBK's hanzi, roughly
    std::size_t withWubi = 0;
    for (std::size_t i = 0; i < service::kDictionaryEntryCount; ++i) {
        const service::DictionaryEntry& e = service::kDictionaryEntries[i];
        if (i > 0) {
            ASSERT_LT(service::kDictionaryEntries[i - 1].gbk, e.gbk);
        }
        std::string pinyin = e.pinyin, wubi = e.wubi86;
        EXPECT_LE(pinyin.size(), 18u) << e.gbk;
        if (!pinyin.empty()) {
            EXPECT_NE(pinyin.front(), ',');
            EXPECT_NE(pinyin.back(), ',');
            EXPECT_EQ(pinyin.find(",,"), std::string::npos);
        }
        EXPECT_LE(wubi.size(), 4u);
        for (char c : wubi) {
            EXPECT_TRUE(c >= 'a' && c <= 'y') << e.gbk;
        }
        withWubi += !wubi.empty();
    }
    EXPECT_GT(withWubi, 6763u);  // at least every GB2312 hanzi
}
