#include "app/commit_handlers.h"

#include <windows.h>

#include <memory>

#include "app/foreground_tracking.h"
#include "app/panel_form.h"
#include "app/panel_trace.h"
#include "app/program_state.h"
#include "app/recognition_wiring.h"
#include "app/windows_functions.h"
#include "commit/input_box.h"
#include "commit/traditional.h"
#include "commit/windows_commit_host.h"

namespace {

int mapToTraditional(const char* source, int sourceLength, char* destination,
                     int destinationLength) {
    return windows::LCMapStringA(0x0804, LCMAP_TRADITIONAL_CHINESE, source, sourceLength,
                                 destination, destinationLength);
}

// The commit on the panel: the Windows functions bound by name, the menu's check marks, the
// information line, and the lookups' lines posted back to a receiver of the GUI thread.
class PanelCommitHost final : public WindowsCommitHost {
  public:
    explicit PanelCommitHost(HWND lookupReceiver) : WindowsCommitHost(lookupReceiver) {}

    void reactivateTarget() override { ::reactivateTarget(); }
    void postChar(WindowHandle focus, unsigned char byte) override {
        windows::PostMessageA(reinterpret_cast<HWND>(focus), WM_CHAR, byte, 1);
    }
    void clearPad() override { ::clearPad(); }
    bool traditionalOutputChecked() override { return TraditionalOutputItem.checked(); }
    bool onlineLookupChecked() override { return OnlineDictionaryItem.checked(); }
    Text toTraditional(const Text& text) override {
        return mapWithinLength(text, mapToTraditional);
    }
    void setInfoLabelCaption(const Text& caption) override { InfoLabel.setCaption(caption); }
};

class PanelReferenceValueHost final : public WindowsReferenceValueHost {
  public:
    PanelReferenceValueHost() : WindowsReferenceValueHost(PanelWindow.handle()) {}
    void reactivateTarget() override { ::reactivateTarget(); }
};

// Made on the GUI thread at the first commit and kept until the exit routine.
std::unique_ptr<DictionaryLookupReceiver> lookupReceiver;
std::unique_ptr<PanelCommitHost> commitHost;

PanelCommitHost& panelCommitHost() {
    if (!commitHost) {
        lookupReceiver = std::make_unique<DictionaryLookupReceiver>(
            panelState, [](const Text& line) { InfoLabel.setCaption(line); });
        commitHost = std::make_unique<PanelCommitHost>(lookupReceiver->window());
    }
    return *commitHost;
}

}  // namespace

ui::MouseHandler candidatePressed(int number) {
    return [number](const ui::MouseEvent&) {
        const Text caption = candidateButton(number).caption();
        commitCandidate(panelState, panelCommitHost(), caption);
    };
}

void askReferenceValue() {
    PanelReferenceValueHost host;
    askReferenceValue(panelState, host);
    tracePanel("reference=%d", panelState.referenceValue);
}

void releaseCommitAndLookup() {
    if (panelState.lookupThread != 0) {
        CloseHandle(reinterpret_cast<HANDLE>(panelState.lookupThread));
        panelState.lookupThread = 0;
    }
    commitHost.reset();
    lookupReceiver.reset();
}
