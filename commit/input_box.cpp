#include "commit/input_box.h"

#include <vector>

#include "commit/input_box_resources.h"
#include "commit/reference_value.h"

namespace {

struct InputBoxRequest {
    const Text& prompt;
    const Text& title;
    const Text& initial;
    int inputMode;
    Text entered;
};

// The edit field's own procedure, kept while the number filter sits in front of it.
const char kOriginalEditProcedure[] = "InputBoxEditProcedure";

LRESULT CALLBACK numberModeEditProcedure(HWND edit, UINT message, WPARAM wParam, LPARAM lParam) {
    auto original = reinterpret_cast<WNDPROC>(GetPropA(edit, kOriginalEditProcedure));
    // Characters from an input method arrive as WM_IME_CHAR and count as typed too.
    if ((message == WM_CHAR || message == WM_IME_CHAR) &&
        !acceptsTypedCharacterInNumberMode(static_cast<unsigned>(wParam))) {
        return 0;  // dropped without the edit field's beep
    }
    if (message == WM_NCDESTROY) {
        SetWindowLongPtrA(edit, GWLP_WNDPROC, reinterpret_cast<LONG_PTR>(original));
        RemovePropA(edit, kOriginalEditProcedure);
    }
    return CallWindowProcA(original, edit, message, wParam, lParam);
}

Text editText(HWND edit) {
    const int length = GetWindowTextLengthA(edit);
    if (length <= 0) {
        return Text();
    }
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, '\0');
    GetWindowTextA(edit, buffer.data(), length + 1);
    return Text(buffer.data());
}

INT_PTR CALLBACK inputBoxProcedure(HWND dialog, UINT message, WPARAM wParam, LPARAM lParam) {
    switch (message) {
        case WM_INITDIALOG: {
            auto* request = reinterpret_cast<InputBoxRequest*>(lParam);
            SetWindowLongPtrA(dialog, DWLP_USER, lParam);
            SetWindowTextA(dialog, request->title.c_str());
            SetDlgItemTextA(dialog, IDC_INPUT_BOX_PROMPT, request->prompt.c_str());
            HWND edit = GetDlgItem(dialog, IDC_INPUT_BOX_EDIT);
            SetWindowTextA(edit, request->initial.c_str());
            if (request->inputMode == kInputModeDecimalNumber) {
                SetPropA(edit, kOriginalEditProcedure,
                         reinterpret_cast<HANDLE>(GetWindowLongPtrA(edit, GWLP_WNDPROC)));
                SetWindowLongPtrA(edit, GWLP_WNDPROC,
                                  reinterpret_cast<LONG_PTR>(numberModeEditProcedure));
            }
            SetFocus(edit);
            SendMessageA(edit, EM_SETSEL, 0, -1);
            SendMessageA(edit, EM_SCROLLCARET, 0, 0);
            return FALSE;  // the focus is set
        }
        case WM_COMMAND:
            switch (LOWORD(wParam)) {
                case IDOK: {
                    auto* request =
                        reinterpret_cast<InputBoxRequest*>(GetWindowLongPtrA(dialog, DWLP_USER));
                    request->entered = editText(GetDlgItem(dialog, IDC_INPUT_BOX_EDIT));
                    EndDialog(dialog, IDOK);
                    return TRUE;
                }
                case IDCANCEL:  // the cancel button, Esc and the close box
                    EndDialog(dialog, IDCANCEL);
                    return TRUE;
                default:
                    break;
            }
            break;
        default:
            break;
    }
    return FALSE;
}

}  // namespace

bool showInputBox(HWND owner, const Text& prompt, const Text& title, const Text& initial,
                  int inputMode, Text& entered) {
    InputBoxRequest request{prompt, title, initial, inputMode, Text()};
    const INT_PTR result =
        DialogBoxParamA(GetModuleHandleA(nullptr), MAKEINTRESOURCEA(IDD_INPUT_BOX), owner,
                        inputBoxProcedure, reinterpret_cast<LPARAM>(&request));
    if (result != IDOK) {
        return false;
    }
    entered = std::move(request.entered);
    return true;
}
