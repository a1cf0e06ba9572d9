#pragma once
// Life of the window framework: initialisation, the program's hidden application window, the
// message loop, the exit routine and the fatal errors the framework raises itself.

#include <windows.h>

#include "ui/event.h"

namespace ui {

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
void raise(const EventHandler& handler);

// The modifier-key state of the mouse events, read with GetKeyState now.
ModifierKeys modifierKeys();

// Fatal errors of the framework: a report box, then the process ends with exit code -1.
[[noreturn]] void failFormDescriptionUnreadable();  // "载入窗口模板数据段出错!"
[[noreturn]] void failStartWindow();                // "载入启动窗口失败"
[[noreturn]] void failWindowNotLoaded();       // "未载入欲访问窗口组件所在的窗口"
[[noreturn]] void failControlWindowMissing();  // "指定窗口尚未载入"

// The fatal error report as the user sees it: a message box without owner, caption and error
// icon; the process then ends with exit code -1.
void showRuntimeErrorBox(const char* caption, const char* text);

}  // namespace ui
