#!/usr/bin/env python3
"""Generates the association table: for each character, the ten that most often come next.

usage: tools/generate_association_table.py --jieba DIR --output FILE [--budget BYTES]

Inputs (Python 3 standard library only):
  jieba 0.42.1 as Debian's python3-jieba 0.42.1-3 ships it (MIT), from its folder DIR
  (/usr/lib/python3/dist-packages/jieba):
    dict.txt             349,046 words with their counts in a corpus ("word count tag");
    posseg/prob_*.p      its part-of-speech tagger's hidden Markov model, trained on a tagged
                         corpus: states (B, M, E or S: begins, inside, ends or is a one-character
                         word; with the word's tag), their start and transition probabilities
                         and the characters each state emits.
  The generated file's header names the package version and the inputs' SHA-256 sums.

Model. Text is taken as a run of words; the next character either goes on the word the last
one is in, or starts a new word:
  - inside words: the character pairs of jieba's words, each weighted by its word's count;
  - across a word's end: how often the last character ends a word (the same counts), then
    which words follow a word whose last character it is (the tagger's state transitions out
    of the states that emit it at a word's end) and which characters start them (the states'
    emissions). The same character twice only where words have it twice (谢谢, 常常);
  - after a punctuation mark: the characters the tagger's sentences start with.
The last two committed characters narrow this where they can: after 中国, 中国 is either a
word's end (then whatever follows a word ending in 国) or the inside of a longer word (中国人),
never the start of a word 国家.
Within the budget, every character that has followers keeps its best one; the further cells of
the characters' lists, and the lists of pairs that hold more of what follows than their last
character's own, are then taken by what they add per byte. Only GBK hanzi are offered; keys are
GBK characters.

Layout (read by commit/association.cpp):
  kAssociationAlphabet    the followers' GBK bytes, two per character, commonest first; a
                          follower is coded by its rank there: one byte 0x00..0xBF for ranks
                          0..191, else two bytes 0xC0 + (r - 192) / 256, (r - 192) % 256.
  kAssociationSingleKeys  GBK code (lead << 8 | trail) of each character with followers,
                          ascending.
  kAssociationPairKeys    the two characters' codes (first << 16 | second), ascending.
  k...Lists               per key in key order: the number of followers (1..10), then their
                          codes, best first.
  k...Buckets             the offset in the lists of every 16th key's entry (keys 0, 16, 32 ...).
"""

import argparse
import collections
import functools
import hashlib
import heapq
import math
import os
import pickle
import subprocess
import sys

FOLLOWERS = 10
BUCKET = 16
ONE_BYTE_RANKS = 0xC0
# 200 KiB in the program, less what the lookup's own code takes.
DEFAULT_BUDGET = 198 * 1024
# The recogniser's punctuation marks: after one of them a new phrase starts.
PHRASE_BREAKS = "，。、：；？！“”‘’《》（）—…·"
# Transitions rarer than this add nothing the ten cells could show.
SMALLEST_TRANSITION = 1e-4
# Characters kept of each state's distribution of the next word's first character.
NEXT_WORD_STARTS = 300
# Pairs considered for a list of their own: the commonest inside words.
PAIR_CANDIDATES = 60000


@functools.lru_cache(maxsize=None)
def gbk_code(character):
    """The character's two GBK bytes as lead << 8 | trail, or None outside GBK."""
    try:
        data = character.encode("gbk")
    except UnicodeEncodeError:
        return None
    if len(data) != 2:
        return None
    return data[0] << 8 | data[1]


def is_hanzi(character):
    return "\u4e00" <= character <= "\u9fff" or "\u3400" <= character <= "\u4dbf"


@functools.lru_cache(maxsize=None)
def offerable(character):
    return is_hanzi(character) and gbk_code(character) is not None


@functools.lru_cache(maxsize=None)
def simplified(character):
    try:
        character.encode("gb2312")
        return True
    except UnicodeEncodeError:
        return False


def read_probabilities(path):
    """One of jieba's probability tables, from the pickled copy jieba itself loads."""
    with open(path, "rb") as f:
        return pickle.load(f)


def sha256(path):
    with open(path, "rb") as f:
        return hashlib.sha256(f.read()).hexdigest()


def package_version(package):
    try:
        return subprocess.run(["dpkg-query", "-W", "-f=${Version}", package], capture_output=True,
                              text=True, check=True).stdout.strip() or "unknown"
    except (OSError, subprocess.CalledProcessError):
        return "unknown"


class WordCounts:
    """Character statistics of jieba's words, each word weighted by its count."""

    def __init__(self, path):
        self.inside = collections.defaultdict(collections.Counter)  # a -> d -> count
        self.inside3 = collections.defaultdict(collections.Counter)  # ab -> d -> count
        self.ends = collections.Counter()  # words ending in a
        self.ends2 = collections.Counter()  # words ending in ab
        self.starts = collections.Counter()  # words starting with a
        self.second = collections.defaultdict(collections.Counter)  # a -> d: words a d ...
        self.alone = collections.Counter()  # the one-character word a
        self.total = 0
        with open(path, encoding="utf-8") as f:
            for line in f:
                fields = line.split()
                if len(fields) < 2:
                    continue
                word, count = fields[0], int(fields[1])
                if count <= 0:
                    continue
                self.total += count
                self.ends[word[-1]] += count
                self.starts[word[0]] += count
                if len(word) == 1:
                    self.alone[word] += count
                else:
                    self.ends2[word[-2:]] += count
                    self.second[word[0]][word[1]] += count
                for a, d in zip(word, word[1:]):
                    self.inside[a][d] += count
                for a, b, d in zip(word, word[1:], word[2:]):
                    self.inside3[a + b][d] += count


class WordSequence:
    """The tagger's model of which word follows which: the next word's first character."""

    def __init__(self, posseg_dir):
        self.start = read_probabilities(os.path.join(posseg_dir, "prob_start.p"))
        self.trans = read_probabilities(os.path.join(posseg_dir, "prob_trans.p"))
        self.emit = read_probabilities(os.path.join(posseg_dir, "prob_emit.p"))
        states = list(self.trans)
        # How often each state occurs in running text: the chain's stationary distribution.
        share = {s: 1.0 / len(states) for s in states}
        for _ in range(60):
            moved = collections.defaultdict(float)
            for s, p in share.items():
                for s2, log_p in self.trans[s].items():
                    moved[s2] += p * math.exp(log_p)
            total = sum(moved.values())
            share = {s: moved.get(s, 0.0) / total for s in states}
        self.share = share
        self.word_ends = [s for s in states if s[0] in "ES"]
        self.next_start = {s: self._next_word_start(self.trans[s].items()) for s in self.word_ends}
        # A phrase's first character.
        self.phrase_start = self._next_word_start(self.start.items())
        # Where the last character is unknown to the tagger: the next word after any word.
        mixed = collections.defaultdict(float)
        total = sum(share[s] for s in self.word_ends)
        for s in self.word_ends:
            for d, p in self.next_start[s]:
                mixed[d] += share[s] / total * p
        self.any_next_start = sorted(mixed.items(), key=lambda x: -x[1])[:NEXT_WORD_STARTS]

    def _next_word_start(self, transitions):
        start = collections.defaultdict(float)
        for s2, log_p in transitions:
            p = math.exp(log_p)
            if p < SMALLEST_TRANSITION:
                continue
            for d, log_e in self.emit.get(s2, {}).items():
                # The tagger learnt from simplified text; its traditional characters are mere
                # copies of their simplified forms' figures.
                if offerable(d) and simplified(d):
                    start[d] += p * math.exp(log_e)
        return sorted(start.items(), key=lambda x: -x[1])[:NEXT_WORD_STARTS]

    def after_word_ending_in(self, a):
        """The first character of the word after one that ends in a: d -> probability."""
        weights = [(self.share[s] * math.exp(self.emit[s][a]), s) for s in self.word_ends
                   if a in self.emit.get(s, {})]
        total = sum(w for w, _ in weights)
        if total <= 0:
            return dict(self.any_next_start)
        following = collections.defaultdict(float)
        for w, s in weights:
            if w / total < 0.01:
                continue
            for d, p in self.next_start[s]:
                following[d] += w / total * p
        return following


def best(scores, k=FOLLOWERS):
    """The k best followers with their weights, best first."""
    ranked = heapq.nlargest(k, scores.items(), key=lambda x: (x[1], -gbk_code(x[0])))
    return [(d, score) for d, score in ranked if score > 0]


class Model:
    """What follows a character or a pair, as weights in the words' counts: each weight is how
    often that character comes next in the corpus jieba's counts were taken from."""

    def __init__(self, words, sequence):
        self.words = words
        self.sequence = sequence
        self._after = {}
        self._second = {}

    def after_word(self, a):
        if a not in self._after:
            self._after[a] = heapq.nlargest(
                NEXT_WORD_STARTS, self.sequence.after_word_ending_in(a).items(),
                key=lambda x: x[1])
        return self._after[a]

    def second_characters(self, b):
        if b not in self._second:
            self._second[b] = heapq.nlargest(
                NEXT_WORD_STARTS, ((d, n) for d, n in self.words.second[b].items() if offerable(d)),
                key=lambda x: x[1])
        return self._second[b]

    def next_after(self, a):
        scores = collections.defaultdict(float)
        for d, n in self.words.inside[a].items():
            if offerable(d):
                scores[d] += n
        self._add_next_word(scores, a, self.words.ends[a], repeat=self.words.inside[a])
        return scores

    def next_after_pair(self, a, b):
        """a b lies inside a word, ends one, or a ends a word and b starts the next."""
        scores = collections.defaultdict(float)
        for d, n in self.words.inside3[a + b].items():
            if offerable(d):
                scores[d] += n
        self._add_next_word(scores, b, self.words.ends2[a + b], repeat=self.words.inside3[a + b])
        # a ends a word and b starts the next: as often as words end in a, times the share of
        # words that b starts.
        straddle = self.words.ends[a] / self.words.total
        for d, n in self.second_characters(b):
            scores[d] += straddle * n
        self._add_next_word(scores, b, straddle * self.words.alone[b], repeat=self.words.second[b])
        return scores

    def _add_next_word(self, scores, last, weight, repeat):
        if weight <= 0:
            return
        for d, p in self.after_word(last):
            if d != last or d in repeat:
                scores[d] += weight * p


def coded_length(rank):
    return 1 if rank < ONE_BYTE_RANKS else 2


def table_size(singles, pairs, ranks):
    lists = sum(1 + sum(coded_length(ranks[d]) for d in f) for f in singles.values())
    lists += sum(1 + sum(coded_length(ranks[d]) for d in f) for f in pairs.values())
    return lists + 2 * len(singles) + 4 * len(pairs) + 4 * (len(singles) // BUCKET + 1) + \
        4 * (len(pairs) // BUCKET + 1) + 2 * len(ranks)


def alphabet_of(lists):
    """Followers ranked by how often the lists hold them, so that the common ones code short."""
    uses = collections.Counter(d for followers in lists for d in followers)
    ranked = sorted(uses.items(), key=lambda x: (-x[1], gbk_code(x[0])))
    return {d: rank for rank, (d, _) in enumerate(ranked)}


def build(words, sequence, budget):
    """The lists that hold the most of what follows within the budget: every character with
    followers keeps its best one; further cells of a character's list, and the lists of pairs,
    are taken by what they add per byte."""
    model = Model(words, sequence)
    ranked = {}
    # In code order throughout, so that the table comes out the same at every build.
    keys = sorted((a for a in set(words.inside) | set(words.ends) if gbk_code(a) is not None),
                  key=gbk_code)
    for a in keys:
        followers = best(model.next_after(a))
        if followers:
            ranked[a] = followers
    phrase_start = [d for d, _ in best(dict(sequence.phrase_start))]

    # Choices: (gain per byte, gain, kind, key, followers). A character's further cells are
    # taken in order, as their gains fall; a pair's list comes whole.
    choices = []
    for a, followers in ranked.items():
        for i in range(1, len(followers)):
            gain = followers[i][1]
            choices.append((gain / 1.2, gain, "cell", a, i))
    frequency = collections.Counter()
    for a, followers in words.inside.items():
        if gbk_code(a) is None:
            continue
        for b, n in followers.items():
            if b in ranked:
                frequency[a, b] = n
    for (a, b), _ in frequency.most_common(PAIR_CANDIDATES):
        scores = model.next_after_pair(a, b)
        followers = best(scores)
        own = sum(score for _, score in followers)
        fallback = sum(scores.get(d, 0.0) for d, _ in ranked[b])
        gain = own - fallback
        if gain > 0 and [d for d, _ in followers] != [d for d, _ in ranked[b]]:
            cost = 4 + 1 + 1.2 * len(followers) + 4 / BUCKET
            choices.append((gain / cost, gain, "pair", (a, b), [d for d, _ in followers]))
    choices.sort(key=lambda x: (-x[0], x[2], [gbk_code(c) for c in x[3]], str(x[4])))

    # Sizes are estimated at 1.2 bytes a cell while choosing, then checked with the final
    # alphabet; the last choices go again until the table fits.
    def assemble(taken):
        cells = {a: 1 for a in ranked}
        pairs = {}
        for _, _, kind, key, value in taken:
            if kind == "cell":
                cells[key] = max(cells[key], value + 1)
            else:
                pairs[key] = value
        singles = {a: [d for d, _ in ranked[a][:cells[a]]] for a in ranked}
        for mark in PHRASE_BREAKS:
            if gbk_code(mark) is not None:
                singles[mark] = phrase_start
        ranks = alphabet_of(list(singles.values()) + list(pairs.values()))
        return singles, pairs, ranks

    singles, _, _ = assemble([])
    base = sum(2 + 1 + 1.2 * len(f) for f in singles.values()) + 4 * (len(singles) / BUCKET + 1)
    room = budget - base - 2 * 6000  # the alphabet, generously
    taken = []
    for choice in choices:
        cost = choice[1] / choice[0]
        if cost > room:
            continue
        taken.append(choice)
        room -= cost
    while True:
        singles, pairs, ranks = assemble(taken)
        if table_size(singles, pairs, ranks) <= budget:
            return singles, pairs, ranks
        del taken[-max(1, len(taken) // 100):]


def encode(lists, ranks):
    """The lists' bytes and the buckets' offsets, keys ascending."""
    data = bytearray()
    buckets = []
    for index, followers in enumerate(lists):
        if index % BUCKET == 0:
            buckets.append(len(data))
        data.append(len(followers))
        for d in followers:
            r = ranks[d]
            if r < ONE_BYTE_RANKS:
                data.append(r)
            else:
                r -= ONE_BYTE_RANKS
                data.append(ONE_BYTE_RANKS + (r >> 8))
                data.append(r & 0xFF)
    return data, buckets


def c_array(kind, name, values, per_line, width):
    lines = [f"const {kind} {name}[] = {{"]
    for i in range(0, len(values), per_line):
        lines.append("    " + " ".join(f"0x{v:0{width}X}," for v in values[i:i + per_line]))
    lines.append("};")
    return "\n".join(lines)


def write_table(path, singles, pairs, ranks, inputs):
    alphabet = sorted(ranks, key=ranks.get)
    alphabet_bytes = []
    for d in alphabet:
        code = gbk_code(d)
        alphabet_bytes += [code >> 8, code & 0xFF]
    single_keys = sorted(singles, key=gbk_code)
    pair_keys = sorted(pairs, key=lambda p: (gbk_code(p[0]), gbk_code(p[1])))
    single_data, single_buckets = encode([singles[k] for k in single_keys], ranks)
    pair_data, pair_buckets = encode([pairs[k] for k in pair_keys], ranks)
    size = len(alphabet_bytes) + 2 * len(single_keys) + len(single_data) + \
        4 * len(single_buckets) + 4 * len(pair_keys) + len(pair_data) + 4 * len(pair_buckets)
    header = [
        "// Generated by tools/generate_association_table.py; do not edit. Layout: its docstring.",
        "// Inputs:",
    ] + [f"//   {line}" for line in inputs] + [
        f"// {len(single_keys)} characters and {len(pair_keys)} pairs with followers, "
        f"{len(alphabet)} followers; {size} bytes.",
        "// clang-format off",
        '#include "commit/association_table.h"',
        "",
    ]
    body = [
        c_array("unsigned char", "kAssociationAlphabet", alphabet_bytes, 16, 2),
        c_array("std::uint16_t", "kAssociationSingleKeys", [gbk_code(k) for k in single_keys],
                12, 4),
        c_array("std::uint32_t", "kAssociationSingleBuckets", single_buckets, 8, 8),
        c_array("unsigned char", "kAssociationSingleLists", list(single_data), 16, 2),
        c_array("std::uint32_t", "kAssociationPairKeys",
                [gbk_code(a) << 16 | gbk_code(b) for a, b in pair_keys], 8, 8),
        c_array("std::uint32_t", "kAssociationPairBuckets", pair_buckets or [0], 8, 8),
        c_array("unsigned char", "kAssociationPairLists", list(pair_data) or [0], 16, 2),
        f"const int kAssociationAlphabetSize = {len(alphabet)};",
        f"const int kAssociationSingleCount = {len(single_keys)};",
        f"const int kAssociationPairCount = {len(pair_keys)};",
        f"const int kAssociationTableBytes = {size};",
        "",
    ]
    tmp = path + ".tmp"
    with open(tmp, "w", encoding="utf-8") as f:
        f.write("\n".join(header + body))
    os.replace(tmp, path)
    return len(single_keys), len(pair_keys), size


def main():
    parser = argparse.ArgumentParser(description=__doc__.splitlines()[0])
    parser.add_argument("--jieba", default="/usr/lib/python3/dist-packages/jieba")
    parser.add_argument("--output", required=True)
    parser.add_argument("--budget", type=int, default=DEFAULT_BUDGET)
    args = parser.parse_args()
    dictionary = os.path.join(args.jieba, "dict.txt")
    posseg = os.path.join(args.jieba, "posseg")
    files = [dictionary] + [os.path.join(posseg, f"prob_{n}.p") for n in ("start", "trans", "emit")]
    for path in files:
        if not os.path.exists(path):
            sys.exit(f"generate_association_table: {path} is missing (Debian package python3-jieba)")
    inputs = [f"jieba from Debian's python3-jieba {package_version('python3-jieba')} (MIT)"] + [
        f"{os.path.relpath(p, args.jieba)} sha256 {sha256(p)}" for p in files]
    words = WordCounts(dictionary)
    sequence = WordSequence(posseg)
    singles, pairs, ranks = build(words, sequence, args.budget)
    count, pair_count, size = write_table(args.output, singles, pairs, ranks, inputs)
    print(f"association table: {count} characters, {pair_count} pairs, {size} bytes",
          file=sys.stderr)


if __name__ == "__main__":
    main()
