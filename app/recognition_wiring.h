#pragma once
// The writing pad, the recognition request, the reply and the rewrite button, joined to the
// panel's controls: the handlers the form description binds, over the portable logic in
// recognition/.

#include "ui/event.h"

// WritingPad's mouse events (pad pixels).
void onPadButtonDown(const ui::MouseEvent& event);
void onPadMouseMove(const ui::MouseEvent& event);
void finishStroke(const ui::MouseEvent& event);
// Moves over the panel's surface and candidate cells: the pointer has left the pad.
void onPointerOffPad(const ui::MouseEvent& event);

// RecognitionClient's data event: fills the candidate cells from the reply.
void onReplyData();

// Wipes the pad and the candidates for the next character: RewriteButton's click, and what
// the commit code runs after a candidate went into the target application.
void clearPad();
