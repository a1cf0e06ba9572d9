// The recognisers with the real models: geometry, a few characters from their medians, and
// the index by feature against the zinnia library.
#include "recognizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "hanzi_medians.h"
#include "mouse_writing.h"

namespace {

std::vector<service::PadStroke> padStrokes(const std::string& utf8) {
    hanzi::HanziMedians medians;
    std::string error;
    std::vector<service::PadStroke> strokes;
    if (!hanzi::loadHanziMedians(HANZI_WRITER_DATA_DIR, utf8, medians, error))
        return strokes;
    for (const auto& path : hanzi::mediansToPadPath(medians)) {
        service::PadStroke stroke;
        for (auto p : path) stroke.push_back({p.x, p.y});
        strokes.push_back(stroke);
    }
    return strokes;
}

bool contains(const std::vector<std::string>& list, const std::string& s) {
    return std::find(list.begin(), list.end(), s) != list.end();
}

}  // namespace

TEST(PadToBox, KeepsProportionsAndCentresTheShortSide) {
    service::PadSize pad{214, 207};
    EXPECT_EQ(service::padToBox({0, 0}, pad, 1000).x, 0);
    EXPECT_EQ(service::padToBox({214, 0}, pad, 1000).x, 1000);
    EXPECT_EQ(service::padToBox({0, 0}, pad, 1000).y, 16);  // 3.5 pixels of centring
    EXPECT_EQ(service::padToBox({0, 207}, pad, 1000).y, 984);
    EXPECT_EQ(service::padToBox({107, 103}, pad, 1000).x, 500);
}

TEST(Recognizer, AMissingModelIsReported) {
    std::string error;
    EXPECT_FALSE(service::Recognizer::open("/nonexistent.model", error));
    EXPECT_NE(error.find("/nonexistent.model"), std::string::npos);
}

TEST(Recognizer, RecognisesCharactersFromTheirMediansFromSeveralThreads) {
    std::string error;
    std::string models;
    auto recognizer = service::openDefaultRecognizer(models, error);
    ASSERT_TRUE(recognizer) << error;
    EXPECT_TRUE(recognizer->classify({}, 10).empty());
    auto zhong = padStrokes(u8"中");
    if (zhong.empty())
        GTEST_SKIP() << "no hanzi-writer-data (run make deps)";
    std::vector<std::thread> threads;
    std::vector<std::vector<std::string>> results(8);
    const char* characters[] = {u8"中", u8"国", u8"人", u8"大"};
    for (std::size_t i = 0; i < results.size(); ++i) {
        threads.emplace_back(
            [&, i] { results[i] = recognizer->classify(padStrokes(characters[i % 4]), 10); });
    }
    for (auto& t : threads) t.join();
    for (std::size_t i = 0; i < results.size(); ++i) {
        EXPECT_LE(results[i].size(), 10u);
        EXPECT_TRUE(contains(results[i], characters[i % 4])) << characters[i % 4];
    }
}

// The index by feature must give what zinnia gives, characters and scores to the bit, on
// sloppy mouse writing (deep stroke splits, joined strokes, slips) of characters from across
// GB2312, with both models.
TEST(Recognizer, ScoresLikeZinniaItself) {
    std::vector<std::string> models{service::kStockModelPath};
    if (*service::kTrainedModelPath)
        models.push_back(service::kTrainedModelPath);
    std::vector<std::string> characters;
    for (int level = 1; level <= 2; ++level) {
        std::vector<std::string> all = training::gb2312Hanzi(level);
        for (std::size_t i = 0; i < all.size(); i += 97) characters.push_back(all[i]);
    }
    for (const std::string& path : models) {
        std::string error;
        auto indexed = service::Recognizer::open(path, error);
        ASSERT_TRUE(indexed) << error;
        auto zinnia = service::Recognizer::openWithZinnia(path, error);
        ASSERT_TRUE(zinnia) << error;
        int compared = 0;
        for (const char* settingsFile : {"distorted.conf", "wrong-order.conf"}) {
            training::WritingSettings settings;
            ASSERT_TRUE(training::loadWritingSettings(
                std::string(TRAINING_DIR) + "/" + settingsFile, settings, error))
                << error;
            training::SampleGenerator generator(settings);
            for (const std::string& character : characters) {
                hanzi::HanziMedians medians;
                if (!hanzi::loadHanziMedians(HANZI_WRITER_DATA_DIR, character, medians, error))
                    continue;
                auto sample = generator.write(medians, training::firstCodepoint(character), 0);
                auto expected = zinnia->rank(sample.padStrokes, 40);
                auto got = indexed->rank(sample.padStrokes, 40);
                ASSERT_EQ(got.size(), expected.size()) << character;
                for (std::size_t i = 0; i < got.size(); ++i) {
                    EXPECT_EQ(got[i].value, expected[i].value)
                        << path << " " << character << " " << i;
                    EXPECT_EQ(got[i].score, expected[i].score)
                        << path << " " << character << " " << i;
                }
                ++compared;
            }
        }
        if (compared == 0)
            GTEST_SKIP() << "no hanzi-writer-data (run make deps)";
    }
}
