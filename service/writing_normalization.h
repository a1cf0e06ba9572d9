// Writing brought to a standard size and place before recognition. The models' features
// include where strokes start and end on the pad, so the same character written small in a
// corner scores differently from one written large in the middle; read a second time at the
// size and place of neat writing, it meets the models where they are surest. The service
// fuses both readings (recognizer.cpp).
#pragma once

#include <memory>
#include <vector>

#include "recognizer.h"

namespace service {

// The side of the square pad normalised writing is given on.
constexpr int kNormalizedPadSide = 1000;

// The strokes scaled (keeping their proportions) so that the longer side of their bounding box
// is `fill` of a kNormalizedPadSide square pad, and centred on it. Writing with no extent (a
// single dot) is only centred.
std::vector<PadStroke> normalizeWriting(const std::vector<PadStroke>& strokes, PadSize pad,
                                        double fill);

// Recognises with another recogniser, on the normalised writing.
class NormalizingRecognizer final : public Recognizer {
  public:
    NormalizingRecognizer(std::shared_ptr<const Recognizer> inner, double fill)
        : inner_(std::move(inner)), fill_(fill) {}

    std::vector<ScoredCandidate> rank(const std::vector<PadStroke>& strokes, std::size_t count,
                                      PadSize pad) const override;

  private:
    std::shared_ptr<const Recognizer> inner_;
    double fill_;
};

}  // namespace service
