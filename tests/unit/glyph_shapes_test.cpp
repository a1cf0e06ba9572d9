#include "glyph_shapes.h"

#include <gtest/gtest.h>

#include <cmath>

#include "mouse_writing.h"

namespace {

using training::GlyphBitmap;
using training::kGlyphCell;
using training::kGlyphPixels;

void fill(GlyphBitmap& b, int x0, int y0, int x1, int y1) {
    for (int y = y0; y <= y1; ++y)
        for (int x = x0; x <= x1; ++x) b.ink[static_cast<std::size_t>(y * kGlyphPixels + x)] = 1;
}

int inkCount(const GlyphBitmap& b) {
    int n = 0;
    for (auto v : b.ink) n += v;
    return n;
}

// 十 as centre lines one pixel wide: a horizontal at y = 512 and a vertical at x = 512.
GlyphBitmap cross() {
    GlyphBitmap lines;
    int middle = static_cast<int>(512 / kGlyphCell);
    fill(lines, 50, middle, 200, middle);
    fill(lines, middle, 50, middle, 200);
    return lines;
}

TEST(GlyphShapes, ThinningLeavesOneConnectedCentreLine) {
    // An L of bars 12 pixels thick.
    GlyphBitmap ink;
    fill(ink, 40, 100, 200, 111);
    fill(ink, 40, 20, 51, 111);
    GlyphBitmap lines = training::thinInk(ink);
    ASSERT_GT(inkCount(lines), 200);
    ASSERT_LT(inkCount(lines), 400);
    // Across the bar's long middle stretch, one pixel a column, near the bar's middle row.
    for (int x = 80; x <= 180; ++x) {
        int n = 0;
        for (int y = 95; y <= 116; ++y)
            if (lines.at(x, y)) {
                ++n;
                EXPECT_NEAR(y, 105.5, 1.5) << x;
            }
        EXPECT_EQ(n, 1) << x;
    }
    // Still one piece: every line pixel reached from one by 8-neighbour steps.
    std::vector<std::uint8_t> seen(lines.ink.size(), 0);
    std::vector<int> todo;
    for (std::size_t i = 0; i < lines.ink.size() && todo.empty(); ++i)
        if (lines.ink[i])
            todo.push_back(static_cast<int>(i));
    int reached = 0;
    while (!todo.empty()) {
        int at = todo.back();
        todo.pop_back();
        if (seen[static_cast<std::size_t>(at)])
            continue;
        seen[static_cast<std::size_t>(at)] = 1;
        ++reached;
        int x = at % kGlyphPixels, y = at / kGlyphPixels;
        for (int dy = -1; dy <= 1; ++dy)
            for (int dx = -1; dx <= 1; ++dx)
                if (lines.at(x + dx, y + dy))
                    todo.push_back((y + dy) * kGlyphPixels + x + dx);
    }
    EXPECT_EQ(reached, inkCount(lines));
}

TEST(GlyphShapes, StrokesMoveOntoTheGlyphKeepingTheirOrderAndDirection) {
    // The data's 十 drawn off centre, its vertical out of place and too short.
    hanzi::HanziMedians medians;
    medians.strokes = {{{260, 470}, {480, 468}, {700, 472}}, {{600, 300}, {600, 520}, {600, 700}}};
    training::StrokeFit fit;
    ASSERT_TRUE(training::fitStrokes(medians, cross(), fit));
    ASSERT_EQ(fit.medians.strokes.size(), 2u);
    ASSERT_EQ(fit.medians.strokes[0].size(), 3u);
    for (const auto& p : fit.medians.strokes[0]) EXPECT_NEAR(p.y, 512, 2 * kGlyphCell);
    for (const auto& p : fit.medians.strokes[1]) EXPECT_NEAR(p.x, 512, 2 * kGlyphCell);
    // Written left to right and top to bottom as before.
    EXPECT_LT(fit.medians.strokes[0].front().x, fit.medians.strokes[0].back().x - 300);
    EXPECT_LT(fit.medians.strokes[1].front().y, fit.medians.strokes[1].back().y - 300);
    EXPECT_LT(fit.meanDistance, 2 * kGlyphCell);
    EXPECT_GT(fit.covered, 0.7);
}

TEST(GlyphShapes, AGlyphWithoutInkGivesNoFit) {
    hanzi::HanziMedians medians;
    medians.strokes = {{{100, 100}, {900, 100}}};
    training::StrokeFit fit;
    EXPECT_FALSE(training::fitStrokes(medians, GlyphBitmap{}, fit));
}

TEST(GlyphShapes, ARecipeWhoseFontCannotBeReadIsRefused) {
    training::WritingSettings s;
    std::string error;
    EXPECT_FALSE(training::readWritingSettings("glyph_font = /nonexistent/font.ttf\n", s, error));
    EXPECT_NE(error.find("/nonexistent/font.ttf"), std::string::npos) << error;
}

}  // namespace
