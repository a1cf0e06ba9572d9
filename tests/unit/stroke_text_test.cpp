#include "protocol/stroke_text.h"

#include <gtest/gtest.h>

#include <string>

using protocol::PadPoint;
using protocol::parseStrokeText;
using protocol::StrokeTextStatus;

namespace {

// A pad stroke text for horizontal strokes at height y, n points each, 3 pixels apart.
std::string strokeText(const std::vector<int>& pointsPerStroke, int y = 20) {
    std::string text;
    for (int n : pointsPerStroke) {
        for (int i = 0; i < n; ++i)
            text += "a" + std::to_string(10 + 3 * i) + "a" + std::to_string(y);
        text += "a";
    }
    return text;
}

// What the panel puts in `wd`: the stroke text without its first and last byte.
std::string inner(const std::string& text) {
    return text.substr(1, text.size() - 2);
}

}  // namespace

TEST(StrokeText, ReadsPointsAndStrokesOfACompleteRequest) {
    auto parsed = parseStrokeText("10a20a13a20aa50a60a50a64");
    ASSERT_EQ(parsed.status, StrokeTextStatus::ok);
    ASSERT_EQ(parsed.strokes.size(), 2u);
    EXPECT_EQ(parsed.strokes[0], (protocol::PadStroke{{10, 20}, {13, 20}}));
    EXPECT_EQ(parsed.strokes[1], (protocol::PadStroke{{50, 60}, {50, 64}}));
    EXPECT_FALSE(parsed.droppedCutPoint);
}

TEST(StrokeText, EmptyTextAndPointlessStrokesGiveNoStrokes) {
    EXPECT_TRUE(parseStrokeText("").strokes.empty());
    EXPECT_TRUE(parseStrokeText("a").strokes.empty());
    // A click without movement contributes only its "a": empty tokens in a row.
    auto parsed = parseStrokeText("aa10a20a13a20aaa50a60");
    ASSERT_EQ(parsed.strokes.size(), 2u);
    EXPECT_EQ(parsed.strokes[0].size(), 2u);
    EXPECT_EQ(parsed.strokes[1].size(), 1u);
}

TEST(StrokeText, MidStrokeRequestDropsTheCutFinalPoint) {
    // Sent at the eleventh point: the text ends inside that point's y ("a40a20" -> "a40a2").
    std::string full = strokeText({11});
    std::string sent = full.substr(1, full.size() - 3);  // no closing "a" yet, last digit cut
    ASSERT_EQ(sent.substr(sent.size() - 5), "a40a2");
    auto parsed = parseStrokeText(sent);
    ASSERT_EQ(parsed.strokes.size(), 1u);
    EXPECT_EQ(parsed.strokes[0].size(), 10u);
    EXPECT_EQ(parsed.strokes[0].back(), (PadPoint{37, 20}));
    EXPECT_TRUE(parsed.droppedCutPoint);
}

TEST(StrokeText, MidStrokeRequestWithOneDigitYLeavesALoneX) {
    std::string full = strokeText({11}, 5);
    std::string sent = full.substr(1, full.size() - 3);  // "...a40a5" loses the 5
    ASSERT_EQ(sent.back(), 'a');
    auto parsed = parseStrokeText(sent);
    ASSERT_EQ(parsed.strokes.size(), 1u);
    EXPECT_EQ(parsed.strokes[0].size(), 10u);
    EXPECT_TRUE(parsed.droppedCutPoint);
}

TEST(StrokeText, RequestScheduleIsFollowedAcrossStrokes) {
    // Stroke of 4 (request at its end), then 11 in the next: the 11th is the cut one.
    std::string full = strokeText({4, 11});
    auto parsed = parseStrokeText(full.substr(1, full.size() - 3));
    ASSERT_EQ(parsed.strokes.size(), 2u);
    EXPECT_EQ(parsed.strokes[1].size(), 10u);

    // A stroke of exactly 11 sent mid-stroke and no request at its end; then 22 points: the
    // requests fall at the 11th and the 22nd, so the 22nd is cut.
    full = strokeText({11, 22});
    parsed = parseStrokeText(full.substr(1, full.size() - 3));
    ASSERT_EQ(parsed.strokes.size(), 2u);
    EXPECT_EQ(parsed.strokes[1].size(), 21u);
}

TEST(StrokeText, StrokeEndRequestKeepsItsCompleteFinalPoint) {
    for (int n : {1, 2, 10, 12, 21}) {
        auto parsed = parseStrokeText(inner(strokeText({3, n})));
        ASSERT_EQ(parsed.strokes.size(), 2u) << n;
        EXPECT_EQ(parsed.strokes[1].size(), static_cast<std::size_t>(n)) << n;
        EXPECT_FALSE(parsed.droppedCutPoint) << n;
    }
}

TEST(StrokeText, AWildFinalJumpIsDroppedAModestOneKept) {
    auto wild = parseStrokeText("10a100a13a100a16a100a19a10");  // y 100 -> 10: a lost digit
    ASSERT_EQ(wild.strokes.size(), 1u);
    EXPECT_EQ(wild.strokes[0].size(), 3u);
    EXPECT_TRUE(wild.droppedCutPoint);

    auto modest = parseStrokeText("10a100a13a100a16a100a22a104");
    ASSERT_EQ(modest.strokes.size(), 1u);
    EXPECT_EQ(modest.strokes[0].size(), 4u);
}

TEST(StrokeText, LettersSignsAndBinaryBytesAreRejected) {
    for (const std::string& bad : std::vector<std::string>{"10a2x0", "10a-20", "10a+20", "10a20 ",
                                                           "10A20", "10a20,", "1.5a3",
                                                           std::string("10a2\0"
                                                                       "0",
                                                                       6),
                                                           "\xD6\xD0", "\xff\xfe\x01"}) {
        auto parsed = parseStrokeText(bad);
        EXPECT_EQ(parsed.status, StrokeTextStatus::badCharacter) << bad;
        EXPECT_TRUE(parsed.strokes.empty());
    }
}

TEST(StrokeText, PointsBeyondThePadAreDropped) {
    auto parsed = parseStrokeText("214a207a215a10a10a208a99999999999999999999a5a0a0");
    ASSERT_EQ(parsed.status, StrokeTextStatus::ok);
    ASSERT_EQ(parsed.strokes.size(), 1u);
    EXPECT_EQ(parsed.strokes[0], (protocol::PadStroke{{214, 207}, {0, 0}}));
    EXPECT_EQ(parsed.pointsOutsidePad, 3);

    PadSize small{20, 20};
    EXPECT_TRUE(parseStrokeText("30a30a40a40", small).strokes.empty());
}

TEST(StrokeText, TooManyPointsOrStrokesAreRefused) {
    std::string many;
    for (int i = 0; i < 100000; ++i) many += "1a1a";
    auto parsed = parseStrokeText(many);
    EXPECT_EQ(parsed.status, StrokeTextStatus::tooLarge);
    EXPECT_TRUE(parsed.strokes.empty());

    std::string strokes;
    for (int i = 0; i < 300; ++i) strokes += "1a1aa";
    EXPECT_EQ(parseStrokeText(strokes).status, StrokeTextStatus::tooLarge);
    EXPECT_EQ(parseStrokeText(strokes, {}, {10000, 400}).status, StrokeTextStatus::ok);
}
