#include "commit/dictionary_lookup_text.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

ByteString page(const std::string& bytes) {
    return ByteString(bytes.data(), bytes.size());
}

const std::string kPinyin = kPinyinMarker;
const std::string kWubi = kWubiMarker;

TEST(DictionaryLookupText, MarkersAreTheGbkBytes) {
    EXPECT_EQ(kPinyin, "\xB2\xE9\xD5\xD2\xC6\xB4\xD2\xF4\xCE\xAA\xA1\xBE");
    EXPECT_EQ(kWubi,
              "\xB2\xE9\xD5\xD2\x38\x36\xB0\xE6\xCE\xE5\xB1\xCA\xB1\xE0\xC2\xEB\xCE\xAA\xA1\xBE");
}

TEST(DictionaryLookupText, Url) {
    EXPECT_EQ(dictionaryLookupUrl("dict.example", "中"),
              "http://dict.example/Common/XinHuaZiDian/Default.aspx?MatchAll=False&Keyword="
              "\xD6\xD0,,,,,,,");
    EXPECT_EQ(dictionaryLookupUrl("127.0.0.1", ""),
              "http://127.0.0.1/Common/XinHuaZiDian/Default.aspx?MatchAll=False&Keyword=,,,,,,,");
}

TEST(DictionaryLookupText, PinyinThenWubiLine) {
    ByteString fetched = page("<html>" + kPinyin + "zhōng】 ... " + kWubi + "khk】</html>");
    EXPECT_EQ(dictionaryLookupLines("中", fetched),
              (std::vector<Text>{"中  拼音：zhōng", "中  拼音：zhōng  五笔：khk"}));
}

TEST(DictionaryLookupText, NotFound) {
    const std::vector<Text> notFound{"没有找到本字：中"};
    EXPECT_EQ(dictionaryLookupLines("中", ByteString()), notFound);  // failed fetch
    EXPECT_EQ(dictionaryLookupLines("中", page("<html>error</html>")), notFound);
    // The Wubi code is not looked for without the pinyin.
    EXPECT_EQ(dictionaryLookupLines("中", page(kWubi + "khk】")), notFound);
    EXPECT_EQ(dictionaryLookupLines("", ByteString()), (std::vector<Text>{"没有找到本字："}));
}

TEST(DictionaryLookupText, WubiMarkerMissingGivesThePinyinLineOnly) {
    EXPECT_EQ(dictionaryLookupLines("中", page(kPinyin + "zhong】")),
              (std::vector<Text>{"中  拼音：zhong"}));
}

TEST(DictionaryLookupText, MarkerFollowedByNothing) {
    EXPECT_EQ(dictionaryLookupLines("中", page(kPinyin)), (std::vector<Text>{"中  拼音："}));
    EXPECT_EQ(dictionaryLookupLines("中", page(kPinyin + "】x" + kWubi + std::string(1, '\0'))),
              (std::vector<Text>{"中  拼音：", "中  拼音：  五笔："}));
}

Text cut(const std::string& bytes) {
    Text value = "stale";
    EXPECT_TRUE(cutMarkedValue(page(bytes), kPinyinMarker, value));
    return value;
}

TEST(CutMarkedValue, WindowOfTwentyBytes) {
    EXPECT_EQ(cut(kPinyin + std::string(25, 'a') + "】"), std::string(20, 'a'));
    EXPECT_EQ(cut(kPinyin + std::string(18, 'a') + "】"), std::string(18, 'a'));
    // A two-byte character cut by the window keeps its lead byte.
    EXPECT_EQ(cut(kPinyin + std::string(19, 'a') + "中】"), std::string(19, 'a') + "\xD6");
}

TEST(CutMarkedValue, ZeroByteEndsTheValue) {
    EXPECT_EQ(cut(kPinyin + std::string("zh\0ong】", 8)), "zh");
    EXPECT_EQ(cut(kPinyin + std::string("\0zhong】", 8)), "");
}

TEST(CutMarkedValue, EndMarkOnlyOnCharacterBoundaries) {
    // D6 A1 is one character, so the A1 BF inside "D6 A1 BF 79" is no end mark.
    EXPECT_EQ(cut(kPinyin + "x\xD6\xA1\xBFy】tail"), "x\xD6\xA1\xBFy");
    EXPECT_EQ(cut(kPinyin + "】zhong】"), "");
    EXPECT_EQ(cut(kPinyin + "zhong"), "zhong");  // no end mark: the whole window
}

TEST(CutMarkedValue, FirstMarkerAnywhereInTheBytes) {
    // The marker may begin on what would be a trail byte: plain byte search.
    EXPECT_EQ(cut("\xD6" + kPinyin + "zhong】" + kPinyin + "other】"), "zhong");
}

TEST(CutMarkedValue, MissingMarker) {
    Text value = "stale";
    EXPECT_FALSE(cutMarkedValue(page("zhong】"), kPinyinMarker, value));
    EXPECT_EQ(value, "");
    // A marker cut off at the end of the page does not count.
    EXPECT_FALSE(cutMarkedValue(page(kPinyin.substr(0, 11)), kPinyinMarker, value));
}

}  // namespace
