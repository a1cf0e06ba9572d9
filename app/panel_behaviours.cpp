// The panel's own behaviours: the context menu with its three on/off options, minimizing and
// closing.

#include <windows.h>

#include "app/panel.h"
#include "app/panel_trace.h"

namespace {

// The menu opens a little off the pointer so that the pointer does not rest on its first item.
constexpr int kMenuOffset = 3;

void flip(ui::MenuItem& item) {
    item.setChecked(!item.checked());
}

}  // namespace

void Panel::showOptionsMenu(const ui::MouseEvent&) {
    reactivateTarget();
    POINT pointer = {};
    GetCursorPos(&pointer);
    tracePanel("menu pointer=%ld,%ld", pointer.x, pointer.y);
    PanelWindow.popUpMenu(OptionsMenu, kMenuOffset, kMenuOffset);
}

void Panel::toggleTraditionalOutput() {
    reactivateTarget();
    flip(TraditionalOutputItem);
    tracePanel("option traditional=%d", TraditionalOutputItem.checked() ? 1 : 0);
}

void Panel::toggleOnlineLookup() {
    reactivateTarget();
    flip(OnlineDictionaryItem);
    tracePanel("option online=%d", OnlineDictionaryItem.checked() ? 1 : 0);
}

void Panel::toggleAssociation() {
    reactivateTarget();
    flip(AssociationItem);
    if (!AssociationItem.checked()) {
        dropFollowers();
    }
    tracePanel("option association=%d", AssociationItem.checked() ? 1 : 0);
}

void Panel::minimizePanel(const ui::MouseEvent&) {
    PanelWindow.setShowState(ui::kShowStateMinimized);
}

void Panel::closePanel(const ui::MouseEvent&) {
    if (RecognitionClient.exists()) {
        RecognitionClient->disconnect();
    }
    tracePanel("close connected=%d",
               RecognitionClient.exists() && RecognitionClient->connected() ? 1 : 0);
    // Destroying the window from inside its own control's handler would pull the control out
    // from under the running dispatch; the queue carries the close out afterwards.
    PostMessageA(PanelWindow.handle(), WM_CLOSE, 0, 0);
}
