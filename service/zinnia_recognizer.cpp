// A zinnia model scored by the zinnia library itself (benchmarks and tests compare it with the
// indexed scoring). Builds without zinnia use zinnia_absent.cpp instead.
#include <zinnia.h>

#include <memory>

#include "recognizer.h"

namespace service {
namespace {

class ZinniaRecognizer final : public Recognizer {
  public:
    explicit ZinniaRecognizer(zinnia::Recognizer* engine) : engine_(engine) {}

    std::vector<ScoredCandidate> rank(const std::vector<PadStroke>& strokes, std::size_t count,
                                      PadSize pad) const override {
        std::vector<ScoredCandidate> candidates;
        std::vector<std::vector<BoxPoint>> box = boxStrokes(strokes, pad);
        if (box.empty() || count == 0)
            return candidates;
        std::unique_ptr<zinnia::Character> character(zinnia::Character::create());
        character->set_width(kZinniaBox);
        character->set_height(kZinniaBox);
        for (std::size_t id = 0; id < box.size(); ++id) {
            for (BoxPoint b : box[id]) character->add(id, b.x, b.y);
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

std::unique_ptr<Recognizer> Recognizer::openWithZinnia(const std::string& modelPath,
                                                       std::string& error) {
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

}  // namespace service
