// The shape of a written character as a fixed-length vector, for the shape model
// (shape_model.h). The writing is first normalised by its moments (centre of ink, spread in
// each direction), which takes out where on the pad and how large it was written and most of
// a squeeze or stretch. Every piece of a stroke then adds its length to the two of eight pen
// directions it lies between, at its place on a coarse grid, and each direction plane is read
// through a Gaussian blur at 8 x 8 points. The vector depends on what was drawn, not on the
// order of the strokes, so a stroke-order slip changes it only where a stroke was drawn
// backwards or two strokes were joined.
#pragma once

#include <array>
#include <cstddef>
#include <vector>

#include "stroke_text.h"

namespace service {

constexpr int kDirectionCount = 8;
constexpr int kFeatureGrid = 8;
constexpr std::size_t kDirectionFeatureSize = kDirectionCount * kFeatureGrid * kFeatureGrid;

using DirectionFeatures = std::array<float, kDirectionFeatureSize>;

// False (and `out` all zero) when the writing holds no point at all. Pad coordinates need not
// lie on the pad: only their shape matters.
bool extractDirectionFeatures(const std::vector<PadStroke>& strokes, DirectionFeatures& out);

}  // namespace service
