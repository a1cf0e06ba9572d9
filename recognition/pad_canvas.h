#pragma once
// The writing pad as a drawing surface: what the pad handlers and the clear operation need from
// the drawing-board control, and nothing more. The Windows layer implements it over the
// control; tests implement it with a recorder.

#include <cstdint>

// A Windows colour value, 0x00BBGGRR.
using Colour = std::uint32_t;

// Ink: a thick blue pen for the strokes the user writes.
constexpr int kInkPenWidth = 6;
constexpr Colour kInkColour = 0xFF0000;
// Guides: a thin grey cross and both diagonals, so the user can place the character.
constexpr int kGuidePenWidth = 1;
constexpr Colour kGuideColour = 0x808080;

class PadCanvas {
  public:
    virtual ~PadCanvas() = default;

    // The pad's current size in pixels, read from the control each time.
    virtual int padWidth() = 0;
    virtual int padHeight() = 0;
    // Fills the rectangle with the pad's background.
    virtual void clearRect(int left, int top, int width, int height) = 0;
    virtual void setPenWidth(int width) = 0;
    virtual void setPenColour(Colour colour) = 0;
    // A straight line with the current pen, from the first point to the second.
    virtual void drawLine(int fromX, int fromY, int toX, int toY) = 0;
};

// Draws the four guide lines with whatever pen is set. Start-up sets only the colour (the width
// is the control's own), clearing sets both.
void drawGuideLines(PadCanvas& canvas);
