// A hand that moves: the pen's path made from a plan of movements, as the kinematic theory of
// rapid human movements describes writing (the sigma-lognormal model). Each stroke is a few
// elementary movements towards target points taken from its centre line, and so is each move
// between strokes; every movement's speed rises and falls as a lognormal in time and bends its
// direction along a circular arc, and the pen's path is the sum of all of them.
//
// Writing faster runs the same plan with the movements overlapping more in time: a movement
// starts while the one before is still under way, so corners become curves, a stroke's end
// trails towards the next stroke's start, and the moves between strokes are made with the pen
// down more often, becoming ink. Slowly, the plan gives the printed form; quickly, its cursive
// forms, and the sample's speed decides which (WritingSettings: speed_min .. overlap_fast).
//
//   std::vector<hanzi::MedianStroke> ink = writeWithMovingHand(strokes, settings, random, notes);
#pragma once

#include <vector>

#include "hanzi_medians.h"
#include "mouse_writing.h"

namespace training {

// The pen-down lines of one written character (1024 box, y downward), points at most a few
// units apart, from its centre lines in writing order. Draws the sample's speed, the targets'
// scatter and which moves are made with the pen down from `random`; notes.joins counts the
// moves made with the pen down.
std::vector<hanzi::MedianStroke> writeWithMovingHand(
    const std::vector<hanzi::MedianStroke>& strokes, const WritingSettings& settings,
    Random& random, SampleNotes& notes);

}  // namespace training
