// The writing pad, the recognition request, the reply and the rewrite button, joined to the
// panel's controls: the handlers the form description binds, over the portable logic in
// recognition/.

#include <windows.h>

#include <vector>

#include "app/panel.h"
#include "app/panel_trace.h"
#include "app/windows_functions.h"
#include "recognition/candidate_list.h"
#include "recognition/recognition_request.h"
#include "recognition/reply_decoding.h"
#include "recognition/script_evaluator.h"
#include "recognition/writing_pad.h"

namespace {

// The panel's controls as the portable handlers see them: made for each event, it holds
// nothing but a reference to the panel.
class PanelRecognitionHost final : public WritingPadHost,
                                   public ClearPadHost,
                                   public ReplyHost,
                                   public ScriptControlEvaluator,
                                   public RecognitionChannel {
  public:
    explicit PanelRecognitionHost(Panel& panel)
        : ScriptControlEvaluator(panel.scriptEvaluator),
          panel_(panel),
          WritingPad(panel.WritingPad),
          InfoLabel(panel.InfoLabel),
          PanelWindow(panel.PanelWindow),
          RecognitionClient(panel.RecognitionClient),
          panelState(panel.panelState) {}

    // PadCanvas: the drawing board.
    int padWidth() override { return WritingPad.width(); }
    int padHeight() override { return WritingPad.height(); }
    void clearRect(int left, int top, int width, int height) override {
        // The board clears as a whole; the only caller clears the whole pad. A part of the pad
        // is painted over with background-coloured lines instead.
        if (left <= 0 && top <= 0 && left + width >= padWidth() && top + height >= padHeight()) {
            WritingPad.clear();
            return;
        }
        const int savedWidth = WritingPad.penWidth();
        const COLORREF savedColour = WritingPad.penColour();
        WritingPad.setPenWidth(1);
        WritingPad.setPenColour(kPadBackground);
        for (int y = top; y < top + height; ++y) {
            WritingPad.drawLine(left, y, left + width, y);
        }
        WritingPad.setPenWidth(savedWidth);
        WritingPad.setPenColour(savedColour);
    }
    void setPenWidth(int width) override { WritingPad.setPenWidth(width); }
    void setPenColour(Colour colour) override { WritingPad.setPenColour(colour); }
    void drawLine(int fromX, int fromY, int toX, int toY) override {
        WritingPad.drawLine(fromX, fromY, toX, toY);
    }

    // WritingPadHost.
    void takeCapture() override {
        windows::SetCapture(WritingPad.handle());
        tracePanel("capture taken=%d", GetCapture() == WritingPad.handle() ? 1 : 0);
    }
    void releaseCapture() override {
        windows::ReleaseCapture();
        tracePanel("capture released");
    }
    void setInfoLabelVisible(bool visible) override { InfoLabel.setVisible(visible); }
    void reactivateTarget() override { panel_.reactivateTarget(); }
    void runRecognitionRequest() override {
        ::runRecognitionRequest(panelState, *this);
        tracePanel("request stroke=%s", panelState.strokeText.c_str());
    }

    // CandidateCells.
    void setCandidateCaption(int index, const Text& caption) override {
        if (heldCaptions_) {
            heldCaptions_->push_back({&panel_.candidateButton(index), caption});
            return;
        }
        panel_.candidateButton(index).setCaption(caption);
    }
    // While held, the captions are collected instead of set; the holder sets them together.
    void holdCaptions(std::vector<ui::CaptionChange>* held) { heldCaptions_ = held; }

    // ReplyHost (evaluate() comes from ScriptControlEvaluator).
    ByteString receivedData() override {
        return RecognitionClient.exists() ? RecognitionClient->receivedData() : ByteString();
    }

    // RecognitionChannel: the TCP client and the panel's title.
    bool connect(const Text& host, int port) override {
        return RecognitionClient.exists() && RecognitionClient->connect(host, port);
    }
    bool send(const Text& text) override {
        return RecognitionClient.exists() && RecognitionClient->send(text);
    }
    void setPanelCaption(const Text& caption) override { PanelWindow.setCaption(caption); }

  private:
    static constexpr COLORREF kPadBackground = 0x00F7F7F7;
    Panel& panel_;
    // The parts of the panel the host works on, by the names the panel gives them.
    ui::DrawingBoard& WritingPad;
    ui::Label& InfoLabel;
    ui::Form& PanelWindow;
    ui::Component<TcpClient>& RecognitionClient;
    PanelState& panelState;
    std::vector<ui::CaptionChange>* heldCaptions_ = nullptr;
};

// Runs a handler that fills the candidate cells, and paints the cells it changed in one pass
// when it is done, instead of once a cell.
template <class Handler>
void withCellsPaintedTogether(PanelRecognitionHost& host, Handler handler) {
    std::vector<ui::CaptionChange> captions;
    host.holdCaptions(&captions);
    handler();
    host.holdCaptions(nullptr);
    ui::TextLabel::setCaptions(captions);
}

// Mouse positions are the unsigned words of the mouse message.
std::uint16_t word(int value) {
    return static_cast<std::uint16_t>(value);
}

// The modifier keys as the portable handlers take them: 1 Ctrl, 2 Shift, 4 Alt, added.
int keyBits(const ui::ModifierKeys& keys) {
    return (keys.control ? 1 : 0) | (keys.shift ? 2 : 0) | (keys.alt ? 4 : 0);
}

// The logical left button (the physical right one when the buttons are swapped).
bool leftButtonDown() {
    const int button = GetSystemMetrics(SM_SWAPBUTTON) ? VK_RBUTTON : VK_LBUTTON;
    return (GetKeyState(button) & 0x8000) != 0 || (GetAsyncKeyState(button) & 0x8000) != 0;
}

}  // namespace

void Panel::onPadButtonDown(const ui::MouseEvent& event) {
    PanelRecognitionHost host(*this);
    ::onPadButtonDown(panelState, host, word(event.x), word(event.y), keyBits(event.keys));
}

void Panel::onPadMouseMove(const ui::MouseEvent& event) {
    PanelRecognitionHost host(*this);
    // Another window can take the capture from the pad (a button while it is clicked, the
    // system's move of the panel). The pad would then wait for a move outside itself that no
    // longer reaches it, and InfoLabel would stay hidden for good: take the capture anew.
    if (panelState.padCaptured && GetCapture() != WritingPad.handle()) {
        tracePanel("capture lost");
        panelState.padCaptured = false;
    }
    // The pad's capture brings it the button-up wherever the button is released. Where the
    // capture does not steer the mouse (Wine gives it effect only while the panel's thread is
    // the foreground one, and the panel hands the activation straight back to the target), a
    // release off the pad never arrives, and the next move over the pad would go on writing
    // with the button up. End that stroke first, as the lost button-up would have. Both the
    // state of the messages taken so far and the state of the device must say the button is
    // up: the first alone is not kept reliably by Wine for the panel's thread, the second alone
    // would count a button-up still queued behind this move twice.
    if (panelState.penDown && !leftButtonDown()) {
        tracePanel("button-up lost; stroke ended");
        ::finishStroke(panelState, host, word(event.x), word(event.y), 0);
    }
    ::onPadMouseMove(panelState, host, word(event.x), word(event.y), keyBits(event.keys));
}

void Panel::finishStroke(const ui::MouseEvent& event) {
    PanelRecognitionHost host(*this);
    // Latency from here to the last reply is what a writer waits for the final candidates.
    tracePanel("pen up");
    ::finishStroke(panelState, host, word(event.x), word(event.y), keyBits(event.keys));
}

void Panel::onPointerOffPad(const ui::MouseEvent& event) {
    PanelRecognitionHost host(*this);
    // The pad's capture steers the mouse only while the panel's thread is the foreground one,
    // which it is not while the user writes for another application. A pointer going from the
    // pad straight to a cell then never shows the pad a move outside itself, and InfoLabel
    // (with the pinyin of the commit that follows) would stay hidden. End the pad's hold here,
    // as its own move outside would.
    if (!panelState.padCaptured) {
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
        ::onPadMouseMove(panelState, host, word(at.x), word(at.y), keyBits(event.keys));
        return;
    }
    // Another control holds the capture now; leave it to that control.
    panelState.padCaptured = false;
    InfoLabel.setVisible(true);
    if (panelState.penDown) {
        ::finishStroke(panelState, host, word(at.x), word(at.y), 0);
    }
}

void Panel::onReplyData() {
    PanelRecognitionHost host(*this);
    withCellsPaintedTogether(host, [&] { ::onReplyData(panelState, host); });
    tracePanel("reply pieces=%d", panelState.replyPieces.count());
}

void Panel::clearPad() {
    PanelRecognitionHost host(*this);
    withCellsPaintedTogether(host, [&] { ::clearPad(panelState, host); });
    tracePanel("cleared");
}
