#include "commit/pinyin.h"

#include <cstdint>

#include "commit/pinyin_table.h"

namespace {

// Syllable parts by code 1..55: initials 1..23, syllables without an initial 24..35, and the
// finals from 24 on.
const char* const kSyllableParts[] = {
    nullptr, "zh",   "ch",   "sh",  "b",   "p",   "m",   "f",   "d",   "t",  "n",  "l",
    "g",     "k",    "h",    "j",   "q",   "x",   "r",   "z",   "c",   "s",  "y",  "w",
    "ang",   "eng",  "an",   "ai",  "ao",  "ou",  "er",  "en",  "ei",  "a",  "o",  "e",
    "uang",  "iang", "iong", "ing", "ong", "uai", "uan", "iao", "ian", "ui", "iu", "ie",
    "ue",    "in",   "un",   "ia",  "ua",  "uo",  "i",   "u",
};
constexpr unsigned kPartCount = sizeof kSyllableParts / sizeof kSyllableParts[0];
static_assert(kPartCount == 56, "codes 1..55 and the unused 0");

void appendPart(Text& out, unsigned code) {
    if (code != 0 && code < kPartCount) {
        out += kSyllableParts[code];
    }
}

}  // namespace

Text localPinyin(const Text& text, int reading) {
    if (text.size() < 2) {
        return Text();
    }
    int b1 = static_cast<unsigned char>(text[0]);
    int b2 = static_cast<unsigned char>(text[1]);
    if (b1 < kPinyinFirstRow || b1 > kPinyinLastRow || b2 < kPinyinFirstCell ||
        b2 > kPinyinLastCell) {
        return Text();
    }
    int r = reading < 1 ? 0 : reading - 1;
    std::uint16_t entry =
        kPinyinMainTable[kPinyinCellsPerRow * (b1 - kPinyinFirstRow) + (b2 - kPinyinFirstCell)];
    if (entry == 0) {
        return Text();
    }
    if (entry & 0x8000) {
        int k = entry & 0x7FFF;
        if (r >= kPinyinReadingsPerCharacter || k >= kPinyinSecondaryCharacters) {
            return Text();
        }
        entry = kPinyinSecondaryTable[kPinyinReadingsPerCharacter * k + r];
        if (entry == 0) {
            return Text();
        }
    } else if (r > 0) {
        return Text();
    }
    Text syllable;
    appendPart(syllable, entry & 0xFFu);
    appendPart(syllable, entry >> 8);
    return syllable;
}
