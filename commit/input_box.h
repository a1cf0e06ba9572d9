#pragma once
// The modal input box: a prompt, one edit field, "确认输入(&O)" and "取消(&C)". Its dialog
// template (input_box.rc) is linked into every program that links commit_win.

#include <windows.h>

#include "commit/reference_value_setting.h"
#include "text/text_operations.h"

// Any typed character reaches the edit field.
constexpr int kInputModeAnyText = 0;

// Opens the box owned by `owner` (may be null) with the title as caption, the prompt and the
// initial text selected whole. In kInputModeDecimalNumber typed characters other than control
// characters, "-", "." and digits are dropped without a sound; pasted text is not filtered.
// Confirm (button or Enter): true, `entered` = the edit text. Cancel, Esc or the close box:
// false, `entered` untouched.
bool showInputBox(HWND owner, const Text& prompt, const Text& title, const Text& initial,
                  int inputMode, Text& entered);

// chooseReferenceValue's host on Windows: the box above, owned by `owner`. The panel derives
// from it and adds handBackActivation.
class WindowsReferenceValueHost : public ReferenceValueHost {
  public:
    explicit WindowsReferenceValueHost(HWND owner) : owner_(owner) {}
    bool inputBox(const Text& prompt, const Text& title, const Text& initial, int inputMode,
                  Text& entered) override {
        return showInputBox(owner_, prompt, title, initial, inputMode, entered);
    }

  private:
    HWND owner_;
};
