// The strokes as the pad wrote them: points in pad pixels, in writing order. The service reads
// them from the stroke text, the engine recognises them, the trainer writes them.
#pragma once

#include <vector>

#include "protocol/pad_rules.h"

namespace protocol {

struct PadPoint {
    int x = 0;
    int y = 0;
};
inline bool operator==(PadPoint a, PadPoint b) {
    return a.x == b.x && a.y == b.y;
}

using PadStroke = std::vector<PadPoint>;

}  // namespace protocol
