// TargetApp.exe: a stand-in for "the application the user is typing in". GUI tests type or post
// characters into it and read back, from its log, exactly what arrived.
//
// usage: TargetApp.exe LOGFILE [--title TEXT] [--pos X,Y,W,H] [--unicode]
//   LOGFILE may be a Unix path (/tmp/x.log, reached through Wine's Z: drive) or a Windows path.
//
// Window: class "HwTestTarget", title "HwTestTarget" unless --title is given, a multi-line EDIT
// (control id 100) filling the client area and holding the keyboard focus.
//
// By default it is an ANSI program, like the applications the panel types into on a Chinese
// Windows: an ANSI message loop, and the EDIT sees one WM_CHAR per byte. Wine's EDIT turns each
// byte into a character on its own (a lead byte alone becomes "?"), where Windows' EDIT joins a
// lead byte with the trail byte that follows; the subclass does that joining, so the text comes
// out as it would on Windows. With --unicode it runs a Unicode message loop instead (like most
// programs under Wine): a posted pair of bytes then arrives as one UTF-16 WM_CHAR.
//
// Under Wine, PostMessageA(WM_CHAR) keeps a lead byte back until its trail byte is posted and
// queues the joined character; an ANSI message loop splits it into its two bytes again, both
// with the trail message's lParam.
//
// Log: one line per event, tab-separated key=value fields after the event name, flushed at once:
//   ready        hwnd=0xH edit=0xH pid=N tid=N mode=ansi|unicode
//   char         wparam=0xW lparam=0xLLLLLLLL gbk=HEX   every WM_CHAR the EDIT receives: wParam
//                as received (a byte in ANSI mode, a UTF-16 unit with --unicode), lParam as
//                sent, and the GBK bytes the message carries
//   text         gbk=HEX len=N                          the EDIT's whole text after each change
//   activate     state=N minimized=0|1 other=0xH        WM_ACTIVATE (0 inactive, 1 active,
//                                                       2 click)
//   activateapp  active=0|1 thread=N                    WM_ACTIVATEAPP
//   focus        edit=0|1                               the EDIT gained (1) or lost (0) focus
//   exit
#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char kClassName[] = "HwTestTarget";
const int kEditId = 100;

FILE* logFile = nullptr;
HWND editWindow = nullptr;
bool unicodeMode = false;
WNDPROC originalEditProcA = nullptr;  // the EDIT's own procedure, called with ANSI messages
WNDPROC originalEditProcW = nullptr;  // the same, called with Unicode messages
unsigned char pendingLeadByte = 0;
HFONT editFont = nullptr;

void logLine(const char* format, ...) __attribute__((format(printf, 1, 2)));

void logLine(const char* format, ...) {
    if (!logFile) {
        return;
    }
    va_list args;
    va_start(args, format);
    vfprintf(logFile, format, args);
    va_end(args);
    fputc('\n', logFile);
    fflush(logFile);
}

std::string hexOf(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string windowText(HWND window) {
    int length = GetWindowTextLengthA(window);
    std::string text(static_cast<size_t>(length) + 1, '\0');
    int copied = GetWindowTextA(window, &text[0], length + 1);
    text.resize(copied > 0 ? static_cast<size_t>(copied) : 0);
    return text;
}

unsigned long long handleValue(HWND window) {
    return static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window));
}

std::string gbkOf(wchar_t unit) {
    char bytes[4] = {};
    int length = WideCharToMultiByte(CP_ACP, 0, &unit, 1, bytes, sizeof bytes, nullptr, nullptr);
    return std::string(bytes, length > 0 ? static_cast<size_t>(length) : 0);
}

void logChar(WPARAM wParam, LPARAM lParam, const std::string& bytes) {
    logLine("char\twparam=0x%02llX\tlparam=0x%08lX\tgbk=%s",
            static_cast<unsigned long long>(wParam), static_cast<unsigned long>(lParam),
            hexOf(bytes).c_str());
}

void logFocus(UINT message) {
    if (message == WM_SETFOCUS) {
        logLine("focus\tedit=1");
    } else if (message == WM_KILLFOCUS) {
        logLine("focus\tedit=0");
    }
}

// ANSI mode: the log sees each byte as the program got it; the EDIT gets whole characters.
LRESULT CALLBACK ansiEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    logFocus(message);
    if (message != WM_CHAR) {
        return CallWindowProcA(originalEditProcA, window, message, wParam, lParam);
    }
    unsigned char byte = static_cast<unsigned char>(wParam & 0xFF);
    logChar(wParam, lParam, std::string(1, static_cast<char>(byte)));
    char bytes[2] = {static_cast<char>(byte), 0};
    int count = 1;
    if (pendingLeadByte) {
        bytes[0] = static_cast<char>(pendingLeadByte);
        bytes[1] = static_cast<char>(byte);
        count = 2;
        pendingLeadByte = 0;
    } else if (IsDBCSLeadByte(byte)) {
        pendingLeadByte = byte;
        return 0;
    }
    wchar_t unit = 0;
    if (MultiByteToWideChar(CP_ACP, MB_ERR_INVALID_CHARS, bytes, count, &unit, 1) != 1) {
        unit = L'?';
    }
    return CallWindowProcW(originalEditProcW, window, WM_CHAR, unit, lParam);
}

LRESULT CALLBACK unicodeEditProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    logFocus(message);
    if (message == WM_CHAR) {
        logChar(wParam, lParam, gbkOf(static_cast<wchar_t>(wParam)));
    }
    return CallWindowProcW(originalEditProcW, window, message, wParam, lParam);
}

LRESULT CALLBACK mainProc(HWND window, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_CREATE: {
            editWindow = CreateWindowExW(
                WS_EX_CLIENTEDGE, L"EDIT", L"",
                WS_CHILD | WS_VISIBLE | WS_VSCROLL | ES_MULTILINE | ES_AUTOVSCROLL | ES_WANTRETURN,
                0, 0, 0, 0, window, reinterpret_cast<HMENU>(static_cast<INT_PTR>(kEditId)),
                GetModuleHandleA(nullptr), nullptr);
            if (!editWindow) {
                return -1;
            }
            // A Chinese face, so that screenshots show what was typed.
            editFont = CreateFontA(-16, 0, 0, 0, FW_NORMAL, FALSE, FALSE, FALSE, GB2312_CHARSET,
                                   OUT_DEFAULT_PRECIS, CLIP_DEFAULT_PRECIS, DEFAULT_QUALITY,
                                   DEFAULT_PITCH, "宋体");
            SendMessageA(editWindow, WM_SETFONT, reinterpret_cast<WPARAM>(editFont), FALSE);
            originalEditProcW =
                reinterpret_cast<WNDPROC>(GetWindowLongPtrW(editWindow, GWLP_WNDPROC));
            if (unicodeMode) {
                SetWindowLongPtrW(editWindow, GWLP_WNDPROC,
                                  reinterpret_cast<LONG_PTR>(unicodeEditProc));
            } else {
                originalEditProcA = reinterpret_cast<WNDPROC>(SetWindowLongPtrA(
                    editWindow, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(ansiEditProc)));
            }
            return 0;
        }
        case WM_SIZE:
            MoveWindow(editWindow, 0, 0, LOWORD(lParam), HIWORD(lParam), TRUE);
            return 0;
        case WM_SETFOCUS:
            // Whenever the window gets the activation back, typing goes to the EDIT.
            SetFocus(editWindow);
            return 0;
        case WM_ACTIVATE:
            logLine("activate\tstate=%u\tminimized=%u\tother=0x%llX",
                    static_cast<unsigned>(LOWORD(wParam)), HIWORD(wParam) ? 1u : 0u,
                    handleValue(reinterpret_cast<HWND>(lParam)));
            break;
        case WM_ACTIVATEAPP:
            logLine("activateapp\tactive=%u\tthread=%lu", wParam ? 1u : 0u,
                    static_cast<unsigned long>(lParam));
            break;
        case WM_COMMAND:
            if (LOWORD(wParam) == kEditId && HIWORD(wParam) == EN_CHANGE) {
                std::string text = windowText(editWindow);
                logLine("text\tgbk=%s\tlen=%u", hexOf(text).c_str(),
                        static_cast<unsigned>(text.size()));
            }
            return 0;
        case WM_DESTROY:
            logLine("exit");
            PostQuitMessage(0);
            return 0;
        default:
            break;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}

// A Unix path reaches the file through the Z: drive, which maps the Unix root.
FILE* openLog(const char* path) {
    std::string windowsPath = path;
    if (!windowsPath.empty() && windowsPath[0] == '/') {
        windowsPath = "Z:" + windowsPath;
    }
    return fopen(windowsPath.c_str(), "wb");
}

bool parsePosition(const char* text, int* values) {
    return sscanf(text, "%d,%d,%d,%d", &values[0], &values[1], &values[2], &values[3]) == 4 &&
           values[2] > 0 && values[3] > 0;
}

}  // namespace

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int showCommand) {
    const char* logPath = nullptr;
    const char* title = kClassName;
    int position[4] = {100, 100, 480, 320};
    for (int i = 1; i < __argc; ++i) {
        if (strcmp(__argv[i], "--title") == 0 && i + 1 < __argc) {
            title = __argv[++i];
        } else if (strcmp(__argv[i], "--pos") == 0 && i + 1 < __argc) {
            if (!parsePosition(__argv[++i], position)) {
                MessageBoxA(nullptr, "--pos needs X,Y,W,H", kClassName, MB_ICONERROR);
                return 2;
            }
        } else if (strcmp(__argv[i], "--unicode") == 0) {
            unicodeMode = true;
        } else if (!logPath && __argv[i][0] != '-') {
            logPath = __argv[i];
        } else {
            MessageBoxA(nullptr,
                        "usage: TargetApp.exe LOGFILE [--title T] [--pos X,Y,W,H] [--unicode]",
                        kClassName, MB_ICONERROR);
            return 2;
        }
    }
    if (logPath) {
        logFile = openLog(logPath);
        if (!logFile) {
            return 3;
        }
    }

    WNDCLASSEXA windowClass = {};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = mainProc;
    windowClass.hInstance = instance;
    windowClass.hCursor = LoadCursorA(nullptr, reinterpret_cast<LPCSTR>(IDC_ARROW));
    windowClass.hbrBackground = reinterpret_cast<HBRUSH>(COLOR_WINDOW + 1);
    windowClass.lpszClassName = kClassName;
    if (!RegisterClassExA(&windowClass)) {
        return 4;
    }
    HWND window =
        CreateWindowExA(0, kClassName, title, WS_OVERLAPPEDWINDOW, position[0], position[1],
                        position[2], position[3], nullptr, nullptr, instance, nullptr);
    if (!window) {
        return 5;
    }
    ShowWindow(window, showCommand == SW_SHOWDEFAULT ? SW_SHOWNORMAL : showCommand);
    UpdateWindow(window);
    SetForegroundWindow(window);
    SetFocus(editWindow);
    logLine("ready\thwnd=0x%llX\tedit=0x%llX\tpid=%lu\ttid=%lu\tmode=%s", handleValue(window),
            handleValue(editWindow), GetCurrentProcessId(), GetCurrentThreadId(),
            unicodeMode ? "unicode" : "ansi");

    MSG message;
    for (;;) {
        BOOL got = unicodeMode ? GetMessageW(&message, nullptr, 0, 0)
                               : GetMessageA(&message, nullptr, 0, 0);
        if (got <= 0) {
            break;
        }
        TranslateMessage(&message);
        if (unicodeMode) {
            DispatchMessageW(&message);
        } else {
            DispatchMessageA(&message);
        }
    }
    if (editFont) {
        DeleteObject(editFont);
    }
    if (logFile) {
        fclose(logFile);
    }
    return 0;
}
