#pragma once
// The program-wide state every handler shares. There are no per-window or per-request
// objects: the panel has one pad, one stroke text, one target application at a time.
//
// Composed of the portable parts' own state (window handles are plain integers there), so
// that the logic built on it is unit-tested natively. The script evaluator, a COM object,
// lives beside it in the Windows layer.

#include "commit/candidate_commit.h"
#include "recognition/reply_decoding.h"
#include "recognition/writing_pad.h"
#include "text/array.h"

struct PanelState {
    // The pen on the pad: strokeText, referenceValue, penDown, pointsSinceRequest, lastX,
    // lastY, padCaptured.
    StrokeCapture pad;
    // The last reply: replyPieces and the captions its pieces decoded to.
    CandidateReply reply;
    // targetFocus, committedText, lookupThread and the count of commits.
    CommitState commit;
    // Scratch: the latest GetForegroundWindow result, and what SetForegroundWindow is given.
    WindowHandle foregroundWindow = 0;
    // The last foreground window that is not the panel's own: receives committed characters.
    WindowHandle targetWindow = 0;
    // The panel and 15 of its controls, in the fixed order of start-up.
    Array<WindowHandle> panelHandles;
};
