#include "ui/windows_functions.h"

void* BoundFunction::address() {
    if (!address_) {
        HMODULE module = GetModuleHandleA(module_);
        if (!module) {
            module = LoadLibraryA(module_);
        }
        address_ = reinterpret_cast<void*>(GetProcAddress(module, name_));
    }
    return address_;
}

namespace windows {
WindowsFunction<BOOL(WINAPI*)(HWND)> SetForegroundWindow("user32.dll", "SetForegroundWindow");
WindowsFunction<BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM)> PostMessageA("user32.dll",
                                                                        "PostMessageA");
WindowsFunction<int(WINAPI*)(LCID, DWORD, LPCSTR, int, LPSTR, int)> LCMapStringA("kernel32.dll",
                                                                                 "LCMapStringA");
WindowsFunction<HWND(WINAPI*)()> GetForegroundWindow("user32.dll", "GetForegroundWindow");
WindowsFunction<DWORD(WINAPI*)(HWND, LPDWORD)> GetWindowThreadProcessId("user32.dll",
                                                                        "GetWindowThreadProcessId");
WindowsFunction<DWORD(WINAPI*)()> GetCurrentThreadId("kernel32.dll", "GetCurrentThreadId");
WindowsFunction<BOOL(WINAPI*)(DWORD, DWORD, BOOL)> AttachThreadInput("user32.dll",
                                                                     "AttachThreadInput");
WindowsFunction<HWND(WINAPI*)()> GetFocus("user32.dll", "GetFocus");
WindowsFunction<LONG(WINAPI*)(HWND, int, LONG)> SetWindowLongA("user32.dll", "SetWindowLongA");
WindowsFunction<HWND(WINAPI*)(HWND)> SetCapture("user32.dll", "SetCapture");
WindowsFunction<BOOL(WINAPI*)()> ReleaseCapture("user32.dll", "ReleaseCapture");
}  // namespace windows
