// How often each character occurs in modern Chinese text, from a list of words with their
// counts in a corpus (jieba's dictionary, one "word count [tag]" a line): every word's count
// goes to each character it holds. The recognition model's prior is made from it.
#pragma once

#include <cstdint>
#include <map>
#include <string>

namespace training {

// Occurrences per million characters, by code point. Lines that are not "word count ..." are
// errors, so a file of another kind is not read as a thin list.
bool readCharacterFrequencies(const std::string& path, std::map<std::uint32_t, double>& perMillion,
                              std::string& error);
bool parseCharacterFrequencies(const std::string& text, std::map<std::uint32_t, double>& perMillion,
                               std::string& error);

}  // namespace training
