// Turning a character's stroke centre lines (npm's hanzi-writer-data, one JSON file per
// character) into what the panel's writing pad would send for it, for the trainer, the tests and
// the benchmarks.
//
//   HanziMedians medians;  loadHanziMedians(dataDir, "中", medians, error);
//   auto path = mediansToPadPath(medians);                      // pen path in pad pixels
//   PadRecording pad = writeOnPad(path);                         // sampled like the pad
//   pad.strokeText;  pad.requests.back();                        // "a10a20a...a", inner texts
#pragma once

#include <string>
#include <vector>

#include "recognition/pad_rules.h"

namespace hanzi {

// Centre lines in the data's 1024 x 1024 box, converted to y downward (screen orientation).
struct MedianPoint {
    double x;
    double y;
};
using MedianStroke = std::vector<MedianPoint>;
struct HanziMedians {
    std::vector<MedianStroke> strokes;
};

// The data stores y upward with its baseline at 900: screen y = 900 - stored y.
constexpr double kDataBox = 1024.0;
constexpr double kDataTop = 900.0;

// Points every `spacing` units (at most) along a centre line, its own points among them.
MedianStroke resampleStroke(const MedianStroke& stroke, double spacing);

// `character` is UTF-8; the file is <dataDir>/<character>.json.
bool loadHanziMedians(const std::string& dataDir, const std::string& character, HanziMedians& out,
                      std::string& error);
// Reads the "medians" member of one character's JSON text.
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
