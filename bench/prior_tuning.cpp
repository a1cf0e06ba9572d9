// How the recognition model's prior weight trades accuracy on characters drawn uniformly against
// accuracy on characters drawn by how often they occur in text. Each sample is ranked once by
// shape alone (its 200 best characters and their scores); every weight is then tried on those
// lists. Also prints how far apart the
// first two scores usually are, which is the scale the weight is judged against. Run it on a recipe
// written with a seed of its own (the training recipe as the model never saw it), never on the sets
// that judge the result. Numbers are printed, nothing is judged.
//
// usage: prior_tuning DATA_DIR MODEL SET.conf@SEED DRAWS_BY_FREQUENCY WEIGHT...
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <memory>
#include <set>
#include <string>
#include <vector>

#include "engine/network_model.h"
#include "mouse_writing.h"

namespace {

struct Sample {
    std::size_t character;  // in the model's list
    bool byFrequency;
    int level;
    std::vector<std::pair<std::size_t, double>> shortList;  // character, score by shape
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr, "usage: %s DATA_DIR MODEL SET.conf@SEED DRAWS WEIGHT...\n", argv[0]);
        return 2;
    }
    std::string dataDir = argv[1], error, set = argv[3];
    engine::NetworkModel model;
    if (!engine::readNetworkModel(argv[2], model, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    auto byShape = std::make_unique<engine::NetworkRecognizer>(model, false);
    if (model.frequencies.empty()) {
        std::fprintf(stderr, "%s has no prior\n", argv[2]);
        return 1;
    }
    std::size_t at = set.find('@');
    training::WritingSettings settings;
    if (at == std::string::npos ||
        !training::loadWritingSettings(set.substr(0, at), settings, error)) {
        std::fprintf(stderr, "%s: %s\n", set.c_str(),
                     error.empty() ? "needs @SEED" : error.c_str());
        return 1;
    }
    settings.seed = std::strtoull(set.c_str() + at + 1, nullptr, 10);
    training::SampleGenerator generator(settings);
    std::map<std::string, std::size_t> index;
    for (std::size_t c = 0; c < model.characters.size(); ++c) index[model.characters[c]] = c;

    // Hanzi only: the symbols' forms are not in the centre-line data.
    std::vector<std::string> firstLevel = training::gb2312Hanzi(1);
    std::set<std::string> level1(firstLevel.begin(), firstLevel.end());
    std::vector<Sample> samples;
    auto add = [&](std::size_t c, int k, bool byFrequency) {
        hanzi::HanziMedians medians;
        if (!hanzi::loadHanziMedians(dataDir, model.characters[c], medians, error))
            return;
        auto written = generator.write(medians, training::firstCodepoint(model.characters[c]), k);
        Sample s{c, byFrequency, level1.count(model.characters[c]) ? 0 : 1, {}};
        for (const auto& candidate : byShape->rank(written.padStrokes, 200))
            s.shortList.push_back({index[candidate.value], -candidate.score});
        samples.push_back(std::move(s));
    };
    for (std::size_t c = 0; c < model.characters.size(); ++c) add(c, 0, false);
    std::vector<double> weights(model.frequencies.begin(), model.frequencies.end());
    for (std::size_t c = 0; c < weights.size(); ++c)
        if (training::firstCodepoint(model.characters[c]) < 0x3400)
            weights[c] = 0;
    std::map<std::size_t, int> times;
    for (std::size_t c : training::drawByWeight(weights, std::atoi(argv[4]), settings.seed + 1))
        add(c, 1 + times[c]++, true);

    std::vector<double> gaps;
    for (const Sample& s : samples)
        if (s.shortList.size() > 1 && s.shortList[0].first == s.character)
            gaps.push_back(s.shortList[1].second - s.shortList[0].second);
    std::sort(gaps.begin(), gaps.end());
    if (!gaps.empty())
        std::printf(
            "gap between the first two scores when right: p10 %.1f, p50 %.1f, "
            "p90 %.1f\n",
            gaps[gaps.size() / 10], gaps[gaps.size() / 2], gaps[gaps.size() * 9 / 10]);
    std::printf("%-8s | %-16s | %-16s | %-16s\n", "weight", "uniform level 1", "uniform level 2",
                "by frequency");
    for (int a = 5; a < argc; ++a) {
        double weight = std::atof(argv[a]);
        int total[3] = {0, 0, 0}, top1[3] = {0, 0, 0}, top10[3] = {0, 0, 0};
        for (const Sample& s : samples) {
            auto ranked = s.shortList;
            for (auto& [c, g] : ranked) g -= weight * engine::priorGain(model, c);
            std::stable_sort(ranked.begin(), ranked.end(),
                             [](const auto& x, const auto& y) { return x.second < y.second; });
            int group = s.byFrequency ? 2 : s.level;
            ++total[group];
            for (std::size_t i = 0; i < ranked.size() && i < 10; ++i)
                if (ranked[i].first == s.character) {
                    top1[group] += i == 0;
                    ++top10[group];
                }
        }
        std::printf("%-8.2f", weight);
        for (int g = 0; g < 3; ++g)
            std::printf(" | %6.2f%% %6.2f%% ", total[g] ? 100.0 * top1[g] / total[g] : 0,
                        total[g] ? 100.0 * top10[g] / total[g] : 0);
        std::printf("\n");
    }
    return 0;
}
