#include "recognizer.h"

#include <sys/stat.h>

#include <algorithm>
#include <cmath>

#include "candidate_fusion.h"
#include "indexed_model.h"
#include "network_model.h"
#include "shape_model.h"
#include "writing_normalization.h"

namespace service {
namespace {

class IndexedRecognizer final : public Recognizer {
  public:
    explicit IndexedRecognizer(std::unique_ptr<IndexedModel> model) : model_(std::move(model)) {}

    std::vector<ScoredCandidate> rank(const std::vector<PadStroke>& strokes, std::size_t count,
                                      PadSize pad) const override {
        if (count == 0)
            return {};
        return model_->rank(characterFeatures(boxStrokes(strokes, pad), kZinniaBox, kZinniaBox),
                            count);
    }

  private:
    std::unique_ptr<IndexedModel> model_;
};

}  // namespace

BoxPoint padToBox(PadPoint p, PadSize pad, int box) {
    int side = std::max(std::max(pad.width, pad.height), 1);
    double scale = static_cast<double>(box) / side;
    double offsetX = (side - pad.width) / 2.0;
    double offsetY = (side - pad.height) / 2.0;
    auto place = [&](double v) {
        return std::clamp(static_cast<int>(std::lround(v * scale)), 0, box);
    };
    return {place(p.x + offsetX), place(p.y + offsetY)};
}

std::vector<std::vector<BoxPoint>> boxStrokes(const std::vector<PadStroke>& strokes, PadSize pad) {
    std::vector<std::vector<BoxPoint>> box;
    for (const PadStroke& stroke : strokes) {
        if (stroke.empty())
            continue;
        box.emplace_back();
        for (PadPoint p : stroke) box.back().push_back(padToBox(p, pad, kZinniaBox));
    }
    return box;
}

std::unique_ptr<Recognizer> Recognizer::open(const std::string& modelPath, std::string& error) {
    if (isShapeModelFile(modelPath)) {
        ShapeModel shape;
        if (!readShapeModel(modelPath, shape, error))
            return nullptr;
        return std::make_unique<ShapeRecognizer>(std::move(shape));
    }
    if (isNetworkModelFile(modelPath)) {
        NetworkModel network;
        if (!readNetworkModel(modelPath, network, error))
            return nullptr;
        return std::make_unique<NetworkRecognizer>(std::move(network));
    }
    std::unique_ptr<IndexedModel> model = IndexedModel::load(modelPath, error);
    if (!model)
        return nullptr;
    return std::make_unique<IndexedRecognizer>(std::move(model));
}

std::unique_ptr<Recognizer> openDefaultRecognizer(std::string& description, std::string& error) {
    struct stat info {};
    if (*kShapeModelPath && stat(kShapeModelPath, &info) == 0) {
        description = kShapeModelPath;
        return Recognizer::open(description, error);
    }
    bool haveTrained = *kTrainedModelPath != '\0';
    bool haveStock = stat(kStockModelPath, &info) == 0;
    if (!haveTrained || !haveStock) {
        description = haveTrained ? kTrainedModelPath : kStockModelPath;
        return Recognizer::open(description, error);
    }
    std::unique_ptr<Recognizer> trained = Recognizer::open(kTrainedModelPath, error);
    if (!trained)
        return nullptr;
    std::unique_ptr<Recognizer> stock = Recognizer::open(kStockModelPath, error);
    if (!stock)
        return nullptr;
    description = std::string(kTrainedModelPath) + " fused with " + kStockModelPath;
    return fuseTrainedAndStock(std::move(trained), std::move(stock));
}

std::unique_ptr<Recognizer> fuseTrainedAndStock(std::shared_ptr<const Recognizer> trained,
                                                std::shared_ptr<const Recognizer> stock,
                                                double trainedScale, double stockScale) {
    std::vector<FusedRecognizer::Member> members;
    members.push_back({trained, trainedScale});
    members.push_back({stock, stockScale});
    members.push_back(
        {std::make_shared<NormalizingRecognizer>(trained, kNormalizedFill), trainedScale});
    members.push_back(
        {std::make_shared<NormalizingRecognizer>(stock, kNormalizedFill), stockScale});
    return std::make_unique<FusedRecognizer>(std::move(members), kFusionDepth);
}

}  // namespace service
