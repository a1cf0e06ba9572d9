#pragma once
// The online dictionary lookup: one worker thread per commit fetches the dictionary page for
// its own copy of the committed text and posts the information lines it composes to a window
// of the GUI thread. Only the GUI thread writes the information line, and it shows a lookup's
// line only while no later commit has happened.

#include <windows.h>

#include <functional>

#include "commit/candidate_commit.h"
#include "text/text_operations.h"
#include "ui/window_base.h"

// A dictionary lookup worker hands one information line to the GUI thread: wParam the count
// of the commit that started the lookup, lParam a heap Text the receiver takes over
// (takeLookupLine). The recognition channel's socket notifications use 0x8078 (tcp_client.h).
constexpr UINT kLookupLineMessage = WM_APP + 1;

// The host the lookups ask, port included when it is not 80 (build setting DICTIONARY_HOST).
extern const char kDictionaryHost[];

// GUI thread. Starts a worker for a copy of state.committedText and state.commitCount that
// posts its lines to `receiver` as kLookupLineMessage. The worker's handle goes to
// state.lookupThread; the previous worker's handle is closed then, so at most one stays open.
// The worker is never waited for. False when the thread cannot be started.
bool startDictionaryLookup(CommitState& state, HWND receiver, const Text& host = kDictionaryHost);

// GUI thread, for each kLookupLineMessage: takes over the posted line. True, with the line,
// when it belongs to the last commit (state.commitCount); false when a later commit has
// happened since its lookup started.
bool takeLookupLine(const CommitState& state, WPARAM wParam, LPARAM lParam, Text& line);

// A message-only window of the GUI thread that receives the lookups' lines and passes those
// still current to `showLine` (which sets the caption of the information line).
class DictionaryLookupReceiver : private ui::WindowBase<DictionaryLookupReceiver> {
  public:
    DictionaryLookupReceiver(const CommitState& state, std::function<void(const Text&)> showLine);
    ~DictionaryLookupReceiver();
    DictionaryLookupReceiver(const DictionaryLookupReceiver&) = delete;
    DictionaryLookupReceiver& operator=(const DictionaryLookupReceiver&) = delete;

    HWND window() const { return handle(); }

  private:
    friend class ui::WindowBase<DictionaryLookupReceiver>;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);

    const CommitState& state_;
    std::function<void(const Text&)> showLine_;
};
