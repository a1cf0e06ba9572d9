// What runs once around the panel's life: the created handler, the position-changed handler
// and the exit routine.

#include <windows.h>

#include <string>

#include "app/panel.h"
#include "app/panel_trace.h"
#include "commit/reference_value.h"
#include "recognition/automation_object.h"
#include "recognition/pad_drawing.h"
#include "recognition/script_evaluator.h"
#include "ui/windows_functions.h"

const char kInfoLabelGreeting[] = "左边写字，点右边的字上屏";

namespace {
// Never takes the activation, has a taskbar button of its own, stays on top.
constexpr LONG kPanelExtendedStyle =
    WS_EX_NOACTIVATE | WS_EX_APPWINDOW | WS_EX_WINDOWEDGE | WS_EX_TOPMOST;
constexpr int kTrackingInterval = 600;

WindowHandle handleOf(const ui::Control& control) {
    return reinterpret_cast<WindowHandle>(control.handle());
}
}  // namespace

void Panel::onPanelCreated() {
    windows::SetWindowLongA(PanelWindow.handle(), GWL_EXSTYLE, kPanelExtendedStyle);
    panelState.pad.referenceValue = kReferenceValueAtStart;

    // Near the right edge, vertically centred; each write moves the window and runs
    // onPanelMoved at once.
    const double screenWidth = GetSystemMetrics(SM_CXSCREEN);
    const double panelWidth = PanelWindow.width();
    PanelWindow.setLeft(static_cast<int>(screenWidth - panelWidth - 30));
    const double screenHeight = GetSystemMetrics(SM_CYSCREEN);
    const double panelHeight = PanelWindow.height();
    PanelWindow.setTop(static_cast<int>(screenHeight / 2 - panelHeight / 2));
    PanelWindow.setWidth(304);
    PanelWindow.setHeight(245);

    // Start-up goes on whatever these steps give.
    startScriptEvaluator(scriptEvaluator);

    // The guides take the pad's own pen width: only the colour is set.
    WritingPad.setPenColour(kGuideColour);
    drawGuideLines();

    for (int number = 1; number <= 10; ++number) {
        candidateButton(number).setFontSize(12);
    }
    InfoLabel.setFontBold(true);
    InfoLabel.setFontSize(9);

    panelState.panelHandles.append(handleOf(PanelWindow));
    panelState.panelHandles.append(handleOf(WritingPad));
    panelState.panelHandles.append(handleOf(RewriteButton));
    panelState.panelHandles.append(handleOf(CloseButton));
    panelState.panelHandles.append(handleOf(MinimizeButton));
    panelState.panelHandles.append(handleOf(InfoLabel));
    for (int number = 1; number <= 10; ++number) {
        panelState.panelHandles.append(handleOf(candidateButton(number)));
    }

    InfoLabel.setCaption(kInfoLabelGreeting);
    trackForeground();
    ForegroundTimer.setInterval(500);

    std::string handles;
    for (WindowHandle handle : panelState.panelHandles) {
        handles += (handles.empty() ? "" : ",") + std::to_string(handle);
    }
    tracePanel("created reference=%d evaluator=%d handles=%s",
               static_cast<int>(panelState.pad.referenceValue), scriptEvaluator.empty() ? 0 : 1,
               handles.c_str());
}

void Panel::onPanelMoved() {
    if (PanelWindow.showState() == ui::kShowStateMinimized) {
        ForegroundTimer.setInterval(0);
    } else {
        trackForeground();
        ForegroundTimer.setInterval(kTrackingInterval);
    }
    tracePanel("moved left=%d top=%d showState=%d interval=%d handles=%d", PanelWindow.left(),
               PanelWindow.top(), PanelWindow.showState(), ForegroundTimer.interval(),
               panelState.panelHandles.count());
}

void Panel::exitRoutine() {
    releaseCommitAndLookup();
    panelState.reply.replyPieces.clear();
    const bool evaluatorHeld = !scriptEvaluator.empty();
    releaseObject(scriptEvaluator);
    panelState.commit.committedText.clear();
    panelState.pad.strokeText.clear();
    panelState.panelHandles.clear();
    tracePanel("exit evaluator=%d released=%d", evaluatorHeld ? 1 : 0,
               scriptEvaluator.empty() ? 1 : 0);
}
