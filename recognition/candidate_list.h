#pragma once
// The ten candidate cells, and clearing the pad for the next character.

#include "app/panel_state.h"
#include "recognition/pad_canvas.h"

constexpr int kCandidateCount = 10;

// The captions of CandidateButton1 ... CandidateButton10.
class CandidateCells {
  public:
    virtual ~CandidateCells() = default;
    // index is 1 for CandidateButton1 ... 10 for CandidateButton10.
    virtual void setCandidateCaption(int index, const Text& caption) = 0;
};

class ClearPadHost : public virtual PadCanvas, public virtual CandidateCells {};

// Wipes the pad, redraws its guides, empties the stroke text and the ten captions. A stroke in
// progress goes on into the empty stroke text: penDown, pointsSinceRequest, lastX and lastY are
// left alone, and so are the reply pieces.
void clearPad(PanelState& state, ClearPadHost& host);
