#include "service_start.h"

namespace service {

bool startService(const CommandLine& line, const std::string& defaultModel, std::ostream& log,
                  StartedService& started, std::string& error) {
    std::string models = line.modelPath.empty() ? defaultModel : line.modelPath;
    started.recognizer =
        models.empty() ? openDefaultRecognizer(models, error) : Recognizer::open(models, error);
    if (!started.recognizer)
        return false;
    started.server = std::make_unique<RecognitionServer>(*started.recognizer, line.server, log);
    if (!started.server->bind(error))
        return false;
    log << "listening on " << line.server.host << ":" << started.server->port() << " (model "
        << models << ", " << line.server.threads << " threads)" << std::endl;
    return true;
}

}  // namespace service
