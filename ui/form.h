#pragma once
// The window kind: a top-level window built from a form description, with its controls, its
// menus and the window events (created, position changed, size changed, the mouse events).

#include <windows.h>

#include <string>
#include <vector>

#include "ui/control.h"
#include "ui/form_description.h"
#include "ui/menu.h"

namespace ui {

// The show state of a minimized window (Form::showState, Form::setShowState).
constexpr int kShowStateMinimized = 2;

class Form : public Control {
  public:
    Form() = default;
    ~Form() override;
    ControlKind kind() const override { return ControlKind::window; }

    // Builds the window from `description` in the fixed order: the window hidden (made topmost
    // if asked), the controls, their z-order, their visibility, all without events; then the
    // events created, position changed and size changed, each only while the window exists;
    // only then the window is shown.
    void load(const FormDescription& description);
    // Built and not yet destroyed.
    bool loaded() const { return loaded_ && window_ != nullptr; }
    bool closesOnEscape() const { return escapeCloses_; }
    bool dragsAnywhere() const { return dragAnywhere_; }

    // Properties of the window (left and top are on the screen).
    using Control::caption;
    using Control::setCaption;
    // kShowStateMinimized (2) while minimized, 3 while maximized, otherwise 0; never 1.
    int showState() const;
    // Only while visible: 0 shows normally, 1 restores if needed and centres on the screen,
    // 2 minimizes, 3 maximizes.
    void setShowState(int state);

    // Opens a top-level menu of this window as a pop-up menu at the pointer moved by (dx, dy),
    // built afresh from the records; the chosen item's event is raised.
    void popUpMenu(MenuItem& menu, int dx = 0, int dy = 0);
    // The pop-up menu of a top-level menu as it would open now (the caller destroys it); null
    // for an item or a menu of another window.
    HMENU createPopupMenu(const MenuItem& menu) const;

    // Moves a left press at screen point (x, y) into the system's move of the window.
    void startDrag(LPARAM screenPoint);

    bool bindEvent(Event event, EventHandler handler) override;

    EventHandler onCreated;
    EventHandler onPositionChanged;
    EventHandler onSizeChanged;

  protected:
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) override;

  private:
    void createWindow(const WindowRecord& record);
    void buildMenus(const Table<MenuRecord>& menus);
    HMENU buildPopup(std::size_t topIndex) const;
    bool paintsItself() const override { return true; }
    void paint() override;
    void chooseMenuCommand(int command);

    std::vector<MenuItem*> menus_;
    std::vector<Control*> controls_;
    const Picture* picture_ = nullptr;
    PictureMode pictureMode_ = PictureMode::natural;
    COLORREF backgroundColour_ = kButtonFace;
    bool escapeCloses_ = false;
    bool dragAnywhere_ = false;
    bool counted_ = false;
};

}  // namespace ui
