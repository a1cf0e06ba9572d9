#pragma once
// The plumbing every window object of the program shares, written once: the class
// registration, the object handed over at WM_NCCREATE and kept in the window's user data, and
// the one static window procedure that forwards each message to the object.
//
// Derived provides
//     LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
// (`handled` false passes the message on to DefWindowProcA) and may hide
//     void windowGone();
// which runs after WM_NCDESTROY, once the window no longer reaches the object.

#include <windows.h>

namespace ui {

// Registers a class of this program's windows that run `procedure`, with the arrow cursor
// and no background brush. A class registered already stays as it is.
inline void registerWindowClass(const char* name, WNDPROC procedure, UINT style = 0,
                                HICON icon = nullptr, HICON smallIcon = nullptr) {
    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof windowClass;
    const HINSTANCE instance = GetModuleHandleA(nullptr);
    if (GetClassInfoExA(instance, name, &windowClass)) {
        return;
    }
    windowClass.cbSize = sizeof windowClass;
    windowClass.style = style;
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hIcon = icon;
    windowClass.hIconSm = smallIcon;
    windowClass.lpszClassName = name;
    RegisterClassExA(&windowClass);
}

template <class Derived>
class WindowBase {
  public:
    WindowBase(const WindowBase&) = delete;
    WindowBase& operator=(const WindowBase&) = delete;

    HWND handle() const { return window_; }

    // The window procedure of Derived's classes.
    static LRESULT CALLBACK windowProcedure(HWND window, UINT message, WPARAM wParam,
                                            LPARAM lParam) {
        if (message == WM_NCCREATE) {
            const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
            if (auto* object = static_cast<Derived*>(create->lpCreateParams)) {
                object->attach(window);
            }
        }
        auto* object = reinterpret_cast<Derived*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (!object) {
            return DefWindowProcA(window, message, wParam, lParam);
        }
        bool handled = false;
        const LRESULT result = object->handleMessage(message, wParam, lParam, handled);
        if (message == WM_NCDESTROY) {
            // Gone with its parent, or destroyed by the object: never reached again.
            SetWindowLongPtrA(window, GWLP_USERDATA, 0);
            object->window_ = nullptr;
            object->windowGone();
        }
        return handled ? result : DefWindowProcA(window, message, wParam, lParam);
    }

  protected:
    WindowBase() = default;
    // A window that outlives its object falls back to the default processing.
    ~WindowBase() { detach(); }

    // Creates a window of a class that runs windowProcedure, for this object.
    HWND createObjectWindow(DWORD extendedStyle, const char* className, const char* title,
                            DWORD style, int left, int top, int width, int height, HWND parent,
                            HMENU menuOrId = nullptr) {
        return CreateWindowExA(extendedStyle, className, title, style, left, top, width, height,
                               parent, menuOrId, GetModuleHandleA(nullptr),
                               static_cast<Derived*>(this));
    }
    // Destroys the window if it is still there.
    void destroyWindow() {
        if (window_ && IsWindow(window_)) {
            DestroyWindow(window_);
        }
        window_ = nullptr;
    }
    // Cuts the window off from the object; it goes on with the default processing.
    void detach() {
        if (window_ && IsWindow(window_)) {
            SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
        }
    }
    void attach(HWND window) {
        window_ = window;
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(static_cast<Derived*>(this)));
    }
    void windowGone() {}
    LRESULT defaultProcessing(UINT message, WPARAM wParam, LPARAM lParam) {
        return DefWindowProcA(window_, message, wParam, lParam);
    }

    HWND window_ = nullptr;
};

}  // namespace ui
