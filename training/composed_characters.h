// Characters the centre-line data does not draw, composed from components it does: the rare
// characters of personal names (玥 = 王 beside 月, 犇 = three 牛). Each component's centre lines
// come from a character that holds it, are fitted into its box of the layout, and the whole is
// then written by the synthetic hand like any character.
//
//   std::vector<ComposedCharacter> composed;
//   loadCompositions(trainingDir + "/name-compositions.txt", dataDir, composed, error);
//
// File format, one character a line ('#' starts a comment, blank lines are ignored):
//   玥 lr 0.42 玩[radical] 月
// the character, a layout, optionally where the layout divides its box (the first part's share,
// 0.2..0.8), and its components: lr (left, right), tb (top, bottom), lmr and tmb (three in a row
// or column), three (one component three times: one above two, as in 犇 or 淼), and the
// enclosures, outer component first: surround (囗), top (门: open below), top-left (广),
// top-right (勹), bottom-left (辶) and left (匚: open to the right). Strokes come in the order
// people write them: an enclosure's inner part before 辶's strokes, and before the closing
// stroke of 囗 and 匚. A component is a
// character of the data (all its strokes), CHARACTER[radical] (the strokes the data marks as
// its radical), CHARACTER[rest] (the others), CHARACTER[a-b] (strokes a to b, from 1), or a
// character composed on an earlier line.
#pragma once

#include <string>
#include <vector>

#include "hanzi_medians.h"

namespace training {

struct ComposedCharacter {
    std::string character;  // UTF-8
    hanzi::HanziMedians medians;
};

// The composed characters of the file's text, components read from `dataDir`. Any malformed
// line, unknown layout, component missing from the data or character given twice is an error
// naming its line, so a recipe cannot silently lose a character.
bool readCompositions(const std::string& text, const std::string& dataDir,
                      std::vector<ComposedCharacter>& out, std::string& error);
bool loadCompositions(const std::string& path, const std::string& dataDir,
                      std::vector<ComposedCharacter>& out, std::string& error);

}  // namespace training
