#include "commit/reference_value.h"

#include <gtest/gtest.h>

#include <limits>

namespace {

TEST(ReferenceValue, ClampedEntries) {
    EXPECT_EQ(referenceValueFromEntry("9"), 8);
    EXPECT_EQ(referenceValueFromEntry("100"), 8);
    EXPECT_EQ(referenceValueFromEntry("2"), 3);
    EXPECT_EQ(referenceValueFromEntry("0"), 3);
    EXPECT_EQ(referenceValueFromEntry("-5"), 3);
    EXPECT_EQ(referenceValueFromEntry(""), 3);
    EXPECT_EQ(referenceValueFromEntry("6"), 6);
    EXPECT_EQ(referenceValueFromEntry("7.8"), 7);
    EXPECT_EQ(referenceValueFromEntry("abc"), 3);
    EXPECT_EQ(referenceValueFromEntry("3"), 3);
    EXPECT_EQ(referenceValueFromEntry("8"), 8);
}

TEST(ReferenceValue, LeadingInteger) {
    EXPECT_EQ(leadingInteger("5"), 5);
    EXPECT_EQ(leadingInteger("4.9"), 4);
    EXPECT_EQ(leadingInteger("-2"), -2);
    EXPECT_EQ(leadingInteger("+7"), 7);
    EXPECT_EQ(leadingInteger(" \t\r\n 6x"), 6);
    EXPECT_EQ(leadingInteger("007"), 7);
    EXPECT_EQ(leadingInteger(""), 0);
    EXPECT_EQ(leadingInteger("-"), 0);
    EXPECT_EQ(leadingInteger("- 5"), 0);
    EXPECT_EQ(leadingInteger("x5"), 0);
    EXPECT_EQ(leadingInteger("--5"), 0);
    EXPECT_EQ(leadingInteger(".5"), 0);
}

TEST(ReferenceValue, HugeDigitRunsSaturate) {
    const int max = std::numeric_limits<int>::max();
    const int min = std::numeric_limits<int>::min();
    EXPECT_EQ(leadingInteger("2147483647"), max);
    EXPECT_EQ(leadingInteger("2147483648"), max);
    EXPECT_EQ(leadingInteger("-2147483648"), min);
    EXPECT_EQ(leadingInteger("-2147483649"), min);
    EXPECT_EQ(leadingInteger("99999999999999999999999999999999"), max);
    EXPECT_EQ(leadingInteger("-99999999999999999999999999999999"), min);
    EXPECT_EQ(referenceValueFromEntry("99999999999999999999"), 8);
    EXPECT_EQ(referenceValueFromEntry("-99999999999999999999"), 3);
}

TEST(ReferenceValue, NumberModeFilter) {
    for (unsigned c = 0; c < 0x20; ++c) {
        EXPECT_TRUE(acceptsTypedCharacterInNumberMode(c)) << c;  // Backspace, Ctrl+V, ...
    }
    for (char c : std::string("-.0123456789")) {
        EXPECT_TRUE(acceptsTypedCharacterInNumberMode(static_cast<unsigned char>(c))) << c;
    }
    for (char c : std::string(" +aZ,/:e")) {
        EXPECT_FALSE(acceptsTypedCharacterInNumberMode(static_cast<unsigned char>(c))) << c;
    }
    EXPECT_FALSE(acceptsTypedCharacterInNumberMode(0x7F));
    EXPECT_FALSE(acceptsTypedCharacterInNumberMode(0xD6));  // GBK lead byte
    EXPECT_FALSE(acceptsTypedCharacterInNumberMode(0x4E2D));
}

}  // namespace
