// The symbols written besides hanzi (digits, Latin letters, ASCII signs, Chinese punctuation):
// their hand-written forms drawn as centre lines in the hanzi data's 1024 box, y downward, so
// that the synthetic hand (mouse_writing.h) writes them like any character. The hand scales the
// whole box onto the pad, so a symbol's place and size in the box are those it is written at.
//
//   std::vector<SymbolVariant> symbols;
//   loadSymbolShapes(trainingDir + "/symbol-shapes.txt", symbols, error);
//
// File format, one written form a line ('#' starts a comment, blank lines are ignored):
//   U+0034 open: 375,160 355,640 705,640 ; 610,160 600,870
// the code point, a variant name, then the strokes in writing order separated by ';', each
// stroke's points "x,y" (whole numbers, 0..1024) in the direction the pen moves.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "hanzi_medians.h"

namespace training {

// One written form of a symbol.
struct SymbolVariant {
    std::uint32_t codepoint;
    std::string name;
    hanzi::HanziMedians shape;
};

// Reads the file's text. Any malformed line is an error naming its line number, so a recipe
// cannot silently lose a symbol: unknown syntax, points outside 0..1024, a stroke of fewer
// than two points (a dot is a short dash), a variant named twice. On error `out` is empty.
bool readSymbolShapes(const std::string& text, std::vector<SymbolVariant>& out, std::string& error);
bool loadSymbolShapes(const std::string& path, std::vector<SymbolVariant>& out, std::string& error);

}  // namespace training
