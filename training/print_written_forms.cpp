// Prints the centre lines a character set (character_sets.h) gives characters, one written form
// a line: the character, then its strokes separated by ';', each "x,y ..." in the data's 1024
// box, y downward. For looking at what the trainer will write: tools/draw-written-forms.py draws
// them. With no characters named, every one of the set's is printed.
//
// usage: print_written_forms DATA_DIR SET [CHARACTER...]
#include <cmath>
#include <cstdio>
#include <set>
#include <string>

#include "character_sets.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s DATA_DIR SET [CHARACTER...]\n", argv[0]);
        return 2;
    }
    training::CharacterSet set;
    training::WrittenForms loaded;
    std::string error;
    if (!training::parseCharacterSet(argv[2], set, error) ||
        !training::loadCharacterSet(argv[1], set, loaded, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::set<std::string> wanted(argv + 3, argv + argc);
    std::set<std::string> found;
    for (std::size_t c = 0; c < loaded.characters.size(); ++c) {
        if (!wanted.empty() && !wanted.count(loaded.characters[c]))
            continue;
        found.insert(loaded.characters[c]);
        for (const hanzi::HanziMedians& form : loaded.forms[c]) {
            std::printf("%s", loaded.characters[c].c_str());
            for (std::size_t s = 0; s < form.strokes.size(); ++s) {
                std::printf(s ? " ;" : "");
                for (const hanzi::MedianPoint& p : form.strokes[s])
                    std::printf(" %ld,%ld", std::lround(p.x), std::lround(p.y));
            }
            std::printf("\n");
        }
    }
    for (const std::string& c : wanted)
        if (!found.count(c))
            std::fprintf(stderr, "%s is not among the set's characters\n", c.c_str());
    return found.size() == wanted.size() || wanted.empty() ? 0 : 1;
}
