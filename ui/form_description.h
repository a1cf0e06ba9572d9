#pragma once
// The records a form description is made of: one window record, the control table (its order
// is the z-order, first record on top), the menu table and the event wiring table. A program
// keeps its description as static tables of these records and hands them to Form::load.

#include <windows.h>

#include <cstddef>
#include <utility>

#include "ui/control.h"
#include "ui/framework.h"
#include "ui/menu.h"
#include "ui/picture.h"

namespace ui {

enum class BorderStyle {
    none,
    fixedSingle,
    sizable,
    fixedDialog,
    fixedToolWindow,
    sizableToolWindow
};

struct WindowRecord {
    int left = 0;
    int top = 0;
    int width = 0;
    int height = 0;
    const char* caption = "";
    BorderStyle border = BorderStyle::sizable;
    COLORREF backgroundColour = kButtonFace;
    const Picture* picture = nullptr;
    PictureMode pictureMode = PictureMode::natural;
    bool minimizeBox = true;
    bool maximizeBox = true;
    // A window not shown in the taskbar is owned by the program's hidden application window.
    bool shownInTaskbar = true;
    bool alwaysOnTop = false;
    bool dragAnywhere = false;
    bool escapeCloses = false;
    // 0 normal, 2 minimized, 3 maximized.
    int initialShowState = 0;
    // A resource id of the program, or 0 for the application icon.
    int icon = 0;
};

struct ControlRecord {
    Control* control;
    const char* name;
    Placement placement;
};

struct MenuRecord {
    MenuItem* item;
    const char* name;
    int level;
    const char* caption;
    const char* hotKey;
    bool hidden;
    bool disabled;
    bool checked;
    EventHandler onChosen;
};

// One row of the event wiring: a control, one of its events and the handler it runs. A null
// handler is a row kept for wiring later; it raises nothing.
struct EventBinding {
    EventBinding(Control& boundTo, Event what, EventHandler run)
        : control(&boundTo), event(what), handler(std::move(run)) {}
    EventBinding(Control& boundTo, MouseEventKind what, MouseHandler run)
        : control(&boundTo), isMouseEvent(true), mouseEvent(what), mouseHandler(std::move(run)) {}

    Control* control;
    bool isMouseEvent = false;
    Event event = Event::created;
    EventHandler handler;
    MouseEventKind mouseEvent = MouseEventKind::leftButtonDown;
    MouseHandler mouseHandler;
};

template <class Record>
struct Table {
    const Record* records = nullptr;
    std::size_t count = 0;
    template <std::size_t N>
    constexpr Table(const Record (&array)[N]) : records(array), count(N) {}
    constexpr Table() = default;
    const Record* begin() const { return records; }
    const Record* end() const { return records + count; }
};

struct FormDescription {
    const WindowRecord* window;
    Table<ControlRecord> controls;
    Table<MenuRecord> menus;
    Table<EventBinding> events;
};

}  // namespace ui
