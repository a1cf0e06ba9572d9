// The character table behind the dictionary page, generated at build time from Debian's
// Unihan readings and 86 Wubi table (tools/generate-dictionary-table.py).
#pragma once

#include <cstddef>
#include <cstdint>

namespace service {

struct DictionaryEntry {
    std::uint16_t gbk;   // the character's two GBK bytes, lead byte high
    const char* pinyin;  // GBK readings with tone marks, comma-separated; may be empty
    const char* wubi86;  // full 86-edition Wubi code; may be empty
};

extern const DictionaryEntry kDictionaryEntries[];  // sorted by gbk
extern const std::size_t kDictionaryEntryCount;

}  // namespace service
