#include "model_location.h"

#include <fstream>

namespace service {
namespace {

bool readable(const std::string& path) {
    return std::ifstream(path, std::ios::binary).good();
}

}  // namespace

ModelChoice chooseModel(const std::string& configuredDataDir, const std::string& programDir) {
    ModelChoice choice;
    if (!configuredDataDir.empty()) {
        std::string path = configuredDataDir + "/" + kInstalledModelName;
        if (readable(path))
            choice.modelPath = path;
        else
            choice.error = "no recognition model in the data folder: " + path +
                           " cannot be read (install it there, or name the model with --model)";
        return choice;
    }
    if (!programDir.empty()) {
        std::string path = programDir + "/" + kDataDirBesideProgram + "/" + kInstalledModelName;
        if (readable(path))
            choice.modelPath = path;
    }
    return choice;
}

}  // namespace service
