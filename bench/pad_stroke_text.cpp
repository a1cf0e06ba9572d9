// Prints the stroke data the panel would send for a character written on its pad (the last
// request's inner stroke text), e.g. for curl or a load generator.
//
// usage: pad_stroke_text DATA_DIR CHARACTER(UTF-8) [REFERENCE_VALUE]
#include <cstdio>
#include <cstdlib>
#include <string>

#include "hanzi_medians.h"

int main(int argc, char** argv) {
    if (argc < 3) {
        std::fprintf(stderr, "usage: %s DATA_DIR CHARACTER [REFERENCE_VALUE]\n", argv[0]);
        return 2;
    }
    hanzi::HanziMedians medians;
    std::string error;
    if (!hanzi::loadHanziMedians(argv[1], argv[2], medians, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    hanzi::PadRecording pad =
        hanzi::writeOnPad(hanzi::mediansToPadPath(medians), argc > 3 ? std::atoi(argv[3]) : 3);
    if (pad.requests.empty())
        return 1;
    std::printf("%s\n", pad.requests.back().c_str());
    return 0;
}
