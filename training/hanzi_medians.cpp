#include "hanzi_medians.h"

#include "file_parsing.h"

#include "recognition/writing_pad.h"

#include <algorithm>
#include <cctype>
#include <cmath>
#include <cstdlib>
#include <fstream>
#include <sstream>

namespace hanzi {

MedianStroke resampleStroke(const MedianStroke& stroke, double spacing) {
    MedianStroke out;
    if (stroke.empty())
        return out;
    out.push_back(stroke[0]);
    for (std::size_t i = 1; i < stroke.size(); ++i) {
        MedianPoint a = stroke[i - 1], b = stroke[i];
        int steps =
            std::max(1, static_cast<int>(std::ceil(std::hypot(a.x - b.x, a.y - b.y) / spacing)));
        for (int s = 1; s <= steps; ++s) {
            double t = static_cast<double>(s) / steps;
            out.push_back({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t});
        }
    }
    return out;
}
namespace {

// A reader for the nested number arrays of "medians": [[[x,y],[x,y]],[[x,y],...]].
class ArrayReader {
  public:
    ArrayReader(const std::string& text, std::size_t at) : text_(text), at_(at) {}

    bool readStrokes(std::vector<MedianStroke>& strokes) {
        if (!expect('['))
            return false;
        if (peek(']'))
            return expect(']');
        do {
            MedianStroke stroke;
            if (!readStroke(stroke))
                return false;
            strokes.push_back(std::move(stroke));
        } while (accept(','));
        return expect(']');
    }

    bool readNumbers(std::vector<double>& numbers) {
        if (!expect('['))
            return false;
        if (peek(']'))
            return expect(']');
        do {
            double n = 0;
            if (!readNumber(n))
                return false;
            numbers.push_back(n);
        } while (accept(','));
        return expect(']');
    }

  private:
    bool readStroke(MedianStroke& stroke) {
        if (!expect('['))
            return false;
        if (peek(']'))
            return expect(']');
        do {
            double x = 0, y = 0;
            if (!expect('[') || !readNumber(x) || !expect(',') || !readNumber(y) || !expect(']'))
                return false;
            stroke.push_back({x, kDataTop - y});
        } while (accept(','));
        return expect(']');
    }

    void skipSpace() {
        while (at_ < text_.size() && std::isspace(static_cast<unsigned char>(text_[at_]))) ++at_;
    }
    bool peek(char c) {
        skipSpace();
        return at_ < text_.size() && text_[at_] == c;
    }
    bool accept(char c) {
        if (!peek(c))
            return false;
        ++at_;
        return true;
    }
    bool expect(char c) { return accept(c); }
    bool readNumber(double& value) {
        skipSpace();
        const char* begin = text_.c_str() + at_;
        char* end = nullptr;
        value = std::strtod(begin, &end);
        if (end == begin)
            return false;
        at_ += static_cast<std::size_t>(end - begin);
        return true;
    }

    const std::string& text_;
    std::size_t at_;
};

}  // namespace

bool parseHanziMedians(const std::string& json, HanziMedians& out, std::string& error) {
    out.strokes.clear();
    std::size_t key = json.find("\"medians\"");
    std::size_t colon = key == std::string::npos ? key : json.find(':', key);
    if (colon == std::string::npos) {
        error = "no \"medians\" member";
        return false;
    }
    ArrayReader reader(json, colon + 1);
    if (!reader.readStrokes(out.strokes) || out.strokes.empty()) {
        error = "malformed \"medians\"";
        out.strokes.clear();
        return false;
    }
    out.radicalStrokes.clear();
    std::size_t radical = json.find("\"radStrokes\"");
    colon = radical == std::string::npos ? radical : json.find(':', radical);
    if (colon != std::string::npos) {
        ArrayReader numbers(json, colon + 1);
        std::vector<double> indices;
        if (!numbers.readNumbers(indices)) {
            error = "malformed \"radStrokes\"";
            out.strokes.clear();
            return false;
        }
        for (double i : indices)
            if (i >= 0 && i < static_cast<double>(out.strokes.size()) && i == std::floor(i))
                out.radicalStrokes.push_back(static_cast<int>(i));
    }
    return true;
}

bool loadHanziMedians(const std::string& dataDir, const std::string& character, HanziMedians& out,
                      std::string& error) {
    return training::parseFile(
        dataDir + "/" + character + ".json", error,
        [&](const std::string& json) { return parseHanziMedians(json, out, error); });
}

std::vector<PadPath> mediansToPadPath(const HanziMedians& medians, PadLayout layout, double step) {
    double usable = std::min(layout.width, layout.height) - 2.0 * layout.margin;
    double scale = usable / kDataBox;
    double left = (layout.width - kDataBox * scale) / 2.0;
    double top = (layout.height - kDataBox * scale) / 2.0;
    auto toPad = [&](double px, double py) {
        int x = static_cast<int>(std::lround(left + px * scale));
        int y = static_cast<int>(std::lround(top + py * scale));
        return PadPixel{std::clamp(x, 0, layout.width), std::clamp(y, 0, layout.height)};
    };
    std::vector<PadPath> paths;
    for (const MedianStroke& stroke : medians.strokes)
        paths.push_back(walkLine(stroke, scale, step, toPad));
    return paths;
}

PadRecording writeOnPad(const std::vector<PadPath>& strokes, int referenceValue) {
    // Through the panel's own pen: the button goes down at a path's start, the mouse moves
    // along it and the button goes up at its end, and every request the pen asks for is kept.
    PadRecording pad;
    StrokeCapture pen;
    pen.referenceValue = referenceValue;
    auto keep = [&](const PadDecision& decision, bool midStroke) {
        if (!decision.request)
            return;
        pad.requests.push_back(pen.strokeText.requestFields().strokeData);
        pad.midStroke.push_back(midStroke);
    };
    for (const PadPath& path : strokes) {
        if (path.empty())
            continue;
        pen.buttonDown(static_cast<std::uint16_t>(path[0].x),
                       static_cast<std::uint16_t>(path[0].y));
        for (std::size_t i = 1; i < path.size(); ++i)
            keep(pen.mouseMove(static_cast<std::uint16_t>(path[i].x),
                               static_cast<std::uint16_t>(path[i].y), PadSize{}),
                 true);
        keep(pen.buttonUp(), false);
    }
    pad.strokeText = pen.strokeText.text();
    return pad;
}

std::vector<std::string> listHanziCharacters(const std::string& dataDir) {
    return training::listFilesEndingIn(dataDir, ".json");
}

}  // namespace hanzi
