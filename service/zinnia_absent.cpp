// Builds without the zinnia library (the Windows service): zinnia models are still read and
// scored by the indexed scoring (Recognizer::open); only the library's own scoring is missing.
#include "recognizer.h"

namespace service {

std::unique_ptr<Recognizer> Recognizer::openWithZinnia(const std::string& modelPath,
                                                       std::string& error) {
    error = "cannot score " + modelPath + " with the zinnia library: this build has none";
    return nullptr;
}

}  // namespace service
