#include "character_frequencies.h"

#include <gtest/gtest.h>

#include <cstdio>
#include <fstream>

#include "mouse_writing.h"

namespace {

std::uint32_t cp(const char* utf8) {
    return training::firstCodepoint(utf8);
}

}  // namespace

TEST(CharacterFrequencies, EveryWordsCountGoesToEachOfItsCharacters) {
    std::map<std::uint32_t, double> f;
    std::string error;
    ASSERT_TRUE(training::parseCharacterFrequencies(u8"中国 10 ns\n国 5 n\n\n人民 5\n", f, error))
        << error;
    // 35 characters in all: 中 10, 国 15, 人 5, 民 5.
    ASSERT_EQ(f.size(), 4u);
    EXPECT_NEAR(f[cp(u8"国")], 15e6 / 35, 1e-6);
    EXPECT_NEAR(f[cp(u8"中")], 10e6 / 35, 1e-6);
    EXPECT_NEAR(f[cp(u8"民")], 5e6 / 35, 1e-6);
}

TEST(CharacterFrequencies, AFileOfAnotherKindIsAnError) {
    std::map<std::uint32_t, double> f;
    std::string error;
    EXPECT_FALSE(training::parseCharacterFrequencies(u8"中国 10\n国 many\n", f, error));
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    EXPECT_FALSE(training::parseCharacterFrequencies(u8"中国 -1\n", f, error));
    EXPECT_FALSE(training::parseCharacterFrequencies("\xE4\xB8 3\n", f, error));  // cut UTF-8
    EXPECT_FALSE(training::parseCharacterFrequencies("\n\n", f, error));
    EXPECT_NE(error.find("no word counts"), std::string::npos) << error;
    EXPECT_FALSE(training::readCharacterFrequencies("/nonexistent/dict.txt", f, error));
    EXPECT_NE(error.find("/nonexistent/dict.txt"), std::string::npos) << error;
}
