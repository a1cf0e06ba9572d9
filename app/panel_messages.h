#pragma once
// The panel's private window messages, named once so that no two parts pick the same number.

#include <windows.h>

// A dictionary lookup worker hands one information line to the GUI thread: wParam the count
// of the commit that started the lookup, lParam a heap Text the receiver takes over
// (takeLookupLine in commit/dictionary_lookup.h).
constexpr UINT kLookupLineMessage = WM_APP + 1;
