#pragma once
// A button drawn entirely from pictures: normal, hot (pointer over it), pressed and disabled.
// It raises clicked only when the left button is released with the pointer still inside.

#include <windows.h>

#include "ui/control.h"
#include "ui/picture.h"

namespace ui {

struct PictureButtonSettings {
    const Picture* normal = nullptr;
    const Picture* hot = nullptr;
    const Picture* pressed = nullptr;
    const Picture* disabled = nullptr;
    // Pixels of this colour in the shown image are cut out of the button; kButtonFace for none.
    COLORREF transparentColour = kButtonFace;
};

class PictureButton : public Control {
  public:
    enum class State { normal, hot, pressed };

    explicit PictureButton(const PictureButtonSettings& settings = {});
    ControlKind kind() const override { return ControlKind::pictureButton; }
    bool bindEvent(Event event, EventHandler handler) override;

    State state() const { return state_; }
    // The picture the button shows now: the state's slot, the disabled slot while disabled,
    // the normal image for an empty slot.
    const Picture* shownPicture() const;

    EventHandler onClick;

  protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

  private:
    void setState(State state);
    bool pointerInside(LPARAM lParam) const;
    bool paintsItself() const override { return true; }
    void paint() override;
    void applyRegion();

    PictureButtonSettings settings_;
    State state_ = State::normal;
    const Picture* regionFrom_ = nullptr;
};

}  // namespace ui
