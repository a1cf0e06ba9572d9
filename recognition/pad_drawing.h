#pragma once
// What is drawn on the writing pad: the ink of the strokes and the guide lines, as segments
// and pens the window layer draws with.

#include <cstdint>

#include "protocol/pad_rules.h"

// A Windows colour value, 0x00BBGGRR.
using Colour = std::uint32_t;

// The pad's background, the colour a wipe leaves.
constexpr Colour kPadBackground = 0xF7F7F7;
// Ink: a thick blue pen for the strokes the user writes.
constexpr int kInkPenWidth = 6;
constexpr Colour kInkColour = 0xFF0000;
// Guides: a thin grey cross and both diagonals, so the user can place the character.
constexpr int kGuidePenWidth = 1;
constexpr Colour kGuideColour = 0x808080;

// A straight line in pad pixels, from the first point to the second.
struct PadSegment {
    std::int32_t fromX = 0;
    std::int32_t fromY = 0;
    std::int32_t toX = 0;
    std::int32_t toY = 0;

    friend bool operator==(const PadSegment& a, const PadSegment& b) {
        return a.fromX == b.fromX && a.fromY == b.fromY && a.toX == b.toX && a.toY == b.toY;
    }
};

// The four guide lines, fixed to the designed pad whatever its current size. Start-up draws them
// with the pad's own pen width and the guide colour, clearing with the guide pen.
constexpr PadSegment kGuideLines[] = {
    {0, kPadHeight / 2, kPadWidth, kPadHeight / 2},
    {kPadWidth / 2, 0, kPadWidth / 2, kPadHeight},
    {0, 0, kPadWidth, kPadHeight},
    {kPadWidth, 0, 0, kPadHeight},
};
