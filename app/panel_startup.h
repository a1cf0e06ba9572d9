#pragma once
// What runs once around the panel's life: the created handler, the position-changed handler
// and the exit routine.

// The created event of PanelWindow: style, placement, size, script evaluator, guide lines,
// fonts, the panel's own handles, the first tracking and the timer.
void onPanelCreated();
// The position-changed event of PanelWindow: tracking stops while minimized and otherwise
// runs now and every 600 milliseconds.
void onPanelMoved();
// Run once after the message loop has ended: releases the program-wide state.
void exitRoutine();

// The informational caption InfoLabel shows at start-up.
extern const char kInfoLabelGreeting[];
