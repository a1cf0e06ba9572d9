// libFuzzer entry for the stroke data reader: any bytes, no crash, sane output.
#include <cstdint>
#include <cstdlib>
#include <string_view>

#include "protocol/stroke_text.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    std::string_view text(reinterpret_cast<const char*>(data), size);
    protocol::StrokeTextLimits limits;
    limits.maxPoints = 500;
    limits.maxStrokes = 50;
    protocol::ParsedStrokes parsed = protocol::parseStrokeText(text, {}, limits);
    std::size_t points = 0;
    for (const protocol::PadStroke& stroke : parsed.strokes) {
        if (stroke.empty())
            std::abort();
        for (protocol::PadPoint p : stroke) {
            if (p.x < 0 || p.x > 214 || p.y < 0 || p.y > 207)
                std::abort();
        }
        points += stroke.size();
    }
    if (points > limits.maxPoints || parsed.strokes.size() > limits.maxStrokes)
        std::abort();
    if (parsed.status != protocol::StrokeTextStatus::ok && !parsed.strokes.empty())
        std::abort();
    return 0;
}
