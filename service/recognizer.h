// Handwriting recognition: pad strokes in, candidate characters (UTF-8) out, best first.
// zinnia and its model stay behind this interface.
#pragma once

#include <memory>
#include <string>
#include <vector>

#include "stroke_text.h"

namespace service {

// Debian's stock model (tegaki-zinnia-simplified-chinese).
constexpr const char* kStockModelPath = "/usr/share/tegaki/models/zinnia/handwriting-zh_CN.model";

// The project's own model, trained on mouse writing of the GB2312 hanzi and unpacked into the
// build tree; empty in a build without it.
#ifdef TRAINED_MODEL_PATH
constexpr const char* kTrainedModelPath = TRAINED_MODEL_PATH;
#else
constexpr const char* kTrainedModelPath = "";
#endif

struct ScoredCandidate {
    std::string value;
    double score;  // the recogniser's own: higher is better, comparable within one list only
};

class Recognizer {
  public:
    // Null when the model cannot be loaded; `error` then says why.
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

// Where a pad point lands in the recogniser's square writing box of side `box`: the pad is
// scaled uniformly (it is nearly square) and centred, so characters keep their proportions.
struct BoxPoint {
    int x;
    int y;
};
// What the service loads unless told otherwise: the trained and the stock model fused
// (candidate_fusion.h), which beats either alone; whichever of the two is there when one is
// missing. `description` names what was loaded, for the service's start-up line.
std::unique_ptr<Recognizer> openDefaultRecognizer(std::string& description, std::string& error);

BoxPoint padToBox(PadPoint p, PadSize pad, int box);

}  // namespace service
