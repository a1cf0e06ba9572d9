// handwriting-service: the recognition and dictionary service behind the handwriting panel.
#include <pthread.h>
#include <signal.h>

#include <atomic>
#include <iostream>
#include <thread>

#include "command_line.h"
#include "model_location.h"
#include "posix_process.h"
#include "service_start.h"

int main(int argc, char** argv) {
    using namespace service;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string program = argc > 0 ? argv[0] : "handwriting-service";
    CommandLine line = parseCommandLine(arguments);
    if (line.help) {
        std::cout << usageText(program);
        return 0;
    }
    if (line.version) {
        std::cout << versionText();
        return 0;
    }
    if (!line.error.empty()) {
        std::cerr << program << ": " << line.error << "\n" << usageText(program);
        return 2;
    }

    // Signals are taken by one waiting thread rather than a handler, so stopping the server
    // happens in ordinary code. Blocked here, before any thread starts, so all inherit it.
    // A shell starts background jobs with SIGINT ignored, and whether an ignored signal still
    // reaches sigwait is left open by POSIX; the default disposition is restored first (the
    // block below keeps it from acting).
    signal(SIGINT, SIG_DFL);
    signal(SIGTERM, SIG_DFL);
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    std::string error;
    std::string models = line.modelPath;
    if (models.empty()) {
        ModelChoice choice = chooseModel(line.dataDir, runningProgramDirectory());
        if (!choice.error.empty()) {
            std::cerr << program << ": " << choice.error << "\n";
            return 1;
        }
        models = choice.modelPath;
    }
    // Each connection holds a descriptor; a few more are the model, the log and the listener.
    constexpr std::size_t kSpareDescriptors = 32;
    std::size_t files = raiseOpenFileLimit(line.server.maxConnections + kSpareDescriptors);
    if (files < line.server.maxConnections + kSpareDescriptors) {
        std::size_t usable = files > 2 * kSpareDescriptors ? files - kSpareDescriptors : files / 2;
        std::cout << "the open file limit is " << files << ": holding at most " << usable
                  << " connections (raise LimitNOFILE or ulimit -n for more)" << std::endl;
        line.server.maxConnections = usable;
    }
    StartedService started;
    if (!startService(line.server, models, std::cout, started, error)) {
        std::cerr << program << ": " << error << "\n";
        return 1;
    }
    RecognitionServer& server = *started.server;

    std::atomic<bool> finished{false};
    std::thread signalWaiter([&] {
        int received = 0;
        sigwait(&stopSignals, &received);
        if (finished)
            return;  // woken by the main thread after the server ended on its own
        std::cout << "stopping on signal " << received << std::endl;
        // Stopping takes effect whenever the server runs, so a signal that comes early counts.
        server.stop();
    });
    bool served = server.run();
    finished = true;
    pthread_kill(signalWaiter.native_handle(), SIGTERM);
    signalWaiter.join();
    if (!served) {
        std::cerr << program << ": the server stopped listening unexpectedly\n";
        return 1;
    }
    std::cout << "stopped" << std::endl;
    return 0;
}
