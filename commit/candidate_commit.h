#pragma once
// Committing a candidate: its bytes are typed into the control that has the keyboard focus in
// the target application, the pad and the candidates are cleared, and the information line
// shows the character with its local pinyin, or the progress text of an online lookup. The
// decisions are made here; the host carries them out on the platform.

#include "app/panel_state.h"
#include "text/text_operations.h"

// Shown on the information line while an online lookup runs.
extern const char kLookupProgressCaption[];  // "在线校对字典..."

class CandidateCommitHost {
  public:
    virtual ~CandidateCommitHost() = default;
    // Gives the activation back to the target window.
    virtual void reactivateTarget() = 0;
    // Posts one character message carrying `byte` to the control `focus`.
    virtual void postChar(WindowHandle focus, unsigned char byte) = 0;
    // Wipes the pad, redraws its guides, empties the stroke text and the ten candidates.
    virtual void clearPad() = 0;
    // The checked states of "写简出繁" and "校对在线字典".
    virtual bool traditionalOutputChecked() = 0;
    virtual bool onlineLookupChecked() = 0;
    virtual Text toTraditional(const Text& text) = 0;
    virtual void setInfoLabelCaption(const Text& caption) = 0;
    // Starts the lookup of state.committedText for the commit numbered state.commitCount.
    virtual void startDictionaryLookup(PanelState& state) = 0;
};

// The press on a candidate cell, with the cell's caption.
void commitCandidate(PanelState& state, CandidateCommitHost& host, const Text& candidate);
