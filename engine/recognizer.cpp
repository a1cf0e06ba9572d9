#include "engine/recognizer.h"

#include "engine/network_model.h"

namespace engine {

#ifdef NETWORK_MODEL_PATH
constexpr const char* kBuiltModelPath = NETWORK_MODEL_PATH;
#else
constexpr const char* kBuiltModelPath = "";
#endif

std::unique_ptr<Recognizer> Recognizer::open(const std::string& modelPath, std::string& error) {
    NetworkModel model;
    if (!readNetworkModel(modelPath, model, error))
        return nullptr;
    return std::make_unique<NetworkRecognizer>(std::move(model));
}

std::unique_ptr<Recognizer> openDefaultRecognizer(std::string& description, std::string& error) {
    description = kBuiltModelPath;
    if (description.empty()) {
        error = "this build has no recognition model: name one with --model";
        return nullptr;
    }
    return Recognizer::open(description, error);
}

}  // namespace engine
