// The stock zinnia model, the trained zinnia model, the two fused and the shape model (the
// service's default) side by side:
// top-1 and top-10 accuracy on
// synthetic mouse writing (one evaluation set per settings file: clean, distorted with its own
// seed and settings, wrong stroke order), GB2312 levels 1 and 2 apart, recognition latency
// (stroke data reading + scoring, one thread; the fused recogniser runs both zinnia models in
// turn, on the writing as written and normalised)
// and model size. Each sample is the stroke data the
// panel's last request carries, read by the service's own parser and box mapping. Numbers are
// printed, nothing is judged.
//
// usage: model_comparison DATA_DIR STOCK_MODEL TRAINED_MODEL SHAPE_MODEL LIMIT_PER_LEVEL
//                         SET.conf...
//        (LIMIT_PER_LEVEL 0: every character)
#include <sys/stat.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <string>
#include <vector>

#include "mouse_writing.h"
#include "recognizer.h"

namespace {

struct Tally {
    int samples = 0, top1 = 0, top10 = 0;
};

struct Model {
    std::string name, path;
    std::unique_ptr<service::Recognizer> recognizer;
    std::vector<double> latencies;
    double mib = 0;
};

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

}  // namespace

int main(int argc, char** argv) {
    if (argc < 7) {
        std::fprintf(stderr,
                     "usage: %s DATA_DIR STOCK_MODEL TRAINED_MODEL SHAPE_MODEL LIMIT_PER_LEVEL "
                     "SET.conf...\n",
                     argv[0]);
        return 2;
    }
    std::string dataDir = argv[1];
    int limit = std::atoi(argv[5]);
    std::string error;
    constexpr int kModels = 4;
    Model models[kModels] = {{"stock", argv[2], nullptr, {}},
                             {"trained", argv[3], nullptr, {}},
                             {},
                             {"shape", argv[4], nullptr, {}}};
    for (int m = 0; m < 2; ++m) {
        models[m].recognizer = service::Recognizer::open(models[m].path, error);
        if (!models[m].recognizer) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        models[m].mib = fileMib(models[m].path);
    }
    models[3].recognizer = service::Recognizer::open(models[3].path, error);
    if (!models[3].recognizer) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    models[3].mib = fileMib(models[3].path);
    // The fused recogniser gets models of its own, so the other two stay as they were.
    {
        auto trained = service::Recognizer::open(models[1].path, error);
        auto stock = service::Recognizer::open(models[0].path, error);
        if (!trained || !stock) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        models[2] = {"fused",
                     models[1].path + " + " + models[0].path,
                     service::fuseTrainedAndStock(std::move(trained), std::move(stock)),
                     {},
                     models[0].mib + models[1].mib};
    }
    std::vector<std::string> levels[2] = {training::gb2312Hanzi(1), training::gb2312Hanzi(2)};
    for (auto& level : levels)
        if (limit > 0 && level.size() > static_cast<std::size_t>(limit))
            level.resize(static_cast<std::size_t>(limit));

    std::printf("%-12s %-5s %7s", "set", "level", "samples");
    for (const Model& m : models) std::printf(" | %-8s %7s %7s", m.name.c_str(), "top-1", "top-10");
    std::printf("\n");
    for (int a = 6; a < argc; ++a) {
        training::WritingSettings settings;
        if (!training::loadWritingSettings(argv[a], settings, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        training::SampleGenerator generator(settings);
        for (int level = 0; level < 2; ++level) {
            Tally tally[kModels];
            for (const std::string& character : levels[level]) {
                hanzi::HanziMedians medians;
                if (!hanzi::loadHanziMedians(dataDir, character, medians, error))
                    continue;
                std::uint32_t cp = training::firstCodepoint(character);
                for (int k = 0; k < settings.samplesPerCharacter; ++k) {
                    training::WrittenSample sample = generator.write(medians, cp, k);
                    for (int m = 0; m < kModels; ++m) {
                        auto start = std::chrono::steady_clock::now();
                        service::ParsedStrokes parsed =
                            service::parseStrokeText(sample.innerStrokeText);
                        std::vector<std::string> candidates =
                            models[m].recognizer->classify(parsed.strokes, 10);
                        models[m].latencies.push_back(std::chrono::duration<double, std::milli>(
                                                          std::chrono::steady_clock::now() - start)
                                                          .count());
                        auto at = std::find(candidates.begin(), candidates.end(), character);
                        ++tally[m].samples;
                        tally[m].top1 += at == candidates.begin() && at != candidates.end();
                        tally[m].top10 += at != candidates.end();
                    }
                }
            }
            std::printf("%-12s %-5d %7d", training::settingsName(argv[a]).c_str(), level + 1,
                        tally[0].samples);
            for (const Tally& t : tally)
                std::printf(" | %-8s %6.1f%% %6.1f%%", "", percent(t.top1, t.samples),
                            percent(t.top10, t.samples));
            std::printf("\n");
            std::fflush(stdout);
        }
    }
    std::printf(
        "\nRecognition latency per character (stroke data reading + scoring, one thread)\n");
    for (const Model& m : models) {
        std::printf("  %-8s p50 %.2f ms, p99 %.2f ms, max %.2f ms; model %.1f MiB (%s)\n",
                    m.name.c_str(), percentile(m.latencies, 0.5), percentile(m.latencies, 0.99),
                    percentile(m.latencies, 1.0), m.mib, m.path.c_str());
    }
    return 0;
}
