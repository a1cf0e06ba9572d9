// The stock zinnia model, the trained zinnia model, the two fused, and the shape model by shape
// alone and with its prior (the service's default) side by side: top-1 and top-10 accuracy on
// synthetic writing, one evaluation set per settings file (clean, distorted, wrong stroke
// order, quick joined writing, each with its own seed and settings), GB2312 levels 1 and 2
// apart; recognition latency (stroke data reading + scoring, one thread; the fused recogniser
// runs both zinnia models in turn, on the writing as written and normalised); model size.
//
// A set is either every character of each level (samples_per_character of each), or, written
// frequency=N:SET.conf, N characters drawn by how often they occur in text (the shape model's
// prior): what a user meets. Each sample is the stroke data the panel's last request carries,
// read by the service's own parser and box mapping. Numbers are printed, nothing is judged.
//
// usage: model_comparison DATA_DIR STOCK_MODEL TRAINED_MODEL SHAPE_MODEL LIMIT_PER_LEVEL
//                         SET...   (LIMIT_PER_LEVEL 0: every character)
#include <sys/stat.h>
#include <time.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <string>
#include <vector>

#include "mouse_writing.h"
#include "recognizer.h"
#include "shape_model.h"

namespace {

struct Tally {
    int samples = 0, top1 = 0, top10 = 0;
};

struct Model {
    Model() = default;
    Model(std::string name_, std::string path_, std::unique_ptr<service::Recognizer> recognizer_,
          double mib_)
        : name(std::move(name_)),
          path(std::move(path_)),
          recognizer(std::move(recognizer_)),
          mib(mib_) {}
    std::string name, path;
    std::unique_ptr<service::Recognizer> recognizer;
    double mib = 0;
    std::vector<double> latencies, cpuTimes;
};

// This thread's processor time: on a machine shared with other work, what one recognition
// costs one core, whatever else runs beside it.
double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double fileMib(const std::string& path) {
    struct stat info {};
    return stat(path.c_str(), &info) == 0 ? info.st_size / 1048576.0 : 0;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5))];
}

double percent(int part, int whole) {
    return whole ? 100.0 * part / whole : 0.0;
}

struct Character {
    std::string value;
    int level;  // 0 or 1
    hanzi::HanziMedians medians;
};

// One sample to recognise: which character, and which of its samples.
struct Draw {
    std::size_t character;
    int index;
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fprintf(stderr,
                     "usage: %s DATA_DIR STOCK_MODEL TRAINED_MODEL SHAPE_MODEL LIMIT_PER_LEVEL "
                     "[frequency=N:]SET.conf...\n",
                     argv[0]);
        return 2;
    }
    std::string dataDir = argv[1];
    int limit = std::atoi(argv[5]);
    std::string error;
    service::ShapeModel shape;
    if (!service::readShapeModel(argv[4], shape, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::map<std::string, double> frequency;
    for (std::size_t c = 0; c < shape.characters.size() && c < shape.frequencies.size(); ++c)
        frequency[shape.characters[c]] = shape.frequencies[c];

    constexpr int kModels = 5;
    Model models[kModels];
    models[0] = Model{"stock", argv[2], nullptr, fileMib(argv[2])};
    models[1] = Model{"trained", argv[3], nullptr, fileMib(argv[3])};
    for (int m = 0; m < 2; ++m) {
        models[m].recognizer = service::Recognizer::open(models[m].path, error);
        if (!models[m].recognizer) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
    }
    // The fused recogniser gets models of its own, so the other two stay as they were.
    {
        auto trained = service::Recognizer::open(models[1].path, error);
        auto stock = service::Recognizer::open(models[0].path, error);
        if (!trained || !stock) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        models[2] = Model{"fused", models[1].path + " + " + models[0].path,
                          service::fuseTrainedAndStock(std::move(trained), std::move(stock)),
                          models[0].mib + models[1].mib};
    }
    models[3] = Model{"no-prior", argv[4], std::make_unique<service::ShapeRecognizer>(shape, false),
                      fileMib(argv[4])};
    models[4] =
        Model{"shape", argv[4], std::make_unique<service::ShapeRecognizer>(std::move(shape)),
              fileMib(argv[4])};

    std::vector<Character> characters;
    std::size_t perLevel[2] = {0, 0};
    for (int level = 0; level < 2; ++level)
        for (const std::string& c : training::gb2312Hanzi(level + 1)) {
            Character character{c, level, {}};
            if (!hanzi::loadHanziMedians(dataDir, c, character.medians, error))
                continue;
            characters.push_back(std::move(character));
            ++perLevel[level];
        }

    std::printf("%-22s %-5s %7s", "set", "level", "samples");
    for (const Model& m : models) std::printf(" | %-8s %7s %7s", m.name.c_str(), "top-1", "top-10");
    std::printf("\n");
    for (int a = 6; a < argc; ++a) {
        std::string argument = argv[a], path = argument;
        int drawn = 0;
        if (argument.rfind("frequency=", 0) == 0) {
            std::size_t colon = argument.find(':');
            drawn = colon == std::string::npos ? 0 : std::atoi(argument.substr(10).c_str());
            path = colon == std::string::npos ? "" : argument.substr(colon + 1);
            if (drawn <= 0 || frequency.empty()) {
                std::fprintf(stderr, "%s: needs frequency=N:SET.conf and a model with a prior\n",
                             argument.c_str());
                return 1;
            }
        }
        training::WritingSettings settings;
        if (!training::loadWritingSettings(path, settings, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        training::SampleGenerator generator(settings);
        std::vector<Draw> draws;
        if (drawn > 0) {
            std::vector<double> weights;
            for (const Character& c : characters) weights.push_back(frequency[c.value]);
            std::map<std::size_t, int> times;
            for (std::size_t c : training::drawByWeight(weights, drawn, settings.seed))
                draws.push_back({c, times[c]++});
        } else {
            std::size_t taken[2] = {0, 0};
            for (std::size_t c = 0; c < characters.size(); ++c) {
                int level = characters[c].level;
                if (limit > 0 && taken[level] >= static_cast<std::size_t>(limit))
                    continue;
                ++taken[level];
                for (int k = 0; k < settings.samplesPerCharacter; ++k) draws.push_back({c, k});
            }
        }
        std::string name = training::settingsName(path) + (drawn > 0 ? " (by frequency)" : "");
        for (int level = 0; level < 2; ++level) {
            Tally tally[kModels];
            for (const Draw& draw : draws) {
                const Character& character = characters[draw.character];
                if (character.level != level)
                    continue;
                training::WrittenSample sample = generator.write(
                    character.medians, training::firstCodepoint(character.value), draw.index);
                for (int m = 0; m < kModels; ++m) {
                    auto start = std::chrono::steady_clock::now();
                    double cpuStart = threadCpuMs();
                    service::ParsedStrokes parsed =
                        service::parseStrokeText(sample.innerStrokeText);
                    std::vector<std::string> candidates =
                        models[m].recognizer->classify(parsed.strokes, 10);
                    models[m].latencies.push_back(std::chrono::duration<double, std::milli>(
                                                      std::chrono::steady_clock::now() - start)
                                                      .count());
                    models[m].cpuTimes.push_back(threadCpuMs() - cpuStart);
                    auto at = std::find(candidates.begin(), candidates.end(), character.value);
                    ++tally[m].samples;
                    tally[m].top1 += at == candidates.begin() && at != candidates.end();
                    tally[m].top10 += at != candidates.end();
                }
            }
            std::printf("%-22s %-5d %7d", name.c_str(), level + 1, tally[0].samples);
            for (const Tally& t : tally)
                std::printf(" | %-8s %6.1f%% %6.1f%%", "", percent(t.top1, t.samples),
                            percent(t.top10, t.samples));
            std::printf("\n");
            std::fflush(stdout);
        }
    }
    std::printf(
        "\nRecognition latency per character (stroke data reading + scoring, one thread): "
        "wall clock, and the thread's processor time\n");
    for (const Model& m : models) {
        std::printf(
            "  %-8s p50 %.2f ms, p99 %.2f ms, max %.2f ms; processor p50 %.2f ms, p99 "
            "%.2f ms; model %.1f MiB (%s)\n",
            m.name.c_str(), percentile(m.latencies, 0.5), percentile(m.latencies, 0.99),
            percentile(m.latencies, 1.0), percentile(m.cpuTimes, 0.5), percentile(m.cpuTimes, 0.99),
            m.mib, m.path.c_str());
    }
    std::printf(
        "  (%zu + %zu characters with centre-line data; no-prior is the shape model "
        "ranking by shape alone)\n",
        perLevel[0], perLevel[1]);
    return 0;
}
