#include "service_start.h"

namespace service {

bool startService(const ServerOptions& options, std::string modelPath, std::ostream& log,
                  StartedService& started, std::string& error) {
    started.recognizer = modelPath.empty() ? engine::openDefaultRecognizer(modelPath, error)
                                           : engine::Recognizer::open(modelPath, error);
    if (!started.recognizer)
        return false;
    started.server = std::make_unique<RecognitionServer>(*started.recognizer, options, log);
    if (!started.server->bind(error))
        return false;
    log << "listening on " << options.host << ":" << started.server->port() << " (model "
        << modelPath << ", " << options.threads << " threads)" << std::endl;
    return true;
}

}  // namespace service
