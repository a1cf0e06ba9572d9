#pragma once
// Reading a whole data file and parsing its text, with the file's path in any error, and
// listing a folder's data files. The centre lines, the recipes, the word counts, the symbols'
// shapes and the benchmarks' corpus files are all read so.

#include <dirent.h>

#include <algorithm>
#include <fstream>
#include <sstream>
#include <string>
#include <vector>

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

// The names of the files in `folder` that end in `suffix`, without it, sorted; none when the
// folder cannot be read.
inline std::vector<std::string> listFilesEndingIn(const std::string& folder,
                                                  const std::string& suffix) {
    std::vector<std::string> names;
    DIR* dir = opendir(folder.c_str());
    if (!dir)
        return names;
    while (dirent* entry = readdir(dir)) {
        const std::string name = entry->d_name;
        if (name.size() > suffix.size() &&
            name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0)
            names.push_back(name.substr(0, name.size() - suffix.size()));
    }
    closedir(dir);
    std::sort(names.begin(), names.end());
    return names;
}

}  // namespace training
