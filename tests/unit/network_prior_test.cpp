#include "network_prior.h"

#include <gtest/gtest.h>

#include <fstream>

#include "engine/network_model.h"
#include "mouse_writing.h"

namespace {

std::uint32_t cp(const char* utf8) {
    return training::firstCodepoint(utf8);
}

// The score bonus per unit of prior weight, as the engine gives it, under the recipe's floor and
// ceiling.
std::vector<float> gains(const std::vector<std::string>& characters,
                         const training::PriorSources& sources) {
    engine::NetworkModel model;
    model.characters = characters;
    model.frequencies = training::priorFrequencies(characters, sources);
    model.priorFloor = 0.1f;
    model.priorCeiling = 1000;
    std::vector<float> out;
    for (std::size_t c = 0; c < characters.size(); ++c) out.push_back(engine::priorGain(model, c));
    return out;
}

}  // namespace

TEST(NetworkPrior, ATraditionalFormBeyondGb2312TakesAShareOfItsSimplifiedForm) {
    training::PriorSources sources;
    sources.perMillion = {
        {cp(u8"国"), 500}, {cp(u8"于"), 400}, {cp(u8"於"), 2}, {cp(u8"門"), 90}, {cp(u8"门"), 100}};
    std::string error;
    ASSERT_TRUE(training::parseTraditionalForms(u8"國\t国\n於\t于\n門\t门\n乾\t干 乾\n",
                                                sources.simplified, error))
        << error;
    sources.traditionalShare = 0.2;
    const std::vector<float> f =
        training::priorFrequencies({u8"国", u8"國", u8"於", u8"門", u8"乾", u8"玥"}, sources);
    EXPECT_FLOAT_EQ(f[0], 500);
    EXPECT_FLOAT_EQ(f[1], 100);  // a fifth of 国's
    EXPECT_FLOAT_EQ(f[2], 2);    // GB2312 holds 於: its own count, as ever
    EXPECT_FLOAT_EQ(f[3], 90);   // its own count is more than the share
    EXPECT_FLOAT_EQ(f[4], 0);    // 干 not counted here; 乾 is GB2312's anyway
    EXPECT_FLOAT_EQ(f[5], 0);    // nothing counts it: the floor ranks it

    sources.simplified.clear();
    EXPECT_FLOAT_EQ(training::priorFrequencies({u8"國"}, sources)[0], 0);
}

TEST(NetworkPrior, OneCharacterEntriesCountOnlyInGb2312) {
    const std::string path = ::testing::TempDir() + "network_prior_words.txt";
    std::ofstream(path) << u8"镕 500 zg\n朱镕基 3 nr\n的 40 uj\n鐨 900 zg\n中国 7 ns\n";
    std::map<std::uint32_t, double> f;
    std::string error;
    ASSERT_TRUE(training::readPriorWordCounts(path, f, error)) << error;
    // The total is every word's: 500 + 9 + 40 + 900 + 14 characters.
    const double total = 1463;
    EXPECT_NEAR(f[cp(u8"镕")], 3e6 / total, 1e-6);
    EXPECT_NEAR(f[cp(u8"的")], 40e6 / total, 1e-6);
    EXPECT_NEAR(f[cp(u8"中")], 7e6 / total, 1e-6);
    EXPECT_EQ(f.count(cp(u8"鐨")), 0u);
    std::remove(path.c_str());
}

TEST(NetworkPrior, MalformedTablesAreErrors) {
    training::SimplifiedForms forms;
    std::string error;
    EXPECT_FALSE(training::parseTraditionalForms(u8"國\t国\n國国\n", forms, error));
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
    EXPECT_FALSE(training::parseTraditionalForms(u8"國家\t国家\n", forms, error));
    EXPECT_FALSE(training::parseTraditionalForms("\n", forms, error));
    EXPECT_FALSE(training::loadTraditionalForms("/nonexistent/TSCharacters.txt", forms, error));
    EXPECT_NE(error.find("/nonexistent"), std::string::npos) << error;
}

// The recipe's own sources: jieba's word counts and OpenCC's table, as Debian has them.
TEST(NetworkPrior, TheRecipesSourcesRankATraditionalFormAboveTheFloor) {
    training::PriorSources sources;
    std::string error;
    if (!training::readPriorWordCounts("/usr/lib/python3/dist-packages/jieba/dict.txt",
                                       sources.perMillion, error) ||
        !training::loadTraditionalForms("/usr/share/opencc/TSCharacters.ocd2", sources.simplified,
                                        error))
        GTEST_SKIP() << error << " (python3-jieba and opencc: tools/install-dependencies.sh)";
    sources.traditionalShare = 0.2;
    // 国 and 國; 龍 (traditional, 龙 counted); 鐨 (jieba counts it only alone, as misread 的);
    // 玥 (a rare name's character: the floor).
    const std::vector<float> g = gains({u8"国", u8"國", u8"龍", u8"鐨", u8"玥"}, sources);
    EXPECT_GE(g[0], g[1]);  // both may reach the ceiling: the shape then decides
    EXPECT_GT(g[1], 4.0f);  // the prior's weight times this is the lead over the floor
    EXPECT_GT(g[2], 4.0f);
    EXPECT_EQ(g[3], 0.0f);
    EXPECT_EQ(g[4], 0.0f);
}
