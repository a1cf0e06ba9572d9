// Opens the reference value box and keeps it open until told to close it, so that a script
// can take a screenshot of it.
//   input_box_show.exe <ready file> <done file>
// The ready file is written once the box is on the screen; the box is cancelled when the done
// file appears (or after a minute). Exit code 0 when the box was shown and closed.

#include <windows.h>

#include <cstdio>
#include <thread>

#include "commit/input_box.h"

namespace {

class NoTarget : public WindowsReferenceValueHost {
  public:
    NoTarget() : WindowsReferenceValueHost(nullptr) {}
    void handBackActivation() override {}
};

BOOL CALLBACK collectVisibleDialog(HWND window, LPARAM result) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof(name));
    if (lstrcmpA(name, "#32770") == 0 && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
    }
    return TRUE;
}

HWND visibleDialogOf(DWORD thread) {
    HWND found = nullptr;
    EnumThreadWindows(thread, collectVisibleDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 3) {
        std::fprintf(stderr, "usage: input_box_show <ready file> <done file>\n");
        return 2;
    }
    const char* readyFile = argv[1];
    const char* doneFile = argv[2];
    const DWORD guiThread = GetCurrentThreadId();
    bool shown = false;
    std::thread driver([&] {
        HWND dialog = nullptr;
        for (int i = 0; i < 500 && (dialog = visibleDialogOf(guiThread)) == nullptr; ++i) {
            Sleep(20);
        }
        if (dialog == nullptr) {
            return;
        }
        shown = true;
        Sleep(300);  // let it paint
        if (FILE* ready = std::fopen(readyFile, "w")) {
            std::fclose(ready);
        }
        for (int i = 0; i < 600 && GetFileAttributesA(doneFile) == INVALID_FILE_ATTRIBUTES; ++i) {
            Sleep(100);
        }
        PostMessageA(dialog, WM_COMMAND, IDCANCEL, 0);
    });
    std::int32_t referenceValue = 3;
    NoTarget host;
    chooseReferenceValue(referenceValue, host);
    driver.join();
    return shown && referenceValue == 3 ? 0 : 1;
}
