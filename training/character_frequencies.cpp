#include "character_frequencies.h"

#include "file_parsing.h"

#include <cmath>
#include <fstream>
#include <sstream>
#include <vector>

namespace training {
namespace {

// The code points of a UTF-8 word; false when it is not valid UTF-8.
bool decode(const std::string& word, std::vector<std::uint32_t>& out) {
    out.clear();
    for (std::size_t i = 0; i < word.size();) {
        unsigned char lead = static_cast<unsigned char>(word[i]);
        int extra = lead < 0x80 ? 0 : lead >= 0xF0 ? 3 : lead >= 0xE0 ? 2 : lead >= 0xC0 ? 1 : -1;
        if (extra < 0 || word.size() - i <= static_cast<std::size_t>(extra))
            return false;
        std::uint32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
        for (int k = 1; k <= extra; ++k) {
            unsigned char next = static_cast<unsigned char>(word[i + k]);
            if ((next & 0xC0) != 0x80)
                return false;
            cp = (cp << 6) | (next & 0x3F);
        }
        out.push_back(cp);
        i += static_cast<std::size_t>(extra) + 1;
    }
    return true;
}

}  // namespace

bool parseCharacterFrequencies(const std::string& text, std::map<std::uint32_t, double>& perMillion,
                               std::string& error, const CountAlone& countAlone) {
    std::map<std::uint32_t, double> counts;
    double total = 0;
    std::istringstream lines(text);
    std::string line, word;
    std::vector<std::uint32_t> codepoints;
    int number = 0;
    while (std::getline(lines, line)) {
        ++number;
        std::istringstream fields(line);
        double count = 0;
        if (!(fields >> word))
            continue;  // blank line
        if (!(fields >> count) || !std::isfinite(count) || count < 0 || !decode(word, codepoints)) {
            error = "line " + std::to_string(number) + " is not \"word count\": " + line;
            return false;
        }
        if (codepoints.size() != 1 || !countAlone || countAlone(codepoints[0]))
            for (std::uint32_t cp : codepoints) counts[cp] += count;
        total += count * static_cast<double>(codepoints.size());
    }
    if (total <= 0) {
        error = "no word counts in it";
        return false;
    }
    perMillion.clear();
    for (const auto& [cp, count] : counts) perMillion[cp] = count * 1e6 / total;
    return true;
}

bool readCharacterFrequencies(const std::string& path, std::map<std::uint32_t, double>& perMillion,
                              std::string& error, const CountAlone& countAlone) {
    return parseFile(path, error, [&](const std::string& text) {
        return parseCharacterFrequencies(text, perMillion, error, countAlone);
    });
}

}  // namespace training
