#pragma once
// The program-wide state every handler shares. There are no per-window or per-request
// objects: the panel has one pad, one stroke text, one target application at a time.
//
// Portable on purpose (window handles are plain integers here), so that the handler logic
// built on it is unit-tested natively. The script evaluator, a COM object, lives beside it in
// the Windows layer.

#include <cstdint>
#include <map>

#include "text/text_operations.h"

// A window handle's value; 0 for none.
using WindowHandle = std::uintptr_t;

struct PanelState {
    // Pieces of the last recognition reply after splitting.
    Array<Text> replyPieces;
    // The caption each reply piece decoded to, so that a piece is evaluated only once: it
    // grows with the distinct candidates ever seen, the script engine with every evaluation.
    std::map<Text, Text> decodedPieces;
    // Scratch: the latest GetForegroundWindow result, and what SetForegroundWindow is given.
    WindowHandle foregroundWindow = 0;
    // The last foreground window that is not the panel's own: receives committed characters.
    WindowHandle targetWindow = 0;
    // The control with the keyboard focus in the foreground window's thread; 0 when none.
    WindowHandle targetFocus = 0;
    // The character last committed.
    Text committedText;
    // Handle of the most recently started dictionary lookup worker.
    std::uintptr_t lookupThread = 0;
    // Commits made so far. A lookup's lines carry the count of the commit that started it and
    // are shown only while no later commit has replaced that character on the information line.
    std::uint32_t commitCount = 0;
    // Stroke text of the character being written.
    Text strokeText;
    // The panel and 15 of its controls, in the fixed order of start-up.
    Array<WindowHandle> panelHandles;
    // Minimum pen movement in pixels, on either axis, before a point is sampled (3 to 8).
    std::int32_t referenceValue = 0;
    // The left button went down on the pad and has not been released.
    bool penDown = false;
    // Points sampled since the last recognition request.
    std::int32_t pointsSinceRequest = 0;
    // The last pen position taken, in pad pixels.
    std::int32_t lastX = 0;
    std::int32_t lastY = 0;
    // The pad holds the mouse capture because the pointer is inside it.
    bool padCaptured = false;
};
