#pragma once
// Foreground tracking: which application, and which control in it, the panel types into. The
// panel never keeps the activation; every handler that reacts to a press on it and could
// disturb the activation first hands it back with reactivateTarget.

#include <windows.h>

// Gives the activation back to targetWindow.
void reactivateTarget();
// Records the foreground window as targetWindow unless it is the panel's own, and the control
// with the keyboard focus in the foreground thread as targetFocus.
void trackForeground();
// The control with the keyboard focus in the foreground window's thread, 0 if none.
HWND queryTargetFocus();
