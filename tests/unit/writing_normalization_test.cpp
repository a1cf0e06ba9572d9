#include "writing_normalization.h"

#include <gtest/gtest.h>

namespace {

using service::PadPoint;
using service::PadStroke;

// Remembers what it was asked.
class RecordingRecognizer : public service::Recognizer {
  public:
    std::vector<service::ScoredCandidate> rank(const std::vector<PadStroke>& strokes,
                                               std::size_t count,
                                               service::PadSize pad) const override {
        seen = strokes;
        padSeen = pad;
        asked = count;
        return {{u8"口", 1.0}};
    }
    mutable std::vector<PadStroke> seen;
    mutable service::PadSize padSeen{};
    mutable std::size_t asked = 0;
};

}  // namespace

TEST(WritingNormalization, SmallOffCentreWritingIsScaledAndCentredKeepingItsProportions) {
    // 40 x 20 pixels in the pad's top-left corner.
    std::vector<PadStroke> strokes{{{10, 10}, {50, 10}}, {{30, 5}, {30, 25}}};
    auto out = service::normalizeWriting(strokes, {214, 207}, 0.5);
    ASSERT_EQ(out.size(), 2u);
    // Longer side 40 px -> 500 of 1000, so 12.5 per pixel; centre (30, 15) -> (500, 500);
    // y 10 -> 437.5, rounded to 438.
    EXPECT_EQ(out[0][0], (PadPoint{250, 438}));
    EXPECT_EQ(out[0][1], (PadPoint{750, 438}));
    EXPECT_EQ(out[1][0], (PadPoint{500, 375}));
    EXPECT_EQ(out[1][1], (PadPoint{500, 625}));
}

TEST(WritingNormalization, DotsEmptyStrokesAndNothing) {
    // A dot has no extent to scale by: it is only centred.
    auto dot = service::normalizeWriting({{{3, 4}, {3, 4}}}, {214, 207}, 0.69);
    ASSERT_EQ(dot.size(), 1u);
    EXPECT_EQ(dot[0][0], (PadPoint{500, 500}));
    // Empty strokes stay where they are, for the recogniser to skip as usual.
    auto withEmpty = service::normalizeWriting({{}, {{0, 0}, {10, 0}}}, {214, 207}, 0.5);
    ASSERT_EQ(withEmpty.size(), 2u);
    EXPECT_TRUE(withEmpty[0].empty());
    EXPECT_EQ(withEmpty[1][0], (PadPoint{250, 500}));
    EXPECT_TRUE(service::normalizeWriting({}, {214, 207}, 0.5).empty());
    EXPECT_TRUE(service::normalizeWriting({{}, {}}, {214, 207}, 0.5).empty());
}

TEST(WritingNormalization, TheRecogniserReadsTheNormalisedWritingOnItsSquarePad) {
    auto inner = std::make_shared<RecordingRecognizer>();
    service::NormalizingRecognizer normalizing(inner, 0.5);
    std::vector<PadStroke> strokes{{{10, 10}, {50, 10}}, {{30, 5}, {30, 25}}};
    EXPECT_EQ(normalizing.classify(strokes, 7, {214, 207}), (std::vector<std::string>{u8"口"}));
    EXPECT_EQ(inner->seen, service::normalizeWriting(strokes, {214, 207}, 0.5));
    EXPECT_EQ(inner->padSeen.width, service::kNormalizedPadSide);
    EXPECT_EQ(inner->padSeen.height, service::kNormalizedPadSide);
    EXPECT_EQ(inner->asked, 7u);
}
