// Which characters a recipe's model learns, and each one's written forms: the hanzi the
// centre-line data draws in GB2312's two levels and in the rest of GBK, the symbols drawn in a
// shapes file (symbol_shapes.h) and the characters composed in a compositions file
// (composed_characters.h). The trainer's streamer and the benchmarks read them alike.
//
// A set is written "12g+symbol-shapes.txt+name-compositions.txt": 1 and 2 the GB2312 levels, g
// the other hanzi of GBK, then optionally a symbols' shapes file and after it a compositions
// file (relative names from the current folder).
#pragma once

#include <string>
#include <vector>

#include "hanzi_medians.h"

namespace training {

struct CharacterSet {
    std::string levels;  // of "12g"
    std::string symbolShapes, compositions;
};
// False (with `error`) for a level other than 1, 2 or g, or a part too many.
bool parseCharacterSet(const std::string& text, CharacterSet& out, std::string& error);

// The hanzi GBK encodes beyond GB2312 (its levels 3, 4 and the compatibility ideographs of 5),
// as UTF-8, in GBK's code order.
std::vector<std::string> gbkHanziBeyondGb2312();

// Every character of the set with its written forms (a hanzi has one, a symbol those its file
// draws), in the set's order: the levels' hanzi the data draws (those it lacks are left out),
// then the symbols, then the composed characters the data does not draw already.
struct WrittenForms {
    std::vector<std::string> characters;
    std::vector<std::vector<hanzi::HanziMedians>> forms;
    std::size_t composed = 0;  // the last characters, composed
};
bool loadCharacterSet(const std::string& dataDir, const CharacterSet& set, WrittenForms& out,
                      std::string& error);

}  // namespace training
