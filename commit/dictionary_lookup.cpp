#include "commit/dictionary_lookup.h"

#include <cstdint>
#include <memory>

#include "commit/dictionary_lookup_text.h"
#include "commit/page_fetch.h"

#ifndef DICTIONARY_HOST
#error "DICTIONARY_HOST must name the dictionary host (a CMake cache variable)"
#endif

const char kDictionaryHost[] = DICTIONARY_HOST;

namespace {

// What one worker owns: copies taken on the GUI thread when the lookup starts, so a later
// commit cannot change what this lookup asks for or reports.
struct LookupJob {
    Text host;
    Text committedText;
    std::uint32_t commitCount;
    HWND receiver;
};

DWORD WINAPI runDictionaryLookup(void* parameter) {
    std::unique_ptr<LookupJob> job(static_cast<LookupJob*>(parameter));
    const ByteString page = fetchUrl(dictionaryLookupUrl(job->host, job->committedText));
    for (const Text& line : dictionaryLookupLines(job->committedText, page)) {
        auto* posted = new Text(line);
        if (!PostMessageA(job->receiver, kLookupLineMessage, job->commitCount,
                          reinterpret_cast<LPARAM>(posted))) {
            // The receiver is gone (the panel is closing): nobody will take the line.
            delete posted;
        }
    }
    return 0;
}

const char kReceiverClass[] = "HandwritingPanelLookupReceiver";

}  // namespace

bool startDictionaryLookup(CommitState& state, HWND receiver, const Text& host) {
    auto* job = new LookupJob{host, state.committedText, state.commitCount, receiver};
    HANDLE thread = CreateThread(nullptr, 0, runDictionaryLookup, job, 0, nullptr);
    if (thread == nullptr) {
        delete job;
        return false;
    }
    if (state.lookupThread != 0) {
        CloseHandle(reinterpret_cast<HANDLE>(state.lookupThread));
    }
    state.lookupThread = reinterpret_cast<std::uintptr_t>(thread);
    return true;
}

bool takeLookupLine(const CommitState& state, WPARAM wParam, LPARAM lParam, Text& line) {
    std::unique_ptr<Text> posted(reinterpret_cast<Text*>(lParam));
    if (!posted || static_cast<std::uint32_t>(wParam) != state.commitCount) {
        return false;
    }
    line = std::move(*posted);
    return true;
}

DictionaryLookupReceiver::DictionaryLookupReceiver(const CommitState& state,
                                                   std::function<void(const Text&)> showLine)
    : state_(state), showLine_(std::move(showLine)) {
    ui::registerWindowClass(kReceiverClass, windowProcedure);
    createObjectWindow(0, kReceiverClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE);
}

DictionaryLookupReceiver::~DictionaryLookupReceiver() {
    if (window_ == nullptr) {
        return;
    }
    // Lines still queued would be dropped with the window, and their texts with them.
    MSG message;
    while (PeekMessageA(&message, window_, kLookupLineMessage, kLookupLineMessage, PM_REMOVE)) {
        delete reinterpret_cast<Text*>(message.lParam);
    }
    destroyWindow();
}

LRESULT DictionaryLookupReceiver::handleMessage(UINT message, WPARAM wParam, LPARAM lParam,
                                                bool& handled) {
    if (message == kLookupLineMessage) {
        Text line;
        if (takeLookupLine(state_, wParam, lParam, line) && showLine_) {
            showLine_(line);
        }
        handled = true;
    }
    return 0;
}
