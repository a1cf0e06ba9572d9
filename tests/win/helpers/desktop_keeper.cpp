// DesktopKeeper.exe: holds the session's virtual desktop open from session start to stop.
//
// Wine closes a desktop about a second after its last program ends and opens a new one with
// the next program. Between two test programs that churn costs time, a program that starts
// while the old desktop is closing can fail, and for a moment two desktop windows exist (one
// of them may take the X keyboard focus). One idle program on the desktop prevents all of it.
// It has no window, so it never takes the activation.
#include <windows.h>

int WINAPI WinMain(HINSTANCE, HINSTANCE, LPSTR, int) {
    // Joining the desktop makes this thread one of its users.
    GetDesktopWindow();
    MSG message;
    while (GetMessageA(&message, nullptr, 0, 0) > 0) {
        DispatchMessageA(&message);
    }
    return 0;
}
