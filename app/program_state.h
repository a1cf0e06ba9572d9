#pragma once
// The one instance of the program-wide state, and the script evaluator beside it.

#include "app/panel_state.h"
#include "recognition/automation_object.h"

extern PanelState panelState;
// The Script Control instance that decodes reply pieces; empty until the panel is created (or
// if it could not be created).
extern AutomationObject scriptEvaluator;

// Sets every variable to its value before any window exists.
void initialiseState();
