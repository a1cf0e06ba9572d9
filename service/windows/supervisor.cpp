#include "supervisor.h"

#include <chrono>
#include <cstdio>
#include <string>
#include <vector>

#include "restart_backoff.h"
#include "single_instance.h"

namespace service {
namespace {

using Clock = std::chrono::steady_clock;

// How long a copy asked to stop may take to finish its requests before it is ended.
constexpr DWORD kStopPatienceMs = 12000;

// A line in the log, which the supervisor opens only to write it: the copy that serves
// rotates the log when it starts, and an open handle here would keep it from doing so.
void note(UserOutput& output, const std::string& line) {
    std::string error;
    output.openLog(error);
    output.log() << "supervisor: " << line << std::endl;
    output.closeLog();
}

bool redirected(HANDLE handle) {
    if (!handle || handle == INVALID_HANDLE_VALUE)
        return false;
    DWORD type = GetFileType(handle);
    return type == FILE_TYPE_DISK || type == FILE_TYPE_PIPE;
}

// Starts this program again with the supervisor's own arguments and --supervised. Output that
// goes to a file or a pipe goes there from the copy too; a console it finds for itself.
bool startCopy(PROCESS_INFORMATION& started, std::string& error) {
    std::wstring command = std::wstring(GetCommandLineW()) + L" --supervised";
    std::vector<wchar_t> buffer(command.begin(), command.end());
    buffer.push_back(L'\0');
    STARTUPINFOW startup = {};
    startup.cb = sizeof startup;
    HANDLE out = GetStdHandle(STD_OUTPUT_HANDLE);
    HANDLE err = GetStdHandle(STD_ERROR_HANDLE);
    bool passOutput = redirected(out) && redirected(err) &&
                      SetHandleInformation(out, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT) &&
                      SetHandleInformation(err, HANDLE_FLAG_INHERIT, HANDLE_FLAG_INHERIT);
    if (passOutput) {
        startup.dwFlags = STARTF_USESTDHANDLES;
        startup.hStdOutput = out;
        startup.hStdError = err;
    }
    if (!CreateProcessW(nullptr, buffer.data(), nullptr, nullptr, passOutput, 0, nullptr, nullptr,
                        &startup, &started)) {
        error = "cannot start the service's serving copy (error " + std::to_string(GetLastError()) +
                ")";
        return false;
    }
    CloseHandle(started.hThread);
    return true;
}

std::string seconds(std::chrono::milliseconds span) {
    char text[32];
    std::snprintf(text, sizeof text, "%.2f s", static_cast<double>(span.count()) / 1000.0);
    return text;
}

}  // namespace

int superviseService(int port, UserOutput& output) {
    SingleInstance instance;
    std::string error;
    if (!instance.acquire(port, InstanceRole::supervising, error)) {
        // Not a failure the user must act on: the service they wanted is there.
        note(output, error);
        return 3;
    }
    output.closeLog();
    const HANDLE stop = instance.stopEvent();
    RestartBackoff backoff;
    for (;;) {
        if (WaitForSingleObject(stop, 0) == WAIT_OBJECT_0)
            return 0;
        PROCESS_INFORMATION copy = {};
        if (!startCopy(copy, error)) {
            output.fail("HandwritingService: " + error);
            return 1;
        }
        const Clock::time_point started = Clock::now();
        HANDLE waits[2] = {stop, copy.hProcess};
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) == WAIT_OBJECT_0) {
            // The copy sees the same event and finishes its requests; one that hangs is ended.
            if (WaitForSingleObject(copy.hProcess, kStopPatienceMs) != WAIT_OBJECT_0)
                TerminateProcess(copy.hProcess, 1);
            CloseHandle(copy.hProcess);
            return 0;
        }
        DWORD code = 0;
        GetExitCodeProcess(copy.hProcess, &code);
        CloseHandle(copy.hProcess);
        const auto ranFor =
            std::chrono::duration_cast<std::chrono::milliseconds>(Clock::now() - started);
        if (code == kExitFailureShown)
            return 1;
        if (WaitForSingleObject(stop, 0) == WAIT_OBJECT_0)
            return 0;
        char exitCode[16];
        std::snprintf(exitCode, sizeof exitCode, "0x%lX", static_cast<unsigned long>(code));
        const std::string ended = "the serving copy on port " + std::to_string(port) +
                                  " ended after " + seconds(ranFor) + " (exit code " + exitCode +
                                  ")";
        // Waits grow also after another copy, so that a copy that ends this way at once (an
        // abort ends with the same code) is not started again as fast as it ends.
        std::chrono::milliseconds wait;
        if (code == kExitAnotherCopy) {
            // A copy whose supervisor was ended serves the port: take over once it ends.
            note(output, ended + ": another copy serves the port; starting again once it ends");
            if (!waitForServingCopy(port, stop, INFINITE))
                return 0;
            wait = backoff.waitAfter(ranFor);
            note(output, "the other copy on port " + std::to_string(port) +
                             " has ended; starting the service again in " + seconds(wait));
        } else {
            wait = backoff.waitAfter(ranFor);
            note(output,
                 ended + " without being asked to stop; starting it again in " + seconds(wait));
        }
        if (WaitForSingleObject(stop, static_cast<DWORD>(wait.count())) == WAIT_OBJECT_0)
            return 0;
    }
}

}  // namespace service
