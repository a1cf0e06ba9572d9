#pragma once
// The writing pad's mouse handlers: ink on the pad, the stroke text, and when to ask the
// recognition service.
//
// Stroke text: every sampled point is "a" x "a" y (decimal pad pixels), every stroke end one
// further "a"; the text grows until the pad is cleared. A point is sampled once the pen has
// moved at least referenceValue pixels on either axis; the point written is the position
// before that movement.

#include <cstdint>

#include "app/panel_state.h"
#include "recognition/pad_canvas.h"

// What the pad handlers need from the window layer besides the drawing surface.
class WritingPadHost : public virtual PadCanvas {
  public:
    // Mouse capture on the pad (SetCapture with the pad's handle / ReleaseCapture).
    virtual void takeCapture() = 0;
    virtual void releaseCapture() = 0;
    // InfoLabel overlaps the lower pad, so it hides while the pointer is over the pad.
    virtual void setInfoLabelVisible(bool visible) = 0;
    // Hands the activation back to the application being typed into.
    virtual void reactivateTarget() = 0;
    // Sends the current stroke text to the recognition service.
    virtual void runRecognitionRequest() = 0;
};

// A request goes out when this many points have been sampled without one.
constexpr std::int32_t kSamplesPerRequest = 11;

// Mouse positions arrive as the unsigned low and high words of the mouse message, so a position
// left of or above the pad, reported under capture, is a large value. keys is ignored.
void onPadButtonDown(PanelState& state, WritingPadHost& host, std::uint16_t x, std::uint16_t y,
                     int keys);
void onPadMouseMove(PanelState& state, WritingPadHost& host, std::uint16_t x, std::uint16_t y,
                    int keys);
// Button up on the pad; also called when the pointer leaves the pad with the pen down. x, y and
// keys are ignored: the release position is never written.
void finishStroke(PanelState& state, WritingPadHost& host, std::uint16_t x, std::uint16_t y,
                  int keys);
