// Where the service finds its model when none is named: in its data folder, which is either
// given (--data-dir) or the one an installation puts beside the program
// (<prefix>/bin/handwriting-service and <prefix>/share/handwriting-service/).
#pragma once

#include <string>

namespace service {

constexpr const char* kInstalledModelName = INSTALLED_MODEL_NAME;
// The data folder relative to the folder the installed program is in.
constexpr const char* kDataDirBesideProgram = "../share/handwriting-service";

struct ModelChoice {
    std::string modelPath;  // empty: none in a data folder (the build's default recogniser)
    std::string error;      // set when a data folder was given and holds no model
};

// The model to load: the one in `configuredDataDir` when that is given (an error when it is
// missing there), else the one in the installed data folder beside `programDir` when there is
// one, else none.
ModelChoice chooseModel(const std::string& configuredDataDir, const std::string& programDir);

}  // namespace service
