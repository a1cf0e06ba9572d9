#include "ui/label.h"

#include <algorithm>
#include <utility>

#include "ui/form.h"
#include "ui/gdi.h"

namespace ui {

TextLabel::TextLabel(bool transparent, const char* caption, TextEffect effect, FontSettings font,
                     COLORREF textColour, Alignment alignment, bool wordWrap,
                     VerticalAlignment verticalAlignment)
    : transparent_(transparent),
      initialCaption_(caption ? caption : ""),
      effect_(effect),
      fontSettings_(font),
      textColour_(textColour),
      alignment_(alignment),
      wordWrap_(wordWrap),
      verticalAlignment_(verticalAlignment) {}

void TextLabel::created() {
    if (fontSettings_.face) {
        replaceFont(CreateFontA(fontSettings_.height, 0, 0, 0, fontSettings_.weight, FALSE, FALSE,
                                FALSE, static_cast<DWORD>(fontSettings_.charset),
                                OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                DEFAULT_PITCH | FF_DONTCARE, fontSettings_.face));
    }
    SetWindowTextA(window_, initialCaption_.c_str());
}

void TextLabel::replaceFont(HFONT font) {
    font_.reset(font);
}

void TextLabel::setCaptions(const std::vector<CaptionChange>& changes) {
    // What to repaint: per parent, the changed labels' rectangles, so that the parent paints
    // once and only the changed labels paint their text again.
    std::vector<std::pair<HWND, OwnedRegion>> areas;
    for (const CaptionChange& change : changes) {
        TextLabel& label = *change.label;
        if (label.caption() == change.text) {
            continue;
        }
        label.repaintHeld_ = true;
        SetWindowTextA(label.window_, change.text.c_str());
        label.repaintHeld_ = false;
        HWND parent = GetParent(label.window_);
        RECT rect = {};
        GetWindowRect(label.window_, &rect);
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
        OwnedRegion labelArea(CreateRectRgnIndirect(&rect));
        auto known = std::find_if(
            areas.begin(), areas.end(),
            [parent](const std::pair<HWND, OwnedRegion>& a) { return a.first == parent; });
        if (known == areas.end()) {
            areas.emplace_back(parent, std::move(labelArea));
        } else {
            CombineRgn(known->second.get(), known->second.get(), labelArea.get(), RGN_OR);
        }
    }
    for (const auto& area : areas) {
        RedrawWindow(area.first, nullptr, area.second.get(),
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    }
}

namespace {
LOGFONTA describeFont(HFONT font) {
    LOGFONTA description = {};
    GetObjectA(font ? static_cast<HGDIOBJ>(font) : GetStockObject(DEFAULT_GUI_FONT),
               sizeof description, &description);
    return description;
}
}  // namespace

LOGFONTA TextLabel::currentFont() const {
    return describeFont(font_.get());
}

void TextLabel::setFontSize(int points) {
    requireKindWindow();
    LOGFONTA description = describeFont(font_.get());
    description.lfHeight = -MulDiv(points, GetDeviceCaps(WindowDC(nullptr).dc(), LOGPIXELSY), 72);
    description.lfWidth = 0;
    replaceFont(CreateFontIndirectA(&description));
    repaint();
}

void TextLabel::setFontBold(bool bold) {
    requireKindWindow();
    LOGFONTA description = describeFont(font_.get());
    description.lfWeight = bold ? FW_BOLD : 0;
    replaceFont(CreateFontIndirectA(&description));
    repaint();
}

void TextLabel::repaint() {
    if (!window_) {
        return;
    }
    if (transparent_) {
        // Nothing of the old text may remain: what lies under the label is painted first, then
        // the label over it.
        HWND parent = GetParent(window_);
        RECT area = {};
        GetWindowRect(window_, &area);
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&area), 2);
        RedrawWindow(parent, &area, nullptr,
                     RDW_INVALIDATE | RDW_ERASE | RDW_ALLCHILDREN | RDW_UPDATENOW);
    } else {
        InvalidateRect(window_, nullptr, FALSE);
        UpdateWindow(window_);
    }
}

void TextLabel::paintText(HDC dc, const RECT& client) const {
    UINT flags = DT_NOPREFIX;
    switch (alignment_) {
        case Alignment::left:
            flags |= DT_LEFT;
            break;
        case Alignment::centre:
            flags |= DT_CENTER;
            break;
        case Alignment::right:
            flags |= DT_RIGHT;
            break;
    }
    if (wordWrap_) {
        flags |= DT_WORDBREAK;
    } else {
        flags |= DT_SINGLELINE;
        switch (verticalAlignment_) {
            case VerticalAlignment::top:
                flags |= DT_TOP;
                break;
            case VerticalAlignment::centre:
                flags |= DT_VCENTER;
                break;
            case VerticalAlignment::bottom:
                flags |= DT_BOTTOM;
                break;
        }
    }
    const std::string text = windowText();

    const SelectedObject selectedFont(
        dc, font_ ? static_cast<HGDIOBJ>(font_.get()) : GetStockObject(DEFAULT_GUI_FONT));
    SetBkMode(dc, TRANSPARENT);
    auto drawAt = [&](int dx, int dy, COLORREF colour) {
        RECT at = client;
        OffsetRect(&at, dx, dy);
        SetTextColor(dc, resolveColour(colour));
        DrawTextA(dc, text.c_str(), static_cast<int>(text.size()), &at, flags);
    };
    switch (effect_) {
        case TextEffect::plain:
            drawAt(0, 0, textColour_);
            break;
        case TextEffect::whiteBelowRight:
            drawAt(1, 1, RGB(255, 255, 255));
            drawAt(0, 0, textColour_);
            break;
        case TextEffect::colourBelowRightOfWhite:
            drawAt(0, 0, RGB(255, 255, 255));
            drawAt(1, 1, textColour_);
            break;
        case TextEffect::blackShadow:
            drawAt(2, 2, RGB(0, 0, 0));
            drawAt(0, 0, textColour_);
            break;
    }
}

void TextLabel::paint() {
    const PaintPass pass(window_);
    RECT client = {};
    GetClientRect(window_, &client);
    if (transparent_) {
        paintText(pass.dc(), client);
    } else {
        // Opaque labels are composed off screen, so the text never flickers over the picture.
        const MemorySurface memory(pass.dc(), client.right, client.bottom);
        paintBackgroundOf(memory.dc(), client);
        paintText(memory.dc(), client);
        memory.copyTo(pass.dc(), client);
    }
}

LRESULT TextLabel::handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    switch (message) {
        case WM_SETTEXT: {
            const LRESULT result = defaultProcessing(message, wParam, lParam);
            if (!repaintHeld_) {
                repaint();
            }
            handled = true;
            return result;
        }
        default:
            break;
    }
    return Control::handleMessage(message, wParam, lParam, handled);
}

Label::Label(const LabelSettings& settings)
    : TextLabel(false, settings.caption, settings.effect, settings.font, settings.textColour,
                settings.alignment, settings.wordWrap, settings.verticalAlignment),
      border_(settings.border),
      backgroundColour_(settings.backgroundColour),
      picture_(settings.picture),
      pictureMode_(settings.pictureMode) {}

void Label::paintBackgroundOf(HDC dc, const RECT& client) {
    paintBackground(dc, client, picture_, pictureMode_, backgroundColour_);
}

LRESULT Label::handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    // On a window that drags anywhere, a left press on a label moves the window and is consumed.
    if ((message == WM_LBUTTONDOWN || message == WM_LBUTTONDBLCLK) && form_ &&
        form_->dragsAnywhere() && form_->handle()) {
        POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
        ClientToScreen(window_, &at);
        form_->startDrag(MAKELPARAM(at.x, at.y));
        handled = true;
        return 0;
    }
    return TextLabel::handleMessage(message, wParam, lParam, handled);
}

TransparentLabel::TransparentLabel(const TransparentLabelSettings& settings)
    : TextLabel(true, settings.caption, settings.effect, settings.font, settings.textColour,
                settings.alignment, settings.wordWrap, settings.verticalAlignment) {}

}  // namespace ui
