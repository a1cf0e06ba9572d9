// Handwriting recognition: pad strokes in, candidate characters (UTF-8) out, best first.
// zinnia's models and the zinnia library stay behind this interface.
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

// The service's own shape model (shape_model.h), trained from the centre-line data while
// building; empty in a build without it.
#ifdef SHAPE_MODEL_PATH
constexpr const char* kShapeModelPath = SHAPE_MODEL_PATH;
#else
constexpr const char* kShapeModelPath = "";
#endif

struct ScoredCandidate {
    std::string value;
    double score;  // the recogniser's own: higher is better, comparable within one list only
};

class Recognizer {
  public:
    // A shape model (shape_model.h), or a zinnia model scored through an index by feature
    // (indexed_model.h), told apart by the file's first bytes. Null when the model cannot be
    // loaded; `error` then says why.
    static std::unique_ptr<Recognizer> open(const std::string& modelPath, std::string& error);
    // The same model scored by the zinnia library itself: the same lists, many times slower.
    static std::unique_ptr<Recognizer> openWithZinnia(const std::string& modelPath,
                                                      std::string& error);
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
// What the service loads unless told otherwise: the shape model, which beats the zinnia
// models by far on mouse writing. In a build without it, the trained and the stock zinnia model
// fused (candidate_fusion.h), which beats either alone; whichever of the two is there when one
// is missing. `description` names what was loaded, for the service's start-up line.
std::unique_ptr<Recognizer> openDefaultRecognizer(std::string& description, std::string& error);

// Fusing the trained and the stock model. Each model reads the writing twice, as written and
// normalised to the size of neat writing (writing_normalization.h: the longer side of the
// bounding box at 0.69 of the pad, the median of the clean evaluation set), and the four lists
// are fused (candidate_fusion.h). Each model's softmax temperature over its scores is fitted
// together by maximum likelihood of the written character under the fused ranking, on the
// clean evaluation set and on the training recipe written with a seed of its own (neat writing
// and the sloppy writing the trained model was made for; bench/fusion_tuning makes the fit),
// never on the sets that judge the result. Only their ratio changes the ranking. Each list
// holds its top 40, which holds the written character nearly whenever the model recognises it
// at all. Refit when a model is retrained.
constexpr double kTrainedModelScale = 0.434;
constexpr double kStockModelScale = 0.422;
constexpr double kNormalizedFill = 0.69;
constexpr std::size_t kFusionDepth = 40;

// The trained and the stock model's recognisers fused the way the default recogniser does it,
// with the given temperatures (bench/fusion_tuning tries others) or the fitted ones.
std::unique_ptr<Recognizer> fuseTrainedAndStock(std::shared_ptr<const Recognizer> trained,
                                                std::shared_ptr<const Recognizer> stock,
                                                double trainedScale = kTrainedModelScale,
                                                double stockScale = kStockModelScale);

BoxPoint padToBox(PadPoint p, PadSize pad, int box);

// The tegaki models were trained on characters written in a 1000 x 1000 box.
constexpr int kZinniaBox = 1000;
// The non-empty strokes in that box.
std::vector<std::vector<BoxPoint>> boxStrokes(const std::vector<PadStroke>& strokes, PadSize pad);

}  // namespace service
