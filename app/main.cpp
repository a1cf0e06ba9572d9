// Program entry: initialise, build the panel, run until it is closed.

#include <windows.h>

#include <ole2.h>

#include "app/panel.h"
#include "ui/framework.h"

int WINAPI WinMain(HINSTANCE instance, HINSTANCE, LPSTR, int) {
    OleInitialize(nullptr);
    ui::initialiseFramework(instance);
    {
        // Gone, with everything it holds, before COM is.
        Panel panel;
        ui::registerExitRoutine([&panel] { panel.exitRoutine(); });
        panel.load();
        ui::runMessageLoop();
    }
    OleUninitialize();
    return 0;
}
