#pragma once
// The writing pad's pen: ink on the pad, the stroke text, and when to ask the recognition
// service, by the pad's rules (pad_rules.h). Each event returns what it decided; the window
// layer carries that out (capture, information line, ink, request) and this object calls
// nothing.

#include <cstdint>
#include <optional>

#include "protocol/pad_rules.h"
#include "recognition/pad_drawing.h"
#include "recognition/recognition_request.h"
#include "recognition/strokes.h"

// The pad's mouse capture: held while the pointer is over the pad, so that leaving it is seen.
enum class CaptureChange { none, take, release };
// InfoLabel overlaps the lower pad, so it hides while the pointer is over the pad.
enum class InfoLineChange { none, hide, show };

// What one pad event asks of the window layer, to be carried out in this order.
struct PadDecision {
    // Hand the activation back to the application being typed into.
    bool handBackActivation = false;
    CaptureChange capture = CaptureChange::none;
    InfoLineChange infoLine = InfoLineChange::none;
    // Wipe the pad to its background and draw the guide lines with the guide pen.
    bool wipe = false;
    // Draw this segment with the ink pen.
    std::optional<PadSegment> ink;
    // Send this request.
    std::optional<RecognitionRequest> request;
};

class StrokeCapture {
  public:
    explicit StrokeCapture(RecognitionEndpoint endpoint = configuredRecognitionEndpoint())
        : endpoint_(std::move(endpoint)) {}

    // Mouse positions arrive as the unsigned low and high words of the mouse message, so a
    // position left of or above the pad, reported under capture, is a large value.
    PadDecision buttonDown(std::uint16_t x, std::uint16_t y);
    PadDecision mouseMove(std::uint16_t x, std::uint16_t y, PadSize pad);
    // Button up on the pad, and the pointer leaving the pad with the pen down: the release
    // position is never written.
    PadDecision buttonUp();
    // Another window took the capture: the next move over the pad takes it anew.
    void captureTakenAway();
    // The pointer is off the pad while another control holds the capture: the pad lets go as
    // its own move outside would, without releasing a capture it no longer has.
    PadDecision leftWhileCapturedElsewhere();
    // Empties the stroke text and asks for a wiped pad. A stroke in progress goes on into the
    // empty text: penDown, pointsSinceRequest, lastX and lastY are left alone.
    PadDecision clear();

    // Stroke text of the character being written.
    Strokes strokeText;
    // Minimum pen movement in pixels, on either axis, before a point is sampled (3 to 8).
    std::int32_t referenceValue = 0;
    // The left button went down on the pad and has not been released.
    bool penDown = false;
    // Points sampled since the last recognition request.
    std::int32_t pointsSinceRequest = 0;
    // The last pen position taken, in pad pixels.
    std::int32_t lastX = 0;
    std::int32_t lastY = 0;
    // The pad holds the mouse capture because the pointer is inside it.
    bool padCaptured = false;

  private:
    // Ends the stroke into `decision`, requesting when points were sampled since the last one.
    void endStroke(PadDecision& decision);
    void requestNow(PadDecision& decision);

    RecognitionEndpoint endpoint_;
};
