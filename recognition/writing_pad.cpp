#include "recognition/writing_pad.h"

namespace {

std::int32_t distance(std::int32_t from, std::uint16_t to) {
    return realToInteger(absoluteValue(static_cast<double>(to) - static_cast<double>(from)));
}

}  // namespace

void onPadButtonDown(PanelState& state, WritingPadHost& host, std::uint16_t x, std::uint16_t y,
                     int /*keys*/) {
    host.reactivateTarget();
    state.penDown = true;
    state.lastX = x;
    state.lastY = y;
}

void onPadMouseMove(PanelState& state, WritingPadHost& host, std::uint16_t x, std::uint16_t y,
                    int /*keys*/) {
    const bool inside = x <= host.padWidth() && y <= host.padHeight();
    if (inside && !state.padCaptured) {
        // Keep receiving moves when the pointer leaves, so leaving can end the stroke.
        host.takeCapture();
        host.setInfoLabelVisible(false);
        state.padCaptured = true;
    }
    if (!inside && state.padCaptured) {
        host.releaseCapture();
        state.padCaptured = false;
        host.setInfoLabelVisible(true);
        if (state.penDown) {
            finishStroke(state, host, x, y, 0);
        }
    }
    if (!state.penDown) {
        return;
    }

    // Small movements are neither drawn nor sampled; the next one measures from the old point.
    if (distance(state.lastX, x) < state.referenceValue &&
        distance(state.lastY, y) < state.referenceValue) {
        return;
    }
    state.strokeText += "a" + valueToText(state.lastX) + "a" + valueToText(state.lastY);
    host.setPenWidth(kInkPenWidth);
    host.setPenColour(kInkColour);
    host.drawLine(state.lastX, state.lastY, x, y);
    state.lastX = x;
    state.lastY = y;

    // Candidates refresh while the user is still writing.
    state.pointsSinceRequest += 1;
    if (state.pointsSinceRequest >= kSamplesPerRequest) {
        host.runRecognitionRequest();
        state.pointsSinceRequest = 0;
    }
}

void finishStroke(PanelState& state, WritingPadHost& host, std::uint16_t /*x*/, std::uint16_t /*y*/,
                  int /*keys*/) {
    state.penDown = false;
    state.strokeText += "a";
    // A bare click, or a stroke whose samples all went out already, adds nothing to recognise.
    if (state.pointsSinceRequest != 0) {
        host.runRecognitionRequest();
        state.pointsSinceRequest = 0;
    }
}
