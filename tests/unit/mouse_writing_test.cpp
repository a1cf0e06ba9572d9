#include "mouse_writing.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>

namespace {

using training::WritingSettings;

// A made-up character: a long horizontal, a vertical starting near its end, and a short
// stroke far away (1024 box, y downward).
hanzi::HanziMedians threeStrokes() {
    hanzi::HanziMedians m;
    m.strokes = {{{150, 300}, {500, 300}, {850, 310}},
                 {{860, 330}, {850, 600}, {840, 900}},
                 {{200, 700}, {400, 750}}};
    return m;
}

std::vector<hanzi::MedianStroke> numbered(int n) {
    std::vector<hanzi::MedianStroke> strokes;
    for (int i = 0; i < n; ++i) strokes.push_back({{100.0 * i, 0}, {100.0 * i + 50, 10}});
    return strokes;
}

bool sameStroke(const hanzi::MedianStroke& a, const hanzi::MedianStroke& b) {
    return a.size() == b.size() && std::equal(a.begin(), a.end(), b.begin(), [](auto p, auto q) {
               return p.x == q.x && p.y == q.y;
           });
}

WritingSettings read(const std::string& text) {
    WritingSettings s;
    std::string error;
    EXPECT_TRUE(training::readWritingSettings(text, s, error)) << error;
    return s;
}

TEST(WritingSettings, ReadsNamesValuesAndComments) {
    WritingSettings s = read(
        "# recipe\n"
        "seed = 42\n\n"
        "samples_per_character = 7   # per character\n"
        "reference_values = 3 8 5\n"
        "size_min = 0.5\nsize_max = 0.9\n"
        "join_probability = 0.25\n"
        "force_order_slip = true\n");
    EXPECT_EQ(s.seed, 42u);
    EXPECT_EQ(s.samplesPerCharacter, 7);
    EXPECT_EQ(s.referenceValues, (std::vector<int>{3, 8, 5}));
    EXPECT_DOUBLE_EQ(s.sizeMin, 0.5);
    EXPECT_DOUBLE_EQ(s.joinProbability, 0.25);
    EXPECT_TRUE(s.forceOrderSlip);
}

TEST(WritingSettings, RejectsWhatARecipeMustNotSilentlyIgnore) {
    const char* bad[] = {
        "sede = 1\n",                     // typo in a name
        "wobble 3\n",                     // no "="
        "wobble = three\n",               // not a number
        "wobble = 3 4\n",                 // trailing garbage
        "reference_values = 3 9\n",       // outside the pad's 3..8
        "reference_values = \n",          // none
        "samples_per_character = 0\n",    // nothing to write
        "samples_per_character = 2.5\n",  // not whole
        "size_min = 0.9\nsize_max = 0.5\n",
        "mouse_step_min = 0\n",
        "force_order_slip = yes\n",
        "seed = -1\n",
    };
    for (const char* text : bad) {
        WritingSettings s;
        std::string error;
        EXPECT_FALSE(training::readWritingSettings(text, s, error)) << text;
        EXPECT_FALSE(error.empty()) << text;
    }
    WritingSettings s;
    std::string error;
    EXPECT_FALSE(training::readWritingSettings("seed = 1\nwobbel = 2\n", s, error));
    EXPECT_NE(error.find("line 2"), std::string::npos) << error;
}

TEST(WritingSettings, TheRecipeAndTheEvaluationSetsLoad) {
    for (const char* name :
         {"training", "sloppy-training", "quick-training", "wenkai-training", "clean", "distorted",
          "wrong-order", "quick-joined", "everyday", "hasty", "other-glyphs", "cursive-training",
          "symbols", "moving-hand-training"}) {
        WritingSettings s;
        std::string error;
        EXPECT_TRUE(training::loadWritingSettings(std::string(TRAINING_DIR) + "/" + name + ".conf",
                                                  s, error))
            << error;
    }
    WritingSettings s;
    std::string error;
    EXPECT_FALSE(training::loadWritingSettings("/nonexistent.conf", s, error));
}

TEST(Random, IsReproducibleAndWellSpread) {
    training::Random a(7), b(7), c(8);
    EXPECT_EQ(a.next(), b.next());
    EXPECT_NE(a.next(), c.next());
    training::Random r(1);
    double sum = 0, squares = 0;
    const int n = 20000;
    for (int i = 0; i < n; ++i) {
        double u = r.uniform();
        ASSERT_GE(u, 0.0);
        ASSERT_LT(u, 1.0);
        int k = r.below(5);
        ASSERT_GE(k, 0);
        ASSERT_LT(k, 5);
        double g = r.gaussian();
        ASSERT_TRUE(std::isfinite(g));
        sum += g;
        squares += g * g;
    }
    EXPECT_NEAR(sum / n, 0.0, 0.05);
    EXPECT_NEAR(std::sqrt(squares / n), 1.0, 0.05);
}

TEST(StrokeOrderSlips, NoneWithoutProbability) {
    WritingSettings s;
    training::Random r(1);
    training::SampleNotes notes;
    auto out = training::slipStrokeOrder(numbered(5), s, r, notes);
    auto in = numbered(5);
    for (int i = 0; i < 5; ++i) EXPECT_TRUE(sameStroke(out[i], in[i]));
}

TEST(StrokeOrderSlips, ASwapExchangesExactlyTwoNeighbours) {
    WritingSettings s;
    s.swapProbability = 1;
    for (int seed = 0; seed < 30; ++seed) {
        training::Random r(seed);
        training::SampleNotes notes;
        auto in = numbered(6);
        auto out = training::slipStrokeOrder(in, s, r, notes);
        EXPECT_EQ(notes.swaps, 1);
        std::vector<int> moved;
        for (int i = 0; i < 6; ++i)
            if (!sameStroke(in[i], out[i]))
                moved.push_back(i);
        ASSERT_EQ(moved.size(), 2u);
        EXPECT_EQ(moved[1], moved[0] + 1);
        EXPECT_TRUE(sameStroke(out[moved[0]], in[moved[1]]));
    }
}

TEST(StrokeOrderSlips, ClosingEarlyMovesTheLastStrokeBackOneOrTwo) {
    WritingSettings s;
    s.closeEarlyProbability = 1;
    std::vector<int> seen;
    for (int seed = 0; seed < 40; ++seed) {
        training::Random r(seed);
        training::SampleNotes notes;
        auto in = numbered(5);
        auto out = training::slipStrokeOrder(in, s, r, notes);
        int at = -1;
        for (int i = 0; i < 5; ++i)
            if (sameStroke(out[i], in[4]))
                at = i;
        ASSERT_TRUE(at == 2 || at == 3) << at;
        seen.push_back(at);
        // The others keep their order.
        std::vector<hanzi::MedianStroke> rest;
        for (int i = 0; i < 5; ++i)
            if (i != at)
                rest.push_back(out[i]);
        for (int i = 0; i < 4; ++i) EXPECT_TRUE(sameStroke(rest[i], in[i]));
    }
    EXPECT_NE(std::count(seen.begin(), seen.end(), 2), 0);
    EXPECT_NE(std::count(seen.begin(), seen.end(), 3), 0);
}

TEST(StrokeOrderSlips, AForcedSlipAlwaysChangesSomething) {
    WritingSettings s;
    s.forceOrderSlip = true;
    for (int seed = 0; seed < 20; ++seed) {
        training::Random r(seed);
        training::SampleNotes notes;
        auto in = numbered(4);
        auto out = training::slipStrokeOrder(in, s, r, notes);
        EXPECT_EQ(notes.swaps + notes.closedEarly + notes.reversed, 1);
        bool changed = false;
        for (int i = 0; i < 4; ++i) changed |= !sameStroke(in[i], out[i]);
        EXPECT_TRUE(changed);
    }
    // One stroke can only be drawn backwards.
    training::Random r(3);
    training::SampleNotes notes;
    auto out = training::slipStrokeOrder(numbered(1), s, r, notes);
    EXPECT_EQ(notes.reversed, 1);
    EXPECT_EQ(out[0].front().x, 50);
}

TEST(JoinedStrokes, OnlyNearEndsAreJoinedAndNoPointIsLost) {
    WritingSettings s;
    s.joinProbability = 1;
    s.joinMaxGap = 60;
    training::Random r(1);
    training::SampleNotes notes;
    auto out = training::joinStrokes(threeStrokes().strokes, s, r, notes);
    // The vertical starts 20 units from the horizontal's end; the third stroke is far away.
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(notes.joins, 1);
    EXPECT_EQ(out[0].size(), 6u);
    EXPECT_EQ(out[1].size(), 2u);

    s.joinProbability = 0;
    training::SampleNotes none;
    EXPECT_EQ(training::joinStrokes(threeStrokes().strokes, s, r, none).size(), 3u);
    EXPECT_EQ(none.joins, 0);
}

TEST(JoinedStrokes, ABoxIsClosedBackwardsWhenTheNextStrokeEndsNearby) {
    WritingSettings s;
    s.joinProbability = 1;
    s.reverseJoinProbability = 1;
    s.joinMaxGap = 60;
    // The right side of a box going down, then its bottom drawn left to right.
    std::vector<hanzi::MedianStroke> box{{{200, 200}, {800, 200}, {800, 800}},
                                         {{200, 800}, {800, 810}}};
    training::Random r(1);
    training::SampleNotes notes;
    auto out = training::joinStrokes(box, s, r, notes);
    ASSERT_EQ(out.size(), 1u);
    EXPECT_EQ(notes.reverseJoins, 1);
    ASSERT_EQ(out[0].size(), 5u);
    EXPECT_EQ(out[0][3].x, 800);  // from the bottom's end back to its start
    EXPECT_EQ(out[0][4].x, 200);
    // Without reverse joins the strokes stay apart, and no random number is drawn for it.
    s.reverseJoinProbability = 0;
    training::Random a(1), b(1);
    training::SampleNotes none;
    EXPECT_EQ(training::joinStrokes(box, s, a, none).size(), 2u);
    EXPECT_EQ(a.next(), b.next());
}

TEST(QuickWriting, LeftAtZeroItChangesNothingAndDrawsNoRandomNumber) {
    WritingSettings s;
    training::Random a(9), b(9);
    training::SampleNotes notes;
    auto in = threeStrokes().strokes;
    auto out = training::writeQuickly(in, s, a, notes);
    ASSERT_EQ(out.size(), in.size());
    for (std::size_t i = 0; i < in.size(); ++i) EXPECT_TRUE(sameStroke(out[i], in[i]));
    EXPECT_EQ(a.next(), b.next());  // so recipes without quick writing keep their samples
}

TEST(QuickWriting, APenLiftedAtACornerMakesTwoStrokesThatMeetThere) {
    WritingSettings s;
    s.splitProbability = 1;
    training::Random r(2);
    training::SampleNotes notes;
    std::vector<hanzi::MedianStroke> in{{{100, 100}, {300, 110}, {500, 100}, {500, 500}},
                                        {{100, 600}, {500, 610}, {900, 600}}};
    auto out = training::writeQuickly(in, s, r, notes);
    // The corner is split; the nearly straight line is not.
    ASSERT_EQ(out.size(), 3u);
    EXPECT_EQ(notes.splits, 1);
    EXPECT_TRUE(sameStroke(out[0], {{100, 100}, {300, 110}, {500, 100}}));
    EXPECT_TRUE(sameStroke(out[1], {{500, 100}, {500, 500}}));
    EXPECT_TRUE(sameStroke(out[2], in[1]));
}

TEST(QuickWriting, HooksShortenEndsRunOnAndDotsBecomeDashes) {
    WritingSettings s;
    s.hookShortening = 1;
    training::Random r(4);
    training::SampleNotes notes;
    // A vertical with a hook to the upper left, and a straight line with no hook.
    std::vector<hanzi::MedianStroke> in{{{500, 100}, {500, 800}, {420, 740}},
                                        {{100, 500}, {400, 500}, {700, 500}}};
    for (int i = 0; i < 20; ++i) {
        auto out = training::writeQuickly(in, s, r, notes);
        ASSERT_EQ(out.size(), 2u);
        const auto& hooked = out[0];
        ASSERT_GE(hooked.size(), 2u);
        EXPECT_TRUE(sameStroke({hooked[0], hooked[1]}, {in[0][0], in[0][1]}));
        if (hooked.size() == 3) {
            EXPECT_LT(std::hypot(hooked[2].x - 500, hooked[2].y - 800), 100.0);
            EXPECT_LT(hooked[2].x, 500);  // shortened along the hook, not turned
        }
        EXPECT_TRUE(sameStroke(out[1], in[1]));
    }

    WritingSettings ends;
    ends.overshoot = 30;
    auto longer = training::writeQuickly({in[1]}, ends, r, notes)[0];
    EXPECT_LE(longer.front().x, 100);
    EXPECT_GE(longer.back().x, 700);
    EXPECT_DOUBLE_EQ(longer.front().y, 500);  // along the line's own direction

    WritingSettings dots;
    dots.dotDashProbability = 1;
    hanzi::MedianStroke dot{{500, 500}, {520, 530}};
    auto dash = training::writeQuickly({dot, in[1]}, dots, r, notes);
    ASSERT_EQ(dash[0].size(), 2u);
    double length = std::hypot(dash[0][1].x - dash[0][0].x, dash[0][1].y - dash[0][0].y);
    EXPECT_GE(length, 40.0 - 1e-9);
    EXPECT_NEAR((dash[0][0].x + dash[0][1].x) / 2, 510, 1e-9);  // where the dot was
    EXPECT_TRUE(sameStroke(dash[1], in[1]));                    // long strokes stay
}

TEST(QuickWriting, UnevenProportionsKeepTheOrderOfPointsAndTheBox) {
    WritingSettings s;
    s.proportionSigma = 1.0;  // far more than any recipe, to reach the warp's limit
    for (std::uint64_t seed = 1; seed <= 50; ++seed) {
        training::Random r(seed);
        training::SampleNotes notes;
        hanzi::MedianStroke line;
        for (int i = 0; i <= 16; ++i) line.push_back({64.0 * i, 64.0 * i});
        auto out = training::writeQuickly({line}, s, r, notes)[0];
        EXPECT_NEAR(out.front().x, 0, 1e-9);
        EXPECT_NEAR(out.back().y, 1024, 1e-9);
        for (std::size_t i = 1; i < out.size(); ++i) {
            EXPECT_GT(out[i].x, out[i - 1].x) << seed;
            EXPECT_GT(out[i].y, out[i - 1].y) << seed;
        }
    }
}

TEST(QuickWriting, TiltedStrokesTurnTheirHorizontalsUpAndKeepTheirPlace) {
    WritingSettings s;
    s.strokeTiltHorizontal = -10;  // up to the right on the pad, whose y grows downward
    s.strokeTiltVertical = 5;      // down to the left
    training::Random r(3);
    training::SampleNotes notes;
    std::vector<hanzi::MedianStroke> in{{{100, 500}, {900, 500}}, {{500, 100}, {500, 900}}};
    auto out = training::writeQuickly(in, s, r, notes);
    ASSERT_EQ(out.size(), 2u);
    auto angle = [](const hanzi::MedianStroke& line) {
        return std::atan2(line[1].y - line[0].y, line[1].x - line[0].x) * 180 / 3.14159265358979;
    };
    EXPECT_NEAR(angle(out[0]), -10, 1e-9);
    EXPECT_NEAR(angle(out[1]), 95, 1e-9);
    for (const auto& line : out) {
        EXPECT_NEAR((line[0].x + line[1].x) / 2, 500, 1e-9);
        EXPECT_NEAR((line[0].y + line[1].y) / 2, 500, 1e-9);
    }
}

TEST(QuickWriting, TheElasticFieldKeepsTouchingStrokesTouching) {
    WritingSettings s;
    s.elastic = 60;
    for (std::uint64_t seed = 1; seed <= 20; ++seed) {
        training::Random r(seed);
        training::SampleNotes notes;
        // 丁's top meets its vertical at (500, 200).
        std::vector<hanzi::MedianStroke> in{{{100, 200}, {500, 200}, {900, 200}},
                                            {{500, 200}, {500, 900}}};
        auto out = training::writeQuickly(in, s, r, notes);
        EXPECT_NEAR(out[0][1].x, out[1][0].x, 1e-9) << seed;
        EXPECT_NEAR(out[0][1].y, out[1][0].y, 1e-9) << seed;
        EXPECT_LT(std::hypot(out[1][1].x - 500, out[1][1].y - 900), 5 * s.elastic) << seed;
    }
}

TEST(DrawByWeight, DrawsAsOftenAsTheWeightsSayAndNeverAWeightOfZero) {
    auto draws = training::drawByWeight({0, 1, 3}, 8000, 17);
    ASSERT_EQ(draws.size(), 8000u);
    int counts[3] = {0, 0, 0};
    for (std::size_t d : draws) ++counts[d];
    EXPECT_EQ(counts[0], 0);
    EXPECT_NEAR(static_cast<double>(counts[2]) / counts[1], 3.0, 0.25);
    EXPECT_EQ(training::drawByWeight({0, 1, 3}, 8000, 17), draws);
    EXPECT_TRUE(training::drawByWeight({0, 0}, 10, 1).empty());
}

WritingSettings mouseLike() {
    return read(
        "seed = 5\nreference_values = 3 4 5 6 7 8\nsize_min = 0.3\nsize_max = 1\n"
        "aspect_sigma = 0.3\nrotation_sigma = 10\nshear_sigma = 0.3\nplacement_sigma = 0.3\n"
        "stroke_offset_sigma = 40\nstroke_scale_sigma = 0.2\nwobble = 30\njitter_pixels = 2\n"
        "mouse_step_min = 1\nmouse_step_max = 8\n");
}

TEST(SampleGenerator, TheSameIndexGivesTheSameSampleInAnyOrder) {
    training::SampleGenerator gen(mouseLike());
    auto m = threeStrokes();
    auto first = gen.write(m, 0x4E2D, 3);
    gen.write(m, 0x4E2D, 0);
    gen.write(m, 0x4E00, 3);
    EXPECT_EQ(gen.write(m, 0x4E2D, 3).innerStrokeText, first.innerStrokeText);
    EXPECT_NE(gen.write(m, 0x4E2D, 4).innerStrokeText, first.innerStrokeText);
    EXPECT_NE(gen.write(m, 0x4E00, 3).innerStrokeText, first.innerStrokeText);
    training::SampleGenerator other([] {
        WritingSettings s = mouseLike();
        s.seed = 6;
        return s;
    }());
    EXPECT_NE(other.write(m, 0x4E2D, 3).innerStrokeText, first.innerStrokeText);
}

TEST(SampleGenerator, WritesOnThePadByItsOwnSamplingRule) {
    training::SampleGenerator gen(mouseLike());
    const PadSize pad;
    for (int index = 0; index < 60; ++index) {
        auto sample = gen.write(threeStrokes(), 0x4E2D, index);
        const int rv = sample.notes.referenceValue;
        EXPECT_EQ(rv, 3 + index % 6);
        for (const auto& path : sample.penPath)
            for (auto p : path) {
                ASSERT_TRUE(p.x >= 0 && p.x <= pad.width && p.y >= 0 && p.y <= pad.height);
            }
        ASSERT_FALSE(sample.padStrokes.empty()) << index;
        EXPECT_LE(sample.padStrokes.size(), 3u);
        for (const auto& stroke : sample.padStrokes) {
            // Each written point is at least the reference value away from the one before.
            for (std::size_t i = 1; i < stroke.size(); ++i) {
                int dx = std::abs(stroke[i].x - stroke[i - 1].x);
                int dy = std::abs(stroke[i].y - stroke[i - 1].y);
                EXPECT_TRUE(dx >= rv || dy >= rv) << index;
            }
        }
    }
}

TEST(SampleGenerator, CleanSettingsKeepTheCharacterAsDrawn) {
    WritingSettings s;  // no distortion, reference value 3
    training::SampleGenerator gen(s);
    auto sample = gen.write(threeStrokes(), 0x4E2D, 0);
    ASSERT_EQ(sample.padStrokes.size(), 3u);
    // The horizontal stays horizontal and left of the vertical, which stays below it.
    const auto& horizontal = sample.padStrokes[0];
    EXPECT_LE(std::abs(horizontal.front().y - horizontal.back().y), 2);
    EXPECT_LT(horizontal.front().x, horizontal.back().x);
    EXPECT_GT(sample.padStrokes[1].back().y, sample.padStrokes[1].front().y);
    // The character is centred on the pad at the configured size (0.85 of 207).
    int minX = 1000, maxX = 0;
    for (const auto& stroke : sample.padStrokes)
        for (auto p : stroke) {
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
        }
    double expectedWidth = (850 - 150) * 0.85 * 207 / 1024;
    EXPECT_NEAR(maxX - minX, expectedWidth, 6);
    EXPECT_NEAR((minX + maxX) / 2.0, 107 + (500 - 512) * 0.85 * 207 / 1024, 4);
    EXPECT_EQ(sample.notes.joins + sample.notes.swaps + sample.notes.reversed, 0);
}

TEST(SampleGenerator, AnOversizedCharacterIsPulledBackOntoThePad) {
    WritingSettings s = read("size_min = 1\nsize_max = 1\naspect_sigma = 1\nplacement_sigma = 1\n");
    training::SampleGenerator gen(s);
    for (int index = 0; index < 40; ++index) {
        auto sample = gen.write(threeStrokes(), 0x4E2D, index);
        for (const auto& path : sample.penPath)
            for (auto p : path) {
                // Inside the two-pixel margin: nothing was flattened against the pad's edge.
                EXPECT_TRUE(p.x >= 1 && p.x <= 213 && p.y >= 1 && p.y <= 206)
                    << index << ": " << p.x << "," << p.y;
            }
    }
}

TEST(Gb2312, HasBothLevelsInCodeOrder) {
    auto one = training::gb2312Hanzi(1), two = training::gb2312Hanzi(2);
    ASSERT_EQ(one.size(), 3755u);
    ASSERT_EQ(two.size(), 3008u);
    EXPECT_EQ(one.front(), u8"啊");
    EXPECT_EQ(one.back(), u8"座");
    EXPECT_EQ(two.front(), u8"亍");
    EXPECT_EQ(two.back(), u8"齄");
    EXPECT_TRUE(training::gb2312Hanzi(3).empty());
    EXPECT_EQ(training::firstCodepoint(u8"中"), 0x4E2Du);
    EXPECT_EQ(training::firstCodepoint("A"), 0x41u);
    EXPECT_EQ(training::firstCodepoint(""), 0u);
    EXPECT_EQ(training::firstCodepoint("\xE4\xB8"), 0u);  // cut short
}

}  // namespace
