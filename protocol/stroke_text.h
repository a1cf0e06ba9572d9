// Reading the stroke data of a recognition request: the panel's stroke text without its first
// and last byte ("10a20a13a20aa50a60a50a64"), as it arrives in the form field `wd`.
#pragma once

#include <cstddef>
#include <string_view>
#include <vector>

#include "protocol/pad_strokes.h"

namespace protocol {

struct StrokeTextLimits {
    std::size_t maxPoints = 10000;
    std::size_t maxStrokes = 200;
};

enum class StrokeTextStatus {
    ok,
    badCharacter,  // something other than digits and "a"
    tooLarge,      // more points or strokes than the limits allow
};

struct ParsedStrokes {
    StrokeTextStatus status = StrokeTextStatus::ok;
    std::vector<PadStroke> strokes;  // strokes with at least one point, in writing order
    int pointsOutsidePad = 0;        // dropped: the pad never sends them
    bool droppedCutPoint = false;    // the final point lost its last digit in transit
};

// Reads the points and strokes. A request sent while the pen is still moving ends in a y whose
// last digit the panel cut off; that final point is dropped rather than recognised as a wild
// jump (see the .cpp for how it is told apart from a complete one).
ParsedStrokes parseStrokeText(std::string_view innerText, PadSize pad = {},
                              StrokeTextLimits limits = {});

}  // namespace protocol
