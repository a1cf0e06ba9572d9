// The handlers of committing and looking up: the presses on the ten candidate cells and the
// "手写精度" menu choice.

#include <windows.h>

#include <memory>

#include "app/panel.h"
#include "app/panel_trace.h"
#include "commit/input_box.h"
#include "commit/windows_commit_host.h"

namespace {

// The commit on the panel: the menu's check marks, the information line, and the lookups'
// lines posted back to a receiver of the GUI thread.
class PanelCommitHost final : public WindowsCommitHost {
  public:
    PanelCommitHost(Panel& panel, HWND lookupReceiver)
        : WindowsCommitHost(lookupReceiver), panel_(panel) {}

    void handBackActivation() override { panel_.reactivateTarget(); }
    void clearPadAndCandidates() override { panel_.clearPad(); }
    bool traditionalOutputChecked() override { return panel_.TraditionalOutputItem.checked(); }
    bool onlineLookupChecked() override { return panel_.OnlineDictionaryItem.checked(); }
    void setInfoLabelCaption(const Text& caption) override { panel_.InfoLabel.setCaption(caption); }

  private:
    Panel& panel_;
};

class PanelReferenceValueHost final : public WindowsReferenceValueHost {
  public:
    explicit PanelReferenceValueHost(Panel& panel)
        : WindowsReferenceValueHost(panel.PanelWindow.handle()), panel_(panel) {}
    void handBackActivation() override { panel_.reactivateTarget(); }

  private:
    Panel& panel_;
};

}  // namespace

DictionaryLookupReceiver& Panel::lookupReceiver() {
    if (!lookupReceiver_) {
        lookupReceiver_ = std::make_unique<DictionaryLookupReceiver>(
            panelState.commit, [this](const Text& line) { InfoLabel.setCaption(line); });
    }
    return *lookupReceiver_;
}

ui::MouseHandler Panel::candidatePressed(int number) {
    return [this, number](const ui::MouseEvent&) {
        const Text caption = candidateButton(number).caption();
        PanelCommitHost host(*this, lookupReceiver().window());
        commitCandidate(panelState.commit, host, caption);
    };
}

void Panel::askReferenceValue() {
    PanelReferenceValueHost host(*this);
    chooseReferenceValue(panelState.pad.referenceValue, host);
    tracePanel("reference=%d", panelState.pad.referenceValue);
}

void Panel::releaseCommitAndLookup() {
    if (panelState.commit.lookupThread != 0) {
        CloseHandle(reinterpret_cast<HANDLE>(panelState.commit.lookupThread));
        panelState.commit.lookupThread = 0;
    }
    lookupReceiver_.reset();
}
