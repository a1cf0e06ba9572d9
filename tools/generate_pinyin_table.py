#!/usr/bin/env python3
"""Generates commit/pinyin_table_data.cpp: the toneless pinyin of the GB2312 hanzi block.

usage: tools/generate_pinyin_table.py [--unihan DIR_OR_FILE] [--output FILE]

Source: the Unihan database of Debian's unicode-data package (Unihan_Readings.txt, plain, .bz2
or inside Unihan.zip). Python 3 standard library only.

Table layout (read by commit/pinyin.cpp):
  main table     6768 16-bit entries, one per cell of rows 0xB0..0xF7 x cells 0xA1..0xFE.
                 0 = no reading. Bit 15 clear: one reading, low byte = initial (or the whole
                 initial-less syllable), high byte = final (or 0). Bit 15 set: the low 15 bits
                 index the secondary table, 3 entries per character, unused entries 0.
  part codes     1..55 in the order of PARTS below.

Reading order per character (toneless, duplicates dropped, at most 3):
  1. kMandarin (the customary reading first),
  2. kHanyuPinlu, most frequent first,
  3. kXHC1983 and kTGHZ2013 (modern dictionaries),
  4. kHanyuPinyin only when none of the above has a reading (it lists many archaic readings,
     which would otherwise crowd out the living ones),
  then OVERRIDES replace the whole list for a few common characters.
"""

import argparse
import bz2
import io
import os
import re
import sys
import unicodedata
import zipfile

PARTS = [
    "zh", "ch", "sh", "b", "p", "m", "f", "d", "t", "n", "l", "g", "k", "h", "j", "q", "x",
    "r", "z", "c", "s", "y", "w",
    "ang", "eng", "an", "ai", "ao", "ou", "er", "en", "ei", "a", "o", "e",
    "uang", "iang", "iong", "ing", "ong", "uai", "uan", "iao", "ian", "ui", "iu", "ie", "ue",
    "in", "un", "ia", "ua", "uo", "i", "u",
]
CODE = {part: index + 1 for index, part in enumerate(PARTS)}
INITIALS = PARTS[:23]                      # codes 1..23
WHOLE_SYLLABLES = set(PARTS[23:35])        # codes 24..35: syllables without an initial
FINALS = set(PARTS[23:])                   # codes 24..55

READINGS_PER_CHARACTER = 3

# Common characters whose Unihan order does not put the everyday reading first, or misses one.
# Most common reading first.
OVERRIDES = {
    "长": ["chang", "zhang"],  # kMandarin and kHanyuPinlu put zhang (grow, elder) first
    "地": ["di", "de"],        # kMandarin lists the adverbial particle first
    "似": ["si", "shi"],       # kMandarin gives only shi (as in 似的)
    "嗯": ["en"],              # only n/ng in Unihan, which the parts cannot spell
}

TONE_MARKS = {"\u0300", "\u0301", "\u0304", "\u030c"}
DIAERESIS = "\u0308"


def open_readings(source):
    """Text stream of Unihan_Readings.txt from a folder, a .txt, a .bz2 or a .zip."""
    if os.path.isdir(source):
        for name in ("Unihan_Readings.txt", "Unihan_Readings.txt.bz2", "Unihan.zip"):
            path = os.path.join(source, name)
            if os.path.exists(path):
                return open_readings(path)
        sys.exit(f"no Unihan readings under {source}")
    if source.endswith(".bz2"):
        return io.TextIOWrapper(bz2.open(source), encoding="utf-8")
    if source.endswith(".zip"):
        archive = zipfile.ZipFile(source)
        return io.TextIOWrapper(archive.open("Unihan_Readings.txt"), encoding="utf-8")
    return open(source, encoding="utf-8")


def load_readings(source):
    """{character: {field: value}} for the reading fields used here."""
    fields = {"kMandarin", "kHanyuPinlu", "kXHC1983", "kTGHZ2013", "kHanyuPinyin"}
    table = {}
    with open_readings(source) as stream:
        for line in stream:
            if not line.startswith("U+"):
                continue
            code, field, value = line.rstrip("\n").split("\t", 2)
            if field in fields:
                table.setdefault(chr(int(code[2:], 16)), {})[field] = value
    return table


def located_syllables(value):
    """Syllables of a 'location:syl,syl location:syl' field, in order."""
    result = []
    for group in value.split():
        result.extend(group.rsplit(":", 1)[1].split(","))
    return result


def ordered_syllables(fields):
    """The character's toned syllables, most customary first."""
    syllables = list(fields.get("kMandarin", "").split())
    pinlu = re.findall(r"([^\s(]+)\((\d+)\)", fields.get("kHanyuPinlu", ""))
    syllables += [s for s, _ in sorted(pinlu, key=lambda item: -int(item[1]))]
    for field in ("kXHC1983", "kTGHZ2013"):
        if field in fields:
            syllables += located_syllables(fields[field])
    if not syllables and "kHanyuPinyin" in fields:
        syllables = located_syllables(fields["kHanyuPinyin"])
    return syllables


def toneless(syllable):
    """Lower-case syllable without tone marks, with ü written u; None for ê and the like."""
    letters = []
    for ch in unicodedata.normalize("NFD", syllable.strip("*").lower()):
        if ch in TONE_MARKS or ch == DIAERESIS:
            continue
        if not "a" <= ch <= "z":
            return None  # ê (e with circumflex) or anything else outside plain letters
        letters.append(ch)
    return "".join(letters) or None


def encode(syllable):
    """16-bit entry of a toneless syllable, or None when the parts cannot spell it."""
    if syllable in WHOLE_SYLLABLES:
        return CODE[syllable]
    for initial in sorted(INITIALS, key=len, reverse=True):  # zh before z
        if syllable.startswith(initial):
            final = syllable[len(initial):]
            if final in FINALS:
                return CODE[initial] | (CODE[final] << 8)
            return None
    return None


def build(readings):
    main = []
    secondary = []
    skipped = {}
    characters = multi = 0
    for row in range(0xB0, 0xF8):
        for cell in range(0xA1, 0xFF):
            try:
                ch = bytes([row, cell]).decode("gb2312")
            except UnicodeDecodeError:
                main.append(0)
                continue
            characters += 1
            if ch in OVERRIDES:
                syllables = OVERRIDES[ch]
            else:
                syllables = ordered_syllables(readings.get(ch, {}))
            entries = []
            for syllable in syllables:
                plain = toneless(syllable)
                value = encode(plain) if plain else None
                if value is None:
                    skipped[syllable] = skipped.get(syllable, 0) + 1
                elif value not in entries:
                    entries.append(value)
            entries = entries[:READINGS_PER_CHARACTER]
            if not entries:
                main.append(0)
            elif len(entries) == 1:
                main.append(entries[0])
            else:
                multi += 1
                main.append(0x8000 | (len(secondary) // READINGS_PER_CHARACTER))
                secondary += entries + [0] * (READINGS_PER_CHARACTER - len(entries))
    summary = {
        "characters": characters,
        "multiple readings": multi,
        "entries 0": main.count(0),
        "skipped syllables": sum(skipped.values()),
    }
    return main, secondary, summary, skipped


def c_array(name, values):
    lines = []
    for start in range(0, len(values), 12):
        lines.append("    " + ", ".join(f"0x{v:04X}" for v in values[start:start + 12]) + ",")
    return f"const std::uint16_t {name}[] = {{\n" + "\n".join(lines) + "\n};\n"


def main():
    here = os.path.dirname(os.path.abspath(__file__))
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--unihan", default="/usr/share/unicode")
    parser.add_argument("--output", default=os.path.join(here, "..", "commit",
                                                         "pinyin_table_data.cpp"))
    args = parser.parse_args()

    main_table, secondary, summary, skipped = build(load_readings(args.unihan))
    assert len(main_table) == 6768

    text = (
        "// Generated by tools/generate_pinyin_table.py from the Unihan database; do not edit.\n"
        "// Layout: commit/pinyin_table.h.\n"
        "// clang-format off\n"
        '#include "commit/pinyin_table.h"\n\n'
        + c_array("kPinyinMainTable", main_table)
        + "\n"
        + c_array("kPinyinSecondaryTable", secondary or [0])
        + "\nconst int kPinyinSecondaryCharacters = "
        + f"{len(secondary) // READINGS_PER_CHARACTER};\n"
    )
    with open(args.output, "w", encoding="utf-8") as out:
        out.write(text)

    for key, value in summary.items():
        print(f"{key}: {value}")
    if skipped:
        print("skipped:", ", ".join(f"{s} x{n}" for s, n in sorted(skipped.items())))


if __name__ == "__main__":
    main()
