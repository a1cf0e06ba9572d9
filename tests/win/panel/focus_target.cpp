// A small application with an edit control that holds the keyboard focus: the application the
// panel should type into. Prints its window and edit handles, then runs until closed.
//   focus_target LEFT TOP

#include <windows.h>

#include <cstdio>
#include <cstdlib>

namespace {
HWND edit = nullptr;

LRESULT CALLBACK procedure(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_SETFOCUS:
            SetFocus(edit);
            return 0;
        case WM_DESTROY:
            PostQuitMessage(0);
            return 0;
        default:
            return DefWindowProcA(window, message, wParam, lParam);
    }
}
}  // namespace

int main(int argc, char** argv) {
    const int left = argc > 2 ? std::atoi(argv[1]) : 200;
    const int top = argc > 2 ? std::atoi(argv[2]) : 200;
    HINSTANCE instance = GetModuleHandleA(nullptr);
    WNDCLASSA windowClass = {};
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, IDC_ARROW);
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = "FocusTarget";
    RegisterClassA(&windowClass);
    // Right after a session starts or another program ends, Wine's shared desktop may not take
    // new windows yet.
    HWND window = nullptr;
    for (int attempt = 0; attempt < 100 && !window; ++attempt) {
        window = CreateWindowExA(0, "FocusTarget", "Focus target", WS_OVERLAPPEDWINDOW, left, top,
                                 420, 200, nullptr, nullptr, instance, nullptr);
        if (!window) {
            Sleep(100);
        }
    }
    edit = CreateWindowExA(WS_EX_CLIENTEDGE, "EDIT", "", WS_CHILD | WS_VISIBLE | ES_AUTOHSCROLL, 10,
                           10, 380, 28, window, nullptr, instance, nullptr);
    ShowWindow(window, SW_SHOW);
    SetForegroundWindow(window);
    SetFocus(edit);
    std::printf("target=%lu edit=%lu\n",
                static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(window)),
                static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(edit)));
    std::fflush(stdout);
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        TranslateMessage(&message);
        DispatchMessageA(&message);
    }
    return 0;
}
