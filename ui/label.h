#pragma once
// Labels: a line or block of text. The label kind is an opaque child window with a background
// colour and picture; the transparent label paints nothing but its text over whatever lies
// under it.

#include <windows.h>

#include <string>
#include <vector>

#include "ui/control.h"
#include "ui/gdi.h"
#include "ui/picture.h"

namespace ui {

// A font of the control's own; a null face means none (the stock default GUI font is used).
struct FontSettings {
    const char* face = nullptr;
    int height = 0;  // character height in pixels, as CreateFont takes it
    int weight = 0;
    int charset = DEFAULT_CHARSET;
};

enum class TextEffect {
    plain = 0,
    whiteBelowRight = 1,
    colourBelowRightOfWhite = 2,
    blackShadow = 3
};
enum class Alignment { left = 0, centre = 1, right = 2 };
enum class VerticalAlignment { top = 0, centre = 1, bottom = 2 };

struct LabelSettings {
    const char* caption = "";
    TextEffect effect = TextEffect::plain;
    bool border = false;
    FontSettings font = {};
    COLORREF textColour = 0x00000000;
    COLORREF backgroundColour = kButtonFace;
    const Picture* picture = nullptr;
    PictureMode pictureMode = PictureMode::natural;
    Alignment alignment = Alignment::left;
    bool wordWrap = false;
    VerticalAlignment verticalAlignment = VerticalAlignment::top;
};

struct TransparentLabelSettings {
    const char* caption = "";
    TextEffect effect = TextEffect::plain;
    FontSettings font = {};
    COLORREF textColour = 0x00000000;
    Alignment alignment = Alignment::left;
    bool wordWrap = false;
    VerticalAlignment verticalAlignment = VerticalAlignment::top;
};

class TextLabel;

struct CaptionChange {
    TextLabel* label;
    std::string text;
};

// What both label kinds share: the caption, the font and the text painting.
class TextLabel : public Control {
  public:
    // Setting the text repaints. Safe from any thread: the repaint runs on the window's own.
    using Control::caption;
    using Control::setCaption;
    // Sets the texts of several labels of the calling thread, then repaints them in one pass:
    // a transparent label repaints the window under it, which costs about a millisecond a
    // label under Wine. A label that already shows its text is left alone.
    static void setCaptions(const std::vector<CaptionChange>& changes);
    // Rebuild the font from the current one (the default GUI font if there is none).
    void setFontSize(int points);
    void setFontBold(bool bold);
    // The description of the font the text is drawn with.
    LOGFONTA currentFont() const;

  protected:
    TextLabel(bool transparent, const char* caption, TextEffect effect, FontSettings font,
              COLORREF textColour, Alignment alignment, bool wordWrap,
              VerticalAlignment verticalAlignment);
    void created() override;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    virtual void paintBackgroundOf(HDC dc, const RECT& client) = 0;
    void paintText(HDC dc, const RECT& client) const;
    void repaint();
    void replaceFont(HFONT font);

    bool transparent_;
    std::string initialCaption_;
    TextEffect effect_;
    FontSettings fontSettings_;
    COLORREF textColour_;
    Alignment alignment_;
    bool wordWrap_;
    VerticalAlignment verticalAlignment_;
    OwnedFont font_;  // null for the default GUI font

  private:
    bool paintsItself() const override { return true; }
    void paint() override;

    // Set while setCaptions changes the text: it repaints afterwards, for all labels at once.
    bool repaintHeld_ = false;
};

class Label : public TextLabel {
  public:
    explicit Label(const LabelSettings& settings = {});
    ControlKind kind() const override { return ControlKind::label; }

  protected:
    DWORD style() const override { return border_ ? WS_BORDER : 0; }
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;
    void paintBackgroundOf(HDC dc, const RECT& client) override;

  private:
    bool border_;
    COLORREF backgroundColour_;
    const Picture* picture_;
    PictureMode pictureMode_;
};

class TransparentLabel : public TextLabel {
  public:
    explicit TransparentLabel(const TransparentLabelSettings& settings = {});
    ControlKind kind() const override { return ControlKind::transparentLabel; }

  protected:
    const char* windowClass() const override { return kTransparentControlClass; }
    DWORD extendedStyle() const override { return WS_EX_TRANSPARENT; }
    void paintBackgroundOf(HDC, const RECT&) override {}
};

}  // namespace ui
