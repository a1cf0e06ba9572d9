#include "app/program_state.h"

PanelState panelState;
AutomationObject scriptEvaluator;

void initialiseState() {
    panelState = PanelState();
}
