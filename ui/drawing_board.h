#pragma once
// A drawing surface: with automatic redraw every drawing goes into an off-screen bitmap of the
// control's size and the control repaints from it, so drawings survive being covered.

#include <windows.h>

#include <memory>

#include "ui/control.h"
#include "ui/gdi.h"
#include "ui/picture.h"

namespace ui {

enum class PenStyle {
    solid = 0,
    dashed = 1,
    dotted = 2,
    dashDot = 3,
    dashDotDot = 4,
    insideFrame = 6
};

// The 16 binary raster operations, stored as the operation's number minus one.
enum class DrawMode {
    blackness = R2_BLACK - 1,
    notMergePen = R2_NOTMERGEPEN - 1,
    maskNotPen = R2_MASKNOTPEN - 1,
    notCopyPen = R2_NOTCOPYPEN - 1,
    maskPenNot = R2_MASKPENNOT - 1,
    invert = R2_NOT - 1,
    xorPen = R2_XORPEN - 1,
    notMaskPen = R2_NOTMASKPEN - 1,
    maskPen = R2_MASKPEN - 1,
    notXorPen = R2_NOTXORPEN - 1,
    nop = R2_NOP - 1,
    mergeNotPen = R2_MERGENOTPEN - 1,
    copyPen = R2_COPYPEN - 1,
    mergePenNot = R2_MERGEPENNOT - 1,
    mergePen = R2_MERGEPEN - 1,
    whiteness = R2_WHITE - 1,
};

struct DrawingBoardSettings {
    bool border = false;
    COLORREF backgroundColour = 0x00FFFFFF;
    const Picture* picture = nullptr;
    bool automaticRedraw = true;
    DrawMode drawMode = DrawMode::copyPen;
    PenStyle penStyle = PenStyle::solid;
    int penWidth = 1;
    COLORREF penColour = 0x00000000;
};

class DrawingBoard : public Control {
  public:
    explicit DrawingBoard(const DrawingBoardSettings& settings = {});
    ControlKind kind() const override { return ControlKind::drawingBoard; }

    // Pen: the width is clamped to 0..32767; a pen wider than one pixel is always solid.
    int penWidth() const { return penWidth_; }
    void setPenWidth(int width);
    COLORREF penColour() const { return penColour_; }
    void setPenColour(COLORREF colour);

    // Clears to the background colour (and picture), shown at once.
    void clear();
    // Draws a line with the current pen and draw mode, shown at once.
    void drawLine(int x1, int y1, int x2, int y2);

    // The colour of one pixel of the drawing (for inspection).
    COLORREF pixel(int x, int y) const;

  protected:
    DWORD style() const override { return border_ ? WS_BORDER : 0; }
    void created() override;
    void formDestroyed() override;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

  private:
    void makeSurface();
    void dropSurface();
    void fillBackground(HDC dc, const RECT& area) const;
    HPEN makePen() const;

    bool border_;
    COLORREF backgroundColour_;
    const Picture* picture_;
    bool automaticRedraw_;
    DrawMode drawMode_;
    PenStyle penStyle_;
    int penWidth_;
    COLORREF penColour_;
    // What has been drawn, with automatic redraw; null without.
    std::unique_ptr<MemorySurface> surface_;
};

}  // namespace ui
