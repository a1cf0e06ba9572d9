#!/usr/bin/env python3
"""Counts how often each writable symbol occurs in modern Chinese text, per million hanzi, for
the recognition model's prior (the hanzi's own frequencies come from jieba's word counts, which
hold no punctuation and few digits).

usage: count-symbol-frequencies.py SYMBOL_SHAPES TEXT... > training/symbol-frequencies.txt

TEXT: Debian's fortunes-zh collection of modern Chinese sayings and notes
(/usr/share/games/fortunes/chinese; `apt-get download fortunes-zh` and `dpkg-deb -x` it).
Punctuation counts wherever it stands. Digits, Latin letters and ASCII signs count only inside
Chinese sentences (a run of at most four of them touching a hanzi, as in 3月, A股 or 100%), so
the commands and addresses the text quotes do not count. The table is committed; run this again
only to change its source.
"""
import collections
import re
import sys

HANZI = "\u4e00-\u9fff"
INLINE = re.compile(r"(?<=[%s])[\x21-\x7e]{1,4}|[\x21-\x7e]{1,4}(?=[%s])" % (HANZI, HANZI))
ESCAPES = re.compile(r"\x1b\[[0-9;]*m")


def main():
    if len(sys.argv) < 3:
        sys.exit(__doc__)
    symbols = []
    for line in open(sys.argv[1], encoding="utf-8"):
        if line.startswith("U+"):
            code = int(line.split()[0][2:], 16)
            if chr(code) not in symbols:
                symbols.append(chr(code))
    all_counts, inline, hanzi = collections.Counter(), collections.Counter(), 0
    for path in sys.argv[2:]:
        text = ESCAPES.sub("", open(path, encoding="utf-8", errors="ignore").read())
        all_counts.update(text)
        hanzi += sum(1 for c in text if "\u4e00" <= c <= "\u9fff")
        for match in INLINE.finditer(text):
            inline.update(match.group())
    print("# Symbols per million hanzi in modern Chinese text (tools/count-symbol-frequencies.py:")
    print(f"# {hanzi} hanzi of {', '.join(sys.argv[2:])}). Read with the hanzi's own")
    print("# frequencies as the recognition model's prior.")
    for symbol in symbols:
        counts = inline if symbol < "\x7f" else all_counts
        print(f"U+{ord(symbol):04X} {counts[symbol] / hanzi * 1e6:.1f}")


if __name__ == "__main__":
    main()
