#include "text/text_operations.h"

#include <gtest/gtest.h>

#include <cmath>
#include <limits>
#include <vector>

namespace {

std::vector<Text> pieces(const Array<Text>& array) {
    return array.elements();
}

ByteString bytes(std::vector<std::uint8_t> values) {
    return ByteString(values);
}

// 皚 in GBK is B0 7D: its trail byte is the code of "}".
const Text kTrailIsBrace = "\xB0\x7D";

TEST(TextLength, CountsBytes) {
    EXPECT_EQ(textLength(""), 0);
    EXPECT_EQ(textLength("abc"), 3);
    EXPECT_EQ(textLength("中a"), 3);  // two GBK bytes and one ASCII byte
}

TEST(MidText, BoundsAndClipping) {
    EXPECT_EQ(midText("abcdef", 2, 3), "bcd");
    EXPECT_EQ(midText("abcdef", 5, 10), "ef");
    EXPECT_EQ(midText("abcdef", 6, 1), "f");
    EXPECT_EQ(midText("abcdef", 7, 1), "");
    EXPECT_EQ(midText("abcdef", 0, 3), "");
    EXPECT_EQ(midText("abcdef", -4, 3), "");
    EXPECT_EQ(midText("abcdef", 1, 0), "");
    EXPECT_EQ(midText("abcdef", 1, -1), "");
    EXPECT_EQ(midText("", 1, 1), "");
}

TEST(MidText, MayCutADoubleByteCharacter) {
    EXPECT_EQ(midText("中", 2, 1), "\xD0");  // 中 is D6 D0
}

TEST(FindText, NeverMatchesOnATrailByte) {
    Text text = "x" + kTrailIsBrace + "y}z";
    EXPECT_EQ(findText(text, "}"), 5);
    EXPECT_EQ(findText(kTrailIsBrace, "}"), -1);
}

TEST(FindText, EmptySought) {
    EXPECT_EQ(findText("abc", ""), 1);
    EXPECT_EQ(findText("abc", "", 3), 1);
    EXPECT_EQ(findText("abc", "", 4), -1);
    EXPECT_EQ(findText("", ""), -1);
}

TEST(FindText, StartPositions) {
    EXPECT_EQ(findText("abcabc", "bc"), 2);
    EXPECT_EQ(findText("abcabc", "bc", 3), 5);
    EXPECT_EQ(findText("abcabc", "bc", 0), 2);
    EXPECT_EQ(findText("abcabc", "bc", -7), 2);
    EXPECT_EQ(findText("abcabc", "bc", 6), -1);
    EXPECT_EQ(findText("abcabc", "bc", 100), -1);
    EXPECT_EQ(findText("abc", "abcd"), -1);
    EXPECT_EQ(findText("abc", "abc"), 1);
    EXPECT_EQ(findText("", "a"), -1);
}

TEST(FindText, IgnoreCaseFoldsAsciiLettersOnly) {
    EXPECT_EQ(findText("xHeLLo", "hello"), -1);
    EXPECT_EQ(findText("xHeLLo", "hello", 1, true), 2);
    EXPECT_EQ(findText("[@", "{`", 1, true), -1);  // neighbours of the letters do not fold
}

TEST(FindText, FindsDoubleByteCharacters) {
    EXPECT_EQ(findText("ab中国", "国"), 5);
    // A lone lead byte at the end ends the walk without reading past it.
    EXPECT_EQ(findText("ab\xD6", "x"), -1);
    EXPECT_EQ(findText("ab\xD6", "\xD6"), 3);
}

TEST(ReplaceText, NonOverlappingAndNotRescanned) {
    EXPECT_EQ(replaceText("aaa", "aa", "b"), "ba");
    EXPECT_EQ(replaceText("abab", "ab", "abab"), "abababab");
    EXPECT_EQ(replaceText("a,b,c", ","), "abc");
}

TEST(ReplaceText, CaseSensitivity) {
    EXPECT_EQ(replaceText("aAa", "a", "x"), "xxx");
    EXPECT_EQ(replaceText("aAa", "a", "x", 1, -1, true), "xAx");
}

TEST(ReplaceText, StartAndCount) {
    EXPECT_EQ(replaceText("aaaa", "a", "b", 3), "aabb");
    EXPECT_EQ(replaceText("aaaa", "a", "b", 0), "bbbb");
    EXPECT_EQ(replaceText("aaaa", "a", "b", 1, 2), "bbaa");
    EXPECT_EQ(replaceText("aaaa", "a", "b", 1, 0), "aaaa");
    EXPECT_EQ(replaceText("aaaa", "a", "b", 1, -5), "bbbb");
    EXPECT_EQ(replaceText("aaaa", "a", "b", 5), "aaaa");
}

TEST(ReplaceText, UnchangedCases) {
    EXPECT_EQ(replaceText("", "a", "b"), "");
    EXPECT_EQ(replaceText("abc", "", "b"), "abc");
    EXPECT_EQ(replaceText("abc", "abcd", "b"), "abc");
}

TEST(ReplaceText, StepsOverDoubleByteCharacters) {
    Text text = kTrailIsBrace + "}";
    EXPECT_EQ(replaceText(text, "}", "!"), kTrailIsBrace + "!");
    // A lone lead byte at the end is kept and nothing is read past it.
    EXPECT_EQ(replaceText("a\xD6", "a", "b"), "b\xD6");
}

TEST(SplitText, BackslashExample) {
    EXPECT_EQ(pieces(splitText("\\a\\\\b\\", "\\")), (std::vector<Text>{"", "a", "", "b"}));
}

TEST(SplitText, NoDelimiterOrEmptyText) {
    EXPECT_EQ(pieces(splitText("abc", "\\")), (std::vector<Text>{"abc"}));
    EXPECT_EQ(splitText("", "\\").count(), 0);
    EXPECT_EQ(pieces(splitText("abc", "")), (std::vector<Text>{"abc"}));
    EXPECT_EQ(splitText("", "").count(), 0);
}

TEST(SplitText, DefaultDelimiterIsComma) {
    EXPECT_EQ(pieces(splitText("a,b,,c")), (std::vector<Text>{"a", "b", "", "c"}));
    EXPECT_EQ(pieces(splitText(",")), (std::vector<Text>{""}));
}

TEST(SplitText, MultiByteDelimiter) {
    EXPECT_EQ(pieces(splitText("a--b---c", "--")), (std::vector<Text>{"a", "b", "-c"}));
}

TEST(SplitText, Maximum) {
    EXPECT_EQ(pieces(splitText("a,b,c", ",", 2)), (std::vector<Text>{"a", "b"}));
    EXPECT_EQ(pieces(splitText("a,b,c", ",", 3)), (std::vector<Text>{"a", "b", "c"}));
    EXPECT_EQ(pieces(splitText("a,b", ",", 1)), (std::vector<Text>{"a"}));
    EXPECT_EQ(splitText("a,b,c", ",", 0).count(), 0);
    EXPECT_EQ(splitText("a,b,c", ",", -1).count(), 0);
}

TEST(SplitText, NeverCutsOnATrailByte) {
    Text text = kTrailIsBrace + "}x";
    EXPECT_EQ(pieces(splitText(text, "}")), (std::vector<Text>{kTrailIsBrace, "x"}));
}

TEST(JoinText, ConcatenatesAndTreatsNullAsEmpty) {
    const char* absent = nullptr;
    EXPECT_EQ(joinText(Text("a"), "b", absent, Text(), "c"), "abc");
    EXPECT_EQ(joinText(), "");
}

TEST(BlankText, Spaces) {
    EXPECT_EQ(blankText(3), "   ");
    EXPECT_EQ(blankText(0), "");
    EXPECT_EQ(blankText(-2), "");
}

TEST(TextToBytes, TextAndLittleEndianNumbers) {
    EXPECT_EQ(textToBytes(Text("AB")), bytes({0x41, 0x42}));
    EXPECT_EQ(textToBytes(Text()), ByteString());
    EXPECT_EQ(textToBytes(std::int32_t{0x12345678}), bytes({0x78, 0x56, 0x34, 0x12}));
    EXPECT_EQ(textToBytes(std::int32_t{-2}), bytes({0xFE, 0xFF, 0xFF, 0xFF}));
    EXPECT_EQ(textToBytes(1.0), bytes({0, 0, 0, 0, 0, 0, 0xF0, 0x3F}));
}

TEST(MidBytes, Clamping) {
    ByteString abc = bytes({1, 2, 3});
    EXPECT_EQ(midBytes(abc, 2, 5), bytes({2, 3}));
    EXPECT_EQ(midBytes(abc, 0, 2), bytes({1, 2}));
    EXPECT_EQ(midBytes(abc, 4, 2), ByteString());
    EXPECT_EQ(midBytes(abc, 99, 2), ByteString());
    EXPECT_EQ(midBytes(abc, 1, -1), ByteString());
    EXPECT_EQ(bytesLength(midBytes(abc, 1, 3)), 3);
}

TEST(FindBytes, ExactSearchWithoutDoubleByteStepping) {
    ByteString data = bytes({0xB0, 0x7D, 0x00, 0x7D});
    EXPECT_EQ(findBytes(data, bytes({0x7D})), 2);
    EXPECT_EQ(findBytes(data, bytes({0x7D}), 3), 4);
    EXPECT_EQ(findBytes(data, bytes({0x00, 0x7D})), 3);
    EXPECT_EQ(findBytes(data, bytes({0x7D}), 0), 2);
    EXPECT_EQ(findBytes(data, ByteString()), -1);
    EXPECT_EQ(findBytes(data, bytes({0x7D, 0x00, 0x7D, 0x01})), -1);
    EXPECT_EQ(findBytes(data, bytes({0x7D}), 5), -1);
    EXPECT_EQ(findBytes(data, bytes({0x7D}), 1000), -1);
    EXPECT_EQ(findBytes(ByteString(), bytes({0x7D})), -1);
}

TEST(BytesToText, StopsAtTheFirstZero) {
    EXPECT_EQ(bytesToText(bytes({0x41, 0x42, 0x00, 0x43})), "AB");
    EXPECT_EQ(bytesToText(bytes({0x41, 0x42})), "AB");
    EXPECT_EQ(bytesToText(bytes({0x00, 0x41})), "");
    EXPECT_EQ(valueToText(bytes({0x41, 0x00, 0x42})), "A");
}

TEST(ValueToText, Numbers) {
    EXPECT_EQ(valueToText(21.0), "21");
    EXPECT_EQ(valueToText(131.0), "131");
    EXPECT_EQ(valueToText(0.5), "0.5");
    EXPECT_EQ(valueToText(-2.25), "-2.25");
    EXPECT_EQ(valueToText(0.1), "0.1");
    EXPECT_EQ(valueToText(1e20), "1e+20");
    EXPECT_EQ(valueToText(1.0 / 3.0), "0.3333333333333");
    EXPECT_EQ(valueToText(1.0f / 3.0f), "0.333333");
    EXPECT_EQ(valueToText(std::int32_t{-42}), "-42");
    EXPECT_EQ(valueToText(std::numeric_limits<std::int32_t>::min()), "-2147483648");
}

TEST(ValueToText, LogicalValuesAreGbk) {
    EXPECT_EQ(valueToText(true), "\xD5\xE6");   // 真
    EXPECT_EQ(valueToText(false), "\xBC\xD9");  // 假
}

TEST(AbsoluteValue, Signs) {
    EXPECT_EQ(absoluteValue(-2.5), 2.5);
    EXPECT_EQ(absoluteValue(2.5), 2.5);
    EXPECT_EQ(absoluteValue(0.0), 0.0);
}

TEST(RealToInteger, TruncatesTowardZero) {
    EXPECT_EQ(realToInteger(2.9), 2);
    EXPECT_EQ(realToInteger(-2.9), -2);
    EXPECT_EQ(realToInteger(-0.5), 0);
    EXPECT_EQ(realToInteger(0.0), 0);
}

TEST(RealToInteger, OutOfRangeSaturates) {
    EXPECT_EQ(realToInteger(1e12), std::numeric_limits<std::int32_t>::max());
    EXPECT_EQ(realToInteger(-1e12), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(realToInteger(std::nan("")), 0);
    EXPECT_EQ(realToInteger(-2147483648.0), std::numeric_limits<std::int32_t>::min());
    EXPECT_EQ(realToInteger(2147483646.7), 2147483646);
}

}  // namespace
