// The stock zinnia model, the trained zinnia model, the two fused, and the shape model by shape
// alone and with its prior (the service's default) side by side: top-1 and top-10 accuracy on
// synthetic writing, one evaluation set per settings file (clean, distorted, wrong stroke
// order, quick joined writing, each with its own seed and settings), GB2312 levels 1 and 2
// apart; recognition latency (stroke data reading + scoring, one thread; the fused recogniser
// runs both zinnia models in turn, on the writing as written and normalised); model size.
//
// A set is either every character of each level (samples_per_character of each), or, written
// frequency=N:SET.conf, N characters drawn by how often they occur in text (the shape model's
// prior): what a user meets; uniform=N:SET.conf, N drawn alike. SET.conf@SEED writes the set
// with another seed (for tuning on a training recipe, never on an evaluation set). Each sample is
// the stroke data the panel's last request carries, read by the service's own parser and box
// mapping. Numbers are printed, nothing is judged.
//
// A network=FILE@WEIGHT argument adds the convolutional network (service/stroke_network.h):
// alone, and re-ranking the shape model's shortlist without and with its prior at that weight.
// STOCK_MODEL "-" leaves the three zinnia recognisers out.
//
// usage: model_comparison DATA_DIR STOCK_MODEL TRAINED_MODEL SHAPE_MODEL LIMIT_PER_LEVEL
//                         [network=FILE@WEIGHT]... SET...   (LIMIT_PER_LEVEL 0: every character)
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
#include "stroke_network.h"

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
                     "[network=FILE@WEIGHT]... [frequency=N:|uniform=N:]SET.conf[@SEED]...\n",
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

    std::vector<Model> models;
    if (std::string(argv[2]) != "-") {
        for (const char* path : {argv[2], argv[3]}) {
            models.emplace_back(models.empty() ? "stock" : "trained", path,
                                service::Recognizer::open(path, error), fileMib(path));
            if (!models.back().recognizer) {
                std::fprintf(stderr, "%s\n", error.c_str());
                return 1;
            }
        }
        // The fused recogniser gets models of its own, so the other two stay as they were.
        auto trained = service::Recognizer::open(argv[3], error);
        auto stock = service::Recognizer::open(argv[2], error);
        if (!trained || !stock) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        models.emplace_back("fused", std::string(argv[3]) + " + " + argv[2],
                            service::fuseTrainedAndStock(std::move(trained), std::move(stock)),
                            fileMib(argv[2]) + fileMib(argv[3]));
    }
    auto byShape = std::make_shared<service::ShapeRecognizer>(shape, false);
    auto withPrior = std::make_shared<service::ShapeRecognizer>(shape);
    models.emplace_back("no-prior", argv[4],
                        std::make_unique<service::ShapeRecognizer>(shape, false), fileMib(argv[4]));
    models.emplace_back("shape", argv[4], std::make_unique<service::ShapeRecognizer>(shape),
                        fileMib(argv[4]));
    int firstSet = 6;
    for (; firstSet < argc && std::string(argv[firstSet]).rfind("network=", 0) == 0; ++firstSet) {
        std::string argument = argv[firstSet] + 8;
        std::size_t at = argument.rfind('@');
        std::string path = argument.substr(0, at);
        double weight = at == std::string::npos ? 1.0 : std::atof(argument.c_str() + at + 1);
        service::StrokeNetwork network;
        if (!service::readStrokeNetwork(path, network, error)) {
            std::fprintf(stderr, "%s (`make network` makes it)\n", error.c_str());
            return 1;
        }
        double mib = fileMib(path);
        std::string tag = at == std::string::npos ? "" : argument.substr(at + 1);
        if (firstSet == 6)
            models.emplace_back("net", path,
                                std::make_unique<service::NetworkRecognizer>(
                                    nullptr, network, weight, service::ShapeRecognizer::kShortList),
                                mib);
        models.emplace_back("np+n" + tag, path + " + " + argv[4],
                            std::make_unique<service::NetworkRecognizer>(
                                byShape, network, weight, service::ShapeRecognizer::kShortList),
                            mib + fileMib(argv[4]));
        models.emplace_back("sh+n" + tag, path + " + " + argv[4],
                            std::make_unique<service::NetworkRecognizer>(
                                withPrior, network, weight, service::ShapeRecognizer::kShortList),
                            mib + fileMib(argv[4]));
    }
    const std::size_t kModels = models.size();

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
    for (int a = firstSet; a < argc; ++a) {
        std::string argument = argv[a], path = argument;
        int drawn = 0;
        const bool uniform = argument.rfind("uniform=", 0) == 0;
        if (uniform || argument.rfind("frequency=", 0) == 0) {
            std::size_t colon = argument.find(':');
            std::size_t equals = argument.find('=');
            drawn = colon == std::string::npos ? 0 : std::atoi(argument.c_str() + equals + 1);
            path = colon == std::string::npos ? "" : argument.substr(colon + 1);
            if (drawn <= 0 || (!uniform && frequency.empty())) {
                std::fprintf(stderr,
                             "%s: needs frequency=N:SET.conf and a model with a prior, or "
                             "uniform=N:SET.conf\n",
                             argument.c_str());
                return 1;
            }
        }
        std::size_t seedAt = path.find('@');
        training::WritingSettings settings;
        if (!training::loadWritingSettings(path.substr(0, seedAt), settings, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        if (seedAt != std::string::npos)
            settings.seed = std::strtoull(path.c_str() + seedAt + 1, nullptr, 10);
        training::SampleGenerator generator(settings);
        std::vector<Draw> draws;
        if (drawn > 0) {
            std::vector<double> weights;
            for (const Character& c : characters)
                weights.push_back(uniform ? 1.0 : frequency[c.value]);
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
        std::string name = training::settingsName(path.substr(0, seedAt)) +
                           (seedAt == std::string::npos ? "" : path.substr(seedAt)) +
                           (drawn > 0 ? (uniform ? " (uniform)" : " (by frequency)") : "");
        for (int level = 0; level < 2; ++level) {
            std::vector<Tally> tally(kModels);
            for (const Draw& draw : draws) {
                const Character& character = characters[draw.character];
                if (character.level != level)
                    continue;
                training::WrittenSample sample = generator.write(
                    character.medians, training::firstCodepoint(character.value), draw.index);
                for (std::size_t m = 0; m < kModels; ++m) {
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
