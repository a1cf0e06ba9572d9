#include "commit/windows_commit_host.h"

#include "commit/traditional.h"
#include "ui/windows_functions.h"

void WindowsCommitHost::postChar(WindowHandle focus, unsigned char byte) {
    windows::PostMessageA(reinterpret_cast<HWND>(focus), WM_CHAR, byte, 1);
}

Text WindowsCommitHost::traditionalForm(const Text& text) {
    return toTraditional(text);
}

void WindowsCommitHost::startDictionaryLookup(CommitState& state) {
    // When no thread can be started the line keeps the progress text; nothing else to do.
    ::startDictionaryLookup(state, lookupReceiver_, dictionaryHost_);
}
