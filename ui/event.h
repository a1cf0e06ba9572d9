#pragma once
// The events a control raises and the handlers bound to them. A handler carries its object
// (a lambda that captures it, or bound(object, &Class::member)), so nothing a handler needs has
// to be global.

#include <windows.h>

#include <functional>

namespace ui {

class Control;

// Events that pass nothing.
enum class Event {
    created,
    positionChanged,
    sizeChanged,
    clicked,
    tick,
    dataArrived,
    disconnected,
    connectFailed
};

// The mouse events a control raises.
enum class MouseEventKind {
    leftButtonDown,
    leftButtonUp,
    doubleClick,
    rightButtonDown,
    rightButtonUp,
    mouseMoved
};

enum class MouseButton { none, left, right };

// The modifier keys held when the event was raised, read with GetKeyState then.
struct ModifierKeys {
    bool control = false;
    bool shift = false;
    bool alt = false;
    bool operator==(const ModifierKeys& other) const {
        return control == other.control && shift == other.shift && alt == other.alt;
    }
};

// One mouse event as raised on a control.
struct MouseEvent {
    // The control under the pointer (or holding the capture) and its window.
    Control* control = nullptr;
    HWND window = nullptr;
    // The button the message is about; none for a move.
    MouseButton button = MouseButton::none;
    // In the control's client coordinates, each the unsigned 16-bit half of the message
    // position (0 to 65535): left of or above a control holding the capture reads near 65535.
    int x = 0;
    int y = 0;
    ModifierKeys keys;
};

using EventHandler = std::function<void()>;
using MouseHandler = std::function<void(const MouseEvent&)>;

// A handler that runs `member` on `object`; the object must outlive the binding.
template <class Object>
EventHandler bound(Object* object, void (Object::*member)()) {
    return [object, member] { (object->*member)(); };
}
template <class Object>
MouseHandler bound(Object* object, void (Object::*member)(const MouseEvent&)) {
    return [object, member](const MouseEvent& event) { (object->*member)(event); };
}

}  // namespace ui
