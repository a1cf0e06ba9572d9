// The service's command line: --listen, --port, --model, --data-dir, --threads, --timeout,
// --max-connections, --max-per-client, --version, --help.
#pragma once

#include <string>
#include <vector>

#include "engine/recognizer.h"
#include "server.h"

namespace service {

struct CommandLine {
    ServerOptions server;
    std::string modelPath;  // empty: the default recogniser (openDefaultRecognizer)
    std::string dataDir;    // empty: the one beside the installed program, if any
    bool help = false;
    bool version = false;
    std::string error;  // set when the arguments are unusable
};

CommandLine parseCommandLine(const std::vector<std::string>& arguments);

std::string usageText(const std::string& programName);

// "handwriting-service 1.0.0".
std::string versionText();

}  // namespace service
