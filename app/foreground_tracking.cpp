// Foreground tracking: which application, and which control in it, the panel types into.

#include "app/panel.h"
#include "app/panel_trace.h"
#include "ui/windows_functions.h"

namespace {
HWND asWindow(WindowHandle handle) {
    return reinterpret_cast<HWND>(handle);
}

WindowHandle asHandle(HWND window) {
    return reinterpret_cast<WindowHandle>(window);
}

// The control with the keyboard focus in the foreground window's thread, 0 if none.
HWND queryTargetFocus() {
    HWND foreground = windows::GetForegroundWindow();
    const DWORD foregroundThread = windows::GetWindowThreadProcessId(foreground, nullptr);
    const DWORD panelThread = windows::GetCurrentThreadId();
    // The two threads share one input state while attached, whichever comes first; the
    // panel's thread is named first so that it is the one that joins the other's input state
    // and later leaves it. (Wine moves the named thread's input state, and moving the
    // foreground application's instead leaves that application unable to take the activation
    // back.)
    windows::AttachThreadInput(panelThread, foregroundThread, TRUE);
    HWND focus = windows::GetFocus();
    // Undone at once: a lasting attachment would tie the panel's input queue to the other
    // application, so a hung application would hang the panel too.
    windows::AttachThreadInput(panelThread, foregroundThread, FALSE);
    return focus;
}
}  // namespace

void Panel::reactivateTarget() {
    panelState.foregroundWindow = panelState.targetWindow;
    windows::SetForegroundWindow(asWindow(panelState.foregroundWindow));
}

void Panel::trackForeground() {
    panelState.foregroundWindow = asHandle(windows::GetForegroundWindow());
    bool panelsOwn = false;
    for (WindowHandle handle : panelState.panelHandles) {
        if (handle == panelState.foregroundWindow) {
            panelsOwn = true;
        }
    }
    if (!panelsOwn) {
        panelState.targetWindow = panelState.foregroundWindow;
    }
    panelState.commit.targetFocus = asHandle(queryTargetFocus());
    tracePanel("track foreground=%lu target=%lu focus=%lu",
               static_cast<unsigned long>(panelState.foregroundWindow),
               static_cast<unsigned long>(panelState.targetWindow),
               static_cast<unsigned long>(panelState.commit.targetFocus));
}
