// The writing pad, the recognition request, the reply and the rewrite button, joined to the
// panel's controls: the handlers the form description binds. The portable pen and reply
// decoding in recognition/ decide; these handlers carry the decisions out.

#include <windows.h>

#include <vector>

#include "app/panel.h"
#include "app/panel_trace.h"
#include "recognition/candidate_list.h"
#include "recognition/pad_drawing.h"
#include "recognition/reply_decoding.h"
#include "recognition/script_evaluator.h"
#include "recognition/writing_pad.h"
#include "ui/windows_functions.h"

namespace {

// Mouse positions are the unsigned words of the mouse message.
std::uint16_t word(int value) {
    return static_cast<std::uint16_t>(value);
}

// The logical left button (the physical right one when the buttons are swapped).
bool leftButtonDown() {
    const int button = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
    return (GetKeyState(button) & 0x8000) != 0 || (GetAsyncKeyState(button) & 0x8000) != 0;
}

}  // namespace

PadSize Panel::padSize() {
    return PadSize{WritingPad.width(), WritingPad.height()};
}

void Panel::setCandidateCaptions(const CandidateCaptions& captions) {
    cellsHoldFollowers = false;
    std::vector<ui::CaptionChange> changes;
    for (const CandidateCaption& cell : captions) {
        changes.push_back({&candidateButton(cell.index), cell.caption});
    }
    ui::TextLabel::setCaptions(changes);
}

void Panel::showFollowers(const CandidateCaptions& captions) {
    setCandidateCaptions(captions);
    cellsHoldFollowers = true;
}

void Panel::dropFollowers() {
    if (cellsHoldFollowers) {
        setCandidateCaptions(emptyCandidateCaptions());
    }
}

void Panel::drawSegment(const PadSegment& segment) {
    WritingPad.drawLine(segment.fromX, segment.fromY, segment.toX, segment.toY);
}

void Panel::drawGuideLines() {
    for (const PadSegment& guide : kGuideLines) {
        drawSegment(guide);
    }
}

void Panel::carryOut(const PadDecision& decision) {
    if (decision.handBackActivation) {
        reactivateTarget();
    }
    if (decision.capture == CaptureChange::take) {
        windows::SetCapture(WritingPad.handle());
        tracePanel("capture taken=%d", GetCapture() == WritingPad.handle() ? 1 : 0);
    } else if (decision.capture == CaptureChange::release) {
        windows::ReleaseCapture();
        tracePanel("capture released");
    }
    if (decision.infoLine != InfoLineChange::none) {
        InfoLabel.setVisible(decision.infoLine == InfoLineChange::show);
    }
    if (decision.wipe) {
        WritingPad.clear();
        WritingPad.setPenColour(kGuideColour);
        WritingPad.setPenWidth(kGuidePenWidth);
        drawGuideLines();
    }
    if (decision.ink) {
        WritingPad.setPenWidth(kInkPenWidth);
        WritingPad.setPenColour(kInkColour);
        drawSegment(*decision.ink);
    }
    if (decision.request) {
        runRecognitionRequest(*decision.request);
        tracePanel("request stroke=%s", panelState.pad.strokeText.text().c_str());
    }
}

void Panel::runRecognitionRequest(const RecognitionRequest& request) {
    if (!RecognitionClient.exists() || !RecognitionClient->connect(request.host, request.port)) {
        showConnectFailure();
    }
    // Waits in the client for the connect under way. Sent after a failed connect too: the send
    // then fails quietly, and no candidate comes.
    if (RecognitionClient.exists()) {
        RecognitionClient->send(request.text);
    }
}

void Panel::showConnectFailure() {
    PanelWindow.setCaption(kConnectFailedCaption);
    tracePanel("connect failed");
}

void Panel::onPadButtonDown(const ui::MouseEvent& event) {
    // The user writes a character of their own: the offered followers go.
    dropFollowers();
    carryOut(panelState.pad.buttonDown(word(event.x), word(event.y)));
}

void Panel::onPadMouseMove(const ui::MouseEvent& event) {
    StrokeCapture& pad = panelState.pad;
    // Another window can take the capture from the pad (a button while it is clicked, the
    // system's move of the panel). The pad would then wait for a move outside itself that no
    // longer reaches it, and InfoLabel would stay hidden for good: take the capture anew.
    if (pad.padCaptured && GetCapture() != WritingPad.handle()) {
        tracePanel("capture lost");
        pad.captureTakenAway();
    }
    // The pad's capture brings it the button-up wherever the button is released. Where the
    // capture does not steer the mouse (Wine gives it effect only while the panel's thread is
    // the foreground one, and the panel hands the activation straight back to the target), a
    // release off the pad never arrives, and the next move over the pad would go on writing
    // with the button up. End that stroke first, as the lost button-up would have. Both the
    // state of the messages taken so far and the state of the device must say the button is
    // up: the first alone is not kept reliably by Wine for the panel's thread, the second alone
    // would count a button-up still queued behind this move twice.
    if (pad.penDown && !leftButtonDown()) {
        tracePanel("button-up lost; stroke ended");
        carryOut(pad.buttonUp());
    }
    carryOut(pad.mouseMove(word(event.x), word(event.y), padSize()));
}

void Panel::finishStroke(const ui::MouseEvent& /*event*/) {
    // Latency from here to the last reply is what a writer waits for the final candidates.
    tracePanel("pen up");
    carryOut(panelState.pad.buttonUp());
}

void Panel::onPointerOffPad(const ui::MouseEvent& /*event*/) {
    // The pad's capture steers the mouse only while the panel's thread is the foreground one,
    // which it is not while the user writes for another application. A pointer going from the
    // pad straight to a cell then never shows the pad a move outside itself, and InfoLabel
    // (with the pinyin of the commit that follows) would stay hidden. End the pad's hold here,
    // as its own move outside would.
    if (!panelState.pad.padCaptured) {
        return;
    }
    POINT at = {};
    RECT pad = {};
    GetCursorPos(&at);
    ScreenToClient(WritingPad.handle(), &at);
    GetClientRect(WritingPad.handle(), &pad);
    if (PtInRect(&pad, at)) {
        return;
    }
    if (GetCapture() == WritingPad.handle()) {
        carryOut(panelState.pad.mouseMove(word(at.x), word(at.y), padSize()));
        return;
    }
    // Another control holds the capture now; leave it to that control.
    carryOut(panelState.pad.leftWhileCapturedElsewhere());
}

void Panel::onReplyData() {
    ScriptControlEvaluator evaluator(scriptEvaluator);
    const ByteString received =
        RecognitionClient.exists() ? RecognitionClient->receivedData() : ByteString();
    setCandidateCaptions(panelState.reply.decode(received, evaluator));
    tracePanel("reply pieces=%d", panelState.reply.replyPieces.count());
}

void Panel::clearPad() {
    carryOut(panelState.pad.clear());
    setCandidateCaptions(emptyCandidateCaptions());
    tracePanel("cleared");
}
