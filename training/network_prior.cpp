#include "network_prior.h"

#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <set>
#include <sstream>

#include "character_frequencies.h"
#include "file_parsing.h"
#include "mouse_writing.h"

namespace training {
namespace {

// The code points of a UTF-8 text; those of a malformed one stop where it goes wrong.
std::vector<std::uint32_t> codepointsOf(const std::string& text) {
    std::vector<std::uint32_t> out;
    for (std::size_t i = 0; i < text.size();) {
        const unsigned char lead = static_cast<unsigned char>(text[i]);
        const std::size_t length = lead < 0x80 ? 1 : lead >= 0xF0 ? 4 : lead >= 0xE0 ? 3 : 2;
        if (i + length > text.size())
            break;
        out.push_back(firstCodepoint(text.substr(i, length)));
        i += length;
    }
    return out;
}

const std::set<std::uint32_t>& gb2312Codepoints() {
    static const std::set<std::uint32_t> codepoints = [] {
        std::set<std::uint32_t> out;
        for (int level : {1, 2})
            for (const std::string& c : gb2312Hanzi(level)) out.insert(firstCodepoint(c));
        return out;
    }();
    return codepoints;
}

}  // namespace

bool parseTraditionalForms(const std::string& text, SimplifiedForms& out, std::string& error) {
    out.clear();
    std::istringstream lines(text);
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        const std::size_t tab = line.find('\t');
        const std::vector<std::uint32_t> from = codepointsOf(line.substr(0, tab));
        std::istringstream forms(tab == std::string::npos ? "" : line.substr(tab + 1));
        std::string first;
        forms >> first;
        const std::vector<std::uint32_t> to = codepointsOf(first);
        if (from.size() != 1 || to.size() != 1) {
            error = "line " + std::to_string(number) +
                    " is not \"traditional<TAB>simplified\" of one character each: " + line;
            out.clear();
            return false;
        }
        if (from[0] != to[0])
            out[from[0]] = to[0];
    }
    if (out.empty()) {
        error = "no traditional forms in it";
        return false;
    }
    return true;
}

bool loadTraditionalForms(const std::string& path, SimplifiedForms& out, std::string& error) {
    const std::string suffix = ".ocd2";
    if (path.size() < suffix.size() ||
        path.compare(path.size() - suffix.size(), suffix.size(), suffix))
        return parseFile(path, error, [&](const std::string& text) {
            return parseTraditionalForms(text, out, error);
        });
    // OpenCC's compiled table, as its own tool writes it out in text.
    char scratch[] = "/tmp/traditional-forms-XXXXXX";
    const int fd = mkstemp(scratch);
    if (fd < 0) {
        error = "cannot make a scratch file for " + path;
        return false;
    }
    close(fd);
    const std::string command =
        "opencc_dict -i '" + path + "' -o '" + scratch + "' -f ocd2 -t text >/dev/null 2>&1";
    const bool converted = std::system(command.c_str()) == 0;
    const bool read = converted && parseFile(scratch, error, [&](const std::string& text) {
                          return parseTraditionalForms(text, out, error);
                      });
    std::remove(scratch);
    if (!converted)
        error = "cannot read " + path + " with OpenCC's opencc_dict: install opencc " +
                "(tools/install-dependencies.sh lists it)";
    return read;
}

bool readPriorWordCounts(const std::string& path, std::map<std::uint32_t, double>& perMillion,
                         std::string& error) {
    const std::set<std::uint32_t>& gb2312 = gb2312Codepoints();
    if (gb2312.empty()) {
        error = "the platform's iconv has no GB2312 (glibc's gconv modules are missing)";
        return false;
    }
    return readCharacterFrequencies(path, perMillion, error, [&](std::uint32_t cp) {
        return cp < 0x80 || gb2312.count(cp) > 0;
    });
}

std::vector<float> priorFrequencies(const std::vector<std::string>& characters,
                                    const PriorSources& sources) {
    const std::set<std::uint32_t>& gb2312 = gb2312Codepoints();
    auto counted = [&](std::uint32_t cp) {
        auto found = sources.perMillion.find(cp);
        return found == sources.perMillion.end() ? 0.0 : found->second;
    };
    std::vector<float> out;
    for (const std::string& c : characters) {
        const std::uint32_t cp = firstCodepoint(c);
        double frequency = counted(cp);
        auto simplified = sources.simplified.find(cp);
        if (simplified != sources.simplified.end() && !gb2312.count(cp))
            frequency = std::max(frequency, sources.traditionalShare * counted(simplified->second));
        out.push_back(static_cast<float>(frequency));
    }
    return out;
}

}  // namespace training
