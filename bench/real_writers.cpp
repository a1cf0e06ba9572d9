// Recognition of real people's writing: every sample of a folder of .pot files (one writer a
// file) placed on the pad as a user writes there (its larger side at 55 to 85 % of the pad,
// centred within 8 pixels, the mouse reporting the pen every 1.5 pixels), sampled by the pad's
// own rule at reference values 3 and 5, and recognised from the stroke data of the panel's last
// request, read by the service's own parser. Prints top-1 and top-10 per writer and overall,
// uniformly and weighted by how often each character is written; the same by how many strokes
// a sample has against the character's standard count (its strokes in hanzi-writer-data), over
// all writers and per writer; the processor time of a recognition and the commonest
// confusions. Numbers are printed, nothing is judged.
//
// usage: real_writers DATA_FOLDER MODEL FREQUENCIES [WRITERS [SAMPLES_PER_WRITER]]
//        (MODEL "": the service's default; WRITERS, SAMPLES 0: all of them)
#include <time.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <thread>
#include <vector>

#include "character_frequencies.h"
#include "engine/recognizer.h"
#include "hanzi_medians.h"
#include "mouse_writing.h"
#include "protocol/stroke_text.h"
#include "real_writing.h"

namespace {

constexpr int kReferenceValues[] = {3, 5};
constexpr int kRuns = 2;
constexpr double kFillMin = 0.55, kFillMax = 0.85, kOffsetMax = 8, kMouseStep = 1.5;
constexpr std::uint64_t kSeed = 20261210;

// A sample's strokes against the character's standard count: more strokes than that (a stroke
// lifted in the middle, a dot added), as many, 1 or 2 fewer, 3 or more fewer (strokes run
// together); last, characters without centre lines to count.
enum Bucket { kMore, kSame, kFewer1To2, kFewer3OrMore, kUncounted, kBuckets };
constexpr const char* kBucketNames[kBuckets] = {"more strokes", "standard count", "1-2 fewer",
                                                "3+ fewer", "no standard count"};
Bucket bucketOf(int standard, int written) {
    if (standard <= 0)
        return kUncounted;
    const int fewer = standard - written;
    return fewer < 0 ? kMore : fewer == 0 ? kSame : fewer <= 2 ? kFewer1To2 : kFewer3OrMore;
}

double threadCpuMs() {
    timespec t{};
    clock_gettime(CLOCK_THREAD_CPUTIME_ID, &t);
    return t.tv_sec * 1e3 + t.tv_nsec / 1e6;
}

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5))];
}

std::string writerName(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    return name.substr(0, name.size() - 4);
}

struct Job {
    int writer;
    const real_writing::RealSample* sample;
    std::uint64_t seed;
    Bucket bucket;
};

struct Outcome {
    bool top1[kRuns] = {};
    bool top10[kRuns] = {};
    std::string first;  // the first candidate at reference value 3
};

struct Tally {
    double samples = 0, top1[kRuns] = {}, top10[kRuns] = {};
    void add(const Outcome& o, double weight) {
        samples += weight;
        for (int r = 0; r < kRuns; ++r) {
            top1[r] += weight * o.top1[r];
            top10[r] += weight * o.top10[r];
        }
    }
    void print(const char* name, const char* count) const {
        std::printf("%-18s %8s", name, count);
        for (int r = 0; r < kRuns; ++r)
            std::printf(" | %6.1f %% %6.1f %%", samples ? 100 * top1[r] / samples : 0.0,
                        samples ? 100 * top10[r] / samples : 0.0);
        std::printf("\n");
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 4) {
        std::fprintf(stderr,
                     "usage: %s DATA_FOLDER MODEL FREQUENCIES [WRITERS [SAMPLES_PER_WRITER]]\n",
                     argv[0]);
        return 2;
    }
    const std::string folder = argv[1];
    std::string modelName = argv[2];
    const int writersWanted = argc > 4 ? std::atoi(argv[4]) : 0;
    const int samplesWanted = argc > 5 ? std::atoi(argv[5]) : 0;

    const std::vector<std::string> files = real_writing::writerFiles(folder, writersWanted);
    if (files.empty())
        return 0;

    std::string error;
    auto recognizer = modelName.empty() ? engine::openDefaultRecognizer(modelName, error)
                                        : engine::Recognizer::open(modelName, error);
    if (!recognizer) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    std::map<std::uint32_t, double> frequency;
    if (!training::readCharacterFrequencies(argv[3], frequency, error)) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    // Each character's standard stroke count, from its centre lines (0: none there).
    std::map<std::string, int> standardStrokes;
    auto standardCount = [&](const std::string& character) {
        auto [at, added] = standardStrokes.try_emplace(character, 0);
        hanzi::HanziMedians medians;
        std::string ignored;
        if (added && hanzi::loadHanziMedians(HANZI_WRITER_DATA_DIR, character, medians, ignored))
            at->second = static_cast<int>(medians.strokes.size());
        return at->second;
    };

    // Every writer's samples, or a seeded draw of them; each sample's placement is drawn from
    // its own seed, so a quick run places a sample as the full run does.
    std::vector<std::vector<real_writing::RealSample>> writers(files.size());
    std::vector<Job> jobs;
    for (std::size_t w = 0; w < files.size(); ++w) {
        if (!real_writing::readPotFile(files[w], writers[w], error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        std::vector<std::size_t> order(writers[w].size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
        if (samplesWanted > 0 && order.size() > static_cast<std::size_t>(samplesWanted)) {
            training::Random pick(kSeed + w);
            for (std::size_t i = 0; i < static_cast<std::size_t>(samplesWanted); ++i)
                std::swap(order[i], order[i + static_cast<std::size_t>(
                                                  pick.below(static_cast<int>(order.size() - i)))]);
            order.resize(static_cast<std::size_t>(samplesWanted));
            std::sort(order.begin(), order.end());
        }
        for (std::size_t i : order)
            if (!writers[w][i].character.empty())
                jobs.push_back({static_cast<int>(w), &writers[w][i],
                                kSeed * 1000003 + (w << 20) + i,
                                bucketOf(standardCount(writers[w][i].character),
                                         static_cast<int>(writers[w][i].strokes.size()))});
    }

    std::vector<Outcome> outcomes(jobs.size());
    std::vector<std::vector<double>> cpuTimes(2);
    std::atomic<std::size_t> next{0};
    auto work = [&](std::vector<double>& times) {
        for (std::size_t j; (j = next++) < jobs.size();) {
            training::Random random(jobs[j].seed);
            real_writing::Placement placement;
            placement.fill = random.uniform(kFillMin, kFillMax);
            placement.offsetX = random.uniform(-kOffsetMax, kOffsetMax);
            placement.offsetY = random.uniform(-kOffsetMax, kOffsetMax);
            placement.step = kMouseStep;
            auto paths = real_writing::placeOnPad(jobs[j].sample->strokes, placement);
            for (int r = 0; r < kRuns; ++r) {
                hanzi::PadRecording pad = hanzi::writeOnPad(paths, kReferenceValues[r]);
                if (pad.requests.empty())
                    continue;
                double start = threadCpuMs();
                protocol::ParsedStrokes parsed = protocol::parseStrokeText(pad.requests.back());
                std::vector<std::string> candidates = recognizer->classify(parsed.strokes, 10);
                times.push_back(threadCpuMs() - start);
                const std::string& truth = jobs[j].sample->character;
                auto at = std::find(candidates.begin(), candidates.end(), truth);
                outcomes[j].top1[r] = at == candidates.begin() && at != candidates.end();
                outcomes[j].top10[r] = at != candidates.end();
                if (r == 0)
                    outcomes[j].first = candidates.empty() ? "(none)" : candidates[0];
            }
        }
    };
    std::thread helper(work, std::ref(cpuTimes[1]));
    work(cpuTimes[0]);
    helper.join();

    std::printf(
        "Real writers: %s, %zu writers, %zu samples; model %s\n"
        "(pad 214 x 207; larger side at %.0f-%.0f %% of the pad, centred within %.0f px, mouse "
        "reports %.1f px apart)\n\n",
        folder.c_str(), files.size(), jobs.size(), modelName.c_str(), kFillMin * 100,
        kFillMax * 100, kOffsetMax, kMouseStep);
    std::printf("%-18s %8s | %-17s | %-17s\n", "writer", "samples", "reference 3", "reference 5");
    std::printf("%-18s %8s | %8s %8s | %8s %8s\n", "", "", "top-1", "top-10", "top-1", "top-10");
    std::vector<Tally> perWriter(files.size());
    std::vector<std::array<Tally, kBuckets>> perWriterBucket(files.size());
    std::array<Tally, kBuckets> perBucket;
    Tally uniform, weighted;
    std::map<std::pair<std::string, std::string>, int> confusions;
    for (std::size_t j = 0; j < jobs.size(); ++j) {
        const Outcome& o = outcomes[j];
        perWriter[static_cast<std::size_t>(jobs[j].writer)].add(o, 1);
        perWriterBucket[static_cast<std::size_t>(jobs[j].writer)][jobs[j].bucket].add(o, 1);
        perBucket[jobs[j].bucket].add(o, 1);
        uniform.add(o, 1);
        auto f = frequency.find(training::firstCodepoint(jobs[j].sample->character));
        weighted.add(o, f == frequency.end() ? 0.0 : f->second);
        if (!o.top1[0])
            ++confusions[{jobs[j].sample->character, o.first}];
    }
    std::vector<double> writerTop1;
    for (std::size_t w = 0; w < files.size(); ++w) {
        perWriter[w].print(writerName(files[w]).c_str(),
                           std::to_string(static_cast<int>(perWriter[w].samples)).c_str());
        writerTop1.push_back(perWriter[w].samples ? perWriter[w].top1[0] / perWriter[w].samples
                                                  : 0.0);
    }
    std::printf("\n");
    uniform.print("all, uniformly", std::to_string(jobs.size()).c_str());
    weighted.print("all, by frequency", "");
    std::printf(
        "\nPer writer, top-1 at reference 3: lowest %.1f %%, median %.1f %%, highest %.1f %%\n",
        100 * percentile(writerTop1, 0), 100 * percentile(writerTop1, 0.5),
        100 * percentile(writerTop1, 1));

    // By strokes against the standard count: over all writers at both reference values, then
    // per writer at reference 3 (each bucket's share of the writer's samples and its top-1).
    std::printf(
        "\nBy strokes written against the character's standard count (hanzi-writer-data):\n");
    std::printf("%-18s %8s %6s | %-17s | %-17s\n", "strokes", "samples", "share", "reference 3",
                "reference 5");
    std::printf("%-18s %8s %6s | %8s %8s | %8s %8s\n", "", "", "", "top-1", "top-10", "top-1",
                "top-10");
    for (int b = 0; b < kBuckets; ++b) {
        const Tally& t = perBucket[b];
        if (b == kUncounted && t.samples == 0)
            continue;
        std::printf("%-18s %8d %5.1f%%", kBucketNames[b], static_cast<int>(t.samples),
                    jobs.empty() ? 0.0 : 100 * t.samples / jobs.size());
        for (int r = 0; r < kRuns; ++r)
            std::printf(" | %6.1f %% %6.1f %%", t.samples ? 100 * t.top1[r] / t.samples : 0.0,
                        t.samples ? 100 * t.top10[r] / t.samples : 0.0);
        std::printf("\n");
    }
    const bool uncounted = perBucket[kUncounted].samples > 0;
    std::printf(
        "\nPer writer, reference 3: share of samples / top-1 by strokes against the standard "
        "count\n%-18s %7s",
        "writer", "top-1");
    for (int b = 0; b < kBuckets; ++b)
        if (b != kUncounted || uncounted)
            std::printf(" | %15s", kBucketNames[b]);
    std::printf("\n");
    for (std::size_t w = 0; w < files.size(); ++w) {
        const Tally& all = perWriter[w];
        std::printf("%-18s %5.1f %%", writerName(files[w]).c_str(),
                    all.samples ? 100 * all.top1[0] / all.samples : 0.0);
        for (int b = 0; b < kBuckets; ++b) {
            if (b == kUncounted && !uncounted)
                continue;
            const Tally& t = perWriterBucket[w][b];
            if (t.samples == 0)
                std::printf(" | %5.1f %%       -", 0.0);
            else
                std::printf(" | %5.1f %% %5.1f %%", 100 * t.samples / all.samples,
                            100 * t.top1[0] / t.samples);
        }
        std::printf("\n");
    }
    std::printf("\n");

    std::vector<double> times = cpuTimes[0];
    times.insert(times.end(), cpuTimes[1].begin(), cpuTimes[1].end());
    std::printf(
        "Processor time per recognition (stroke data reading + scoring): p50 %.2f ms, p99 %.2f "
        "ms, max %.2f ms\n",
        percentile(times, 0.5), percentile(times, 0.99), percentile(times, 1));

    std::vector<std::pair<int, std::pair<std::string, std::string>>> common;
    for (const auto& [pair, count] : confusions) common.push_back({count, pair});
    std::sort(common.begin(), common.end(),
              [](const auto& a, const auto& b) { return a.first > b.first; });
    std::printf("\nThe 30 commonest confusions at reference 3 (written -> first candidate):\n");
    for (std::size_t i = 0; i < common.size() && i < 30; ++i)
        std::printf("  %s -> %s %d%s", common[i].second.first.c_str(),
                    common[i].second.second.c_str(), common[i].first, i % 6 == 5 ? "\n" : "");
    std::printf("\n");
    return 0;
}
