#pragma once
// The one window base every kind of control builds on: its window, its place in the form, the
// properties all visual kinds share and the mouse events, raised on the control under the
// pointer (or the one holding the capture), never on its parent.

#include <windows.h>

#include <string>

#include "ui/framework.h"
#include "ui/window_base.h"

namespace ui {

class Form;

enum class ControlKind {
    window,
    label,
    transparentLabel,
    pictureButton,
    drawingBoard,
    timer,
    component
};

enum class MouseCursor { none, arrow, hand, cross, ibeam, wait, sizeAll, no };

// Where a control sits and how it starts: one row of the form description's control table.
struct Placement {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    bool visible = true;
    bool disabled = false;
    MouseCursor cursor = MouseCursor::none;
};

class Control : public WindowBase<Control> {
  public:
    virtual ~Control() = default;

    virtual ControlKind kind() const = 0;
    // Visual kinds are child windows in the z-order; non-visual ones (timer, components) are
    // hidden windows.
    virtual bool isVisual() const { return true; }
    const std::string& name() const { return name_; }
    Form* form() const { return form_; }

    // Properties of every visual kind. Positions are in the parent's client area (on the
    // screen for a window); sizes are the outer size. Writes are clamped: positions to
    // +-32627, sizes to 0..32627.
    int left() const;
    int top() const;
    int width() const;
    int height() const;
    void setLeft(int value);
    void setTop(int value);
    void setWidth(int value);
    void setHeight(int value);
    bool visible() const;
    void setVisible(bool value);

    // The mouse events.
    MouseHandler onLeftButtonDown;
    MouseHandler onLeftButtonUp;
    MouseHandler onDoubleClick;
    MouseHandler onRightButtonDown;
    MouseHandler onRightButtonUp;
    MouseHandler onMouseMove;

    // Binds a handler to one of the kind's events; false if the kind has no such event.
    virtual bool bindEvent(Event event, EventHandler handler);
    virtual bool bindMouseEvent(MouseEventKind event, MouseHandler handler);

    static int clampPosition(int value);
    static int clampSize(int value);

  protected:
    Control() = default;

    // Creates the control's window as a child of its form (WS_CHILD | WS_CLIPSIBLINGS), hidden.
    // Non-visual kinds override it.
    virtual void create(Form& form, const char* name, const Placement& placement);
    friend class Form;

    // The window class and styles of the kind.
    virtual const char* windowClass() const;
    virtual DWORD style() const { return 0; }
    virtual DWORD extendedStyle() const { return 0; }
    // Called once the window exists.
    virtual void created() {}
    // The form is being destroyed (its children with it).
    virtual void formDestroyed() {}

    // The kind's message handling; `handled` false passes the message on to the default
    // processing (after the mouse events are raised).
    virtual LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    friend class WindowBase<Control>;
    // Kinds that paint their whole surface themselves say so: their windows erase no
    // background and run paint() for WM_PAINT.
    virtual bool paintsItself() const { return false; }
    virtual void paint() {}
    // The window's text.
    std::string windowText() const;
    // The caption, for the kinds that show one (they make these public).
    std::string caption() const;
    void setCaption(const std::string& text);
    // The window has gone (with its form, or destroyed on its own).
    void windowGone() { loaded_ = false; }

    // Raises the mouse event a message stands for; false if it is not a mouse message.
    bool raiseMouseEvent(UINT message, LPARAM lParam);

    // A handler touched a property: the control's form must be built and its window exist.
    void requireWindow() const;
    // A handler touched a kind-specific property.
    void requireKindWindow() const;

    Form* form_ = nullptr;
    std::string name_;
    MouseCursor cursor_ = MouseCursor::none;
    bool loaded_ = false;

  private:
    void moveTo(int left, int top);
    void resize(int width, int height);
};

// Registers the framework's window classes (once).
void registerWindowClasses(HINSTANCE instance);
extern const char kControlClass[];
extern const char kTransparentControlClass[];
extern const char kFormClass[];
extern const char kHiddenClass[];

}  // namespace ui
