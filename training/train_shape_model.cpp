// Trains the shape model for every GB2312 hanzi that the centre-line data covers: each
// character written by the synthetic mouse hand of every recipe the settings name, its
// direction features taken, and the model made from them. Progress goes to stderr.
//
// usage: train_shape_model DATA_DIR SETTINGS OUTPUT [LEVELS]   (LEVELS: 1, 2 or 12; default 12)
#include <algorithm>
#include <atomic>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <sstream>
#include <string>
#include <thread>

#include "mouse_writing.h"
#include "shape_model_training.h"

namespace {

using Clock = std::chrono::steady_clock;

std::string folderOf(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    return slash == std::string::npos ? "." : path.substr(0, slash);
}

bool readFile(const std::string& path, std::string& text) {
    std::ifstream in(path, std::ios::binary);
    std::ostringstream all;
    all << in.rdbuf();
    text = all.str();
    return static_cast<bool>(in);
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr, "usage: %s DATA_DIR SETTINGS OUTPUT [LEVELS]\n", argv[0]);
        return 2;
    }
    const std::string dataDir = argv[1], settingsPath = argv[2], output = argv[3];
    const std::string levels = argc > 4 ? argv[4] : "12";
    const auto start = Clock::now();
    auto say = [&](const std::string& what) {
        double seconds = std::chrono::duration<double>(Clock::now() - start).count();
        std::fprintf(stderr, "[model] %5.1f s  %s\n", seconds, what.c_str());
    };

    std::string text, error;
    training::ShapeTrainingSettings settings;
    if (!readFile(settingsPath, text) ||
        !training::readShapeTrainingSettings(text, settings, error)) {
        std::fprintf(stderr, "%s: %s\n", settingsPath.c_str(),
                     error.empty() ? "cannot read it" : error.c_str());
        return 1;
    }
    std::vector<training::SampleGenerator> recipes;
    for (const std::string& name : settings.recipes) {
        training::WritingSettings writing;
        std::string path = folderOf(settingsPath) + "/" + name;
        if (!training::loadWritingSettings(path, writing, error)) {
            std::fprintf(stderr, "%s: %s\n", path.c_str(), error.c_str());
            return 1;
        }
        recipes.emplace_back(writing);
    }

    std::vector<std::string> characters;
    std::vector<hanzi::HanziMedians> medians;
    for (char level : levels)
        for (const std::string& c : training::gb2312Hanzi(level - '0')) {
            hanzi::HanziMedians m;
            if (!hanzi::loadHanziMedians(dataDir, c, m, error))
                continue;
            characters.push_back(c);
            medians.push_back(std::move(m));
        }
    if (characters.size() < 2) {
        std::fprintf(stderr, "no centre-line data for the characters in %s (run make deps)\n",
                     dataDir.c_str());
        return 1;
    }
    say("writing " + std::to_string(settings.samplesPerRecipe * recipes.size()) +
        " samples of each of " + std::to_string(characters.size()) + " characters");

    // Sample k of a recipe is the same whatever thread writes it: the model does not depend on
    // the number of cores.
    std::vector<std::vector<service::DirectionFeatures>> samples(characters.size());
    std::atomic<std::size_t> next{0}, done{0};
    auto work = [&] {
        for (std::size_t c; (c = next++) < characters.size();) {
            std::uint32_t cp = training::firstCodepoint(characters[c]);
            for (const training::SampleGenerator& recipe : recipes)
                for (int k = 0; k < settings.samplesPerRecipe; ++k) {
                    training::WrittenSample w = recipe.write(medians[c], cp, k);
                    service::DirectionFeatures f;
                    if (service::extractDirectionFeatures(w.padStrokes, f))
                        samples[c].push_back(f);
                }
            ++done;
        }
    };
    unsigned threads = std::max(1u, std::min(4u, std::thread::hardware_concurrency()));
    std::vector<std::thread> pool;
    for (unsigned t = 1; t < threads; ++t) pool.emplace_back(work);
    std::thread reporter([&] {
        std::size_t reported = 0;
        while (done < characters.size()) {
            std::this_thread::sleep_for(std::chrono::milliseconds(200));
            std::size_t now = done;
            if (now >= reported + 1000) {
                say("written " + std::to_string(now) + "/" + std::to_string(characters.size()) +
                    " characters");
                reported = now - now % 1000;
            }
        }
    });
    work();
    for (std::thread& t : pool) t.join();
    reporter.join();

    service::ShapeModel model;
    if (!training::trainShapeModel(characters, samples, settings, model, error, say)) {
        std::fprintf(stderr, "training failed: %s\n", error.c_str());
        return 1;
    }
    if (!training::attachPrior(model, settings, folderOf(settingsPath), error)) {
        std::fprintf(stderr, "the prior: %s\n", error.c_str());
        return 1;
    }
    if (!model.frequencies.empty())
        say("prior from " + settings.characterFrequencies);
    if (!service::writeShapeModel(model, output, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    say("wrote " + output);
    return 0;
}
