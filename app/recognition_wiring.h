#pragma once
// The writing pad, the recognition request, the reply and the rewrite button, joined to the
// panel's controls: the handlers the form description binds. The portable pen and reply
// decoding in recognition/ decide; these handlers carry the decisions out.

#include "recognition/recognition_request.h"
#include "ui/event.h"

// WritingPad's mouse events (pad pixels; the modifier keys are ignored).
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

// The four guide lines on the pad, with whatever pen it has.
void drawGuideLines();

// Connects RecognitionClient to the request's host, shows the failure in the panel's title if
// the connect fails, and sends the request either way.
void runRecognitionRequest(const RecognitionRequest& request);
