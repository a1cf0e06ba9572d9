#include "ui/picture_button.h"

#include <algorithm>

#include "ui/gdi.h"

namespace ui {

PictureButton::PictureButton(const PictureButtonSettings& settings) : settings_(settings) {}

bool PictureButton::bindEvent(Event event, EventHandler handler) {
    if (event == Event::clicked) {
        onClick = handler;
        return true;
    }
    return false;
}

const Picture* PictureButton::shownPicture() const {
    const Picture* slot = settings_.normal;
    if (window_ && !IsWindowEnabled(window_)) {
        slot = settings_.disabled;
    } else if (state_ == State::hot) {
        slot = settings_.hot;
    } else if (state_ == State::pressed) {
        slot = settings_.pressed;
    }
    return slot ? slot : settings_.normal;
}

void PictureButton::setState(State state) {
    if (state == state_) {
        return;
    }
    state_ = state;
    applyRegion();
    InvalidateRect(window_, nullptr, FALSE);
}

bool PictureButton::pointerInside(LPARAM lParam) const {
    RECT client = {};
    GetClientRect(window_, &client);
    POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
    return PtInRect(&client, at) != FALSE;
}

void PictureButton::applyRegion() {
    if (settings_.transparentColour == kButtonFace) {
        return;
    }
    const Picture* picture = shownPicture();
    if (picture == regionFrom_ || !picture || !picture->ready()) {
        return;
    }
    regionFrom_ = picture;
    // Keep every pixel that is not the transparent colour, one run per row.
    const COLORREF cut = settings_.transparentColour & 0x00FFFFFFu;
    OwnedRegion region(CreateRectRgn(0, 0, 0, 0));
    for (int y = 0; y < picture->height(); ++y) {
        int x = 0;
        while (x < picture->width()) {
            while (x < picture->width() && picture->pixel(x, y) == cut) {
                ++x;
            }
            const int start = x;
            while (x < picture->width() && picture->pixel(x, y) != cut) {
                ++x;
            }
            if (x > start) {
                const OwnedRegion run(CreateRectRgn(start, y, x, y + 1));
                CombineRgn(region.get(), region.get(), run.get(), RGN_OR);
            }
        }
    }
    SetWindowRgn(window_, region.release(), TRUE);  // the system owns the region from here on
}

void PictureButton::paint() {
    const PaintPass pass(window_);
    RECT client = {};
    GetClientRect(window_, &client);
    paintBackground(pass.dc(), client, shownPicture(), PictureMode::natural, kButtonFace);
}

LRESULT PictureButton::handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    switch (message) {
        case WM_MOUSEMOVE:
            if (pointerInside(lParam)) {
                // Over the button: hold the capture so that leaving it is seen.
                if (GetCapture() != window_) {
                    SetCapture(window_);
                    // A window that is not in the foreground keeps no capture beyond its
                    // own area: have the system say when the pointer leaves.
                    TRACKMOUSEEVENT leave = {sizeof leave, TME_LEAVE, window_, 0};
                    TrackMouseEvent(&leave);
                }
                setState((wParam & MK_LBUTTON) ? State::pressed : State::hot);
            } else {
                if (GetCapture() == window_) {
                    ReleaseCapture();
                }
                setState(State::normal);
            }
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            SetCapture(window_);
            setState(State::pressed);
            break;
        case WM_LBUTTONUP: {
            const bool inside = pointerInside(lParam) && state_ == State::pressed;
            if (GetCapture() == window_) {
                ReleaseCapture();
            }
            setState(State::normal);
            if (inside) {
                // The mouse event first, then clicked, as the release is processed.
                Control::handleMessage(message, wParam, lParam, handled);
                raise(onClick);
                handled = true;
                return 0;
            }
            break;
        }
        case WM_MOUSELEAVE:
            if (state_ != State::pressed || !(GetKeyState(VK_LBUTTON) & 0x8000)) {
                if (GetCapture() == window_) {
                    ReleaseCapture();
                }
                setState(State::normal);
            }
            break;
        case WM_CAPTURECHANGED:
            if (reinterpret_cast<HWND>(lParam) != window_) {
                setState(State::normal);
            }
            break;
        case WM_ENABLE:
            InvalidateRect(window_, nullptr, FALSE);
            break;
        default:
            break;
    }
    return Control::handleMessage(message, wParam, lParam, handled);
}

}  // namespace ui
