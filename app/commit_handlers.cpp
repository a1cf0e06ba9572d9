// The handlers of committing and looking up: the presses on the ten candidate cells and the
// "手写精度" menu choice.

#include <windows.h>

#include <memory>

#include "app/panel.h"
#include "app/panel_trace.h"
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
    PanelCommitHost(Panel& panel, HWND lookupReceiver)
        : WindowsCommitHost(lookupReceiver), panel_(panel) {}

    void reactivateTarget() override { panel_.reactivateTarget(); }
    void postChar(WindowHandle focus, unsigned char byte) override {
        windows::PostMessageA(reinterpret_cast<HWND>(focus), WM_CHAR, byte, 1);
    }
    void clearPad() override { panel_.clearPad(); }
    bool traditionalOutputChecked() override { return panel_.TraditionalOutputItem.checked(); }
    bool onlineLookupChecked() override { return panel_.OnlineDictionaryItem.checked(); }
    Text toTraditional(const Text& text) override {
        return mapWithinLength(text, mapToTraditional);
    }
    void setInfoLabelCaption(const Text& caption) override { panel_.InfoLabel.setCaption(caption); }

  private:
    Panel& panel_;
};

class PanelReferenceValueHost final : public WindowsReferenceValueHost {
  public:
    explicit PanelReferenceValueHost(Panel& panel)
        : WindowsReferenceValueHost(panel.PanelWindow.handle()), panel_(panel) {}
    void reactivateTarget() override { panel_.reactivateTarget(); }

  private:
    Panel& panel_;
};

}  // namespace

DictionaryLookupReceiver& Panel::lookupReceiver() {
    if (!lookupReceiver_) {
        lookupReceiver_ = std::make_unique<DictionaryLookupReceiver>(
            panelState, [this](const Text& line) { InfoLabel.setCaption(line); });
    }
    return *lookupReceiver_;
}

ui::MouseHandler Panel::candidatePressed(int number) {
    return [this, number](const ui::MouseEvent&) {
        const Text caption = candidateButton(number).caption();
        PanelCommitHost host(*this, lookupReceiver().window());
        commitCandidate(panelState, host, caption);
    };
}

void Panel::askReferenceValue() {
    PanelReferenceValueHost host(*this);
    ::askReferenceValue(panelState, host);
    tracePanel("reference=%d", panelState.referenceValue);
}

void Panel::releaseCommitAndLookup() {
    if (panelState.lookupThread != 0) {
        CloseHandle(reinterpret_cast<HANDLE>(panelState.lookupThread));
        panelState.lookupThread = 0;
    }
    lookupReceiver_.reset();
}
