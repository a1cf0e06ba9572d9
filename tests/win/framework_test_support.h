#pragma once
// Helpers of the window framework tests: message pumping, real mouse input and screen reads.

#include <windows.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "text/runtime_error.h"
#include "ui/framework.h"

namespace test_support {

// Right after another program of the session has ended, Wine's shared desktop may still be
// going down, and creating a top-level window fails until it is back.
inline void waitForDesktop() {
    for (int attempt = 0; attempt < 100; ++attempt) {
        HWND probe = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 1, 1, nullptr, nullptr,
                                     GetModuleHandleA(nullptr), nullptr);
        if (probe) {
            DestroyWindow(probe);
            return;
        }
        Sleep(100);
    }
}

// Once per process.
inline void initialiseOnce() {
    static bool done = false;
    if (!done) {
        done = true;
        waitForDesktop();
        ui::initialiseFramework(GetModuleHandleA(nullptr));
        // A fatal error in a test is reported on stderr, not in a box nobody closes.
        setRuntimeErrorReporter(nullptr);
    }
}

// Dispatches messages for `milliseconds` (a quit message left by a closed window is dropped).
inline void pump(int milliseconds) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    MSG message;
    for (;;) {
        while (PeekMessageA(&message, nullptr, 0, 0, PM_REMOVE)) {
            if (message.message == WM_QUIT) {
                continue;
            }
            TranslateMessage(&message);
            DispatchMessageA(&message);
        }
        const int left = static_cast<int>(end - GetTickCount());
        if (left <= 0) {
            return;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(std::min(left, 10)),
                                  QS_ALLINPUT);
    }
}

// Pumps until `done` holds or `milliseconds` pass; true if it held.
inline bool pumpUntil(const std::function<bool()>& done, int milliseconds) {
    const DWORD end = GetTickCount() + static_cast<DWORD>(milliseconds);
    while (!done()) {
        if (static_cast<int>(end - GetTickCount()) <= 0) {
            return false;
        }
        pump(5);
    }
    return true;
}

// One step of real mouse input at a screen point, through the system's input queue.
struct MouseStep {
    enum Kind { move, leftDown, leftUp, rightDown, rightUp } kind;
    int x;
    int y;
    int pauseAfter = 60;
};

inline void sendMouse(const MouseStep& step) {
    INPUT input = {};
    input.type = INPUT_MOUSE;
    const int width = GetSystemMetrics(SM_CXSCREEN);
    const int height = GetSystemMetrics(SM_CYSCREEN);
    // The system maps back with x = dx * width / 65536, so round up to land on the pixel.
    input.mi.dx = (step.x * 65536 + width - 1) / width;
    input.mi.dy = (step.y * 65536 + height - 1) / height;
    input.mi.dwFlags = MOUSEEVENTF_ABSOLUTE | MOUSEEVENTF_MOVE;
    switch (step.kind) {
        case MouseStep::move:
            break;
        case MouseStep::leftDown:
            input.mi.dwFlags |= MOUSEEVENTF_LEFTDOWN;
            break;
        case MouseStep::leftUp:
            input.mi.dwFlags |= MOUSEEVENTF_LEFTUP;
            break;
        case MouseStep::rightDown:
            input.mi.dwFlags |= MOUSEEVENTF_RIGHTDOWN;
            break;
        case MouseStep::rightUp:
            input.mi.dwFlags |= MOUSEEVENTF_RIGHTUP;
            break;
    }
    SendInput(1, &input, sizeof input);
}

// Plays the steps from another thread while this one keeps dispatching messages, so that a
// modal loop (the system's window move) started by one step sees the following ones.
struct MousePlay {
    std::vector<MouseStep> steps;
    volatile LONG finished = 0;
};

inline DWORD WINAPI playMouseSteps(LPVOID parameter) {
    auto* play = static_cast<MousePlay*>(parameter);
    for (const MouseStep& step : play->steps) {
        sendMouse(step);
        Sleep(static_cast<DWORD>(step.pauseAfter));
    }
    InterlockedExchange(&play->finished, 1);
    return 0;
}

inline void playMouse(const std::vector<MouseStep>& steps, int settleMilliseconds = 300) {
    MousePlay play{steps};
    HANDLE thread = CreateThread(nullptr, 0, playMouseSteps, &play, 0, nullptr);
    pumpUntil([&] { return play.finished != 0; }, 10000);
    WaitForSingleObject(thread, 10000);
    CloseHandle(thread);
    pump(settleMilliseconds);
}

// The pixels of a window's client area as the screen shows them, row by row.
inline std::vector<COLORREF> capture(HWND window, const RECT& area) {
    HDC dc = GetDC(window);
    HDC memory = CreateCompatibleDC(dc);
    const int w = area.right - area.left;
    const int h = area.bottom - area.top;
    HBITMAP bitmap = CreateCompatibleBitmap(dc, w, h);
    HGDIOBJ previous = SelectObject(memory, bitmap);
    BitBlt(memory, 0, 0, w, h, dc, area.left, area.top, SRCCOPY);
    std::vector<COLORREF> pixels;
    pixels.reserve(static_cast<std::size_t>(w) * h);
    for (int y = 0; y < h; ++y) {
        for (int x = 0; x < w; ++x) {
            pixels.push_back(GetPixel(memory, x, y));
        }
    }
    SelectObject(memory, previous);
    DeleteObject(bitmap);
    DeleteDC(memory);
    ReleaseDC(window, dc);
    return pixels;
}

// The screen point of a control's client point.
inline POINT screenPoint(HWND window, int x, int y) {
    POINT at = {x, y};
    ClientToScreen(window, &at);
    return at;
}

}  // namespace test_support
