// Reads the running panel from outside, as another program sees it, for the panel's script
// tests.
//   panel_probe info          one line: handle, outer rectangle, extended style, visibility and
//                             the foreground window
//   panel_probe escape        an Esc key press for the panel window
//   panel_probe close         asks the panel window to close
//   panel_probe minimize      minimizes the panel window, as its taskbar button does
//   panel_probe restore       restores it

#include <windows.h>

#include <cstdio>
#include <cstring>

int main(int argc, char** argv) {
    HWND panel = FindWindowA("HandwritingPanelWindow", nullptr);
    if (!panel) {
        std::printf("panel=0 foreground=%lu\n",
                    static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(GetForegroundWindow())));
        return 1;
    }
    const char* command = argc > 1 ? argv[1] : "info";
    if (std::strcmp(command, "escape") == 0) {
        PostMessageA(panel, WM_KEYDOWN, VK_ESCAPE, 0x00010001);
        return 0;
    }
    if (std::strcmp(command, "close") == 0) {
        PostMessageA(panel, WM_CLOSE, 0, 0);
        return 0;
    }
    if (std::strcmp(command, "minimize") == 0) {
        ShowWindow(panel, SW_MINIMIZE);
        return 0;
    }
    if (std::strcmp(command, "restore") == 0) {
        ShowWindow(panel, SW_RESTORE);
        return 0;
    }
    RECT rect = {};
    GetWindowRect(panel, &rect);
    std::printf(
        "panel=%lu left=%ld top=%ld width=%ld height=%ld exstyle=%08lx visible=%d "
        "foreground=%lu\n",
        static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(panel)), rect.left, rect.top,
        rect.right - rect.left, rect.bottom - rect.top,
        static_cast<unsigned long>(GetWindowLongA(panel, GWL_EXSTYLE)),
        IsWindowVisible(panel) ? 1 : 0,
        static_cast<unsigned long>(reinterpret_cast<ULONG_PTR>(GetForegroundWindow())));
    return 0;
}
