#pragma once
// The panel's own behaviours: the context menu with its two on/off options, minimizing and
// closing.

#include "ui/event.h"

// Right press on the panel's own surface: hands the activation back, then pops up the options
// menu just below and right of the pointer.
void showOptionsMenu(const ui::MouseEvent& event);

// "写简出繁" chosen: flips whether the information line shows the traditional form.
void toggleTraditionalOutput();

// "校对在线字典" chosen: flips whether each commit looks the character up online.
void toggleOnlineLookup();

// Press on the "-" glyph: minimizes the panel (tracking stops through the move event).
void minimizePanel(const ui::MouseEvent& event);

// Press on the close glyph: drops the recognition connection, then closes the panel; the
// window goes away through its own message queue once this handler has returned.
void closePanel(const ui::MouseEvent& event);
