#include "app/commit_handlers.h"

#include <windows.h>

#include <memory>

#include "app/foreground_tracking.h"
#include "app/panel_form.h"
#include "app/panel_trace.h"
#include "app/program_state.h"
#include "app/recognition_wiring.h"
#include "commit/input_box.h"
#include "commit/windows_commit_host.h"

namespace {

// The commit on the panel: the menu's check marks, the information line, and the lookups'
// lines posted back to a receiver of the GUI thread.
class PanelCommitHost final : public WindowsCommitHost {
  public:
    explicit PanelCommitHost(HWND lookupReceiver) : WindowsCommitHost(lookupReceiver) {}

    void handBackActivation() override { reactivateTarget(); }
    void clearPadAndCandidates() override { clearPad(); }
    bool traditionalOutputChecked() override { return TraditionalOutputItem.checked(); }
    bool onlineLookupChecked() override { return OnlineDictionaryItem.checked(); }
    void setInfoLabelCaption(const Text& caption) override { InfoLabel.setCaption(caption); }
};

class PanelReferenceValueHost final : public WindowsReferenceValueHost {
  public:
    PanelReferenceValueHost() : WindowsReferenceValueHost(PanelWindow.handle()) {}
    void handBackActivation() override { reactivateTarget(); }
};

// Made on the GUI thread at the first commit and kept until the exit routine.
std::unique_ptr<DictionaryLookupReceiver> lookupReceiver;
std::unique_ptr<PanelCommitHost> commitHost;

PanelCommitHost& panelCommitHost() {
    if (!commitHost) {
        lookupReceiver = std::make_unique<DictionaryLookupReceiver>(
            panelState.commit, [](const Text& line) { InfoLabel.setCaption(line); });
        commitHost = std::make_unique<PanelCommitHost>(lookupReceiver->window());
    }
    return *commitHost;
}

}  // namespace

ui::MouseHandler candidatePressed(int number) {
    return [number](const ui::MouseEvent&) {
        const Text caption = candidateButton(number).caption();
        commitCandidate(panelState.commit, panelCommitHost(), caption);
    };
}

void askReferenceValue() {
    PanelReferenceValueHost host;
    chooseReferenceValue(panelState.pad.referenceValue, host);
    tracePanel("reference=%d", panelState.pad.referenceValue);
}

void releaseCommitAndLookup() {
    if (panelState.commit.lookupThread != 0) {
        CloseHandle(reinterpret_cast<HANDLE>(panelState.commit.lookupThread));
        panelState.commit.lookupThread = 0;
    }
    commitHost.reset();
    lookupReceiver.reset();
}
