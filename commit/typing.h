#pragma once
// Typing a committed candidate into the target application: one WM_CHAR per byte, posted to its
// focused control. PostMessageA is bound by name (ui/windows_functions.h).

#include "commit/candidate_commit.h"

// WM_CHAR with the byte as wParam and lParam 1 (repeat count 1, nothing else), posted to
// `focus` for each byte of `bytes`, in order.
void typeBytes(WindowHandle focus, const Text& bytes);
