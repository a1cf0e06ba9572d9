// Turning a character's stroke centre lines (npm's hanzi-writer-data, one JSON file per
// character) into what the panel's writing pad would send for it, for the trainer, the tests and
// the benchmarks.
//
//   HanziMedians medians;  loadHanziMedians(dataDir, "中", medians, error);
//   auto path = mediansToPadPath(medians);                      // pen path in pad pixels
//   PadRecording pad = writeOnPad(path);                         // sampled like the pad
//   pad.strokeText;  pad.requests.back();                        // "a10a20a...a", inner texts
#pragma once

#include <algorithm>
#include <cmath>
#include <string>
#include <vector>

#include "protocol/pad_rules.h"

namespace hanzi {

// Centre lines in the data's 1024 x 1024 box, converted to y downward (screen orientation).
struct MedianPoint {
    double x;
    double y;
};
using MedianStroke = std::vector<MedianPoint>;
struct HanziMedians {
    std::vector<MedianStroke> strokes;
    std::vector<int> radicalStrokes;  // the data's "radStrokes": which strokes are the radical
};

// The data stores y upward with its baseline at 900: screen y = 900 - stored y.
constexpr double kDataBox = 1024.0;
constexpr double kDataTop = 900.0;

// Points every `spacing` units (at most) along a centre line, its own points among them.
MedianStroke resampleStroke(const MedianStroke& stroke, double spacing);

// `character` is UTF-8; the file is <dataDir>/<character>.json.
bool loadHanziMedians(const std::string& dataDir, const std::string& character, HanziMedians& out,
                      std::string& error);
// Reads the "medians" member of one character's JSON text, and "radStrokes" where it has one.
bool parseHanziMedians(const std::string& json, HanziMedians& out, std::string& error);

struct PadPixel {
    int x;
    int y;
};
using PadPath = std::vector<PadPixel>;  // one stroke as the mouse moves through it

struct PadLayout {
    int width = kPadWidth;
    int height = kPadHeight;
    int margin = 12;  // pixels kept free on each side
};

// A line walked as mouse move events report it: its points, in units of `pixelsPerUnit` pad
// pixels, visited in steps of at most `step` pixels, each report the whole pixel `toPad` makes
// of a point (x, y), a report that repeats the last one left out.
template <typename ToPad>
PadPath walkLine(const std::vector<MedianPoint>& points, double pixelsPerUnit, double step,
                 ToPad toPad) {
    PadPath path;
    if (points.empty())
        return path;
    path.push_back(toPad(points[0].x, points[0].y));
    for (std::size_t i = 1; i < points.size(); ++i) {
        const MedianPoint a = points[i - 1], b = points[i];
        const double length = std::hypot(b.x - a.x, b.y - a.y) * pixelsPerUnit;
        const int steps = std::max(1, static_cast<int>(std::ceil(length / std::max(step, 0.01))));
        for (int s = 1; s <= steps; ++s) {
            const double t = static_cast<double>(s) / steps;
            const PadPixel p = toPad(a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t);
            if (p.x != path.back().x || p.y != path.back().y)
                path.push_back(p);
        }
    }
    return path;
}

// Scales the 1024 box uniformly into the pad inside the margin, centred, and walks each centre
// line in steps of at most `step` pixels, as mouse move events would report it.
std::vector<PadPath> mediansToPadPath(const HanziMedians& medians, PadLayout layout = {},
                                      double step = 1.0);

// What the pad makes of the pen moving along the paths, written through the panel's own pen
// (recognition/writing_pad.h): its stroke text and the inner stroke texts (without first and
// last byte) of every recognition request, in the order sent.
struct PadRecording {
    std::string strokeText;
    std::vector<std::string> requests;
    std::vector<bool> midStroke;  // per request: sent at the eleventh point, pen still down
};
PadRecording writeOnPad(const std::vector<PadPath>& strokes, int referenceValue = 3);

// Every character file in the data folder, as UTF-8 names without ".json".
std::vector<std::string> listHanziCharacters(const std::string& dataDir);

}  // namespace hanzi
