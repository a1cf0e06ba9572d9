#include "moving_hand.h"

#include <gtest/gtest.h>

#include <cmath>

namespace {

using training::WritingSettings;

// A horizontal turning down at a right angle, then a horizontal below it (1024 box).
std::vector<hanzi::MedianStroke> cornerAndBar() {
    return {{{200, 200}, {800, 200}, {800, 700}}, {{250, 850}, {750, 850}}};
}

WritingSettings hand(double speed) {
    WritingSettings s;
    std::string error;
    EXPECT_TRUE(training::readWritingSettings(
        "moving_hand = true\noverlap_slow = 0\noverlap_fast = 0.7\npen_down_fast = 1\n"
        "join_max_gap = 1500\npen_up_tail = 0.2\n",
        s, error))
        << error;
    s.speedMin = s.speedMax = speed;
    return s;
}

double distance(hanzi::MedianPoint a, hanzi::MedianPoint b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

double closestTo(const hanzi::MedianStroke& line, hanzi::MedianPoint p) {
    double best = 1e9;
    for (auto q : line) best = std::min(best, distance(p, q));
    return best;
}

TEST(MovingHand, WritingSlowlyKeepsTheStrokesTheirEndsAndTheirCorners) {
    training::Random random(3);
    training::SampleNotes notes;
    auto ink = training::writeWithMovingHand(cornerAndBar(), hand(0), random, notes);
    ASSERT_EQ(ink.size(), 2u);
    EXPECT_EQ(notes.joins, 0);
    auto strokes = cornerAndBar();
    for (std::size_t k = 0; k < 2; ++k) {
        EXPECT_LT(distance(ink[k].front(), strokes[k].front()), 3) << k;
        EXPECT_LT(distance(ink[k].back(), strokes[k].back()), 3) << k;
        for (std::size_t i = 1; i < ink[k].size(); ++i)
            EXPECT_LE(distance(ink[k][i - 1], ink[k][i]), 6.01);
    }
    EXPECT_LT(closestTo(ink[0], {800, 200}), 8);
}

TEST(MovingHand, WritingFastJoinsTheStrokesAndRoundsTheCorner) {
    training::Random random(3);
    training::SampleNotes notes;
    auto ink = training::writeWithMovingHand(cornerAndBar(), hand(1), random, notes);
    ASSERT_EQ(ink.size(), 1u);
    EXPECT_EQ(notes.joins, 1);
    EXPECT_DOUBLE_EQ(notes.speed, 1);
    EXPECT_GT(closestTo(ink[0], {800, 200}), 20);
    // Still from the first stroke's start to the last one's end, by way of both.
    EXPECT_LT(distance(ink[0].front(), {200, 200}), 3);
    EXPECT_LT(distance(ink[0].back(), {750, 850}), 3);
    EXPECT_LT(closestTo(ink[0], {800, 600}), 30);
    EXPECT_LT(closestTo(ink[0], {500, 850}), 30);
}

TEST(MovingHand, TheSameSeedWritesTheSameSample) {
    WritingSettings s = hand(0);
    s.speedMax = 1;
    s.targetSigma = 10;
    s.referenceValues = {3, 5};
    hanzi::HanziMedians m;
    m.strokes = cornerAndBar();
    training::SampleGenerator gen(s);
    auto first = gen.write(m, 0x53E3, 7);
    gen.write(m, 0x53E3, 2);
    EXPECT_EQ(gen.write(m, 0x53E3, 7).innerStrokeText, first.innerStrokeText);
    EXPECT_NE(gen.write(m, 0x53E3, 8).innerStrokeText, first.innerStrokeText);
    s.seed = 99;
    EXPECT_NE(training::SampleGenerator(s).write(m, 0x53E3, 7).innerStrokeText,
              first.innerStrokeText);
}

TEST(MovingHand, TheRecipeRefusesSettingsOutOfRangeOrWithoutIt) {
    const std::pair<const char*, const char*> bad[] = {
        {"speed_max = 1\n", "moving_hand = true"},
        {"moving_hand = yes\n", "line 1"},
        {"moving_hand = true\nspeed_min = 0.8\nspeed_max = 0.2\n", "speed_min <= speed_max"},
        {"moving_hand = true\nspeed_max = 1.5\n", "speed_max <= 1"},
        {"moving_hand = true\noverlap_fast = 1\n", "0.95"},
        {"moving_hand = true\npen_down_fast = 0.5\n", "join_max_gap"},
        {"moving_hand = true\npen_down_fast = 2\njoin_max_gap = 500\n", "chances"},
        {"moving_hand = true\njoin_probability = 0.3\n", "leave them out"},
        {"moving_hand = true\ncorner_rounding = 40\n", "leave them out"},
        {"moving_hand = true\npen_up_tail = 0.7\n", "pen_up_tail"},
    };
    for (const auto& [text, says] : bad) {
        WritingSettings s;
        std::string error;
        EXPECT_FALSE(training::readWritingSettings(text, s, error)) << text;
        EXPECT_NE(error.find(says), std::string::npos) << text << ": " << error;
    }
}

}  // namespace
