// InspectWindows.exe: reads another program's windows back through Win32, for GUI test scripts.
//
// usage: InspectWindows.exe SELECT [--wait MS] [--post-char HEX[,HEX...]] [--post-key VK[,VK...]]
//                            [--restore] [--memory] [--answer-times MS]
//   SELECT is one of
//     --class NAME [--title TEXT]   the top-level window with this class (and title)
//     --title TEXT                  the top-level window with this title
//     --foreground                  the foreground window
//     --handle 0xHWND               this window
//     --list                        every visible top-level window (one "window" line each)
//   --wait MS      keep looking (every 50 ms) up to MS milliseconds before giving up
//   --post-key     post WM_KEYDOWN and WM_KEYUP of each virtual key (hex) to the window itself
//   --restore      restore the window from minimized, as its taskbar button would (Wine's
//                  virtual desktop has no taskbar)
//   --post-char    post one WM_CHAR (lParam 1) per byte to the focus of the window's thread,
//                  the way the panel delivers a character; the activation is not touched
//   --memory       also print the memory counters of the window's process, as Windows reports
//                  them (for benchmarks)
//   --answer-times for MS milliseconds, send the window WM_NULL every 20 ms and wait for each
//                  answer: how long its thread leaves its messages waiting (a frozen GUI)
//
// Exit code: 0 found, 1 not found (or it stopped answering), 2 usage error, 3 memory counters
// not readable.
//
// Output, one record per line, tab-separated: the record name, then key=value fields. Texts
// come twice: *_gbk= the raw ANSI bytes as upper-case hex, and the same text as UTF-8 with
// backslash, tab, CR and LF written \\ \t \r \n. Handles are hex (0x...), rects L,T,R,B.
//   window      hwnd class title_gbk title rect(screen) client(screen) style exstyle visible
//               minimized foreground pid tid
//   child       hwnd parent class id text_gbk text rect(parent's client area) screen style
//               exstyle visible               (every descendant, in Z order, depth first)
//   foreground  hwnd class title_gbk title     (hwnd=0x0 when there is none)
//   focus       hwnd class id text_gbk text    the focus of the foreground window's thread
//   posted      hwnd count                      after --post-char
//   memory      pid working_set peak_working_set private pagefile_peak (bytes)   after --memory
//   answers     count longest_ms over_100_ms over_500_ms                        after
//   --answer-times
#include <fcntl.h>
#include <io.h>
#include <windows.h>
// After windows.h, which it needs.
#include <psapi.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

namespace {

std::string hexOf(const std::string& bytes) {
    static const char digits[] = "0123456789ABCDEF";
    std::string out;
    for (unsigned char c : bytes) {
        out += digits[c >> 4];
        out += digits[c & 15];
    }
    return out;
}

std::string utf8Of(const std::string& ansi) {
    if (ansi.empty()) {
        return std::string();
    }
    int wide =
        MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), nullptr, 0);
    std::wstring text(static_cast<size_t>(wide), L'\0');
    MultiByteToWideChar(CP_ACP, 0, ansi.data(), static_cast<int>(ansi.size()), &text[0], wide);
    int narrow = WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, nullptr, 0, nullptr, nullptr);
    std::string out(static_cast<size_t>(narrow), '\0');
    WideCharToMultiByte(CP_UTF8, 0, text.data(), wide, &out[0], narrow, nullptr, nullptr);
    std::string escaped;
    for (char c : out) {
        switch (c) {
            case '\\':
                escaped += "\\\\";
                break;
            case '\t':
                escaped += "\\t";
                break;
            case '\r':
                escaped += "\\r";
                break;
            case '\n':
                escaped += "\\n";
                break;
            default:
                escaped += c;
                break;
        }
    }
    return escaped;
}

// Both fields of one text: "<key>_gbk=HEX\t<key>=UTF8".
std::string textFields(const char* key, const std::string& ansi) {
    return std::string(key) + "_gbk=" + hexOf(ansi) + "\t" + key + "=" + utf8Of(ansi);
}

std::string hexHandle(HWND window) {
    char buffer[32];
    snprintf(buffer, sizeof buffer, "0x%llX",
             static_cast<unsigned long long>(reinterpret_cast<ULONG_PTR>(window)));
    return buffer;
}

std::string rectText(const RECT& r) {
    char buffer[64];
    snprintf(buffer, sizeof buffer, "%ld,%ld,%ld,%ld", r.left, r.top, r.right, r.bottom);
    return buffer;
}

std::string classOf(HWND window) {
    char buffer[256] = {};
    GetClassNameA(window, buffer, sizeof buffer);
    return buffer;
}

// WM_GETTEXT reaches controls of other processes (GetWindowText alone would not ask them).
std::string textOf(HWND window) {
    DWORD_PTR length = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXTLENGTH, 0, 0, SMTO_ABORTIFHUNG, 2000, &length)) {
        return std::string();
    }
    std::string text(length + 1, '\0');
    DWORD_PTR copied = 0;
    if (!SendMessageTimeoutA(window, WM_GETTEXT, length + 1, reinterpret_cast<LPARAM>(&text[0]),
                             SMTO_ABORTIFHUNG, 2000, &copied)) {
        return std::string();
    }
    text.resize(strnlen(text.c_str(), length));
    return text;
}

void printWindow(HWND window) {
    RECT rect = {}, client = {};
    GetWindowRect(window, &rect);
    GetClientRect(window, &client);
    MapWindowPoints(window, nullptr, reinterpret_cast<POINT*>(&client), 2);
    DWORD pid = 0;
    DWORD tid = GetWindowThreadProcessId(window, &pid);
    printf(
        "window\thwnd=%s\tclass=%s\t%s\trect=%s\tclient=%s\tstyle=0x%08lX\texstyle=0x%08lX"
        "\tvisible=%d\tminimized=%d\tforeground=%d\tpid=%lu\ttid=%lu\n",
        hexHandle(window).c_str(), classOf(window).c_str(),
        textFields("title", textOf(window)).c_str(), rectText(rect).c_str(),
        rectText(client).c_str(), static_cast<unsigned long>(GetWindowLongA(window, GWL_STYLE)),
        static_cast<unsigned long>(GetWindowLongA(window, GWL_EXSTYLE)),
        IsWindowVisible(window) ? 1 : 0, IsIconic(window) ? 1 : 0,
        GetForegroundWindow() == window ? 1 : 0, static_cast<unsigned long>(pid),
        static_cast<unsigned long>(tid));
}

void printChild(HWND child) {
    HWND parent = GetParent(child);
    RECT screen = {};
    GetWindowRect(child, &screen);
    RECT relative = screen;
    MapWindowPoints(nullptr, parent, reinterpret_cast<POINT*>(&relative), 2);
    printf(
        "child\thwnd=%s\tparent=%s\tclass=%s\tid=%ld\t%s\trect=%s\tscreen=%s\tstyle=0x%08lX"
        "\texstyle=0x%08lX\tvisible=%d\n",
        hexHandle(child).c_str(), hexHandle(parent).c_str(), classOf(child).c_str(),
        static_cast<long>(GetDlgCtrlID(child)), textFields("text", textOf(child)).c_str(),
        rectText(relative).c_str(), rectText(screen).c_str(),
        static_cast<unsigned long>(GetWindowLongA(child, GWL_STYLE)),
        static_cast<unsigned long>(GetWindowLongA(child, GWL_EXSTYLE)),
        IsWindowVisible(child) ? 1 : 0);
}

BOOL CALLBACK printChildCallback(HWND child, LPARAM) {
    printChild(child);
    return TRUE;
}

BOOL CALLBACK printTopLevelCallback(HWND window, LPARAM) {
    if (IsWindowVisible(window)) {
        printWindow(window);
    }
    return TRUE;
}

// The focus of another thread is only visible while attached to its input queue, the same way
// the panel finds the control it types into.
HWND focusOfThread(DWORD thread) {
    DWORD self = GetCurrentThreadId();
    if (thread == 0 || thread == self) {
        return GetFocus();
    }
    if (!AttachThreadInput(self, thread, TRUE)) {
        return nullptr;
    }
    HWND focus = GetFocus();
    AttachThreadInput(self, thread, FALSE);
    return focus;
}

void printForegroundAndFocus() {
    HWND foreground = GetForegroundWindow();
    printf("foreground\thwnd=%s\tclass=%s\t%s\n", hexHandle(foreground).c_str(),
           foreground ? classOf(foreground).c_str() : "",
           textFields("title", foreground ? textOf(foreground) : std::string()).c_str());
    HWND focus =
        foreground ? focusOfThread(GetWindowThreadProcessId(foreground, nullptr)) : nullptr;
    printf("focus\thwnd=%s\tclass=%s\tid=%ld\t%s\n", hexHandle(focus).c_str(),
           focus ? classOf(focus).c_str() : "", focus ? static_cast<long>(GetDlgCtrlID(focus)) : 0L,
           textFields("text", focus ? textOf(focus) : std::string()).c_str());
}

bool parseBytes(const char* text, std::vector<unsigned char>* bytes) {
    std::string list = text;
    size_t start = 0;
    while (start <= list.size()) {
        size_t end = list.find(',', start);
        if (end == std::string::npos) {
            end = list.size();
        }
        std::string item = list.substr(start, end - start);
        char* stop = nullptr;
        unsigned long value = strtoul(item.c_str(), &stop, 16);
        if (item.empty() || *stop != '\0' || value > 0xFF) {
            return false;
        }
        bytes->push_back(static_cast<unsigned char>(value));
        start = end + 1;
    }
    return !bytes->empty();
}

// The counters Task Manager shows for the process that owns the window.
bool printMemory(HWND window) {
    DWORD pid = 0;
    GetWindowThreadProcessId(window, &pid);
    HANDLE process = OpenProcess(PROCESS_QUERY_INFORMATION | PROCESS_VM_READ, FALSE, pid);
    if (!process) {
        fprintf(stderr, "cannot open process %lu: error %lu\n", static_cast<unsigned long>(pid),
                static_cast<unsigned long>(GetLastError()));
        return false;
    }
    PROCESS_MEMORY_COUNTERS_EX counters = {};
    counters.cb = sizeof counters;
    const bool read = GetProcessMemoryInfo(
        process, reinterpret_cast<PROCESS_MEMORY_COUNTERS*>(&counters), sizeof counters);
    CloseHandle(process);
    if (!read) {
        fprintf(stderr, "no memory counters for process %lu\n", static_cast<unsigned long>(pid));
        return false;
    }
    printf(
        "memory\tpid=%lu\tworking_set=%llu\tpeak_working_set=%llu\tprivate=%llu"
        "\tpagefile_peak=%llu\n",
        static_cast<unsigned long>(pid), static_cast<unsigned long long>(counters.WorkingSetSize),
        static_cast<unsigned long long>(counters.PeakWorkingSetSize),
        static_cast<unsigned long long>(counters.PrivateUsage),
        static_cast<unsigned long long>(counters.PeakPagefileUsage));
    return true;
}

// Sends WM_NULL to the window again and again for `durationMs`, each time waiting for the answer
// (SMTO_ABORTIFHUNG would give up on a thread that looks hung, which is what is measured).
bool printAnswerTimes(HWND window, long durationMs) {
    const ULONGLONG end = GetTickCount64() + static_cast<ULONGLONG>(durationMs);
    unsigned count = 0, over100 = 0, over500 = 0;
    ULONGLONG longest = 0;
    while (GetTickCount64() < end) {
        const ULONGLONG sent = GetTickCount64();
        DWORD_PTR result = 0;
        if (!SendMessageTimeoutA(window, WM_NULL, 0, 0, SMTO_NORMAL, 30000, &result)) {
            fprintf(stderr, "the window did not answer within 30 s or is gone\n");
            return false;
        }
        const ULONGLONG waited = GetTickCount64() - sent;
        ++count;
        longest = waited > longest ? waited : longest;
        over100 += waited > 100 ? 1 : 0;
        over500 += waited > 500 ? 1 : 0;
        Sleep(20);
    }
    printf("answers\tcount=%u\tlongest_ms=%llu\tover_100_ms=%u\tover_500_ms=%u\n", count,
           static_cast<unsigned long long>(longest), over100, over500);
    return true;
}

int usage() {
    fprintf(stderr,
            "usage: InspectWindows.exe (--class NAME [--title TEXT] | --title TEXT | --foreground"
            " | --handle 0xHWND | --list) [--wait MS] [--post-char HEX[,HEX...]]"
            " [--post-key VK[,VK...]] [--restore] [--memory] [--answer-times MS]\n");
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    // Records end in a bare LF whatever the C runtime would do to text output.
    _setmode(_fileno(stdout), _O_BINARY);
    const char* className = nullptr;
    const char* title = nullptr;
    bool foreground = false, list = false, restore = false, memory = false;
    HWND handle = nullptr;
    long waitMs = 0;
    long answerMs = 0;
    std::vector<unsigned char> postBytes;
    std::vector<unsigned char> postKeys;
    for (int i = 1; i < argc; ++i) {
        std::string option = argv[i];
        bool hasValue = i + 1 < argc;
        if (option == "--class" && hasValue) {
            className = argv[++i];
        } else if (option == "--title" && hasValue) {
            title = argv[++i];
        } else if (option == "--foreground") {
            foreground = true;
        } else if (option == "--restore") {
            restore = true;
        } else if (option == "--memory") {
            memory = true;
        } else if (option == "--list") {
            list = true;
        } else if (option == "--handle" && hasValue) {
            handle =
                reinterpret_cast<HWND>(static_cast<ULONG_PTR>(strtoull(argv[++i], nullptr, 16)));
        } else if (option == "--wait" && hasValue) {
            waitMs = strtol(argv[++i], nullptr, 10);
        } else if (option == "--answer-times" && hasValue) {
            answerMs = strtol(argv[++i], nullptr, 10);
        } else if (option == "--post-char" && hasValue) {
            if (!parseBytes(argv[++i], &postBytes)) {
                return usage();
            }
        } else if (option == "--post-key" && hasValue) {
            if (!parseBytes(argv[++i], &postKeys)) {
                return usage();
            }
        } else {
            return usage();
        }
    }
    int selectors =
        (className || title ? 1 : 0) + (foreground ? 1 : 0) + (handle ? 1 : 0) + (list ? 1 : 0);
    if (selectors != 1 || (list && memory)) {
        return usage();
    }
    // A message queue of our own, which AttachThreadInput needs.
    MSG message;
    PeekMessageA(&message, nullptr, 0, 0, PM_NOREMOVE);

    if (list) {
        EnumWindows(printTopLevelCallback, 0);
        printForegroundAndFocus();
        return 0;
    }

    HWND window = nullptr;
    DWORD start = GetTickCount();
    for (;;) {
        if (foreground) {
            window = GetForegroundWindow();
        } else if (handle) {
            window = IsWindow(handle) ? handle : nullptr;
        } else {
            window = FindWindowA(className, title);
        }
        if (window || static_cast<long>(GetTickCount() - start) >= waitMs) {
            break;
        }
        Sleep(50);
    }
    if (!window) {
        printForegroundAndFocus();
        return 1;
    }
    printWindow(window);
    EnumChildWindows(window, printChildCallback, 0);
    printForegroundAndFocus();

    if (!postBytes.empty()) {
        HWND focus = focusOfThread(GetWindowThreadProcessId(window, nullptr));
        HWND receiver = focus ? focus : window;
        for (unsigned char byte : postBytes) {
            PostMessageA(receiver, WM_CHAR, byte, 1);
        }
        printf("posted\thwnd=%s\tcount=%u\n", hexHandle(receiver).c_str(),
               static_cast<unsigned>(postBytes.size()));
    }
    // Key presses into the window's queue: a pop-up menu that the window's thread is tracking
    // reads them there, whichever application holds the keyboard.
    for (unsigned char key : postKeys) {
        PostMessageA(window, WM_KEYDOWN, key, 1);
        PostMessageA(window, WM_KEYUP, key, 0xC0000001);
    }
    if (!postKeys.empty()) {
        printf("keys\thwnd=%s\tcount=%u\n", hexHandle(window).c_str(),
               static_cast<unsigned>(postKeys.size()));
    }
    if (restore) {
        ShowWindow(window, SW_RESTORE);
        printf("restored\thwnd=%s\n", hexHandle(window).c_str());
    }
    const bool memoryRead = !memory || printMemory(window);
    fflush(stdout);
    if (answerMs > 0 && !printAnswerTimes(window, answerMs)) {
        return 1;
    }
    return memoryRead ? 0 : 3;
}
