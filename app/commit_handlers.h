#pragma once
// The handlers of committing and looking up: the presses on the ten candidate cells and the
// "手写精度" menu choice.

#include "ui/event.h"

// The left-button press on candidate cell `number` (1..10): commits the cell's caption.
ui::MouseHandler candidatePressed(int number);

// "手写精度" chosen: asks for a new reference value.
void askReferenceValue();

// Exit routine: closes the handle of the last lookup worker and the window that receives the
// lookups' lines.
void releaseCommitAndLookup();
