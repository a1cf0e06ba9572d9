// The service that comes back: HandwritingService.exe on a fixed port runs as a small
// supervisor that starts the copy that serves (the same program with --supervised) and starts
// it again whenever it ends without being asked to, a crash or an end from the Task Manager,
// so that the panel finds its service again within moments and without a log-on.
#pragma once

#include <windows.h>

#include "user_output.h"

namespace service {

// The flag that makes the program the copy that serves under a supervisor.
constexpr const char* kSupervisedFlag = "--supervised";

// How a copy under a supervisor ends on its own terms (anything else is a death):
// stopped with --stop, or a failure it has shown the user (a taken port, a missing model),
// which starting it again would only show again.
constexpr DWORD kExitStopped = 0;
constexpr DWORD kExitFailureShown = 64;
// Another copy serves the port already (also without a supervisor).
constexpr DWORD kExitAnotherCopy = 3;

// Keeps the service on `port` running until `--stop` sets its stop event; the exit code for
// the program (0 when stopped, 3 when another supervisor holds the port, 1 when the copy
// failed in a way the user has been told of, or could not be started).
int superviseService(int port, UserOutput& output);

}  // namespace service
