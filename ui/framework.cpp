#include "ui/framework.h"

#include <string>
#include <utility>

#include "text/runtime_error.h"
#include "ui/control.h"
#include "ui/window_base.h"

namespace ui {

namespace {
HINSTANCE instance_ = nullptr;
HWND applicationWindow_ = nullptr;
EventHandler exitRoutine_ = nullptr;
int openWindows_ = 0;
bool suppressed_ = false;

const char kApplicationWindowClass[] = "HandwritingPanelApplication";

void reportInMessageBox(const std::string& caption, const std::string& text) {
    showRuntimeErrorBox(caption.c_str(), text.c_str());
}
}  // namespace

void showRuntimeErrorBox(const char* caption, const char* text) {
    MessageBoxA(nullptr, text, caption, MB_OK | MB_ICONERROR);
    ExitProcess(static_cast<UINT>(-1));
}

void initialiseFramework(HINSTANCE instance) {
    instance_ = instance;
    setRuntimeErrorReporter(reportInMessageBox);
    registerWindowClasses(instance);
    registerWindowClass(kApplicationWindowClass, DefWindowProcA);
    // Owner of the windows that are not shown in the taskbar; never shown itself.
    applicationWindow_ = CreateWindowExA(0, kApplicationWindowClass, "", WS_POPUP, 0, 0, 0, 0,
                                         nullptr, nullptr, instance, nullptr);
}

HINSTANCE programInstance() {
    return instance_ ? instance_ : GetModuleHandleA(nullptr);
}

HWND applicationWindow() {
    return applicationWindow_;
}

void registerExitRoutine(EventHandler routine) {
    exitRoutine_ = std::move(routine);
}

void runMessageLoop() {
    MSG message;
    while (openWindows_ > 0 && GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    EventHandler routine = std::move(exitRoutine_);
    exitRoutine_ = nullptr;
    if (routine) {
        routine();
    }
}

void windowCreated() {
    ++openWindows_;
}

void windowDestroyed() {
    if (--openWindows_ <= 0) {
        openWindows_ = 0;
        PostQuitMessage(0);
    }
}

bool eventsSuppressed() {
    return suppressed_;
}

void setEventsSuppressed(bool suppressed) {
    suppressed_ = suppressed;
}

void raise(const EventHandler& handler) {
    if (handler && !suppressed_) {
        // A copy: the handler may rebind the event it runs for.
        EventHandler run = handler;
        run();
    }
}

ModifierKeys modifierKeys() {
    ModifierKeys keys;
    keys.control = GetKeyState(VK_CONTROL) < 0;
    keys.shift = GetKeyState(VK_SHIFT) < 0;
    keys.alt = GetKeyState(VK_MENU) < 0;
    return keys;
}

void failFormDescriptionUnreadable() {
    raiseRuntimeError(0, "载入窗口模板数据段出错!");
}

void failStartWindow() {
    raiseRuntimeError(0, "载入启动窗口失败");
}

void failWindowNotLoaded() {
    raiseRuntimeError(0, "未载入欲访问窗口组件所在的窗口");
}

void failControlWindowMissing() {
    raiseRuntimeError(0, "指定窗口尚未载入");
}

}  // namespace ui
