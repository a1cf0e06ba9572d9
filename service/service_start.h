// Starting the service, shared by the Linux and the Windows program: the recogniser loaded,
// the port bound and the start-up line logged.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "command_line.h"
#include "recognizer.h"
#include "server.h"

namespace service {

struct StartedService {
    std::unique_ptr<Recognizer> recognizer;
    std::unique_ptr<RecognitionServer> server;
};

// Loads the model the command line names, else `defaultModel`, else the default recogniser
// (openDefaultRecognizer) when that is empty; then binds and logs "listening on HOST:PORT
// (model ..., N threads)". False with a readable `error` when either step fails.
bool startService(const CommandLine& line, const std::string& defaultModel, std::ostream& log,
                  StartedService& started, std::string& error);

}  // namespace service
