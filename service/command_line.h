// The service's command line: --listen, --port, --model, --threads, --timeout, --help.
#pragma once

#include <string>
#include <vector>

#include "recognizer.h"
#include "server.h"

namespace service {

struct CommandLine {
    ServerOptions server;
    std::string modelPath;  // empty: the default recogniser (openDefaultRecognizer)
    bool help = false;
    std::string error;  // set when the arguments are unusable
};

CommandLine parseCommandLine(const std::vector<std::string>& arguments);

std::string usageText(const std::string& programName);

}  // namespace service
