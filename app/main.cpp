// Program entry: initialise, build the panel, run until it is closed.

#include <windows.h>

#include <ole2.h>

#include "app/panel_form.h"
#include "app/panel_startup.h"
#include "app/program_state.h"
#include "ui/framework.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    OleInitialize(nullptr);
    ui::initialiseFramework(instance);
    initialiseState();
    ui::registerExitRoutine(exitRoutine);
    PanelWindow.load(panelFormDescription());
    ui::runMessageLoop();
    OleUninitialize();
    return 0;
}
