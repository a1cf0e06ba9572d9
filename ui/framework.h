#pragma once
// Life of the window framework: initialisation, the program's hidden application window, the
// message loop, the exit routine and the fatal errors the framework raises itself.

#include <windows.h>

namespace ui {

// Handlers bound to events that pass nothing (created, moved, tick, clicked, chosen ...).
using EventHandler = void (*)();
// Handlers of the mouse events: x and y in the control's client coordinates, each the unsigned
// 16-bit half of the message position (0 to 65535), and the modifier keys (1 Ctrl, 2 Shift,
// 4 Alt, added together).
using MouseHandler = void (*)(int x, int y, int keys);

// Registers the window classes, creates the hidden application window that owns windows not
// shown in the taskbar and installs the message-box reporter for fatal errors. Call once,
// before anything else of the framework.
void initialiseFramework(HINSTANCE instance);
HINSTANCE programInstance();
HWND applicationWindow();

// The routine run once after the message loop has ended.
void registerExitRoutine(EventHandler routine);

// Runs until the program's last window is destroyed, then runs the exit routine.
void runMessageLoop();

// Windows built by the framework that still exist; the loop ends when this drops to 0.
void windowCreated();
void windowDestroyed();

// While a window is being built no event is raised, whatever messages arrive.
bool eventsSuppressed();
void setEventsSuppressed(bool suppressed);

// Raises a handler that passes nothing, unless events are suppressed or nothing is bound.
void raise(EventHandler handler);

// The modifier-key state of the mouse events, read with GetKeyState now.
int modifierKeys();

// Fatal errors of the framework: a report box, then the process ends with exit code -1.
[[noreturn]] void failFormDescriptionUnreadable();  // "载入窗口模板数据段出错!"
[[noreturn]] void failStartWindow();                // "载入启动窗口失败"
[[noreturn]] void failWindowNotLoaded();       // "未载入欲访问窗口组件所在的窗口"
[[noreturn]] void failControlWindowMissing();  // "指定窗口尚未载入"

// The fatal error report as the user sees it: a message box without owner, caption and error
// icon; the process then ends with exit code -1.
void showRuntimeErrorBox(const char* caption, const char* text);

}  // namespace ui
