#include "engine/direction_features.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <numeric>

namespace {

using engine::DirectionPlanes;
using protocol::PadStroke;

DirectionPlanes features(const std::vector<PadStroke>& strokes) {
    DirectionPlanes f;
    EXPECT_TRUE(engine::extractDirectionPlanes(strokes, f));
    return f;
}

// Ink in one direction plane, summed over its cells.
double plane(const DirectionPlanes& f, int direction) {
    constexpr int kCells = engine::kPlaneCells * engine::kPlaneCells;
    auto begin = f.begin() + direction * kCells;
    return std::accumulate(begin, begin + kCells, 0.0);
}

double largestDifference(const DirectionPlanes& a, const DirectionPlanes& b) {
    double worst = 0;
    for (std::size_t i = 0; i < a.size(); ++i)
        worst = std::max(worst, static_cast<double>(std::fabs(a[i] - b[i])));
    return worst;
}

double largest(const DirectionPlanes& f) {
    return *std::max_element(f.begin(), f.end());
}

// 十 with a box around its top: strokes of all four orientations.
const std::vector<PadStroke> kWriting{{{40, 60}, {120, 60}, {160, 62}},
                                      {{100, 20}, {100, 100}, {102, 180}},
                                      {{60, 30}, {60, 90}},
                                      {{60, 30}, {140, 30}, {140, 90}}};

}  // namespace

TEST(DirectionPlanes, NoPointsIsNoWritingAndALonePointIsADot) {
    DirectionPlanes f;
    f.fill(1.0f);
    EXPECT_FALSE(engine::extractDirectionPlanes({}, f));
    EXPECT_FALSE(engine::extractDirectionPlanes({{}, {}}, f));
    EXPECT_EQ(largest(f), 0.0f);
    // A dot shorter than the pad's sampling step arrives as one point: written down-right.
    EXPECT_TRUE(engine::extractDirectionPlanes({{{5, 5}}}, f));
    EXPECT_GT(plane(f, 1), 0);
    EXPECT_FLOAT_EQ(plane(f, 1), std::accumulate(f.begin(), f.end(), 0.0f));
    EXPECT_TRUE(engine::extractDirectionPlanes({{{5, 5}, {5, 5}}}, f));
}

TEST(DirectionPlanes, EachPieceGoesToTheDirectionsItLiesBetween) {
    // The pad's y grows downward: direction 0 is rightward, 2 downward, 4 leftward, 6 upward.
    auto right = features({{{10, 50}, {200, 50}}});
    EXPECT_GT(plane(right, 0), 0);
    for (int d = 1; d < engine::kDirectionCount; ++d) EXPECT_EQ(plane(right, d), 0) << d;
    auto down = features({{{50, 10}, {50, 200}}});
    EXPECT_GT(plane(down, 2), 0);
    EXPECT_EQ(plane(down, 0) + plane(down, 1) + plane(down, 3) + plane(down, 6), 0);
    // Drawn backwards, the same line is the opposite direction.
    auto left = features({{{200, 50}, {10, 50}}});
    EXPECT_GT(plane(left, 4), 0);
    EXPECT_EQ(plane(left, 0), 0);
    // Halfway between right and down-right (22.5 degrees), it is shared equally. A crossing
    // line of the same length keeps the writing as wide as high, so that normalisation does
    // not bend the angle; it goes to other directions.
    auto between = features({{{0, 0}, {1000, 414}}, {{707, -293}, {293, 707}}});
    EXPECT_NEAR(plane(between, 0), plane(between, 1), 0.02 * plane(between, 0));
    EXPECT_NEAR(plane(between, 2), plane(between, 3), 0.02 * plane(between, 2));
    // The move with the pen up goes up and to the left (directions 5 and 6).
    EXPECT_EQ(plane(between, 4) + plane(between, 7), 0);
}

TEST(DirectionPlanes, WhereAndHowLargeTheCharacterIsWrittenHardlyMatters) {
    auto reference = features(kWriting);
    std::vector<PadStroke> smallInACorner = kWriting, shifted = kWriting;
    for (auto& stroke : smallInACorner)
        for (auto& p : stroke) p = {p.x / 2 + 3, p.y / 2 + 100};
    for (auto& stroke : shifted)
        for (auto& p : stroke) p = {p.x + 30, p.y - 15};
    EXPECT_LT(largestDifference(reference, features(shifted)), 1e-4 * largest(reference));
    EXPECT_LT(largestDifference(reference, features(smallInACorner)), 1e-4 * largest(reference));
}

TEST(DirectionPlanes, PenUpMovesHaveTheirOwnPlanesAndCountALittleAsInk) {
    constexpr int kPenUp = engine::kDirectionCount;
    auto one = features({{{10, 50}, {200, 50}}});
    for (int d = 0; d < engine::kDirectionCount; ++d) EXPECT_EQ(plane(one, kPenUp + d), 0) << d;
    // Right, then down with the pen up, then left.
    auto two = features({{{10, 50}, {200, 50}}, {{200, 120}, {10, 120}}});
    EXPECT_GT(plane(two, kPenUp + 2), 0);
    EXPECT_EQ(plane(two, kPenUp + 6), 0);
    EXPECT_GT(plane(two, 2), 0);
    EXPECT_LT(plane(two, 2), plane(two, kPenUp + 2));
    // The other way round, the pen moves up between them.
    auto swapped = features({{{200, 120}, {10, 120}}, {{10, 50}, {200, 50}}});
    EXPECT_GT(plane(swapped, kPenUp + 6), 0);
    EXPECT_EQ(plane(swapped, kPenUp + 2), 0);
    EXPECT_NEAR(plane(swapped, 0), plane(two, 0), 1e-3);
    EXPECT_NEAR(plane(swapped, 4), plane(two, 4), 1e-3);
}

TEST(DirectionPlanes, ASqueezedCharacterKeepsPartOfItsShape) {
    // The same strokes twice as wide: the moments take most of it out, not all, so that a wide
    // character still differs from a tall one.
    std::vector<PadStroke> wide = kWriting;
    for (auto& stroke : wide)
        for (auto& p : stroke) p.x *= 2;
    double difference = largestDifference(features(kWriting), features(wide));
    EXPECT_GT(difference, 0.01 * largest(features(kWriting)));
    EXPECT_LT(difference, 0.5 * largest(features(kWriting)));
}

TEST(DirectionPlanes, StraightLinesAndFarPointsStayFinite) {
    for (const std::vector<PadStroke>& strokes :
         std::vector<std::vector<PadStroke>>{{{{0, 0}, {1, 0}}},
                                             {{{0, 0}, {100000, 0}}, {{-100000, 5}, {7, 7}}},
                                             {{{3, 3}, {4, 4}}, {{2000000, -2000000}}}}) {
        auto f = features(strokes);
        EXPECT_TRUE(std::all_of(f.begin(), f.end(), [](float v) { return std::isfinite(v); }));
        EXPECT_GT(largest(f), 0.0f);
    }
}
