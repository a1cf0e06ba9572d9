// Handwriting recognition: the pad's strokes in, candidate characters (UTF-8) out, best first.
// The model stays behind this interface (network_model.h).
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "protocol/pad_strokes.h"

namespace engine {

using protocol::PadPoint;
using protocol::PadStroke;

struct ScoredCandidate {
    std::string value;
    double score;  // the recogniser's own: higher is better, comparable within one list only
};

class Recognizer {
  public:
    // A model file of the service's own. Null when it cannot be loaded; `error` then says why.
    static std::unique_ptr<Recognizer> open(const std::string& modelPath, std::string& error);
    virtual ~Recognizer() = default;

    // At most `count` candidates, best first, with their scores. Safe to call from several
    // threads at once.
    virtual std::vector<ScoredCandidate> rank(const std::vector<PadStroke>& strokes,
                                              std::size_t count, PadSize pad = {}) const = 0;

    // The same candidates without their scores.
    std::vector<std::string> classify(const std::vector<PadStroke>& strokes, std::size_t count,
                                      PadSize pad = {}) const {
        std::vector<std::string> values;
        for (ScoredCandidate& c : rank(strokes, count, pad)) values.push_back(std::move(c.value));
        return values;
    }
};

// The model this build keeps beside the service (the build folder's, unpacked from the
// repository); `description` names it for the start-up line.
std::unique_ptr<Recognizer> openDefaultRecognizer(std::string& description, std::string& error);

}  // namespace engine
