#pragma once
// GDI objects that put themselves back: an object selected into a device context until the
// scope ends, objects the control owns (pen, brush, font, bitmap, region), the paint pass of a
// window, a window's device context, and an off-screen surface to compose on.

#include <windows.h>

#include <algorithm>
#include <utility>

namespace ui {

// A pen, brush, font, bitmap or region that is deleted with its owner.
template <class Handle>
class OwnedObject {
  public:
    OwnedObject() = default;
    explicit OwnedObject(Handle handle) : handle_(handle) {}
    ~OwnedObject() { reset(); }
    OwnedObject(OwnedObject&& other) noexcept : handle_(std::exchange(other.handle_, nullptr)) {}
    OwnedObject& operator=(OwnedObject&& other) noexcept {
        if (this != &other) {
            reset(std::exchange(other.handle_, nullptr));
        }
        return *this;
    }
    OwnedObject(const OwnedObject&) = delete;
    OwnedObject& operator=(const OwnedObject&) = delete;

    Handle get() const { return handle_; }
    explicit operator bool() const { return handle_ != nullptr; }
    // Takes `handle` over, deleting the one held before (after the new one is in place).
    void reset(Handle handle = nullptr) {
        Handle old = std::exchange(handle_, handle);
        if (old) {
            DeleteObject(old);
        }
    }
    // Gives the handle away (to the system, for one).
    Handle release() { return std::exchange(handle_, nullptr); }

  private:
    Handle handle_ = nullptr;
};

using OwnedPen = OwnedObject<HPEN>;
using OwnedBrush = OwnedObject<HBRUSH>;
using OwnedFont = OwnedObject<HFONT>;
using OwnedBitmap = OwnedObject<HBITMAP>;
using OwnedRegion = OwnedObject<HRGN>;

// `object` selected into `dc` until the scope ends, then the previous one again.
class SelectedObject {
  public:
    SelectedObject(HDC dc, HGDIOBJ object) : dc_(dc), previous_(SelectObject(dc, object)) {}
    ~SelectedObject() { SelectObject(dc_, previous_); }
    SelectedObject(const SelectedObject&) = delete;
    SelectedObject& operator=(const SelectedObject&) = delete;

  private:
    HDC dc_;
    HGDIOBJ previous_;
};

// The paint pass of a window's WM_PAINT.
class PaintPass {
  public:
    explicit PaintPass(HWND window) : window_(window) { dc_ = BeginPaint(window, &paint_); }
    ~PaintPass() { EndPaint(window_, &paint_); }
    PaintPass(const PaintPass&) = delete;
    PaintPass& operator=(const PaintPass&) = delete;

    HDC dc() const { return dc_; }
    // The part of the window to paint.
    const RECT& area() const { return paint_.rcPaint; }

  private:
    HWND window_;
    PAINTSTRUCT paint_ = {};
    HDC dc_ = nullptr;
};

// The device context of a window's client area (of the screen for none), released at the end.
class WindowDC {
  public:
    explicit WindowDC(HWND window) : window_(window), dc_(GetDC(window)) {}
    ~WindowDC() { ReleaseDC(window_, dc_); }
    WindowDC(const WindowDC&) = delete;
    WindowDC& operator=(const WindowDC&) = delete;

    HDC dc() const { return dc_; }

  private:
    HWND window_;
    HDC dc_;
};

// A memory device context compatible with `like`, deleted at the end.
class CompatibleDC {
  public:
    explicit CompatibleDC(HDC like) : dc_(CreateCompatibleDC(like)) {}
    ~CompatibleDC() { DeleteDC(dc_); }
    CompatibleDC(const CompatibleDC&) = delete;
    CompatibleDC& operator=(const CompatibleDC&) = delete;

    HDC dc() const { return dc_; }

  private:
    HDC dc_;
};

// An off-screen surface compatible with `like`, at least 1 x 1 pixels, with its bitmap
// selected; composed there, then copied to the screen in one go so nothing shows half drawn.
class MemorySurface {
  public:
    MemorySurface(HDC like, int width, int height)
        : width_(std::max(width, 1)),
          height_(std::max(height, 1)),
          dc_(like),
          bitmap_(CreateCompatibleBitmap(like, width_, height_)),
          selected_(dc_.dc(), bitmap_.get()) {}
    MemorySurface(const MemorySurface&) = delete;
    MemorySurface& operator=(const MemorySurface&) = delete;

    HDC dc() const { return dc_.dc(); }
    int width() const { return width_; }
    int height() const { return height_; }
    // Copies `area` of the surface to the same place on `target`.
    void copyTo(HDC target, const RECT& area) const {
        BitBlt(target, area.left, area.top, area.right - area.left, area.bottom - area.top,
               dc_.dc(), area.left, area.top, SRCCOPY);
    }

  private:
    // In this order: the bitmap is put back before it is deleted, and both before the DC.
    int width_;
    int height_;
    CompatibleDC dc_;
    OwnedBitmap bitmap_;
    SelectedObject selected_;
};

}  // namespace ui
