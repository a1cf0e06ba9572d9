#include "recognition/writing_pad.h"

PadDecision StrokeCapture::buttonDown(std::uint16_t x, std::uint16_t y) {
    penDown = true;
    lastX = x;
    lastY = y;
    PadDecision decision;
    decision.handBackActivation = true;
    return decision;
}

PadDecision StrokeCapture::mouseMove(std::uint16_t x, std::uint16_t y, PadSize pad) {
    PadDecision decision;
    const bool inside = x <= pad.width && y <= pad.height;
    if (inside && !padCaptured) {
        // Keep receiving moves when the pointer leaves, so leaving can end the stroke.
        decision.capture = CaptureChange::take;
        decision.infoLine = InfoLineChange::hide;
        padCaptured = true;
    }
    if (!inside && padCaptured) {
        decision.capture = CaptureChange::release;
        decision.infoLine = InfoLineChange::show;
        padCaptured = false;
        if (penDown) {
            endStroke(decision);
        }
    }
    if (!penDown) {
        return decision;
    }

    // Small movements are neither drawn nor sampled; the next one measures from the old point.
    if (!movedFarEnough(lastX, lastY, x, y, referenceValue)) {
        return decision;
    }
    strokeText.appendPoint(lastX, lastY);
    decision.ink = PadSegment{lastX, lastY, x, y};
    lastX = x;
    lastY = y;

    // Candidates refresh while the user is still writing.
    pointsSinceRequest += 1;
    if (pointsSinceRequest >= kSamplesPerRequest) {
        requestNow(decision);
    }
    return decision;
}

PadDecision StrokeCapture::buttonUp() {
    PadDecision decision;
    endStroke(decision);
    return decision;
}

void StrokeCapture::captureTakenAway() {
    padCaptured = false;
}

PadDecision StrokeCapture::leftWhileCapturedElsewhere() {
    PadDecision decision;
    padCaptured = false;
    decision.infoLine = InfoLineChange::show;
    if (penDown) {
        endStroke(decision);
    }
    return decision;
}

PadDecision StrokeCapture::clear() {
    strokeText.clear();
    PadDecision decision;
    decision.wipe = true;
    return decision;
}

void StrokeCapture::endStroke(PadDecision& decision) {
    penDown = false;
    strokeText.endStroke();
    // A bare click, or a stroke whose samples all went out already, adds nothing to recognise.
    if (pointsSinceRequest != 0) {
        requestNow(decision);
    }
}

void StrokeCapture::requestNow(PadDecision& decision) {
    decision.request = recognitionRequestFor(strokeText, endpoint_);
    pointsSinceRequest = 0;
}
