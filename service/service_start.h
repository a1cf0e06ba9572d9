// Starting the service, shared by the Linux and the Windows program: the recogniser loaded,
// the port bound and the start-up line logged.
#pragma once

#include <memory>
#include <ostream>
#include <string>

#include "engine/recognizer.h"
#include "server.h"

namespace service {

struct StartedService {
    std::unique_ptr<engine::Recognizer> recognizer;
    std::unique_ptr<RecognitionServer> server;
};

// Loads `modelPath` (the default recogniser, openDefaultRecognizer, when it is empty), binds,
// and logs "listening on HOST:PORT (model ..., N threads)". False with a readable `error` when
// either step fails; a bind failure's starts with "cannot listen on".
bool startService(const ServerOptions& options, std::string modelPath, std::ostream& log,
                  StartedService& started, std::string& error);

}  // namespace service
