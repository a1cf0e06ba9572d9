#include "commit/typing.h"

#include <windows.h>

#include "ui/windows_functions.h"

void typeBytes(WindowHandle focus, const Text& bytes) {
    for (char byte : bytes)
        windows::PostMessageA(reinterpret_cast<HWND>(focus), WM_CHAR,
                              static_cast<unsigned char>(byte), 1);
}
