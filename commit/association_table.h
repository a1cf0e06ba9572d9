#pragma once

// The built-in association table, generated at build time by
// tools/generate_association_table.py (its docstring gives the layout): for each character,
// and for some pairs of characters, the followers best first, coded by their rank in the
// alphabet.

#include <cstdint>

extern const unsigned char kAssociationAlphabet[];  // two GBK bytes per follower
extern const int kAssociationAlphabetSize;
extern const std::uint16_t kAssociationSingleKeys[];  // lead << 8 | trail, ascending
extern const std::uint32_t kAssociationSingleBuckets[];
extern const unsigned char kAssociationSingleLists[];
extern const int kAssociationSingleCount;
extern const std::uint32_t kAssociationPairKeys[];  // first << 16 | second, ascending
extern const std::uint32_t kAssociationPairBuckets[];
extern const unsigned char kAssociationPairLists[];
extern const int kAssociationPairCount;
// The table's data in bytes, all arrays together.
extern const int kAssociationTableBytes;

// Every sixteenth key's list has its offset in the buckets.
constexpr int kAssociationBucketKeys = 16;
// Ranks below this code in one byte; the others in two, the first from this value up.
constexpr int kAssociationOneByteRanks = 0xC0;
