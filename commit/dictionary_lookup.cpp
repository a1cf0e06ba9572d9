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

void registerReceiverClass(WNDPROC procedure) {
    WNDCLASSEXA windowClass{};
    windowClass.cbSize = sizeof(windowClass);
    windowClass.lpfnWndProc = procedure;
    windowClass.hInstance = GetModuleHandleA(nullptr);
    windowClass.lpszClassName = kReceiverClass;
    // A second registration fails harmlessly with ERROR_CLASS_ALREADY_EXISTS.
    RegisterClassExA(&windowClass);
}

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
    registerReceiverClass(windowProcedure);
    window_ = CreateWindowExA(0, kReceiverClass, "", 0, 0, 0, 0, 0, HWND_MESSAGE, nullptr,
                              GetModuleHandleA(nullptr), this);
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
    SetWindowLongPtrA(window_, GWLP_USERDATA, 0);
    DestroyWindow(window_);
}

LRESULT CALLBACK DictionaryLookupReceiver::windowProcedure(HWND window, UINT message, WPARAM wParam,
                                                           LPARAM lParam) {
    if (message == WM_NCCREATE) {
        const auto* create = reinterpret_cast<const CREATESTRUCTA*>(lParam);
        SetWindowLongPtrA(window, GWLP_USERDATA,
                          reinterpret_cast<LONG_PTR>(create->lpCreateParams));
    }
    if (message == kLookupLineMessage) {
        auto* receiver =
            reinterpret_cast<DictionaryLookupReceiver*>(GetWindowLongPtrA(window, GWLP_USERDATA));
        if (receiver == nullptr) {
            delete reinterpret_cast<Text*>(lParam);
            return 0;
        }
        Text line;
        if (takeLookupLine(receiver->state_, wParam, lParam, line) && receiver->showLine_) {
            receiver->showLine_(line);
        }
        return 0;
    }
    return DefWindowProcA(window, message, wParam, lParam);
}
