// Real people's online handwriting, for measuring recognition only (never for training): the
// isolated characters of a research corpus in its .pot format, placed on the panel's pad the
// way a user writes there with the mouse.
//
// .pot, little-endian, per sample: u16 sample size in bytes; the two bytes of the GB2312 code,
// second byte first; two zero bytes; u16 stroke count; points as (i16 x, i16 y) in tablet units,
// y downward; (-1, 0) ends a stroke and (-1, -1) ends the sample.
#pragma once

#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

#include "hanzi_medians.h"

namespace real_writing {

struct TabletPoint {
    int x;
    int y;
};
using TabletStroke = std::vector<TabletPoint>;

struct RealSample {
    std::string character;  // UTF-8; empty when the code is not a GB2312 character
    std::vector<TabletStroke> strokes;
};

// Every sample of one file's bytes. A sample that runs past the end or past its own size is
// an error naming its offset: a cut or foreign file is not read as a short one.
bool parsePot(std::string_view bytes, std::vector<RealSample>& samples, std::string& error);
bool readPotFile(const std::string& path, std::vector<RealSample>& samples, std::string& error);

// The .pot files of a folder, sorted by name.
std::vector<std::string> listPotFiles(const std::string& folder);
// The first `writersWanted` of them (0: all). None: says where to put them, for the benchmarks
// that measure with them, and returns none.
std::vector<std::string> writerFiles(const std::string& folder, int writersWanted);

// How a user puts a character on the pad: its larger side at `fill` of the pad's shorter side,
// its centre `offsetX`, `offsetY` pixels from the pad's centre, and the mouse reporting the
// pen's path at most `step` pixels apart, each report a whole pixel.
struct Placement {
    double fill = 0.7;
    double offsetX = 0;
    double offsetY = 0;
    double step = 1.5;
};
std::vector<hanzi::PadPath> placeOnPad(const std::vector<TabletStroke>& strokes,
                                       const Placement& placement, hanzi::PadLayout pad = {});

}  // namespace real_writing
