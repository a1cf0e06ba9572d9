// A second source of character shapes: a font's glyphs. The centre-line data gives every
// character's strokes (their number, order and direction); a font drawn by another hand gives
// other proportions and another placement of the same strokes. Each stroke of the centre-line
// data is moved onto the glyph's own centre lines (the glyph's ink thinned to lines one pixel
// wide), so that the synthetic hand can write the character as that font shapes it.
//
//   auto shapes = GlyphShapes::open("/usr/share/fonts/.../LXGWWenKai-Regular.ttf", error);
//   hanzi::HanziMedians fitted;
//   if (shapes->fit(medians, codepoint, fitted)) ...   // else: the font cannot give this shape
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "hanzi_medians.h"

namespace training {

// A square bitmap over the centre-line data's 1024 box (y downward), kGlyphCell units a pixel.
constexpr int kGlyphPixels = 256;
constexpr double kGlyphCell = hanzi::kDataBox / kGlyphPixels;
struct GlyphBitmap {
    std::vector<std::uint8_t> ink = std::vector<std::uint8_t>(kGlyphPixels * kGlyphPixels, 0);
    bool at(int x, int y) const {
        return x >= 0 && y >= 0 && x < kGlyphPixels && y < kGlyphPixels &&
               ink[static_cast<std::size_t>(y * kGlyphPixels + x)] != 0;
    }
};

// Thins ink to lines one pixel wide that keep its shape and connections (Zhang and Suen's
// thinning).
GlyphBitmap thinInk(GlyphBitmap ink);

struct StrokeFit {
    hanzi::HanziMedians medians;
    double meanDistance = 0;  // from the moved strokes to the nearest centre line, in units
    double covered = 0;       // share of the centre lines that some stroke now lies on
};
// Moves the strokes onto the centre lines: first the whole character, so that its ink's centre
// and spread match the glyph's, then each stroke by its own small affine change, towards the
// nearest centre-line points (iterated closest points, held near the stroke's first shape).
// False when the glyph has no centre line.
bool fitStrokes(const hanzi::HanziMedians& medians, const GlyphBitmap& centreLines, StrokeFit& out);

// A fit this far off, or covering this little, is a glyph built otherwise than the data's
// strokes; such a character keeps the data's own shape.
constexpr double kMaxMeanDistance = 12.0;
constexpr double kMinCovered = 0.72;

class GlyphShapes {
  public:
    // Null, with `error` saying why, when the font cannot be read.
    static std::shared_ptr<GlyphShapes> open(const std::string& fontPath, std::string& error);
    ~GlyphShapes();
    GlyphShapes(const GlyphShapes&) = delete;
    GlyphShapes& operator=(const GlyphShapes&) = delete;

    // The character's strokes moved onto the font's glyph for `codepoint`; false when the font
    // has no such glyph or its strokes do not fit it. Each character is fitted once; safe to
    // call from several threads at once.
    bool fit(const hanzi::HanziMedians& medians, std::uint32_t codepoint,
             hanzi::HanziMedians& out) const;
    // The glyph's ink, or false when the font has none for `codepoint`.
    bool render(std::uint32_t codepoint, GlyphBitmap& ink) const;

  private:
    GlyphShapes() = default;
    struct Font;
    std::unique_ptr<Font> font_;
    mutable std::mutex mutex_;  // the font library is not thread-safe; the cache neither
    mutable std::map<std::uint32_t, std::shared_ptr<const hanzi::HanziMedians>> fitted_;
};

}  // namespace training
