#include "ui/control.h"

#include <algorithm>
#include <utility>

#include "ui/form.h"

namespace ui {

const char kControlClass[] = "HandwritingPanelControl";
const char kTransparentControlClass[] = "HandwritingPanelTransparentControl";
const char kFormClass[] = "HandwritingPanelWindow";
const char kHiddenClass[] = "HandwritingPanelHidden";

namespace {
constexpr int kPositionLimit = 32627;

LPCSTR systemCursor(MouseCursor cursor) {
    switch (cursor) {
        case MouseCursor::arrow:
            return IDC_ARROW;
        case MouseCursor::hand:
            return IDC_HAND;
        case MouseCursor::cross:
            return IDC_CROSS;
        case MouseCursor::ibeam:
            return IDC_IBEAM;
        case MouseCursor::wait:
            return IDC_WAIT;
        case MouseCursor::sizeAll:
            return IDC_SIZEALL;
        case MouseCursor::no:
            return IDC_NO;
        case MouseCursor::none:
            break;
    }
    return nullptr;
}
}  // namespace

void registerWindowClasses(HINSTANCE instance) {
    // Every kind paints its whole surface itself, or (transparent kinds) nothing under its
    // text, so no class has a background brush.
    registerWindowClass(kControlClass, Control::windowProcedure, CS_DBLCLKS);
    registerWindowClass(kTransparentControlClass, Control::windowProcedure, CS_DBLCLKS);
    registerWindowClass(kHiddenClass, Control::windowProcedure);
    // The application icon (the program's first icon resource) for the window and the taskbar.
    registerWindowClass(kFormClass, Control::windowProcedure, CS_DBLCLKS,
                        LoadIconA(instance, MAKEINTRESOURCEA(1)),
                        static_cast<HICON>(LoadImageA(instance, MAKEINTRESOURCEA(1), IMAGE_ICON,
                                                      GetSystemMetrics(SM_CXSMICON),
                                                      GetSystemMetrics(SM_CYSMICON), 0)));
}

int Control::clampPosition(int value) {
    return std::clamp(value, -kPositionLimit, kPositionLimit);
}

int Control::clampSize(int value) {
    return std::clamp(value, 0, kPositionLimit);
}

bool Control::bindEvent(Event, EventHandler) {
    return false;
}

bool Control::bindMouseEvent(MouseEventKind event, MouseHandler handler) {
    switch (event) {
        case MouseEventKind::leftButtonDown:
            onLeftButtonDown = std::move(handler);
            return true;
        case MouseEventKind::leftButtonUp:
            onLeftButtonUp = std::move(handler);
            return true;
        case MouseEventKind::doubleClick:
            onDoubleClick = std::move(handler);
            return true;
        case MouseEventKind::rightButtonDown:
            onRightButtonDown = std::move(handler);
            return true;
        case MouseEventKind::rightButtonUp:
            onRightButtonUp = std::move(handler);
            return true;
        case MouseEventKind::mouseMoved:
            onMouseMove = std::move(handler);
            return true;
    }
    return false;
}

const char* Control::windowClass() const {
    return kControlClass;
}

void Control::create(Form& form, const char* name, const Placement& placement) {
    form_ = &form;
    name_ = name ? name : "";
    cursor_ = placement.cursor;
    HWND window = createObjectWindow(
        extendedStyle(), windowClass(), "", WS_CHILD | WS_CLIPSIBLINGS | style(), placement.left,
        placement.top, placement.width, placement.height, form.handle());
    if (!window) {
        failStartWindow();
    }
    if (placement.disabled) {
        EnableWindow(window, FALSE);
    }
    created();
}

std::string Control::windowText() const {
    const int length = GetWindowTextLengthA(window_);
    std::string text(static_cast<std::size_t>(length) + 1, '\0');
    const int copied = GetWindowTextA(window_, &text[0], length + 1);
    text.resize(static_cast<std::size_t>(std::max(copied, 0)));
    return text;
}

std::string Control::caption() const {
    requireWindow();
    return windowText();
}

void Control::setCaption(const std::string& text) {
    requireWindow();
    SetWindowTextA(window_, text.c_str());
}

LRESULT Control::handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    switch (message) {
        case WM_ERASEBKGND:
            if (paintsItself()) {
                handled = true;
                return 1;
            }
            break;
        case WM_PAINT:
            if (paintsItself()) {
                paint();
                handled = true;
                return 0;
            }
            break;
        case WM_SETCURSOR:
            if (cursor_ != MouseCursor::none && LOWORD(lParam) == HTCLIENT &&
                reinterpret_cast<HWND>(wParam) == window_) {
                SetCursor(LoadCursorA(nullptr, systemCursor(cursor_)));
                handled = true;
                return TRUE;
            }
            break;
        case WM_KEYDOWN:
            if (wParam == VK_ESCAPE && form_ && form_->closesOnEscape()) {
                SendMessageA(form_->handle(), WM_CLOSE, 0, 0);
                handled = true;
                return 0;
            }
            break;
        default:
            if (raiseMouseEvent(message, lParam)) {
                handled = true;
                return 0;
            }
            break;
    }
    return 0;
}

bool Control::raiseMouseEvent(UINT message, LPARAM lParam) {
    // Copies: a handler may rebind the event it runs for.
    MouseHandler handler;
    MouseHandler second;
    MouseButton button = MouseButton::left;
    switch (message) {
        case WM_LBUTTONDOWN:
            handler = onLeftButtonDown;
            break;
        case WM_LBUTTONUP:
            handler = onLeftButtonUp;
            break;
        // The second press of a double-click is still a press: a quick second stroke on the
        // pad or a quick second pick of a cell must not be lost.
        case WM_LBUTTONDBLCLK:
            handler = onLeftButtonDown;
            second = onDoubleClick;
            break;
        case WM_RBUTTONDOWN:
        case WM_RBUTTONDBLCLK:
            handler = onRightButtonDown;
            button = MouseButton::right;
            break;
        case WM_RBUTTONUP:
            handler = onRightButtonUp;
            button = MouseButton::right;
            break;
        case WM_MOUSEMOVE:
            handler = onMouseMove;
            button = MouseButton::none;
            break;
        default:
            return false;
    }
    if (eventsSuppressed()) {
        return true;
    }
    MouseEvent event;
    event.control = this;
    event.window = window_;
    event.button = button;
    event.x = LOWORD(lParam);
    event.y = HIWORD(lParam);
    HWND self = window_;
    if (handler) {
        event.keys = modifierKeys();
        handler(event);
    }
    if (second && IsWindow(self)) {
        event.keys = modifierKeys();
        second(event);
    }
    return true;
}

void Control::requireWindow() const {
    if (!form_ || !form_->loaded()) {
        failWindowNotLoaded();
    }
    if (!window_ || !IsWindow(window_)) {
        failControlWindowMissing();
    }
}

void Control::requireKindWindow() const {
    requireWindow();
}

namespace {
RECT windowRectInParent(HWND window) {
    RECT rect = {};
    GetWindowRect(window, &rect);
    HWND parent = (GetWindowLongA(window, GWL_STYLE) & WS_CHILD) ? GetParent(window) : nullptr;
    if (parent) {
        MapWindowPoints(HWND_DESKTOP, parent, reinterpret_cast<POINT*>(&rect), 2);
    }
    return rect;
}
}  // namespace

int Control::left() const {
    requireWindow();
    return windowRectInParent(window_).left;
}

int Control::top() const {
    requireWindow();
    return windowRectInParent(window_).top;
}

int Control::width() const {
    requireWindow();
    RECT rect = windowRectInParent(window_);
    return rect.right - rect.left;
}

int Control::height() const {
    requireWindow();
    RECT rect = windowRectInParent(window_);
    return rect.bottom - rect.top;
}

void Control::moveTo(int left, int top) {
    SetWindowPos(window_, nullptr, left, top, 0, 0,
                 SWP_NOSIZE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void Control::resize(int width, int height) {
    SetWindowPos(window_, nullptr, 0, 0, width, height,
                 SWP_NOMOVE | SWP_NOZORDER | SWP_NOACTIVATE | SWP_NOOWNERZORDER);
}

void Control::setLeft(int value) {
    requireWindow();
    moveTo(clampPosition(value), windowRectInParent(window_).top);
}

void Control::setTop(int value) {
    requireWindow();
    moveTo(windowRectInParent(window_).left, clampPosition(value));
}

void Control::setWidth(int value) {
    requireWindow();
    RECT rect = windowRectInParent(window_);
    resize(clampSize(value), rect.bottom - rect.top);
}

void Control::setHeight(int value) {
    requireWindow();
    RECT rect = windowRectInParent(window_);
    resize(rect.right - rect.left, clampSize(value));
}

bool Control::visible() const {
    requireWindow();
    return (GetWindowLongA(window_, GWL_STYLE) & WS_VISIBLE) != 0;
}

void Control::setVisible(bool value) {
    requireWindow();
    ShowWindow(window_, value ? SW_SHOW : SW_HIDE);
}

}  // namespace ui
