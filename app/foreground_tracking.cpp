#include "app/foreground_tracking.h"

#include "app/panel_trace.h"
#include "app/program_state.h"
#include "app/windows_functions.h"

namespace {
HWND asWindow(WindowHandle handle) {
    return reinterpret_cast<HWND>(handle);
}

WindowHandle asHandle(HWND window) {
    return reinterpret_cast<WindowHandle>(window);
}
}  // namespace

void reactivateTarget() {
    panelState.foregroundWindow = panelState.targetWindow;
    windows::SetForegroundWindow(asWindow(panelState.foregroundWindow));
}

void trackForeground() {
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
    panelState.targetFocus = asHandle(queryTargetFocus());
    tracePanel("track foreground=%lu target=%lu focus=%lu",
               static_cast<unsigned long>(panelState.foregroundWindow),
               static_cast<unsigned long>(panelState.targetWindow),
               static_cast<unsigned long>(panelState.targetFocus));
}

HWND queryTargetFocus() {
    HWND foreground = windows::GetForegroundWindow();
    const DWORD foregroundThread = windows::GetWindowThreadProcessId(foreground, nullptr);
    const DWORD panelThread = windows::GetCurrentThreadId();
    windows::AttachThreadInput(foregroundThread, panelThread, TRUE);
    HWND focus = windows::GetFocus();
    // Undone at once: a lasting attachment would tie the panel's input queue to the other
    // application, so a hung application would hang the panel too.
    windows::AttachThreadInput(foregroundThread, panelThread, FALSE);
    return focus;
}
