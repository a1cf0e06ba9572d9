#include "cursive_components.h"

#include <gtest/gtest.h>

#include <fstream>

#include "mouse_writing.h"

namespace {

using training::CursiveComponents;

std::shared_ptr<const CursiveComponents> shipped() {
    std::string error;
    auto components = CursiveComponents::load(std::string(TRAINING_DIR) + "/cursive-components.txt",
                                              HANZI_WRITER_DATA_DIR, error);
    EXPECT_TRUE(components) << error;
    return components;
}

hanzi::HanziMedians character(const char* utf8) {
    hanzi::HanziMedians m;
    std::string error;
    EXPECT_TRUE(hanzi::loadHanziMedians(HANZI_WRITER_DATA_DIR, utf8, m, error)) << error;
    return m;
}

TEST(CursiveComponents, TheShippedFormsCoverTheComponentsAndShortenThem) {
    auto components = shipped();
    ASSERT_TRUE(components);
    // 讠 氵 扌 纟 辶 口 日 心 亻 彳 艹 宀 钅 饣 忄 阝 刂 木 禾 女 土 王 月 目 火 灬 ⺮ 礻 衤 贝 门
    const std::uint32_t wanted[] = {0x8BA0, 0x6C35, 0x624C, 0x7E9F, 0x8FB6, 0x53E3, 0x65E5, 0x5FC3,
                                    0x4EBB, 0x5F73, 0x8279, 0x5B80, 0x9485, 0x9963, 0x5FC4, 0x961D,
                                    0x5202, 0x6728, 0x79BE, 0x5973, 0x571F, 0x738B, 0x6708, 0x76EE,
                                    0x706B, 0x706C, 0x2EAE, 0x793B, 0x8864, 0x8D1D, 0x95E8};
    for (std::uint32_t codepoint : wanted) {
        auto c = std::find_if(components->components().begin(), components->components().end(),
                              [&](const auto& each) { return each.codepoint == codepoint; });
        ASSERT_NE(c, components->components().end()) << std::hex << codepoint;
        // A cursive form never has more strokes than the print: a longer one is a slip.
        for (const auto& form : c->cursive)
            EXPECT_LE(form.strokes.size(), c->printed[0].size()) << std::hex << codepoint;
    }
}

TEST(CursiveComponents, AComponentTheDataLacksIsNamed) {
    const std::string path = testing::TempDir() + "/cursive-components-test.txt";
    std::ofstream(path) << "U+E000 private: 10,10 20,20\n";
    std::string error;
    EXPECT_FALSE(CursiveComponents::load(path, HANZI_WRITER_DATA_DIR, error));
    EXPECT_NE(error.find("U+E000"), std::string::npos) << error;
}

TEST(CursiveComponents, TheRadicalsFormLandsInTheRadicalsBoxAndTheRestStays) {
    auto components = shipped();
    ASSERT_TRUE(components);
    hanzi::HanziMedians say = character(u8"认");  // 讠 is its radical, strokes 0 and 1
    auto places = components->find(say);
    ASSERT_FALSE(places.empty());
    EXPECT_EQ(places[0].component, 0x8BA0u);
    EXPECT_TRUE(places[0].radical);
    EXPECT_EQ(places[0].first, 0u);
    EXPECT_EQ(places[0].count, 2u);
    training::Random random(1);
    auto written = components->writeCursively(say, random);
    double left = 1e9, right = -1e9, top = 1e9, bottom = -1e9;
    for (std::size_t k = 0; k < 2; ++k)
        for (auto p : say.strokes[k]) {
            left = std::min(left, p.x), right = std::max(right, p.x);
            top = std::min(top, p.y), bottom = std::max(bottom, p.y);
        }
    // What follows the radical is the character's own, in order; the form fills the box.
    std::size_t rest = say.strokes.size() - 2, form = written.size() - rest;
    for (std::size_t k = 0; k < rest; ++k)
        EXPECT_EQ(written[form + k].size(), say.strokes[2 + k].size());
    double l = 1e9, r = -1e9, t = 1e9, b = -1e9;
    for (std::size_t k = 0; k < form; ++k)
        for (auto p : written[k]) {
            l = std::min(l, p.x), r = std::max(r, p.x);
            t = std::min(t, p.y), b = std::max(b, p.y);
        }
    EXPECT_NEAR(l, left, 1);
    EXPECT_NEAR(r, right, 1);
    EXPECT_NEAR(t, top, 1);
    EXPECT_NEAR(b, bottom, 1);
}

TEST(CursiveComponents, AComponentBesideTheRadicalIsFoundInTheStrokes) {
    auto components = shipped();
    ASSERT_TRUE(components);
    // 酒's radical is 酉; its 氵 comes first, and 洒 has it as its radical.
    auto places = components->find(character(u8"酒"));
    ASSERT_FALSE(places.empty());
    EXPECT_EQ(places[0].component, 0x6C35u);
    EXPECT_FALSE(places[0].radical);
    EXPECT_EQ(places[0].count, 3u);
    // A character written with them keeps its place in the stroke order, and a recipe without
    // the data's folder is told what it lacks.
    training::WritingSettings s;
    std::string error;
    ASSERT_TRUE(training::readWritingSettings(
        "cursive_share = 1\ncursive_components = " + std::string(TRAINING_DIR) +
            "/cursive-components.txt\n",
        s, error))
        << error;
    EXPECT_THROW(training::SampleGenerator{s}, std::runtime_error);
    training::WritingSettings fileless;
    EXPECT_FALSE(training::readWritingSettings("cursive_share = 0.5\n", fileless, error));
    EXPECT_NE(error.find("cursive_components"), std::string::npos) << error;
    training::SampleGenerator gen(s, HANZI_WRITER_DATA_DIR);
    EXPECT_GT(gen.write(character(u8"酒"), 0x9152, 0).notes.cursiveComponents, 0);
}

}  // namespace
