// Writes zinnia's training file for every GB2312 hanzi that the centre-line data covers: each
// character written by the synthetic mouse hand of the given settings, samples_per_character
// times. Progress goes to stderr.
//
// usage: make_training_set DATA_DIR SETTINGS OUTPUT [LEVELS]   (LEVELS: 1, 2 or 12; default 12)
#include <chrono>
#include <cstdio>
#include <fstream>
#include <string>

#include "mouse_writing.h"

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s DATA_DIR SETTINGS OUTPUT [LEVELS]\n", argv[0]);
        return 2;
    }
    std::string dataDir = argv[1], levels = argc > 4 ? argv[4] : "12";
    training::WritingSettings settings;
    std::string error;
    if (!training::loadWritingSettings(argv[2], settings, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::vector<std::string> characters;
    for (char level : levels) {
        auto some = training::gb2312Hanzi(level - '0');
        characters.insert(characters.end(), some.begin(), some.end());
    }
    std::ofstream out(argv[3], std::ios::binary);
    if (!out || characters.empty()) {
        std::fprintf(stderr, "cannot write %s or no characters chosen\n", argv[3]);
        return 1;
    }
    training::SampleGenerator generator(settings);
    auto start = std::chrono::steady_clock::now();
    long samples = 0, missing = 0, empty = 0;
    for (std::size_t i = 0; i < characters.size(); ++i) {
        hanzi::HanziMedians medians;
        if (!hanzi::loadHanziMedians(dataDir, characters[i], medians, error)) {
            ++missing;
            continue;
        }
        std::uint32_t cp = training::firstCodepoint(characters[i]);
        for (int k = 0; k < settings.samplesPerCharacter; ++k) {
            training::WrittenSample sample = generator.write(medians, cp, k);
            if (sample.boxStrokes.empty()) {
                ++empty;
                continue;
            }
            out << training::formatTrainingLine(characters[i], sample.boxStrokes) << '\n';
            ++samples;
        }
        if ((i + 1) % 500 == 0 || i + 1 == characters.size()) {
            double seconds =
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
            std::fprintf(stderr, "[model] samples: %zu/%zu characters, %ld samples, %.0f s\n",
                         i + 1, characters.size(), samples, seconds);
        }
    }
    out.close();
    if (!out) {
        std::fprintf(stderr, "writing %s failed\n", argv[3]);
        return 1;
    }
    std::fprintf(stderr, "[model] %ld samples written; %ld characters without data, %ld empty\n",
                 samples, missing, empty);
    return missing == static_cast<long>(characters.size()) ? 1 : 0;
}
