#include "recognizer.h"

#include <zinnia.h>

#include <sys/stat.h>

#include <algorithm>
#include <cmath>

#include "candidate_fusion.h"

namespace service {
namespace {

// The tegaki models were trained on characters written in a 1000 x 1000 box.
constexpr int kBox = 1000;

// Fusing the trained and the stock model: each model's softmax temperature over its scores,
// fitted by maximum likelihood on the clean evaluation set (bench/fusion_tuning prints the fit
// and what neighbouring values would give; only the ratio changes the ranking), and how many
// candidates each model offers (either model's top 40 holds the written character nearly
// whenever it recognises it at all). Refit both when a model is retrained.
constexpr double kTrainedModelScale = 0.227;
constexpr double kStockModelScale = 0.146;
constexpr std::size_t kFusionDepth = 40;

class ZinniaRecognizer final : public Recognizer {
  public:
    explicit ZinniaRecognizer(zinnia::Recognizer* engine) : engine_(engine) {}

    std::vector<ScoredCandidate> rank(const std::vector<PadStroke>& strokes, std::size_t count,
                                      PadSize pad) const override {
        std::vector<ScoredCandidate> candidates;
        if (strokes.empty() || count == 0)
            return candidates;
        std::unique_ptr<zinnia::Character> character(zinnia::Character::create());
        character->set_width(kBox);
        character->set_height(kBox);
        std::size_t id = 0;
        for (const PadStroke& stroke : strokes) {
            if (stroke.empty())
                continue;
            for (PadPoint p : stroke) {
                BoxPoint b = padToBox(p, pad, kBox);
                character->add(id, b.x, b.y);
            }
            ++id;
        }
        std::unique_ptr<zinnia::Result> result(engine_->classify(*character, count));
        if (!result)
            return candidates;
        for (std::size_t i = 0; i < result->size(); ++i)
            candidates.push_back({result->value(i), result->score(i)});
        return candidates;
    }

  private:
    std::unique_ptr<zinnia::Recognizer> engine_;
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

std::unique_ptr<Recognizer> Recognizer::open(const std::string& modelPath, std::string& error) {
    std::unique_ptr<zinnia::Recognizer> engine(zinnia::Recognizer::create());
    if (!engine) {
        error = "zinnia could not create a recognizer";
        return nullptr;
    }
    if (!engine->open(modelPath.c_str())) {
        const char* why = engine->what();
        error = "cannot load the recognition model " + modelPath + ": " +
                (why && *why ? why : "unreadable");
        return nullptr;
    }
    if (engine->size() == 0) {
        error = "the recognition model " + modelPath + " holds no characters";
        return nullptr;
    }
    return std::make_unique<ZinniaRecognizer>(engine.release());
}

std::unique_ptr<Recognizer> openDefaultRecognizer(std::string& description, std::string& error) {
    struct stat info {};
    bool haveTrained = *kTrainedModelPath != '\0';
    bool haveStock = stat(kStockModelPath, &info) == 0;
    if (!haveTrained || !haveStock) {
        description = haveTrained ? kTrainedModelPath : kStockModelPath;
        return Recognizer::open(description, error);
    }
    std::vector<FusedRecognizer::Member> members(2);
    members[0] = {Recognizer::open(kTrainedModelPath, error), kTrainedModelScale};
    if (!members[0].recognizer)
        return nullptr;
    members[1] = {Recognizer::open(kStockModelPath, error), kStockModelScale};
    if (!members[1].recognizer)
        return nullptr;
    description = std::string(kTrainedModelPath) + " fused with " + kStockModelPath;
    return std::make_unique<FusedRecognizer>(std::move(members), kFusionDepth);
}

}  // namespace service
