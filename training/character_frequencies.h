// How often each character occurs in modern Chinese text, from a list of words with their
// counts in a corpus (jieba's dictionary, one "word count [tag]" a line): every word's count
// goes to each character it holds. The recognition model's prior is made from it.
#pragma once

#include <cstdint>
#include <functional>
#include <map>
#include <string>

namespace training {

// Occurrences per million characters, by code point. Lines that are not "word count ..." are
// errors, so a file of another kind is not read as a thin list. `countAlone`, when given, says
// for which characters a one-character word's count is taken (the total stays that of every
// word, so the others' frequencies do not change).
using CountAlone = std::function<bool(std::uint32_t)>;
bool readCharacterFrequencies(const std::string& path, std::map<std::uint32_t, double>& perMillion,
                              std::string& error, const CountAlone& countAlone = {});
bool parseCharacterFrequencies(const std::string& text, std::map<std::uint32_t, double>& perMillion,
                               std::string& error, const CountAlone& countAlone = {});

}  // namespace training
