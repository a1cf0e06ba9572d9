// How often each of a model's characters is taken to occur, for its prior (engine/network_model.h
// turns it into a score bonus): the word counts' frequency (character_frequencies.h) where the
// counts are trustworthy, and for a traditional form that GB2312 lacks a share of its simplified
// form's, so that 國 written plainly outranks the rare look-alikes that only the floor ranks.
//
// GB2312's characters keep exactly the frequency the word counts give them. Beyond GB2312,
// jieba's one-character entries are left out: most of them are fragments of UTF-8 text once
// read as GBK (鐨 counted 5,901 times, from 的), so only words of several characters count there.
#pragma once

#include <cstdint>
#include <map>
#include <string>
#include <vector>

namespace training {

// Traditional form -> its simplified form, from OpenCC's character table (TSCharacters: one
// "traditional<TAB>simplified [alternatives]" a line). A form that is its own first simplified
// form is left out.
using SimplifiedForms = std::map<std::uint32_t, std::uint32_t>;
bool parseTraditionalForms(const std::string& text, SimplifiedForms& out, std::string& error);
// A text table, or OpenCC's compiled one (.ocd2), read through OpenCC's opencc_dict.
bool loadTraditionalForms(const std::string& path, SimplifiedForms& out, std::string& error);

struct PriorSources {
    std::map<std::uint32_t, double> perMillion;  // from the word counts and the symbols' table
    SimplifiedForms simplified;                  // empty: no traditional form inherits
    double traditionalShare = 0;                 // of the simplified form's frequency
};

// The word counts read with the rule above, by code point, per million characters.
bool readPriorWordCounts(const std::string& path, std::map<std::uint32_t, double>& perMillion,
                         std::string& error);

// Per character (UTF-8, the model's order): its frequency per million; 0 where nothing counts it
// (the prior's floor then ranks it).
std::vector<float> priorFrequencies(const std::vector<std::string>& characters,
                                    const PriorSources& sources);

}  // namespace training
