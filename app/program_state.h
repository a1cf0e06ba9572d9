#pragma once
// The one instance of the program-wide state, and the script evaluator beside it.

#include "app/panel_state.h"

extern PanelState panelState;

// Sets every variable to its value before any window exists.
void initialiseState();
