// Streams synthetic writing for training the network (train_network_model.py) to standard output:
// the direction planes (engine/direction_features.h) of every character of the recipe's set
// (character_sets.h), written by the hand of each recipe, a fresh sample of each per pass, in an
// order shuffled per pass. Runs beside the trainer on the other core, so the network never sees the
// same sample twice and nothing large is kept on disk.
//
// usage: stream_plane_samples DATA_DIR CHARACTERS PASSES FIRST_PASS[:FIRST_ITEM] SAMPLES
//                             RECIPE.conf[@SEED]...
//        (CHARACTERS: the set, e.g. 12g+symbol-shapes.txt+name-compositions.txt
//        (character_sets.h); a symbol's written forms take turns; SAMPLES per recipe and
//        character in each pass; FIRST_ITEM: where in the first pass's order to start, for a
//        resumed training)
//
// Output, little-endian: "HWPLANE1", u32 classes, u32 cells per plane side, u32 planes, each
// class's character (u8 length, UTF-8); then records of u16 class, the writing's geometry
// (engine::writingGeometry, 4 bytes) and the planes' cells as u8, in 64ths of a unit, clipped
// at 255. Every item of a pass's order has its record: one of class 0xFFFF, all else zero,
// stands for a sample whose writing gives no planes, so that the trainer can count where in
// the stream it is and a resumed run start where the interrupted one stopped.
#include <algorithm>
#include <chrono>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <exception>
#include <string>
#include <vector>

#include "character_sets.h"
#include "engine/direction_features.h"
#include "mouse_writing.h"

namespace {

constexpr std::uint32_t kLeftOut = 0xFFFF;  // the class of a record that holds no sample

void put(std::string& out, std::uint32_t value) {
    for (int i = 0; i < 4; ++i) out += static_cast<char>((value >> (8 * i)) & 0xFF);
}

std::uint8_t byte(double value) {
    return static_cast<std::uint8_t>(std::clamp(std::lround(value), 0L, 255L));
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fprintf(stderr,
                     "usage: %s DATA_DIR CHARACTERS PASSES FIRST_PASS[:FIRST_ITEM] SAMPLES "
                     "RECIPE.conf[@SEED]...\n",
                     argv[0]);
        return 2;
    }
    const std::string dataDir = argv[1], characterSet = argv[2];
    const int passes = std::atoi(argv[3]), firstPass = std::atoi(argv[4]);
    const char* itemAt = std::strchr(argv[4], ':');
    const std::size_t firstItem = itemAt ? std::strtoull(itemAt + 1, nullptr, 10) : 0;
    const int samples = std::atoi(argv[5]);
    std::string error;
    std::vector<training::SampleGenerator> recipes;
    for (int i = 6; i < argc; ++i) {
        std::string recipe = argv[i];
        std::size_t at = recipe.find('@');
        training::WritingSettings settings;
        if (!training::loadWritingSettings(recipe.substr(0, at), settings, error)) {
            std::fprintf(stderr, "%s: %s\n", recipe.c_str(), error.c_str());
            return 1;
        }
        if (at != std::string::npos)
            settings.seed = std::strtoull(recipe.c_str() + at + 1, nullptr, 10);
        try {
            recipes.emplace_back(settings, dataDir);
        } catch (const std::exception& e) {
            std::fprintf(stderr, "%s: %s\n", recipe.c_str(), e.what());
            return 1;
        }
    }
    // Each character's written forms: a hanzi has one, a symbol those its file draws.
    training::CharacterSet set;
    training::WrittenForms loaded;
    if (!training::parseCharacterSet(characterSet, set, error) ||
        !training::loadCharacterSet(dataDir, set, loaded, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    const std::vector<std::string>& characters = loaded.characters;
    const auto& forms = loaded.forms;
    if (characters.size() >= kLeftOut) {
        std::fprintf(stderr, "%zu characters: a record's class holds fewer than %u\n",
                     characters.size(), kLeftOut);
        return 1;
    }
    if (characters.empty() || recipes.empty() || samples < 1) {
        std::fprintf(stderr, "no characters, recipes or samples to write\n");
        return 1;
    }

    std::string header = "HWPLANE1";
    put(header, static_cast<std::uint32_t>(characters.size()));
    put(header, static_cast<std::uint32_t>(engine::kPlaneCells));
    put(header, static_cast<std::uint32_t>(engine::kPlaneSets * engine::kDirectionCount));
    for (const std::string& c : characters) header += static_cast<char>(c.size()) + c;
    std::fwrite(header.data(), 1, header.size(), stdout);

    const PadSize pad;
    std::vector<std::uint8_t> record(2 + 4 + engine::kDirectionPlaneSize);
    engine::DirectionPlanes planes;
    const auto start = std::chrono::steady_clock::now();
    for (int pass = firstPass; pass < firstPass + passes; ++pass) {
        // Every (character, recipe, sample) once, shuffled by the pass.
        std::vector<std::uint32_t> order;
        const std::uint32_t perCharacter = static_cast<std::uint32_t>(recipes.size() * samples);
        for (std::uint32_t i = 0; i < characters.size() * perCharacter; ++i) order.push_back(i);
        training::Random shuffle(0x5EED0000ULL + static_cast<std::uint64_t>(pass));
        for (std::size_t i = order.size(); i > 1; --i)
            std::swap(order[i - 1],
                      order[static_cast<std::size_t>(shuffle.below(static_cast<int>(i)))]);
        for (std::size_t at = pass == firstPass ? firstItem : 0; at < order.size(); ++at) {
            const std::uint32_t item = order[at];
            const std::uint32_t c = item / perCharacter, rest = item % perCharacter;
            const std::uint32_t recipe = rest / static_cast<std::uint32_t>(samples);
            const int k =
                pass * samples + static_cast<int>(rest % static_cast<std::uint32_t>(samples));
            const auto& written = forms[c][static_cast<std::size_t>(k) % forms[c].size()];
            training::WrittenSample w =
                recipes[recipe].write(written, training::firstCodepoint(characters[c]), k);
            if (engine::extractDirectionPlanes(w.padStrokes, planes)) {
                const engine::WritingGeometry geometry = engine::writingGeometry(w.padStrokes, pad);
                record[0] = static_cast<std::uint8_t>(c & 0xFF);
                record[1] = static_cast<std::uint8_t>(c >> 8);
                std::copy(geometry.begin(), geometry.end(), record.begin() + 2);
                for (std::size_t i = 0; i < planes.size(); ++i)
                    record[6 + i] = byte(planes[i] * 64);
            } else {
                std::fill(record.begin(), record.end(), std::uint8_t{0});
                record[0] = static_cast<std::uint8_t>(kLeftOut & 0xFF);
                record[1] = static_cast<std::uint8_t>(kLeftOut >> 8);
            }
            if (std::fwrite(record.data(), 1, record.size(), stdout) != record.size())
                return 0;  // the trainer has what it wanted
        }
        std::fprintf(
            stderr, "[network] pass %d written, %.0f s\n", pass,
            std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count());
    }
    return 0;
}
