#pragma once
// The Windows half of the candidate commit host: typing by posted character messages, the
// traditional mapping and the lookup worker. The panel derives from it and adds what belongs
// to its window (re-activation, the pad, the menu's check marks, the information line).
// PostMessageA and LCMapStringA are bound by name (ui/windows_functions.h).

#include <windows.h>

#include "commit/candidate_commit.h"
#include "commit/dictionary_lookup.h"

class WindowsCommitHost : public CandidateCommitHost {
  public:
    // `lookupReceiver` gets the lookups' lines (DictionaryLookupReceiver::window()).
    explicit WindowsCommitHost(HWND lookupReceiver, Text dictionaryHost = kDictionaryHost)
        : lookupReceiver_(lookupReceiver), dictionaryHost_(std::move(dictionaryHost)) {}

    // WM_CHAR with the byte as wParam and lParam 1 (repeat count 1, nothing else), posted.
    void postChar(WindowHandle focus, unsigned char byte) override;
    Text traditionalForm(const Text& text) override;
    void startDictionaryLookup(CommitState& state) override;

  private:
    HWND lookupReceiver_;
    Text dictionaryHost_;
};
