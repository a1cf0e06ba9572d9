#include "ui/drawing_board.h"

#include <algorithm>

namespace ui {

namespace {
// Where drawing goes while this lives: the off-screen surface with automatic redraw (none
// before it is made), otherwise the window's own device context.
class DrawingTarget {
  public:
    DrawingTarget(HWND window, bool automaticRedraw, const MemorySurface* surface)
        : window_(automaticRedraw ? nullptr : window),
          dc_(automaticRedraw ? (surface ? surface->dc() : nullptr) : GetDC(window)) {}
    ~DrawingTarget() {
        if (window_) {
            ReleaseDC(window_, dc_);
        }
    }
    DrawingTarget(const DrawingTarget&) = delete;
    DrawingTarget& operator=(const DrawingTarget&) = delete;

    HDC dc() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};
}  // namespace

DrawingBoard::DrawingBoard(const DrawingBoardSettings& settings)
    : border_(settings.border),
      backgroundColour_(settings.backgroundColour),
      picture_(settings.picture),
      automaticRedraw_(settings.automaticRedraw),
      drawMode_(settings.drawMode),
      penStyle_(settings.penStyle),
      penWidth_(std::clamp(settings.penWidth, 0, 32767)),
      penColour_(settings.penColour) {}

void DrawingBoard::created() {
    makeSurface();
}

void DrawingBoard::formDestroyed() {
    dropSurface();
}

void DrawingBoard::fillBackground(HDC dc, const RECT& area) const {
    paintBackground(dc, area, picture_, PictureMode::natural, backgroundColour_);
}

void DrawingBoard::makeSurface() {
    if (!automaticRedraw_ || !window_) {
        return;
    }
    RECT client = {};
    GetClientRect(window_, &client);
    const int w = std::max<LONG>(client.right, 1);
    const int h = std::max<LONG>(client.bottom, 1);
    auto surface = std::make_unique<MemorySurface>(WindowDC(window_).dc(), w, h);
    RECT area = {0, 0, w, h};
    fillBackground(surface->dc(), area);
    if (surface_) {
        // A resize keeps what was drawn.
        const RECT kept = {0, 0, std::min(w, surface_->width()), std::min(h, surface_->height())};
        surface_->copyTo(surface->dc(), kept);
    }
    surface_ = std::move(surface);
}

void DrawingBoard::dropSurface() {
    surface_.reset();
}

HPEN DrawingBoard::makePen() const {
    // Wide pens are always solid, whatever the style.
    const int style = penWidth_ > 1 ? PS_SOLID : static_cast<int>(penStyle_);
    return CreatePen(style, penWidth_, penColour_ & 0x00FFFFFFu);
}

void DrawingBoard::setPenWidth(int width) {
    requireKindWindow();
    penWidth_ = std::clamp(width, 0, 32767);
}

void DrawingBoard::setPenColour(COLORREF colour) {
    requireKindWindow();
    penColour_ = colour;
}

void DrawingBoard::clear() {
    requireKindWindow();
    {
        const DrawingTarget target(window_, automaticRedraw_, surface_.get());
        RECT client = {};
        GetClientRect(window_, &client);
        fillBackground(target.dc(), client);
    }
    if (automaticRedraw_) {
        InvalidateRect(window_, nullptr, FALSE);
        UpdateWindow(window_);
    }
}

void DrawingBoard::drawLine(int x1, int y1, int x2, int y2) {
    requireKindWindow();
    {
        const DrawingTarget target(window_, automaticRedraw_, surface_.get());
        HDC dc = target.dc();
        const OwnedPen pen(makePen());
        const SelectedObject selectedPen(dc, pen.get());
        const int previousMode = SetROP2(dc, static_cast<int>(drawMode_) + 1);
        // The gaps of a dotted or dashed pen show what is under them.
        const int previousBackground = SetBkMode(dc, TRANSPARENT);
        MoveToEx(dc, x1, y1, nullptr);
        LineTo(dc, x2, y2);
        SetBkMode(dc, previousBackground);
        SetROP2(dc, previousMode);
    }
    if (automaticRedraw_) {
        const int reach = penWidth_ / 2 + 2;
        RECT area = {std::min(x1, x2) - reach, std::min(y1, y2) - reach,
                     std::max(x1, x2) + reach + 1, std::max(y1, y2) + reach + 1};
        InvalidateRect(window_, &area, FALSE);
        UpdateWindow(window_);
    }
}

COLORREF DrawingBoard::pixel(int x, int y) const {
    requireKindWindow();
    const DrawingTarget target(window_, automaticRedraw_, surface_.get());
    return GetPixel(target.dc(), x, y);
}

LRESULT DrawingBoard::handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    switch (message) {
        case WM_ERASEBKGND:
            if (!automaticRedraw_) {
                RECT client = {};
                GetClientRect(window_, &client);
                fillBackground(reinterpret_cast<HDC>(wParam), client);
            }
            handled = true;
            return 1;
        case WM_PAINT:
            if (automaticRedraw_ && surface_) {
                const PaintPass pass(window_);
                surface_->copyTo(pass.dc(), pass.area());
                handled = true;
                return 0;
            }
            break;
        case WM_SIZE:
            if (surface_) {
                makeSurface();
            }
            break;
        default:
            break;
    }
    return Control::handleMessage(message, wParam, lParam, handled);
}

}  // namespace ui
