// Synthetic handwriting for training and measuring the recogniser: a character's stroke centre
// lines (hanzi-writer-data) are written the way a hand with a mouse writes them on the panel's
// pad, then read back exactly as the service reads a request.
//
//   WritingSettings s;  readWritingSettings(text, s, error);
//   SampleGenerator gen(s);
//   WrittenSample w = gen.write(medians, codepoint, sampleIndex);   // reproducible per index
//   w.padStrokes;                                                    // as the service reads it
//
// The distortions imitate what a mouse does to handwriting: the whole character sheared,
// rotated, squeezed and placed anywhere on the pad; each stroke shifted and resized a little;
// slow wobbles along a stroke and pixel noise; moves of a few pixels per mouse event; the
// pad's own sampling at a reference value 3..8; strokes joined where the pen did not lift; and
// the stroke-order slips people make (neighbours swapped, a closing stroke written too early,
// a stroke drawn backwards).
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "cursive_components.h"
#include "glyph_shapes.h"
#include "hanzi_medians.h"
#include "protocol/stroke_text.h"

namespace training {

struct WritingSettings {
    std::uint64_t seed = 1;
    int samplesPerCharacter = 1;
    std::vector<int> referenceValues{3};  // taken in turn, sample by sample

    // Whole character, as a fraction of the pad's shorter side, and placement on the pad.
    double sizeMin = 0.85, sizeMax = 0.85;
    double aspectSigma = 0;     // log of width/height
    double rotationSigma = 0;   // degrees
    double shearSigma = 0;      // x shift per unit of y
    double placementSigma = 0;  // centre offset, fraction of the pad
    // Per stroke, in the data's 1024 box.
    double strokeOffsetSigma = 0;
    double strokeScaleSigma = 0;                // relative size about the stroke's centre
    double wobble = 0;                          // amplitude of slow deviations along a stroke
    double jitterPixels = 0;                    // noise on each mouse event
    double mouseStepMin = 1, mouseStepMax = 1;  // pixels between mouse events
    // Pen not lifted between strokes whose end and start are near (1024 box).
    double joinProbability = 0;
    double joinMaxGap = 0;
    // Stroke-order slips, per sample.
    double swapProbability = 0;        // two neighbouring strokes swapped
    double closeEarlyProbability = 0;  // the last stroke written before the one or two before it
    double reverseProbability = 0;     // one stroke drawn from its end to its start
    bool forceOrderSlip = false;       // every sample carries at least one slip
    // Quick writing. Every one of these left at zero draws no random number, so recipes that
    // do not use them give the samples they always gave.
    double reverseJoinProbability = 0;  // next stroke drawn backwards when its end is near:
                                        // a box's bottom closed in one go from its right
    double splitProbability = 0;        // a stroke lifted at its sharpest corner (per stroke)
    double hookShortening = 0;          // chance a final hook is cut short or left off
    double overshoot = 0;               // deviation of how far ends run on (1024 box)
    double proportionSigma = 0;         // uneven proportions: bend of a warp on each axis
    double dotDashProbability = 0;      // a dot written as a short dash in its own direction
    double cornerRounding = 0;          // most smoothing along a line (1024 box): corners
                                        // and joins rounded; drawn per sample from [0, this]
    // How people write quickly, measured on real writers: each stroke's horizontal parts
    // turned up to the right and its vertical parts leaning down to the left (degrees; each
    // stroke's own turn deviates by the sigma), the whole character bent by a smooth field (its
    // largest shift, 1024 box), and each sample joining strokes as often as its writer does:
    // join_probability plus or minus up to join_spread.
    double strokeTiltHorizontal = 0;
    double strokeTiltVertical = 0;
    double strokeTiltSigma = 0;
    double elastic = 0;
    double joinSpread = 0;
    // The hand that moves (moving_hand.h), instead of the print's joins, wobble and rounded
    // corners above (the other distortions still apply to the centre lines it plans): each
    // sample's speed drawn from [speed_min, speed_max] (0 slow, 1 fast); at that speed, how much
    // of a movement is still to go when the next begins and the chance that a move between
    // strokes (one no longer than join_max_gap) is made with the pen down, both from their
    // slow to their fast value; the share of a pen-up move that shows as ink at either end at
    // most; how far a move between strokes turns at most (degrees); how far a target is missed
    // (1024 box, deviation when slow, twice that at full speed).
    bool movingHand = false;
    double speedMin = 0, speedMax = 0;
    double overlapSlow = 0, overlapFast = 0;
    double penDownSlow = 0, penDownFast = 0;
    double penUpTail = 0;
    double moveBend = 0;
    double targetSigma = 0;
    // In this share of the samples, the components a fast hand shortens are written in their
    // cursive forms (cursive_components.h), from this file (a relative path is the recipe
    // file's folder's).
    double cursiveShare = 0;
    std::string cursiveComponents;
    // Another hand's shapes (glyph_shapes.h): the strokes moved onto this font's glyphs before
    // anything else is done to them. Empty: the centre-line data's own shapes.
    std::string glyphFont;
};

// Reads "name = value" lines ('#' starts a comment). Unknown names and malformed values are
// errors, so a typo in a recipe cannot silently fall back to a default; so are a glyph font
// that cannot be read, a moving hand's setting out of its range, and settings of the print's
// joins and smoothing beside the moving hand, which makes its own.
bool readWritingSettings(const std::string& text, WritingSettings& settings, std::string& error);
bool loadWritingSettings(const std::string& path, WritingSettings& settings, std::string& error);

// A small, fully specified random source, so a recipe gives the same samples with any
// standard library.
class Random {
  public:
    explicit Random(std::uint64_t seed);
    std::uint64_t next();
    double uniform();  // [0, 1)
    double uniform(double a, double b);
    double gaussian();  // mean 0, deviation 1
    int below(int n);   // 0 .. n-1
    bool chance(double p) { return uniform() < p; }

  private:
    std::uint64_t state_;
};

// What was done to one sample, for tests and statistics.
struct SampleNotes {
    int referenceValue = 3;
    int joins = 0;
    int swaps = 0;
    int closedEarly = 0;
    int reversed = 0;
    int splits = 0;
    int reverseJoins = 0;
    double speed = 0;           // the moving hand's
    int cursiveComponents = 0;  // components written in a cursive form
};

struct WrittenSample {
    std::vector<hanzi::PadPath> penPath;          // the mouse moving on the pad
    std::string innerStrokeText;                  // what the last request carries
    std::vector<protocol::PadStroke> padStrokes;  // as the service parses it
    SampleNotes notes;
};

class SampleGenerator {
  public:
    // Throws std::runtime_error when the settings' glyph font or cursive components cannot be
    // read (settings read by readWritingSettings have been checked for the font and the forms'
    // file). Cursive components need the centre-line data's folder, for their printed forms.
    explicit SampleGenerator(WritingSettings settings, const std::string& centreLineDir = {});
    const WritingSettings& settings() const { return settings_; }

    // Sample `index` of the character with this code point: the same arguments give the same
    // sample, whatever was generated before.
    WrittenSample write(const hanzi::HanziMedians& medians, std::uint32_t codepoint,
                        int index) const;

  private:
    WritingSettings settings_;
    std::shared_ptr<const GlyphShapes> glyphs_;  // null: the centre-line data's shapes
    std::shared_ptr<const CursiveComponents> cursive_;
};

// Stroke changes on the centre lines (1024 box, y downward), exposed for testing.
std::vector<hanzi::MedianStroke> slipStrokeOrder(std::vector<hanzi::MedianStroke> strokes,
                                                 const WritingSettings& settings, Random& random,
                                                 SampleNotes& notes);
std::vector<hanzi::MedianStroke> joinStrokes(std::vector<hanzi::MedianStroke> strokes,
                                             const WritingSettings& settings, Random& random,
                                             SampleNotes& notes);

// Quick writing on the centre lines: the proportions warped, strokes lifted at a corner, hooks
// cut short, ends running on, dots as dashes.
std::vector<hanzi::MedianStroke> writeQuickly(std::vector<hanzi::MedianStroke> strokes,
                                              const WritingSettings& settings, Random& random,
                                              SampleNotes& notes);

// GB2312 hanzi of level 1 (rows 16-55) or level 2 (rows 56-87), as UTF-8, in code order.
std::vector<std::string> gb2312Hanzi(int level);
std::uint32_t firstCodepoint(const std::string& utf8);
std::string utf8(std::uint32_t codepoint);
// `count` items drawn with replacement, each as often as its weight says (what a user writes
// when the weights are how often characters occur in text); the same seed, the same draws.
std::vector<std::size_t> drawByWeight(const std::vector<double>& weights, int count,
                                      std::uint64_t seed);
// A settings file's name for reports: without its folder and its ".conf".
std::string settingsName(const std::string& path);

}  // namespace training
