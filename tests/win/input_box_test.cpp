// The modal input box and the reference value question, driven from a second thread the way a
// user would: typing (posted character messages), pasting, Enter, Esc, the buttons.

#include <windows.h>

#include <gtest/gtest.h>

#include <chrono>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include "commit/input_box.h"
#include "commit/input_box_resources.h"
#include "commit/reference_value.h"

namespace {

using Clock = std::chrono::steady_clock;

bool waitUntil(const std::function<bool()>& condition, int milliseconds = 10000) {
    const auto deadline = Clock::now() + std::chrono::milliseconds(milliseconds);
    while (!condition()) {
        if (Clock::now() > deadline) {
            return false;
        }
        Sleep(20);
    }
    return true;
}

std::string textOf(HWND window) {
    char buffer[512] = {};
    GetWindowTextA(window, buffer, sizeof(buffer));
    return buffer;
}

BOOL CALLBACK collectVisibleDialog(HWND window, LPARAM result) {
    char name[32] = {};
    GetClassNameA(window, name, sizeof(name));
    if (std::string(name) == "#32770" && IsWindowVisible(window)) {
        *reinterpret_cast<HWND*>(result) = window;
        return FALSE;
    }
    return TRUE;
}

// The visible dialog of the GUI thread `thread`, or null.
HWND findDialog(DWORD thread) {
    HWND found = nullptr;
    EnumThreadWindows(thread, collectVisibleDialog, reinterpret_cast<LPARAM>(&found));
    return found;
}

std::string describe(const RECT& r) {
    return std::to_string(r.left) + "," + std::to_string(r.top) + " " +
           std::to_string(r.right - r.left) + "x" + std::to_string(r.bottom - r.top);
}

void type(HWND edit, const std::string& characters) {
    for (char c : characters) {
        PostMessageA(edit, WM_CHAR, static_cast<unsigned char>(c), 1);
    }
}

void pressKey(HWND control, WPARAM key) {
    PostMessageA(control, WM_KEYDOWN, key, 1);
    PostMessageA(control, WM_KEYUP, key, 0xC0000001);
}

void clickButton(HWND dialog, int id) {
    PostMessageA(dialog, WM_COMMAND, MAKEWPARAM(id, BN_CLICKED),
                 reinterpret_cast<LPARAM>(GetDlgItem(dialog, id)));
}

bool putOnClipboard(const std::string& text) {
    if (!OpenClipboard(nullptr)) {
        return false;
    }
    EmptyClipboard();
    HGLOBAL memory = GlobalAlloc(GMEM_MOVEABLE, text.size() + 1);
    memcpy(GlobalLock(memory), text.c_str(), text.size() + 1);
    GlobalUnlock(memory);
    const bool placed = SetClipboardData(CF_TEXT, memory) != nullptr;
    CloseClipboard();
    return placed;
}

// What the driver saw; checked on the test's thread once the box is closed.
struct Observed {
    bool found = false;
    std::string caption, prompt, edit;
    DWORD selectionStart = 99, selectionEnd = 99;
    std::vector<std::string> notes;  // failures noticed while driving

    void expectEdit(HWND editWindow, const std::string& expected) {
        if (!waitUntil([&] { return textOf(editWindow) == expected; }, 5000)) {
            notes.push_back("edit field holds \"" + textOf(editWindow) + "\", expected \"" +
                            expected + "\"");
        }
    }
};

// Runs `drive` on a second thread against the box that `open` shows on this one. The driver
// gets the dialog and its edit field and must end the box.
template <class Open>
Observed driveBox(Open open, const std::function<void(HWND, HWND, Observed&)>& drive) {
    Observed observed;
    const DWORD guiThread = GetCurrentThreadId();
    std::thread driver([&] {
        HWND dialog = nullptr;
        if (!waitUntil([&] { return (dialog = findDialog(guiThread)) != nullptr; })) {
            return;
        }
        observed.found = true;
        HWND edit = GetDlgItem(dialog, IDC_INPUT_BOX_EDIT);
        observed.caption = textOf(dialog);
        observed.prompt = textOf(GetDlgItem(dialog, IDC_INPUT_BOX_PROMPT));
        observed.edit = textOf(edit);
        SendMessageA(edit, EM_GETSEL, reinterpret_cast<WPARAM>(&observed.selectionStart),
                     reinterpret_cast<LPARAM>(&observed.selectionEnd));
        drive(dialog, edit, observed);
    });
    open();
    driver.join();
    return observed;
}

void expectClean(const Observed& observed) {
    EXPECT_TRUE(observed.found) << "no dialog appeared";
    for (const auto& note : observed.notes) {
        ADD_FAILURE() << note;
    }
}

const char kPrompt[] = "设置手写输入参考数值，默认：3（可填3到8之间）";
const char kTitle[] = "参考数值";

TEST(InputBox, OpensWithTitlePromptAndTheWholeInitialTextSelected) {
    Text entered = "untouched";
    bool confirmed = true;
    struct Layout {
        int id, x, y, width, height;
    };
    const Observed observed = driveBox(
        [&] { confirmed = showInputBox(nullptr, kPrompt, kTitle, "3", 3, entered); },
        [](HWND dialog, HWND edit, Observed& seen) {
            GUITHREADINFO info{};
            info.cbSize = sizeof(info);
            GetGUIThreadInfo(GetWindowThreadProcessId(dialog, nullptr), &info);
            if (info.hwndFocus != edit) {
                seen.notes.push_back("the edit field does not have the focus");
            }
            if (LOWORD(SendMessageA(dialog, DM_GETDEFID, 0, 0)) != IDOK) {
                seen.notes.push_back("the confirm button is not the default");
            }
            if (textOf(GetDlgItem(dialog, IDOK)) != "确认输入(&O)" ||
                textOf(GetDlgItem(dialog, IDCANCEL)) != "取消(&C)") {
                seen.notes.push_back("button captions: " + textOf(GetDlgItem(dialog, IDOK)) +
                                     " / " + textOf(GetDlgItem(dialog, IDCANCEL)));
            }
            const LONG style = GetWindowLongA(dialog, GWL_STYLE);
            if ((style & WS_CAPTION) != WS_CAPTION || !(style & WS_SYSMENU) ||
                !(style & DS_MODALFRAME)) {
                seen.notes.push_back("dialog style lacks caption, system menu or modal frame");
            }
            LOGFONTA font{};
            GetObjectA(reinterpret_cast<HFONT>(SendMessageA(dialog, WM_GETFONT, 0, 0)),
                       sizeof(font), &font);
            HDC screen = GetDC(nullptr);
            const int height9pt = -MulDiv(9, GetDeviceCaps(screen, LOGPIXELSY), 72);
            ReleaseDC(nullptr, screen);
            if (std::string(font.lfFaceName) != "宋体" || font.lfHeight != height9pt) {
                seen.notes.push_back("dialog font " + std::string(font.lfFaceName) + " " +
                                     std::to_string(font.lfHeight));
            }
            // The layout in dialog units, as the dialog maps them to pixels.
            RECT whole{0, 0, 252, 92};
            MapDialogRect(dialog, &whole);
            RECT client{};
            GetClientRect(dialog, &client);
            if (client.right != whole.right || client.bottom != whole.bottom) {
                seen.notes.push_back("client area is not 252 x 92 dialog units");
            }
            const Layout layout[] = {{IDC_INPUT_BOX_FRAME, 7, 7, 238, 35},
                                     {IDC_INPUT_BOX_PROMPT, 12, 11, 229, 27},
                                     {IDC_INPUT_BOX_EDIT, 7, 45, 238, 12},
                                     {IDOK, 63, 66, 55, 19},
                                     {IDCANCEL, 134, 66, 55, 19}};
            for (const Layout& item : layout) {
                // The dialog manager maps the position and the size each on its own.
                RECT mapped{item.x, item.y, item.width, item.height};
                MapDialogRect(dialog, &mapped);
                const RECT expected{mapped.left, mapped.top, mapped.left + mapped.right,
                                    mapped.top + mapped.bottom};
                RECT actual{};
                GetWindowRect(GetDlgItem(dialog, item.id), &actual);
                MapWindowPoints(nullptr, dialog, reinterpret_cast<POINT*>(&actual), 2);
                if (!EqualRect(&expected, &actual)) {
                    seen.notes.push_back("control " + std::to_string(item.id) + " at " +
                                         describe(actual) + ", expected " + describe(expected));
                }
            }
            const LONG frameStyle =
                GetWindowLongA(GetDlgItem(dialog, IDC_INPUT_BOX_FRAME), GWL_STYLE);
            if (!(frameStyle & SS_SUNKEN)) {
                seen.notes.push_back("the frame is not sunken");
            }
            PostMessageA(dialog, WM_CLOSE, 0, 0);  // the close box
        });
    expectClean(observed);
    EXPECT_EQ(observed.caption, kTitle);
    EXPECT_EQ(observed.prompt, kPrompt);
    EXPECT_EQ(observed.edit, "3");
    EXPECT_EQ(observed.selectionStart, 0u);
    EXPECT_EQ(observed.selectionEnd, 1u);
    EXPECT_FALSE(confirmed);
    EXPECT_EQ(entered, "untouched");
}

TEST(InputBox, NumberModeDropsTypedLettersAndKeepsDigitsSignPointAndBackspace) {
    Text entered;
    bool confirmed = false;
    const Observed observed =
        driveBox([&] { confirmed = showInputBox(nullptr, kPrompt, kTitle, "3", 3, entered); },
                 [](HWND, HWND edit, Observed& seen) {
                     // The selected "3" is replaced by the first accepted character. 中 typed as
                     // its two GBK bytes is dropped too, and so is 中 from an input method.
                     type(edit, "a5x-Z.");
                     PostMessageA(edit, WM_IME_CHAR, 0xD6D0, 1);
                     type(edit, "7\xD6\xD0q");
                     seen.expectEdit(edit, "5-.7");
                     type(edit, "\b2");
                     seen.expectEdit(edit, "5-.2");
                     pressKey(edit, VK_RETURN);
                 });
    expectClean(observed);
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(entered, "5-.2");
}

TEST(InputBox, PastedTextIsNotFiltered) {
    Text entered;
    bool confirmed = false;
    const Observed observed =
        driveBox([&] { confirmed = showInputBox(nullptr, kPrompt, kTitle, "3", 3, entered); },
                 [](HWND dialog, HWND edit, Observed& seen) {
                     if (!putOnClipboard("abc")) {
                         seen.notes.push_back("clipboard unavailable");
                     }
                     SendMessageA(edit, WM_PASTE, 0, 0);
                     seen.expectEdit(edit, "abc");
                     type(edit, "\x16");  // Ctrl+V is a control character and passes the filter
                     seen.expectEdit(edit, "abcabc");
                     clickButton(dialog, IDOK);
                 });
    expectClean(observed);
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(entered, "abcabc");
}

TEST(InputBox, AnyTextModeKeepsTypedLetters) {
    Text entered;
    bool confirmed = false;
    const Observed observed = driveBox(
        [&] {
            confirmed = showInputBox(nullptr, "prompt", "title", "", kInputModeAnyText, entered);
        },
        [](HWND dialog, HWND edit, Observed& seen) {
            type(edit, "ab1");
            seen.expectEdit(edit, "ab1");
            clickButton(dialog, IDOK);
        });
    expectClean(observed);
    EXPECT_TRUE(confirmed);
    EXPECT_EQ(entered, "ab1");
}

TEST(InputBox, EscAndTheCancelButtonLeaveTheVariableUntouched) {
    for (bool useEsc : {true, false}) {
        Text entered = "before";
        bool confirmed = true;
        const Observed observed =
            driveBox([&] { confirmed = showInputBox(nullptr, kPrompt, kTitle, "4", 3, entered); },
                     [useEsc](HWND dialog, HWND edit, Observed& seen) {
                         type(edit, "7");
                         seen.expectEdit(edit, "7");
                         if (useEsc) {
                             pressKey(edit, VK_ESCAPE);
                         } else {
                             clickButton(dialog, IDCANCEL);
                         }
                     });
        expectClean(observed);
        EXPECT_FALSE(confirmed) << (useEsc ? "Esc" : "cancel button");
        EXPECT_EQ(entered, "before");
    }
}

// The reference value question on the real box.
class RecordingReferenceValueHost : public WindowsReferenceValueHost {
  public:
    RecordingReferenceValueHost() : WindowsReferenceValueHost(nullptr) {}
    void handBackActivation() override { ++reactivations; }
    int reactivations = 0;
};

TEST(AskReferenceValueBox, ConfirmedEntriesAreClampedIntoThreeToEight) {
    const std::vector<std::pair<std::string, int>> cases{
        {"9", 8}, {"100", 8}, {"2", 3}, {"0", 3}, {"-5", 3}, {"", 3}, {"6", 6}, {"7.8", 7}};
    std::int32_t referenceValue = kReferenceValueAtStart;
    for (const auto& [entry, expected] : cases) {
        const int before = referenceValue;
        RecordingReferenceValueHost host;
        int reactivationsWhenOpen = -1;
        const Observed observed = driveBox([&] { chooseReferenceValue(referenceValue, host); },
                                           [&, entryText = entry](HWND, HWND edit, Observed& seen) {
                                               reactivationsWhenOpen = host.reactivations;
                                               // Typed, so the number filter lets every one of
                                               // these through.
                                               SendMessageA(edit, EM_SETSEL, 0, -1);
                                               PostMessageA(edit, WM_CHAR, '\b', 1);
                                               type(edit, entryText);
                                               seen.expectEdit(edit, entryText);
                                               pressKey(edit, VK_RETURN);
                                           });
        expectClean(observed);
        EXPECT_EQ(observed.edit, std::to_string(before)) << "initial text for " << entry;
        EXPECT_EQ(reactivationsWhenOpen, 1) << "the target is re-activated before the box opens";
        EXPECT_EQ(referenceValue, expected) << "entry \"" << entry << "\"";
    }
}

TEST(AskReferenceValueBox, PastedLettersGiveThreeAndCancelKeepsTheValue) {
    std::int32_t referenceValue = 6;
    RecordingReferenceValueHost host;
    Observed observed =
        driveBox([&] { chooseReferenceValue(referenceValue, host); },
                 [](HWND dialog, HWND edit, Observed& seen) {
                     SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("8"));
                     seen.expectEdit(edit, "8");
                     clickButton(dialog, IDCANCEL);
                 });
    expectClean(observed);
    EXPECT_EQ(referenceValue, 6);

    observed = driveBox([&] { chooseReferenceValue(referenceValue, host); },
                        [](HWND dialog, HWND edit, Observed& seen) {
                            SendMessageA(edit, WM_SETTEXT, 0, reinterpret_cast<LPARAM>("abc"));
                            seen.expectEdit(edit, "abc");
                            clickButton(dialog, IDOK);
                        });
    expectClean(observed);
    EXPECT_EQ(referenceValue, 3);
}

}  // namespace
