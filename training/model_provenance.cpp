// Says where recognition model files came from: the provenance train-network-model.sh records
// in each (the recipe's hash, the commit, the versions of the data and of PyTorch). Each file is
// read in full, as the service reads it, so a damaged one is refused with the reason.
//
// usage: model_provenance MODEL...
#include <cstdio>
#include <string>

#include "engine/network_model.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s MODEL...\n", argv[0]);
        return 2;
    }
    int status = 0;
    for (int i = 1; i < argc; ++i) {
        engine::NetworkModel model;
        std::string error;
        if (!engine::readNetworkModel(argv[i], model, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            status = 1;
            continue;
        }
        std::printf("%s (%zu characters):\n", argv[i], model.characters.size());
        if (model.provenance.empty())
            std::printf("  no provenance recorded (none attached, or older than provenance)\n");
        std::size_t at = 0;
        while (at < model.provenance.size()) {
            std::size_t end = model.provenance.find('\n', at);
            if (end == std::string::npos)
                end = model.provenance.size();
            std::printf("  %s\n", model.provenance.substr(at, end - at).c_str());
            at = end + 1;
        }
    }
    return status;
}
