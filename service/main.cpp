// handwriting-service: the recognition and dictionary service behind the handwriting panel.
#include <pthread.h>
#include <signal.h>

#include <iostream>
#include <thread>

#include "command_line.h"
#include "recognizer.h"
#include "server.h"

int main(int argc, char** argv) {
    using namespace service;
    std::vector<std::string> arguments(argv + 1, argv + argc);
    std::string program = argc > 0 ? argv[0] : "handwriting-service";
    CommandLine line = parseCommandLine(arguments);
    if (line.help) {
        std::cout << usageText(program);
        return 0;
    }
    if (!line.error.empty()) {
        std::cerr << program << ": " << line.error << "\n" << usageText(program);
        return 2;
    }

    // Signals are taken by one waiting thread rather than a handler, so stopping the server
    // happens in ordinary code. Blocked here, before any thread starts, so all inherit it.
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    pthread_sigmask(SIG_BLOCK, &stopSignals, nullptr);
    signal(SIGPIPE, SIG_IGN);

    std::string error;
    std::unique_ptr<Recognizer> recognizer = Recognizer::open(line.modelPath, error);
    if (!recognizer) {
        std::cerr << program << ": " << error << "\n";
        return 1;
    }
    RecognitionServer server(*recognizer, line.server, std::cout);
    if (!server.bind(error)) {
        std::cerr << program << ": " << error << "\n";
        return 1;
    }
    std::cout << "listening on " << line.server.host << ":" << server.port() << " (model "
              << line.modelPath << ", " << line.server.threads << " threads)" << std::endl;

    std::thread signalWaiter([&] {
        int received = 0;
        sigwait(&stopSignals, &received);
        std::cout << "stopping on signal " << received << std::endl;
        server.stop();
    });
    server.run();
    // run() also returns when listening fails; make sure the waiter can finish either way.
    pthread_kill(signalWaiter.native_handle(), SIGTERM);
    signalWaiter.join();
    std::cout << "stopped" << std::endl;
    return 0;
}
