// The handlers of committing and looking up: the presses on the ten candidate cells and the
// "手写精度" menu choice.

#include <windows.h>

#include <memory>

#include "app/panel.h"
#include "app/panel_trace.h"
#include "commit/candidate_commit.h"
#include "commit/dictionary_lookup.h"
#include "commit/input_box.h"
#include "commit/traditional.h"
#include "commit/typing.h"

namespace {

int filledCells(const CandidateCaptions& captions) {
    int filled = 0;
    for (const CandidateCaption& cell : captions) {
        filled += cell.caption.empty() ? 0 : 1;
    }
    return filled;
}

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
        const Text shown = TraditionalOutputItem.checked() ? toTraditional(caption) : caption;
        const CommitDecision decision =
            commitCandidate(panelState.commit, caption, shown, OnlineDictionaryItem.checked(),
                            AssociationItem.checked());
        if (decision.handBackActivation)
            reactivateTarget();
        typeBytes(decision.focus, decision.typed);
        if (decision.clearPadAndCandidates)
            clearPad();
        InfoLabel.setCaption(decision.infoLine);
        // When no thread can be started the line keeps the progress text; nothing else to do.
        if (decision.startLookup)
            startDictionaryLookup(panelState.commit, lookupReceiver().window());
        if (!decision.followers.empty()) {
            showFollowers(decision.followers);
            tracePanel("followers=%d", filledCells(decision.followers));
        }
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
