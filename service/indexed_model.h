// A zinnia model scored without zinnia. zinnia describes a written character by a few hundred
// numbered features and scores it against every character of the model with a linear
// classifier; it walks each character's whole weight list (tens of megabytes per request)
// only to use the few weights whose feature the writing has. Here the weights are read once
// into an index by feature, so a request touches only those. Features and scores are computed
// exactly as zinnia 0.06 computes them, to the bit: the same lists come out, only sooner.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "recognizer.h"

namespace service {

struct Feature {
    int index;
    float value;
};

// The features of strokes written in a width x height box, sorted by index, each index once
// (zinnia's order: where a deep stroke repeats an index, its first occurrence counts). Empty
// when there is nothing to describe (no strokes, an empty stroke, an empty box).
std::vector<Feature> characterFeatures(const std::vector<std::vector<BoxPoint>>& strokes, int width,
                                       int height);

class IndexedModel {
  public:
    // Reads a zinnia binary model; null when the file is not one, `error` then says why.
    static std::unique_ptr<IndexedModel> load(const std::string& path, std::string& error);

    std::size_t size() const { return characters_.size(); }

    // The `count` best characters for these features, best first, with zinnia's scores; equal
    // scores put the character later in the model first, as zinnia does.
    std::vector<ScoredCandidate> rank(const std::vector<Feature>& features,
                                      std::size_t count) const;

  private:
    std::vector<std::string> characters_;
    std::vector<float> bias_;
    // For each feature index (sorted), the characters with a weight for it and the weights,
    // in model order: postings_[starts_[k] .. starts_[k + 1]) (empty for a dense feature).
    std::vector<int> featureIndices_;
    std::vector<std::uint32_t> starts_;
    struct Posting {
        std::uint32_t character;
        float weight;
    };
    std::vector<Posting> postings_;
    // Features most characters weigh: their row in denseWeights_ (a weight per character), or
    // kSparse when the postings hold them.
    static constexpr std::uint32_t kSparse = 0xffffffff;
    std::vector<std::uint32_t> denseRows_;
    std::vector<float> denseWeights_;
};

}  // namespace service
