#include "app/program_state.h"

PanelState panelState;

void initialiseState() {
    panelState = PanelState();
}
