#include "writing_normalization.h"

#include <algorithm>
#include <cmath>

namespace service {

std::vector<PadStroke> normalizeWriting(const std::vector<PadStroke>& strokes, PadSize pad,
                                        double fill) {
    int left = 0, right = -1, top = 0, bottom = -1;
    for (const PadStroke& stroke : strokes) {
        for (PadPoint p : stroke) {
            if (right < left) {
                left = right = p.x;
                top = bottom = p.y;
            }
            left = std::min(left, p.x);
            right = std::max(right, p.x);
            top = std::min(top, p.y);
            bottom = std::max(bottom, p.y);
        }
    }
    std::vector<PadStroke> normalized;
    if (right < left)
        return normalized;
    int extent = std::max(right - left, bottom - top);
    // A dot keeps the scale the pad itself would be read at.
    double scale = extent > 0 ? fill * kNormalizedPadSide / extent
                              : static_cast<double>(kNormalizedPadSide) /
                                    std::max(std::max(pad.width, pad.height), 1);
    double centreX = (left + right) / 2.0, centreY = (top + bottom) / 2.0;
    auto place = [&](double v, double centre) {
        return std::clamp(
            static_cast<int>(std::lround(kNormalizedPadSide / 2.0 + (v - centre) * scale)), 0,
            kNormalizedPadSide);
    };
    for (const PadStroke& stroke : strokes) {
        normalized.emplace_back();
        for (PadPoint p : stroke)
            normalized.back().push_back({place(p.x, centreX), place(p.y, centreY)});
    }
    return normalized;
}

std::vector<ScoredCandidate> NormalizingRecognizer::rank(const std::vector<PadStroke>& strokes,
                                                         std::size_t count, PadSize pad) const {
    return inner_->rank(normalizeWriting(strokes, pad, fill_), count,
                        {kNormalizedPadSide, kNormalizedPadSide});
}

}  // namespace service
