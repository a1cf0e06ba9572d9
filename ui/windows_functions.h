#pragma once
// The Windows functions the handlers call directly, bound by name from user32 and kernel32 at
// their first use and cached from then on.

#include <windows.h>

#include <utility>

class BoundFunction {
  public:
    constexpr BoundFunction(const char* module, const char* name) : module_(module), name_(name) {}
    // The function's address, looked up on the first call only.
    void* address();

  private:
    const char* module_;
    const char* name_;
    void* address_ = nullptr;
};

// A bound function called with the signature `Signature` (a function pointer type).
template <class Signature>
class WindowsFunction {
  public:
    constexpr WindowsFunction(const char* module, const char* name) : bound_(module, name) {}
    template <class... Arguments>
    auto operator()(Arguments&&... arguments) {
        return reinterpret_cast<Signature>(bound_.address())(std::forward<Arguments>(arguments)...);
    }

  private:
    BoundFunction bound_;
};

namespace windows {
extern WindowsFunction<BOOL(WINAPI*)(HWND)> SetForegroundWindow;
extern WindowsFunction<BOOL(WINAPI*)(HWND, UINT, WPARAM, LPARAM)> PostMessageA;
extern WindowsFunction<int(WINAPI*)(LCID, DWORD, LPCSTR, int, LPSTR, int)> LCMapStringA;
extern WindowsFunction<HWND(WINAPI*)()> GetForegroundWindow;
extern WindowsFunction<DWORD(WINAPI*)(HWND, LPDWORD)> GetWindowThreadProcessId;
extern WindowsFunction<DWORD(WINAPI*)()> GetCurrentThreadId;
extern WindowsFunction<BOOL(WINAPI*)(DWORD, DWORD, BOOL)> AttachThreadInput;
extern WindowsFunction<HWND(WINAPI*)()> GetFocus;
extern WindowsFunction<LONG(WINAPI*)(HWND, int, LONG)> SetWindowLongA;
extern WindowsFunction<HWND(WINAPI*)(HWND)> SetCapture;
extern WindowsFunction<BOOL(WINAPI*)()> ReleaseCapture;
}  // namespace windows
