#include "protocol/stroke_text.h"

#include <algorithm>
#include <cstdlib>

namespace protocol {
namespace {

// Numbers are pad pixels; anything longer than this is garbage and saturates, so it is
// rejected by the pad bounds instead of overflowing.
constexpr int kSaturatedNumber = 1000000;

struct RawStroke {
    PadStroke points;
    bool danglingX = false;  // a lone x with no y after it: its y was cut off entirely
};

bool readNumber(std::string_view token, int& value) {
    long long v = 0;
    for (char c : token) {
        if (c < '0' || c > '9')
            return false;
        v = std::min<long long>(v * 10 + (c - '0'), kSaturatedNumber);
    }
    value = static_cast<int>(v);
    return true;
}

// Replays the panel's request schedule over the strokes: true when the last point of the text
// is exactly the one at which a mid-stroke request went out, i.e. the request whose stroke text
// was cut inside that point's y.
bool endsAtMidStrokeRequest(const std::vector<RawStroke>& strokes) {
    int count = 0;
    bool lastWasRequest = false;
    for (std::size_t s = 0; s < strokes.size(); ++s) {
        std::size_t points = strokes[s].points.size() + (strokes[s].danglingX ? 1 : 0);
        for (std::size_t p = 0; p < points; ++p) {
            ++count;
            lastWasRequest = count >= kSamplesPerRequest;
            if (lastWasRequest)
                count = 0;
        }
        if (s + 1 < strokes.size())
            count = 0;  // a stroke end sends any pending points
    }
    return lastWasRequest;
}

int stepLength(PadPoint a, PadPoint b) {
    return std::max(std::abs(a.x - b.x), std::abs(a.y - b.y));
}

// A last point much further from its neighbour than any earlier step of the stroke looks like a
// y that lost a digit; a client that does not follow the panel's schedule exactly is caught here.
bool finalStepImplausible(const PadStroke& stroke) {
    if (stroke.size() < 3)
        return false;
    int longest = 0;
    for (std::size_t i = 1; i + 1 < stroke.size(); ++i)
        longest = std::max(longest, stepLength(stroke[i - 1], stroke[i]));
    int last = stepLength(stroke[stroke.size() - 2], stroke.back());
    return last > std::max(3 * longest, 16);
}

}  // namespace

ParsedStrokes parseStrokeText(std::string_view text, PadSize pad, StrokeTextLimits limits) {
    ParsedStrokes result;
    std::vector<RawStroke> raw(1);
    bool haveX = false;
    int x = 0;
    std::size_t totalPoints = 0;

    std::size_t start = 0;
    for (;;) {
        std::size_t end = std::min(text.find('a', start), text.size());
        std::string_view token = text.substr(start, end - start);
        bool finalToken = end == text.size();
        if (token.empty()) {
            if (finalToken)
                break;  // a trailing "a": a lone x before it is handled below
            // An empty token between two separators closes the stroke; a lone x goes with it.
            haveX = false;
            if (!raw.back().points.empty())
                raw.emplace_back();
            if (raw.size() > limits.maxStrokes) {
                result.status = StrokeTextStatus::tooLarge;
                return result;
            }
        } else {
            int value = 0;
            if (!readNumber(token, value)) {
                result.status = StrokeTextStatus::badCharacter;
                return result;
            }
            if (!haveX) {
                x = value;
                haveX = true;
            } else {
                raw.back().points.push_back({x, value});
                haveX = false;
                if (++totalPoints > limits.maxPoints) {
                    result.status = StrokeTextStatus::tooLarge;
                    return result;
                }
            }
        }
        if (finalToken)
            break;
        start = end + 1;
    }
    // A text ending in an x without its y ("...a16a"): the y had one digit and that was cut.
    if (haveX)
        raw.back().danglingX = true;  // "...a16" with no y: cut inside a one-digit y
    while (!raw.empty() && raw.back().points.empty() && !raw.back().danglingX) raw.pop_back();

    if (!raw.empty()) {
        RawStroke& last = raw.back();
        if (last.danglingX) {
            result.droppedCutPoint = true;
        } else if (endsAtMidStrokeRequest(raw) || finalStepImplausible(last.points)) {
            last.points.pop_back();
            result.droppedCutPoint = true;
        }
    }

    for (RawStroke& stroke : raw) {
        PadStroke kept;
        for (PadPoint p : stroke.points) {
            if (p.x < 0 || p.y < 0 || p.x > pad.width || p.y > pad.height) {
                ++result.pointsOutsidePad;
                continue;
            }
            kept.push_back(p);
        }
        if (!kept.empty())
            result.strokes.push_back(std::move(kept));
    }
    return result;
}

}  // namespace protocol
