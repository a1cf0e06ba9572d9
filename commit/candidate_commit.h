#pragma once
// Committing a candidate: its bytes are typed into the control that has the keyboard focus in
// the target application, the pad and the candidates are cleared, and the information line
// shows the character with its local pinyin, or the progress text of an online lookup. With
// association on, the candidate cells then offer what most often follows the character.

#include <cstdint>

#include "recognition/candidate_list.h"
#include "text/text_operations.h"

// A window handle's value; 0 for none. Plain integers keep the commit logic portable.
using WindowHandle = std::uintptr_t;

// What the commit and the lookups it starts keep between events.
struct CommitState {
    // The control with the keyboard focus in the foreground window's thread; 0 when none.
    WindowHandle targetFocus = 0;
    // The character last committed.
    Text committedText;
    // The one committed before it: association looks at the last two.
    Text committedBefore;
    // Handle of the most recently started dictionary lookup worker.
    std::uintptr_t lookupThread = 0;
    // Commits made so far. A lookup's lines carry the count of the commit that started it and
    // are shown only while no later commit has replaced that character on the information line.
    std::uint32_t commitCount = 0;
};

// Shown on the information line while an online lookup runs.
extern const char kLookupProgressCaption[];  // "在线校对字典..."

// What a press on a candidate cell asks of the panel, to be carried out in this order. The
// decisions are made here; the panel carries them out on the platform and calls nothing back.
struct CommitDecision {
    // Give the activation back to the target window.
    bool handBackActivation = true;
    // Post one character message per byte of `typed`, in order, to the control `focus` (the
    // target's focused control as it was when the press came, read once).
    WindowHandle focus = 0;
    Text typed;
    // Wipe the pad, redraw its guides, empty the stroke text and the ten candidates.
    bool clearPadAndCandidates = true;
    // The information line's new caption.
    Text infoLine;
    // Start the online lookup of state.committedText for the commit numbered state.commitCount.
    bool startLookup = false;
    // With association on, last of all: the ten cells' new captions, the characters that most
    // often follow the candidate, best first, and empty cells for the rest. Empty (no change)
    // with association off.
    CandidateCaptions followers;
};

// The press on a candidate cell, with the cell's caption. `shown` is the candidate as the
// information line shows it: its traditional form when "写简出繁" is checked, else the
// candidate itself; `onlineLookup` whether "校对在线字典" is checked, `associate` whether
// "联想" is.
CommitDecision commitCandidate(CommitState& state, const Text& candidate, const Text& shown,
                               bool onlineLookup, bool associate = false);
