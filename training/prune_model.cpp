// Keeps each character's strongest weights of a zinnia text model.
// usage: prune_model TEXT_MODEL_IN TEXT_MODEL_OUT WEIGHTS_PER_CHARACTER
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <string>

#include "model_pruning.h"

int main(int argc, char** argv) {
    if (argc != 4 || std::atoi(argv[3]) <= 0) {
        std::fprintf(stderr, "usage: %s TEXT_MODEL_IN TEXT_MODEL_OUT WEIGHTS_PER_CHARACTER\n",
                     argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::ofstream out(argv[2], std::ios::binary);
    if (!in || !out) {
        std::fprintf(stderr, "cannot read %s or write %s\n", argv[1], argv[2]);
        return 1;
    }
    std::string line, pruned, error;
    long lines = 0;
    while (std::getline(in, line)) {
        ++lines;
        if (line.empty())
            continue;
        if (!training::pruneModelLine(line, std::atoi(argv[3]), pruned, error)) {
            std::fprintf(stderr, "%s:%ld: %s\n", argv[1], lines, error.c_str());
            return 1;
        }
        out << pruned << '\n';
    }
    out.close();
    if (!out || lines == 0) {
        std::fprintf(stderr, "writing %s failed or the model is empty\n", argv[2]);
        return 1;
    }
    return 0;
}
