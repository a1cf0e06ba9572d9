// Writes the direction features (service/direction_features.h) of synthetic mouse writing of
// every GB2312 hanzi that the centre-line data covers, in the shape model's character order,
// for training the network (train_stroke_network.py) outside the build. One thread: the
// machine is shared.
//
// usage: write_feature_samples DATA_DIR OUTPUT SAMPLES RECIPE.conf[@SEED]...
//
// OUTPUT: "HWFEATS1", u32 classes, u32 features per sample, each class's character (u8 length,
// UTF-8), then records of u32 class and that many float32 values, little-endian.
#include <chrono>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <string>
#include <vector>

#include "direction_features.h"
#include "mouse_writing.h"

namespace {

template <typename T>
void put(std::ofstream& out, T value) {
    out.write(reinterpret_cast<const char*>(&value), sizeof value);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 5) {
        std::fprintf(stderr, "usage: %s DATA_DIR OUTPUT SAMPLES RECIPE.conf[@SEED]...\n", argv[0]);
        return 2;
    }
    const std::string dataDir = argv[1];
    std::string error;
    const int samples = std::atoi(argv[3]);
    std::vector<training::SampleGenerator> recipes;
    for (int i = 4; i < argc; ++i) {
        std::string recipe = argv[i];
        std::size_t at = recipe.find('@');
        training::WritingSettings settings;
        if (!training::loadWritingSettings(recipe.substr(0, at), settings, error)) {
            std::fprintf(stderr, "%s: %s\n", recipe.c_str(), error.c_str());
            return 1;
        }
        if (at != std::string::npos)
            settings.seed = std::strtoull(recipe.c_str() + at + 1, nullptr, 10);
        recipes.emplace_back(settings);
    }
    // The characters the shape model is trained on, in its order.
    std::vector<std::string> characters;
    std::vector<hanzi::HanziMedians> medians;
    for (int level : {1, 2})
        for (const std::string& c : training::gb2312Hanzi(level)) {
            hanzi::HanziMedians m;
            if (!hanzi::loadHanziMedians(dataDir, c, m, error))
                continue;
            characters.push_back(c);
            medians.push_back(std::move(m));
        }
    std::ofstream out(argv[2], std::ios::binary | std::ios::trunc);
    out.write("HWFEATS1", 8);
    put(out, static_cast<std::uint32_t>(characters.size()));
    put(out, static_cast<std::uint32_t>(service::kDirectionFeatureSize));
    for (const std::string& c : characters) {
        put(out, static_cast<std::uint8_t>(c.size()));
        out << c;
    }
    const auto start = std::chrono::steady_clock::now();
    long written = 0;
    for (std::size_t c = 0; c < characters.size(); ++c) {
        const std::uint32_t cp = training::firstCodepoint(characters[c]);
        for (const training::SampleGenerator& recipe : recipes)
            for (int k = 0; k < samples; ++k) {
                service::DirectionFeatures f;
                if (!service::extractDirectionFeatures(recipe.write(medians[c], cp, k).padStrokes,
                                                       f))
                    continue;
                put(out, static_cast<std::uint32_t>(c));
                out.write(reinterpret_cast<const char*>(f.data()), sizeof(float) * f.size());
                ++written;
            }
        if ((c + 1) % 500 == 0 || c + 1 == characters.size())
            std::fprintf(
                stderr, "[network] features of %zu/%zu characters, %.0f s\n", c + 1,
                characters.size(),
                std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    if (!out.flush()) {
        std::fprintf(stderr, "cannot write %s\n", argv[2]);
        return 1;
    }
    std::fprintf(stderr, "[network] %ld samples in %s\n", written, argv[2]);
    return 0;
}
