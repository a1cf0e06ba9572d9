// Says whether a recognition model knows characters: how many it knows, and for each one named
// whether it is among them. The end-to-end tests ask it before they write a character that only
// a newer model knows, and report themselves skipped until such a model is committed.
//
// usage: model_characters MODEL [CHARACTER...]   (exit status 1 when one is not known, 2 when
//        the model cannot be read)
#include <algorithm>
#include <cstdio>
#include <string>

#include "engine/network_model.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s MODEL [CHARACTER...]\n", argv[0]);
        return 2;
    }
    engine::NetworkModel model;
    std::string error;
    if (!engine::readNetworkModel(argv[1], model, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 2;
    }
    std::printf("%s knows %zu characters\n", argv[1], model.characters.size());
    int status = 0;
    for (int i = 2; i < argc; ++i) {
        const bool known = std::find(model.characters.begin(), model.characters.end(), argv[i]) !=
                           model.characters.end();
        std::printf("%s: %s\n", argv[i], known ? "known" : "not known");
        status = known ? status : 1;
    }
    return status;
}
