#include "ui/form.h"

#include <algorithm>

#include "ui/gdi.h"

namespace ui {

namespace {
DWORD windowStyle(const WindowRecord& record) {
    DWORD style = 0;
    switch (record.border) {
        case BorderStyle::none:
            style = WS_POPUP;
            break;
        case BorderStyle::fixedSingle:
        case BorderStyle::fixedDialog:
        case BorderStyle::fixedToolWindow:
            style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU;
            break;
        case BorderStyle::sizable:
        case BorderStyle::sizableToolWindow:
            style = WS_OVERLAPPED | WS_CAPTION | WS_SYSMENU | WS_THICKFRAME;
            break;
    }
    // The boxes' style bits are set whatever the border, even with no caption bar to show them.
    if (record.minimizeBox) {
        style |= WS_MINIMIZEBOX;
    }
    if (record.maximizeBox) {
        style |= WS_MAXIMIZEBOX;
    }
    return style;
}

DWORD windowExtendedStyle(const WindowRecord& record) {
    switch (record.border) {
        case BorderStyle::fixedDialog:
            return WS_EX_DLGMODALFRAME;
        case BorderStyle::fixedToolWindow:
        case BorderStyle::sizableToolWindow:
            return WS_EX_TOOLWINDOW;
        default:
            return 0;
    }
}
}  // namespace

Form::~Form() {
    // The controls may be gone already; they clean up after themselves.
    controls_.clear();
    destroyWindow();
}

void Form::createWindow(const WindowRecord& record) {
    form_ = this;
    picture_ = record.picture;
    pictureMode_ = record.pictureMode;
    backgroundColour_ = record.backgroundColour;
    escapeCloses_ = record.escapeCloses;
    dragAnywhere_ = record.dragAnywhere;
    HWND owner = record.shownInTaskbar ? nullptr : applicationWindow();
    HWND window = createObjectWindow(windowExtendedStyle(record), kFormClass,
                                     record.caption ? record.caption : "", windowStyle(record),
                                     record.left, record.top, record.width, record.height, owner);
    if (!window) {
        failStartWindow();
    }
    windowCreated();
    counted_ = true;
    SendMessageA(window, WM_SETFONT, reinterpret_cast<WPARAM>(GetStockObject(DEFAULT_GUI_FONT)),
                 FALSE);
    if (record.icon != 0) {
        HICON icon = LoadIconA(programInstance(), MAKEINTRESOURCEA(record.icon));
        SendMessageA(window, WM_SETICON, ICON_BIG, reinterpret_cast<LPARAM>(icon));
        SendMessageA(window, WM_SETICON, ICON_SMALL, reinterpret_cast<LPARAM>(icon));
    }
    if (record.alwaysOnTop) {
        SetWindowPos(window, HWND_TOPMOST, 0, 0, 0, 0, SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
    }
}

void Form::load(const FormDescription& description) {
    if (!description.window) {
        failFormDescriptionUnreadable();
    }
    for (const ControlRecord& record : description.controls) {
        if (!record.control || record.control == this || !record.name) {
            failFormDescriptionUnreadable();
        }
    }
    const bool wasSuppressed = eventsSuppressed();
    setEventsSuppressed(true);

    // 1. The window, hidden, with its menus.
    createWindow(*description.window);
    buildMenus(description.menus);

    // The wiring first: a component hands its handlers to the object it makes.
    for (const EventBinding& binding : description.events) {
        if (!binding.control) {
            failFormDescriptionUnreadable();
        }
        const bool bound =
            binding.isMouseEvent
                ? binding.control->bindMouseEvent(binding.mouseEvent, binding.mouseHandler)
                : binding.control->bindEvent(binding.event, binding.handler);
        if (!bound) {
            failFormDescriptionUnreadable();
        }
    }

    // 2. The controls and the non-visual components.
    for (const ControlRecord& record : description.controls) {
        record.control->create(*this, record.name, record.placement);
        controls_.push_back(record.control);
    }
    // 3. Z-order: the first control on top, each further one directly below the one before.
    HWND above = HWND_TOP;
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        Control* control = controls_[i];
        if (!control->isVisual() || !control->handle()) {
            continue;
        }
        SetWindowPos(control->handle(), above, 0, 0, 0, 0,
                     SWP_NOMOVE | SWP_NOSIZE | SWP_NOACTIVATE);
        above = control->handle();
    }

    // 4. Visibility, without activating anything.
    for (std::size_t i = 0; i < controls_.size(); ++i) {
        const ControlRecord& record = description.controls.records[i];
        if (record.control->isVisual() && record.control->handle()) {
            ShowWindow(record.control->handle(), record.placement.visible ? SW_SHOWNA : SW_HIDE);
        }
    }
    loaded_ = true;
    setEventsSuppressed(wasSuppressed);

    // 5. The window's events, each only while the window still exists.
    HWND window = window_;
    if (IsWindow(window)) {
        raise(onCreated);
    }
    if (IsWindow(window)) {
        raise(onPositionChanged);
    }
    if (IsWindow(window)) {
        raise(onSizeChanged);
    }

    // 6. Only now is the window seen, wherever the created handler put it.
    if (IsWindow(window)) {
        int show = SW_SHOW;
        if (description.window->initialShowState == 2) {
            show = SW_SHOWMINIMIZED;
        } else if (description.window->initialShowState == 3) {
            show = SW_SHOWMAXIMIZED;
        }
        ShowWindow(window, show);
        UpdateWindow(window);
    }
}

void Form::buildMenus(const Table<MenuRecord>& menus) {
    int command = 1;
    bool anyShown = false;
    for (const MenuRecord& record : menus) {
        // An item needs a top-level menu before it; no deeper levels exist.
        if (!record.item || record.level < 0 || record.level > 1 ||
            (record.level == 1 && menus_.empty())) {
            failFormDescriptionUnreadable();
        }
        MenuItem& item = *record.item;
        item.name_ = record.name ? record.name : "";
        item.caption_ = record.caption ? record.caption : "";
        item.hotKey_ = record.hotKey ? record.hotKey : "";
        item.level_ = record.level;
        item.hidden_ = record.hidden;
        item.disabled_ = record.disabled;
        item.checked_ = record.checked;
        item.onChosen = record.onChosen;
        item.command_ = command++;
        item.owner_ = nullptr;
        menus_.push_back(&item);
        if (record.level == 0 && !record.hidden) {
            anyShown = true;
        }
    }
    for (MenuItem* item : menus_) {
        item->owner_ = window_;
    }
    // Hidden top-level menus stay out of the menu bar; with none shown there is no menu bar.
    if (anyShown) {
        HMENU bar = CreateMenu();
        for (std::size_t i = 0; i < menus_.size(); ++i) {
            if (menus_[i]->level_ == 0 && !menus_[i]->hidden_) {
                UINT flags = MF_POPUP | MF_STRING | (menus_[i]->disabled_ ? MF_GRAYED : 0);
                AppendMenuA(bar, flags, reinterpret_cast<UINT_PTR>(buildPopup(i)),
                            menus_[i]->caption_.c_str());
            }
        }
        SetMenu(window_, bar);
    }
}

HMENU Form::createPopupMenu(const MenuItem& menu) const {
    auto found = std::find(menus_.begin(), menus_.end(), &menu);
    if (found == menus_.end() || menu.level_ != 0) {
        return nullptr;
    }
    return buildPopup(static_cast<std::size_t>(found - menus_.begin()));
}

HMENU Form::buildPopup(std::size_t topIndex) const {
    HMENU popup = CreatePopupMenu();
    for (std::size_t i = topIndex + 1; i < menus_.size() && menus_[i]->level_ == 1; ++i) {
        const MenuItem& item = *menus_[i];
        if (item.hidden_) {
            continue;
        }
        if (item.caption_ == "-") {
            AppendMenuA(popup, MF_SEPARATOR, 0, nullptr);
            continue;
        }
        UINT flags = MF_STRING | (item.checked_ ? MF_CHECKED : MF_UNCHECKED) |
                     (item.disabled_ ? MF_GRAYED : MF_ENABLED);
        AppendMenuA(popup, flags, static_cast<UINT_PTR>(item.command_), item.caption_.c_str());
    }
    return popup;
}

void Form::popUpMenu(MenuItem& menu, int dx, int dy) {
    requireWindow();
    // Built afresh each time, so the marks are the current ones.
    HMENU popup = createPopupMenu(menu);
    if (!popup) {
        return;
    }
    POINT at = {};
    GetCursorPos(&at);
    const int command = TrackPopupMenu(
        popup, TPM_LEFTALIGN | TPM_TOPALIGN | TPM_RIGHTBUTTON | TPM_RETURNCMD | TPM_NONOTIFY,
        at.x + dx, at.y + dy, 0, window_, nullptr);
    DestroyMenu(popup);
    if (window_) {
        PostMessageA(window_, WM_NULL, 0, 0);
    }
    if (command > 0) {
        chooseMenuCommand(command);
    }
}

void Form::chooseMenuCommand(int command) {
    for (MenuItem* item : menus_) {
        if (item->command_ == command) {
            raise(item->onChosen);
            return;
        }
    }
}

bool Form::bindEvent(Event event, EventHandler handler) {
    switch (event) {
        case Event::created:
            onCreated = handler;
            return true;
        case Event::positionChanged:
            onPositionChanged = handler;
            return true;
        case Event::sizeChanged:
            onSizeChanged = handler;
            return true;
        default:
            return false;
    }
}

int Form::showState() const {
    requireWindow();
    if (IsIconic(window_)) {
        return kShowStateMinimized;
    }
    if (IsZoomed(window_)) {
        return 3;
    }
    return 0;
}

void Form::setShowState(int state) {
    requireWindow();
    if (!IsWindowVisible(window_)) {
        return;
    }
    switch (state) {
        case 0:
            ShowWindow(window_, SW_SHOWNORMAL);
            break;
        case 1: {
            if (IsIconic(window_) || IsZoomed(window_)) {
                ShowWindow(window_, SW_RESTORE);
            }
            RECT rect = {};
            GetWindowRect(window_, &rect);
            const int w = rect.right - rect.left;
            const int h = rect.bottom - rect.top;
            SetWindowPos(window_, nullptr, (GetSystemMetrics(SM_CXSCREEN) - w) / 2,
                         (GetSystemMetrics(SM_CYSCREEN) - h) / 2, 0, 0,
                         SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE);
            break;
        }
        case kShowStateMinimized:
            ShowWindow(window_, SW_MINIMIZE);
            break;
        case 3:
            ShowWindow(window_, SW_MAXIMIZE);
            break;
        default:
            break;
    }
}

void Form::startDrag(LPARAM screenPoint) {
    // The system moves the window while the button is held, as if the caption bar were held.
    PostMessageA(window_, WM_NCLBUTTONDOWN, HTCAPTION, screenPoint);
}

void Form::paint() {
    const PaintPass pass(window_);
    RECT client = {};
    GetClientRect(window_, &client);
    // Painted off screen first, so the background never shows half drawn.
    const MemorySurface memory(pass.dc(), client.right, client.bottom);
    paintBackground(memory.dc(), client, picture_, pictureMode_, backgroundColour_);
    memory.copyTo(pass.dc(), pass.area());
}

LRESULT Form::handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    switch (message) {
        case WM_MOVE:
            raise(onPositionChanged);
            break;
        case WM_SIZE:
            raise(onSizeChanged);
            break;
        case WM_MOUSEACTIVATE:
            // A window that must not take the activation does not take it on a click either.
            if (GetWindowLongA(window_, GWL_EXSTYLE) & WS_EX_NOACTIVATE) {
                handled = true;
                return MA_NOACTIVATE;
            }
            break;
        case WM_LBUTTONDOWN:
        case WM_LBUTTONDBLCLK:
            if (dragAnywhere_) {
                POINT at = {static_cast<short>(LOWORD(lParam)), static_cast<short>(HIWORD(lParam))};
                ClientToScreen(window_, &at);
                startDrag(MAKELPARAM(at.x, at.y));
            }
            break;
        case WM_COMMAND:
            if (HIWORD(wParam) == 0 && lParam == 0) {
                chooseMenuCommand(LOWORD(wParam));
                handled = true;
                return 0;
            }
            break;
        case WM_DESTROY:
            loaded_ = false;
            for (Control* control : controls_) {
                control->formDestroyed();
            }
            break;
        case WM_NCDESTROY:
            if (counted_) {
                counted_ = false;
                windowDestroyed();
            }
            break;
        default:
            break;
    }
    return Control::handleMessage(message, wParam, lParam, handled);
}

void MenuItem::setChecked(bool value) {
    checked_ = value;
    // A menu bar shows the mark at once; pop-up menus pick it up when they are next built.
    if (owner_ && IsWindow(owner_) && GetMenu(owner_)) {
        CheckMenuItem(GetMenu(owner_), static_cast<UINT>(command_),
                      MF_BYCOMMAND | (value ? MF_CHECKED : MF_UNCHECKED));
    }
}

}  // namespace ui
