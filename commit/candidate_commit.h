#pragma once
// Committing a candidate: its bytes are typed into the control that has the keyboard focus in
// the target application, the pad and the candidates are cleared, and the information line
// shows the character with its local pinyin, or the progress text of an online lookup. The
// decisions are made here; the host carries them out on the platform.

#include <cstdint>

#include "text/text_operations.h"

// A window handle's value; 0 for none. Plain integers keep the commit logic portable.
using WindowHandle = std::uintptr_t;

// What the commit and the lookups it starts keep between events.
struct CommitState {
    // The control with the keyboard focus in the foreground window's thread; 0 when none.
    WindowHandle targetFocus = 0;
    // The character last committed.
    Text committedText;
    // Handle of the most recently started dictionary lookup worker.
    std::uintptr_t lookupThread = 0;
    // Commits made so far. A lookup's lines carry the count of the commit that started it and
    // are shown only while no later commit has replaced that character on the information line.
    std::uint32_t commitCount = 0;
};

// Shown on the information line while an online lookup runs.
extern const char kLookupProgressCaption[];  // "在线校对字典..."

class CandidateCommitHost {
  public:
    virtual ~CandidateCommitHost() = default;
    // Gives the activation back to the target window.
    virtual void handBackActivation() = 0;
    // Posts one character message carrying `byte` to the control `focus`.
    virtual void postChar(WindowHandle focus, unsigned char byte) = 0;
    // Wipes the pad, redraws its guides, empties the stroke text and the ten candidates.
    virtual void clearPadAndCandidates() = 0;
    // The checked states of "写简出繁" and "校对在线字典".
    virtual bool traditionalOutputChecked() = 0;
    virtual bool onlineLookupChecked() = 0;
    virtual Text traditionalForm(const Text& text) = 0;
    virtual void setInfoLabelCaption(const Text& caption) = 0;
    // Starts the lookup of state.committedText for the commit numbered state.commitCount.
    virtual void startDictionaryLookup(CommitState& state) = 0;
};

// The press on a candidate cell, with the cell's caption.
void commitCandidate(CommitState& state, CandidateCommitHost& host, const Text& candidate);
