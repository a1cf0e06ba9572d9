#include "zinnia_peer.h"

#include <zinnia.h>

#include <algorithm>
#include <cmath>

namespace bench {
namespace {

// The tegaki models were trained on characters written in a 1000 x 1000 box.
constexpr int kBox = 1000;

class ZinniaPeer final : public engine::Recognizer {
  public:
    explicit ZinniaPeer(zinnia::Recognizer* engine) : engine_(engine) {}

    std::vector<engine::ScoredCandidate> rank(const std::vector<protocol::PadStroke>& strokes,
                                              std::size_t count, PadSize pad) const override {
        std::vector<engine::ScoredCandidate> candidates;
        if (count == 0)
            return candidates;
        const int side = std::max({pad.width, pad.height, 1});
        const double scale = static_cast<double>(kBox) / side;
        auto place = [&](double v) {
            return static_cast<std::size_t>(
                std::clamp(static_cast<int>(std::lround(v * scale)), 0, kBox));
        };
        std::unique_ptr<zinnia::Character> character(zinnia::Character::create());
        character->set_width(kBox);
        character->set_height(kBox);
        std::size_t id = 0;
        for (const protocol::PadStroke& stroke : strokes) {
            if (stroke.empty())
                continue;
            for (protocol::PadPoint p : stroke)
                character->add(id, place(p.x + (side - pad.width) / 2.0),
                               place(p.y + (side - pad.height) / 2.0));
            ++id;
        }
        if (id == 0)
            return candidates;
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

std::unique_ptr<engine::Recognizer> openZinniaPeer(const std::string& modelPath,
                                                   std::string& error) {
    std::unique_ptr<zinnia::Recognizer> engine(zinnia::Recognizer::create());
    if (!engine || !engine->open(modelPath.c_str()) || engine->size() == 0) {
        const char* why = engine ? engine->what() : nullptr;
        error = "cannot load the zinnia model " + modelPath + ": " +
                (why && *why ? why : "unreadable or empty");
        return nullptr;
    }
    return std::make_unique<ZinniaPeer>(engine.release());
}

}  // namespace bench
