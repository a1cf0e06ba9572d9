// The recogniser with the build's model: a few characters from their medians, from several
// threads at once.
#include "engine/recognizer.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <thread>

#include "hanzi_medians.h"

namespace {

std::vector<protocol::PadStroke> padStrokes(const std::string& utf8) {
    hanzi::HanziMedians medians;
    std::string error;
    std::vector<protocol::PadStroke> strokes;
    if (!hanzi::loadHanziMedians(HANZI_WRITER_DATA_DIR, utf8, medians, error))
        return strokes;
    for (const auto& path : hanzi::mediansToPadPath(medians)) {
        protocol::PadStroke stroke;
        for (auto p : path) stroke.push_back({p.x, p.y});
        strokes.push_back(stroke);
    }
    return strokes;
}

bool contains(const std::vector<std::string>& list, const std::string& s) {
    return std::find(list.begin(), list.end(), s) != list.end();
}

}  // namespace

TEST(Recognizer, AMissingModelIsReported) {
    std::string error;
    EXPECT_FALSE(engine::Recognizer::open("/nonexistent.model", error));
    EXPECT_NE(error.find("/nonexistent.model"), std::string::npos);
}

TEST(Recognizer, RecognisesCharactersFromTheirMediansFromSeveralThreads) {
    std::string error;
    std::string models;
    auto recognizer = engine::openDefaultRecognizer(models, error);
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
