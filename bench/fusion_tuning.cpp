// Fits the temperatures with which the service fuses the trained and the stock model
// (candidate_fusion.h, recognizer.h): the four lists the service fuses (each model on the
// writing as written and normalised) are gathered once for every sample of the given sets,
// then the pair of temperatures that makes the written character most likely under the fused
// ranking (softmax over the fused scores, every listed character competing) is searched for.
// Prints the fit, the temperatures the service uses, and top-1/top-10 accuracy of each model
// alone, fused with the fitted pair, and of the service's own fused recogniser, per set and
// level. Numbers are printed, nothing is judged. Fit on sets that do not judge the result.
//
// usage: fusion_tuning DATA_DIR STOCK_MODEL TRAINED_MODEL LIMIT_PER_LEVEL SET.conf[@SEED]...
//        (LIMIT_PER_LEVEL 0: every character; @SEED writes the set with that seed instead of
//        its own and one sample per character, e.g. the training recipe as the model never
//        saw it)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <limits>
#include <string>
#include <vector>

#include "candidate_fusion.h"
#include "mouse_writing.h"
#include "recognizer.h"
#include "writing_normalization.h"

namespace {

struct Sample {
    std::string set, character;
    int level;
    // As the service fuses them: trained, stock, then both on the normalised writing.
    std::vector<service::ScoredCandidate> lists[4];
    std::vector<service::ScoredCandidate> service;  // the service's own fused list
};

std::vector<service::ScoredCandidate> fuse(const Sample& s, double trainedScale, double stockScale,
                                           std::size_t count) {
    return service::fuseCandidates({{s.lists[0], trainedScale},
                                    {s.lists[1], stockScale},
                                    {s.lists[2], trainedScale},
                                    {s.lists[3], stockScale}},
                                   count);
}

// Mean negative log-likelihood of the written character, over samples where some list holds it.
double meanLoss(const std::vector<Sample>& samples, double trainedScale, double stockScale) {
    double loss = 0;
    int counted = 0;
    for (const Sample& s : samples) {
        auto fused = fuse(s, trainedScale, stockScale, std::numeric_limits<std::size_t>::max());
        auto at = std::find_if(fused.begin(), fused.end(), [&](const service::ScoredCandidate& c) {
            return c.value == s.character;
        });
        if (at == fused.end())
            continue;
        double top = fused.front().score, sum = 0;
        for (const auto& c : fused) sum += std::exp(c.score - top);
        loss += -(at->score - top - std::log(sum));
        ++counted;
    }
    return counted ? loss / counted : 0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr,
                     "usage: %s DATA_DIR STOCK_MODEL TRAINED_MODEL LIMIT_PER_LEVEL "
                     "SET.conf[@SEED]...\n",
                     argv[0]);
        return 2;
    }
    std::string dataDir = argv[1], error;
    int limit = std::atoi(argv[4]);
    std::shared_ptr<const service::Recognizer> stock = service::Recognizer::open(argv[2], error);
    std::shared_ptr<const service::Recognizer> trained =
        stock ? service::Recognizer::open(argv[3], error) : nullptr;
    if (!trained) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::unique_ptr<const service::Recognizer> trainedNormalized =
        std::make_unique<service::NormalizingRecognizer>(trained, service::kNormalizedFill);
    std::unique_ptr<const service::Recognizer> stockNormalized =
        std::make_unique<service::NormalizingRecognizer>(stock, service::kNormalizedFill);
    auto fused = service::fuseTrainedAndStock(trained, stock);
    std::vector<std::string> levels[2] = {training::gb2312Hanzi(1), training::gb2312Hanzi(2)};
    for (auto& level : levels)
        if (limit > 0 && level.size() > static_cast<std::size_t>(limit))
            level.resize(static_cast<std::size_t>(limit));

    std::vector<Sample> samples;
    std::vector<std::string> setNames;
    for (int a = 5; a < argc; ++a) {
        std::string arg = argv[a], path = arg;
        training::WritingSettings settings;
        std::size_t at = arg.rfind('@');
        if (at != std::string::npos)
            path = arg.substr(0, at);
        if (!training::loadWritingSettings(path, settings, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::string name = training::settingsName(path);
        if (at != std::string::npos) {
            settings.seed = std::strtoull(arg.c_str() + at + 1, nullptr, 10);
            settings.samplesPerCharacter = 1;
            name += "@" + arg.substr(at + 1);
        }
        setNames.push_back(name);
        training::SampleGenerator generator(settings);
        for (int level = 0; level < 2; ++level) {
            for (const std::string& character : levels[level]) {
                hanzi::HanziMedians medians;
                if (!hanzi::loadHanziMedians(dataDir, character, medians, error))
                    continue;
                std::uint32_t cp = training::firstCodepoint(character);
                for (int k = 0; k < settings.samplesPerCharacter; ++k) {
                    training::WrittenSample written = generator.write(medians, cp, k);
                    service::ParsedStrokes parsed =
                        service::parseStrokeText(written.innerStrokeText);
                    Sample s{name, character, level + 1, {}, {}};
                    s.lists[0] = trained->rank(parsed.strokes, service::kFusionDepth);
                    s.lists[1] = stock->rank(parsed.strokes, service::kFusionDepth);
                    s.lists[2] = trainedNormalized->rank(parsed.strokes, service::kFusionDepth);
                    s.lists[3] = stockNormalized->rank(parsed.strokes, service::kFusionDepth);
                    s.service = fused->rank(parsed.strokes, 10);
                    samples.push_back(std::move(s));
                }
            }
        }
        std::fprintf(stderr, "%s: %zu samples so far\n", name.c_str(), samples.size());
    }

    // Both temperatures searched one at a time in steps of 12 %, then again while either moves
    // (only the ratio changes the ranking; together they set how sure the fused ranking is,
    // which the likelihood also weighs).
    double bestTrained = service::kTrainedModelScale, bestStock = service::kStockModelScale;
    double bestLoss = meanLoss(samples, bestTrained, bestStock);
    for (bool moved = true; moved;) {
        moved = false;
        for (int axis = 0; axis < 2; ++axis) {
            for (double factor : {1.12, 1 / 1.12}) {
                for (;;) {
                    double t = bestTrained * (axis == 0 ? factor : 1);
                    double s = bestStock * (axis == 1 ? factor : 1);
                    double loss = meanLoss(samples, t, s);
                    if (loss >= bestLoss)
                        break;
                    bestLoss = loss;
                    bestTrained = t;
                    bestStock = s;
                    moved = true;
                }
            }
        }
    }
    std::printf("fitted on %zu samples: trained %.3f, stock %.3f (ratio %.2f), loss %.4f\n",
                samples.size(), bestTrained, bestStock, bestStock / bestTrained, bestLoss);
    std::printf("the service uses:    trained %.3f, stock %.3f (ratio %.2f), loss %.4f\n\n",
                service::kTrainedModelScale, service::kStockModelScale,
                service::kStockModelScale / service::kTrainedModelScale,
                meanLoss(samples, service::kTrainedModelScale, service::kStockModelScale));

    std::printf("%-22s %-5s %7s | %-13s | %-13s | %-13s | %-13s\n", "set", "level", "samples",
                "stock 1/10", "trained 1/10", "fused (fit)", "service");
    for (const std::string& name : setNames) {
        for (int level = 1; level <= 2; ++level) {
            int n = 0, top1[4] = {}, top10[4] = {};
            for (const Sample& s : samples) {
                if (s.set != name || s.level != level)
                    continue;
                ++n;
                std::vector<service::ScoredCandidate> lists[4] = {
                    s.lists[1], s.lists[0], fuse(s, bestTrained, bestStock, 10), s.service};
                for (int m = 0; m < 4; ++m) {
                    auto& list = lists[m];
                    if (list.size() > 10)
                        list.resize(10);
                    for (std::size_t i = 0; i < list.size(); ++i) {
                        if (list[i].value == s.character) {
                            top1[m] += i == 0;
                            ++top10[m];
                            break;
                        }
                    }
                }
            }
            std::printf("%-22s %-5d %7d", name.c_str(), level, n);
            for (int m = 0; m < 4; ++m)
                std::printf(" | %5.1f%% %5.1f%%", n ? 100.0 * top1[m] / n : 0,
                            n ? 100.0 * top10[m] / n : 0);
            std::printf("\n");
        }
    }
    return 0;
}
