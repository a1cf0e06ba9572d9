// HandwritingService.exe: the recognition and dictionary service inside the Windows release. A
// windowed program without windows: the installer starts it at log-on, `--stop` ends it. On a
// fixed port it supervises a copy of itself that serves, and starts that copy again if it dies.
#include <windows.h>

#include <atomic>
#include <thread>

#include "command_line.h"
#include "model_location.h"
#include "service_start.h"
#include "single_instance.h"
#include "supervisor.h"
#include "user_output.h"

namespace {

using namespace service;

constexpr const char* kProgram = "HandwritingService";
constexpr DWORD kStopPatienceMs = 15000;

std::string windowsUsage() {
    return usageText(kProgram) +
           "\n"
           "On Windows:\n"
           "  --stop             stop the service running on --port (default 80) and wait\n"
           "                     for it to end; until then, it is started again within\n"
           "                     moments whenever it ends otherwise\n"
           "By default the model is " +
           std::string(kInstalledModelName) +
           " beside this program. The log is service.log in\n"
           "%LOCALAPPDATA%\\HandwritingPanel. One copy runs per port.\n";
}

// What a user reads when the port cannot be had: what happened and what to do, in the panel's
// language, with the system's reason for an engineer.
std::string bindFailureText(const ServerOptions& server, const std::string& error) {
    return "手写识别服务无法在 " + server.host + ":" + std::to_string(server.port) +
           " 上接收请求，端口可能已被其他程序（例如 IIS 等网站服务器）占用。\n"
           "请关闭该程序，然后从开始菜单的“手写输入面板”中选择“启动识别服务”。\n\n" +
           kProgram + ": " + error;
}

// Serves until `--stop` sets the instance's stop event or the server ends on its own.
bool serveUntilStopped(RecognitionServer& server, HANDLE stopEvent, std::ostream& log) {
    HANDLE finished = CreateEventW(nullptr, TRUE, FALSE, nullptr);
    std::thread stopWaiter([&] {
        HANDLE waits[2] = {stopEvent, finished};
        if (WaitForMultipleObjects(2, waits, FALSE, INFINITE) != WAIT_OBJECT_0)
            return;
        log << "stopping on request" << std::endl;
        server.stop();  // takes effect whenever the server runs, so an early stop counts
    });
    bool served = server.run();
    SetEvent(finished);
    stopWaiter.join();
    CloseHandle(finished);
    return served;
}

}  // namespace

int main(int argc, char** argv) {
    UserOutput output;
    std::vector<std::string> arguments;
    bool stop = false;
    bool supervised = false;
    for (int i = 1; i < argc; ++i) {
        if (std::string(argv[i]) == "--stop")
            stop = true;
        else if (std::string(argv[i]) == kSupervisedFlag)
            supervised = true;
        else
            arguments.push_back(argv[i]);
    }
    CommandLine line = parseCommandLine(arguments);
    if (line.help) {
        output.inform(windowsUsage());
        return 0;
    }
    if (line.version) {
        output.inform(versionText());
        return 0;
    }
    if (!line.error.empty()) {
        output.fail(std::string(kProgram) + ": " + line.error + "\n" + windowsUsage());
        return 2;
    }
    std::string error;
    if (!output.openLog(error) && !output.hasConsole()) {
        output.fail(std::string(kProgram) + ": " + error);
        return 1;
    }
    std::ostream& log = output.log();

    if (stop) {
        std::string message;
        int status = stopRunningService(line.server.port, kStopPatienceMs, message);
        log << message << std::endl;
        if (status != 0)
            output.fail(std::string(kProgram) + ": " + message);
        return status;
    }

    // A fixed port is kept served. A free port picked by the system (tests) would be another
    // one after a restart: that copy serves alone.
    if (line.server.port != 0 && !supervised)
        return superviseService(line.server.port, output);
    // Under a supervisor, a failure the user has been told of must not be started again.
    const int failed = supervised ? static_cast<int>(kExitFailureShown) : 1;

    // A fixed port is taken before the model loads, so a second copy leaves at once; a free
    // port picked by the system is only known after binding.
    SingleInstance instance;
    auto refuse = [&](const std::string& why) {
        // Not a failure the user must act on: the service they wanted is there.
        log << kProgram << ": " << why << std::endl;
        return static_cast<int>(kExitAnotherCopy);
    };
    if (line.server.port != 0 && !instance.acquire(line.server.port, InstanceRole::serving, error))
        return refuse(error);

    // The release keeps the model beside the program; --data-dir names another folder.
    std::string model = line.modelPath;
    if (model.empty() && !line.dataDir.empty()) {
        ModelChoice choice = chooseModel(line.dataDir, "");
        if (!choice.error.empty()) {
            output.fail(std::string(kProgram) + ": " + choice.error);
            return failed;
        }
        model = choice.modelPath;
    }
    if (model.empty())
        model = programFolder() + kInstalledModelName;
    StartedService started;
    if (!startService(line.server, model, log, started, error)) {
        bool bindFailed = error.rfind("cannot listen", 0) == 0;
        output.fail(bindFailed ? bindFailureText(line.server, error)
                               : std::string(kProgram) + ": " + error);
        return failed;
    }
    if (line.server.port == 0 &&
        !instance.acquire(started.server->port(), InstanceRole::serving, error))
        return refuse(error);

    if (!serveUntilStopped(*started.server, instance.stopEvent(), log)) {
        const std::string text =
            std::string(kProgram) + ": the server stopped listening unexpectedly";
        // Under a supervisor it starts again: nothing for the user to do.
        if (supervised)
            log << text << std::endl;
        else
            output.fail(text);
        return 1;
    }
    log << "stopped" << std::endl;
    return static_cast<int>(kExitStopped);
}
