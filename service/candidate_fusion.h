// Several recognisers' candidate lists made into one. Each recogniser scores on its own scale,
// so a list is first read as that recogniser's belief in its candidates: a softmax over its
// scores with a temperature of its own (its `scale`). The fused list ranks a character by the
// product of those beliefs, that is by the sum over the lists of
//
//     (score of the character - best score in the list) / scale
//
// A character that both recognisers rank high rises above one that only one of them likes,
// and a recogniser that is sure (its best candidate far ahead of the rest) outweighs one that
// hesitates. A list is cut at some depth, so a character missing from it is counted as though
// it were the list's last candidate: its score there is at most that, and no lower bound is
// known.
#pragma once

#include <cstddef>
#include <memory>
#include <string>
#include <vector>

#include "recognizer.h"

namespace service {

struct FusionSource {
    std::vector<ScoredCandidate> candidates;  // best first, as a recogniser gives them
    double scale = 1;                         // score units per unit of log belief, > 0
};

// At most `count` candidates, best first, each with its fused score (0 for a character every
// list ranks first, negative otherwise). Equal fused scores keep the order in which the
// characters first appear, earlier sources first. An empty list adds nothing.
std::vector<ScoredCandidate> fuseCandidates(const std::vector<FusionSource>& sources,
                                            std::size_t count);

// A recogniser that asks each of its members for `depth` candidates (or more, when more are
// wanted) and answers with their fused list. Thread safe when the members are.
class FusedRecognizer final : public Recognizer {
  public:
    struct Member {
        std::shared_ptr<const Recognizer> recognizer;  // members may share a model
        double scale = 1;
    };
    FusedRecognizer(std::vector<Member> members, std::size_t depth);

    std::vector<ScoredCandidate> rank(const std::vector<PadStroke>& strokes, std::size_t count,
                                      PadSize pad) const override;

  private:
    std::vector<Member> members_;
    std::size_t depth_;
};

}  // namespace service
