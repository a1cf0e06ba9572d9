// The shape of a written character as pictures, for the network model (network_model.h). The
// writing is first normalised by its moments (centre of ink, spread in each direction), which
// takes out where on the pad and how large it was written and most of a squeeze or stretch.
// Every piece of a stroke then adds its length to the two of eight pen directions it lies
// between, at its place on a grid of 32 x 32 cells; the moves with the pen up between strokes do
// the same in eight planes of their own. The strokes' shapes do not depend on their order: a
// stroke-order slip changes only the pen-up planes, a stroke drawn backwards its own direction.
// What the normalisation takes out, the writing's size and place, is kept apart (its geometry).
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <vector>

#include "engine/recognizer.h"

namespace engine {

constexpr int kDirectionCount = 8;
constexpr int kPlaneSets = 2;  // the ink, the moves with the pen up

// Every plane a grid of kPlaneCells x kPlaneCells cells over the normalised writing, each cell
// holding the length of pen path in its direction.
constexpr int kPlaneCells = 32;
constexpr std::size_t kDirectionPlaneSize =
    kPlaneSets * kDirectionCount * kPlaneCells * kPlaneCells;
using DirectionPlanes = std::array<float, kDirectionPlaneSize>;

// False (and `out` all zero) when the writing holds no point at all. Pad coordinates need not
// lie on the pad: only their shape matters.
bool extractDirectionPlanes(const std::vector<PadStroke>& strokes, DirectionPlanes& out);

// What the normalisation takes out: how large the writing is and where it lies on the pad (the
// width, height and centre of its points, in 255ths of the pad's longer side, as whole numbers).
// A small circle low on the pad is 。, a large one 0 or 口.
constexpr int kGeometryValues = 4;
using WritingGeometry = std::array<std::uint8_t, kGeometryValues>;
WritingGeometry writingGeometry(const std::vector<PadStroke>& strokes, PadSize pad = {});

}  // namespace engine
