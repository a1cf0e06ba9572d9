#pragma once
// Reading a whole data file and parsing its text, with the file's path in any error. The
// centre lines, the recipes, the word counts, the symbols' shapes and the benchmarks' corpus
// files are all read so.

#include <fstream>
#include <sstream>
#include <string>

namespace training {

// `parse(text)` returns whether the text was good, having set `error` when not.
template <typename Parse>
bool parseFile(const std::string& path, std::string& error, Parse parse) {
    std::ifstream file(path, std::ios::binary);
    if (!file) {
        error = "cannot read " + path;
        return false;
    }
    std::ostringstream text;
    text << file.rdbuf();
    if (!parse(text.str())) {
        error = path + ": " + error;
        return false;
    }
    return true;
}

}  // namespace training
