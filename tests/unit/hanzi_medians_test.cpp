#include "hanzi_medians.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <string>

using hanzi::PadPath;
using hanzi::writeOnPad;

TEST(HanziMedians, ReadsMediansAndTurnsYDownward) {
    hanzi::HanziMedians m;
    std::string error;
    ASSERT_TRUE(hanzi::parseHanziMedians(
        R"({"strokes":["M 1 2"],"medians":[[[194, 598],[229,572]], [[0,900],[1024,-124]]]})", m,
        error))
        << error;
    ASSERT_EQ(m.strokes.size(), 2u);
    EXPECT_DOUBLE_EQ(m.strokes[0][0].x, 194);
    EXPECT_DOUBLE_EQ(m.strokes[0][0].y, 900 - 598);
    EXPECT_DOUBLE_EQ(m.strokes[1][1].y, 1024);
    for (std::string bad :
         {"{}", R"({"medians":[[[1,2],[3]]]})", R"({"medians":[)", R"({"medians":[]})"}) {
        EXPECT_FALSE(hanzi::parseHanziMedians(bad, m, error)) << bad;
    }
}

TEST(HanziMedians, BoxCornersLandInsideThePadMargin) {
    hanzi::HanziMedians m;
    m.strokes = {{{0, 0}, {1024, 1024}}};
    auto paths = hanzi::mediansToPadPath(m, {214, 207, 12});
    ASSERT_EQ(paths.size(), 1u);
    EXPECT_EQ(paths[0].front().y, 12);
    EXPECT_EQ(paths[0].back().y, 207 - 12);
    EXPECT_EQ(paths[0].front().x, (214 - 183) / 2 + 1);  // centred horizontally
    for (std::size_t i = 1; i < paths[0].size(); ++i) {
        EXPECT_LE(std::abs(paths[0][i].x - paths[0][i - 1].x), 1);
        EXPECT_LE(std::abs(paths[0][i].y - paths[0][i - 1].y), 1);
    }
}

TEST(PadWriting, SamplesThePreviousPositionAndEndsStrokesWithA) {
    // Down at (10, 20), moves to (11, 20), (13, 20), (16, 24), release.
    auto pad = writeOnPad({PadPath{{10, 20}, {11, 20}, {13, 20}, {16, 24}}});
    EXPECT_EQ(pad.strokeText, "a10a20a13a20a");
    ASSERT_EQ(pad.requests.size(), 1u);
    EXPECT_EQ(pad.requests[0], "10a20a13a20");
    EXPECT_FALSE(pad.midStroke[0]);
}

TEST(PadWriting, AClickWritesOnlyItsClosingAAndSendsNothing) {
    auto pad = writeOnPad({PadPath{{50, 50}}, PadPath{{50, 50}, {51, 51}}});
    EXPECT_EQ(pad.strokeText, "aa");
    EXPECT_TRUE(pad.requests.empty());
}

TEST(PadWriting, TheEleventhPointSendsMidStrokeWithTheLastDigitCut) {
    PadPath path;
    for (int i = 0; i <= 11; ++i) path.push_back({10 + 3 * i, 20});
    auto pad = writeOnPad({path});
    ASSERT_EQ(pad.requests.size(), 1u);  // nothing pending at the release
    EXPECT_TRUE(pad.midStroke[0]);
    EXPECT_EQ(pad.requests[0].substr(pad.requests[0].size() - 5), "a40a2");
    EXPECT_EQ(pad.strokeText.substr(pad.strokeText.size() - 7), "a40a20a");
}

TEST(PadWriting, ReferenceValueSetsTheSamplingDistance) {
    PadPath diagonal{{10, 10}, {17, 17}, {25, 25}};
    EXPECT_EQ(writeOnPad({diagonal}, 8).strokeText, "a10a10a");  // 7 by 7 is not enough for 8
    EXPECT_EQ(writeOnPad({diagonal}, 3).strokeText, "a10a10a17a17a");
    EXPECT_EQ(writeOnPad({PadPath{{10, 10}, {10, 13}, {10, 14}}}, 3).strokeText, "a10a10a");
}

TEST(HanziMedians, ZhongFromTheInstalledDataWritesFourStrokes) {
    hanzi::HanziMedians m;
    std::string error;
    if (!hanzi::loadHanziMedians(HANZI_WRITER_DATA_DIR, u8"中", m, error))
        GTEST_SKIP() << error << " (run make deps)";
    ASSERT_EQ(m.strokes.size(), 4u);
    auto paths = hanzi::mediansToPadPath(m);
    // The long vertical stroke runs top to bottom on screen.
    EXPECT_LT(paths[3].front().y, paths[3].back().y);
    for (const auto& path : paths) {
        for (auto p : path) {
            EXPECT_TRUE(p.x >= 0 && p.x <= 214 && p.y >= 0 && p.y <= 207);
        }
    }
    auto pad = writeOnPad(paths);
    EXPECT_EQ(std::count(pad.strokeText.begin(), pad.strokeText.end(), 'a') % 2,
              0);  // 2 per point + 4 ends
    EXPECT_EQ(pad.requests.back(), pad.strokeText.substr(1, pad.strokeText.size() - 2));
    EXPECT_GT(hanzi::listHanziCharacters(HANZI_WRITER_DATA_DIR).size(), 6000u);
}
