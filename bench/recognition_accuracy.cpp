// Recognition accuracy and latency over every GB2312 hanzi that hanzi-writer-data covers:
// each character's centre lines are written on the pad (214 x 207, sampled with the given
// reference value), the stroke data the panel would send last is read like the service reads
// it, and the recogniser's ten candidates are checked. Numbers are printed, nothing is judged.
//
// usage: recognition_accuracy DATA_DIR [MODEL] [REFERENCE_VALUE] [LIMIT_PER_LEVEL]
//        (no MODEL or "": the service's default recogniser)
#include <iconv.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <vector>

#include "engine/recognizer.h"
#include "hanzi_medians.h"
#include "protocol/stroke_text.h"

namespace {

std::string gbkToUtf8(unsigned char lead, unsigned char trail) {
    iconv_t cd = iconv_open("UTF-8", "GBK");
    char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
    char out[8] = {};
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = 2, outLeft = sizeof out;
    std::size_t done = iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft);
    iconv_close(cd);
    return done == static_cast<std::size_t>(-1) ? std::string() : std::string(out, outPtr);
}

struct Level {
    const char* name;
    unsigned char firstRow, lastRow;
    int total = 0, covered = 0, top1 = 0, top10 = 0, midStrokeTop10 = 0;
};

double percentile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5))];
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s DATA_DIR [MODEL] [REFERENCE_VALUE] [LIMIT_PER_LEVEL]\n",
                     argv[0]);
        return 2;
    }
    std::string dataDir = argv[1];
    std::string model = argc > 2 ? argv[2] : "";
    int referenceValue = argc > 3 ? std::atoi(argv[3]) : 3;
    int limit = argc > 4 ? std::atoi(argv[4]) : 1 << 30;

    std::string error;
    auto recognizer = model.empty() ? engine::openDefaultRecognizer(model, error)
                                    : engine::Recognizer::open(model, error);
    if (!recognizer) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }

    Level levels[] = {{"GB2312 level 1", 0xB0, 0xD7}, {"GB2312 level 2", 0xD8, 0xF7}};
    std::vector<double> latencies;
    std::vector<std::size_t> requestBytes;
    int completeRequests = 0, completeRequestsTrimmed = 0, midStrokeRequests = 0,
        midStrokeTrimmed = 0;
    for (Level& level : levels) {
        for (unsigned lead = level.firstRow; lead <= level.lastRow && level.covered < limit;
             ++lead) {
            for (unsigned trail = 0xA1; trail <= 0xFE && level.covered < limit; ++trail) {
                std::string character =
                    gbkToUtf8(static_cast<unsigned char>(lead), static_cast<unsigned char>(trail));
                if (character.empty())
                    continue;
                ++level.total;
                hanzi::HanziMedians medians;
                if (!hanzi::loadHanziMedians(dataDir, character, medians, error))
                    continue;
                ++level.covered;
                hanzi::PadRecording pad =
                    hanzi::writeOnPad(hanzi::mediansToPadPath(medians), referenceValue);
                if (pad.requests.empty())
                    continue;
                requestBytes.push_back(pad.requests.back().size() + 10);

                auto start = std::chrono::steady_clock::now();
                protocol::ParsedStrokes parsed = protocol::parseStrokeText(pad.requests.back());
                if (!pad.midStroke.back()) {
                    ++completeRequests;
                    // A complete last point taken for a cut one.
                    completeRequestsTrimmed += parsed.droppedCutPoint;
                }
                std::vector<std::string> candidates = recognizer->classify(parsed.strokes, 10);
                latencies.push_back(std::chrono::duration<double, std::milli>(
                                        std::chrono::steady_clock::now() - start)
                                        .count());

                auto at = std::find(candidates.begin(), candidates.end(), character);
                level.top1 += at == candidates.begin() && at != candidates.end();
                level.top10 += at != candidates.end();

                // The last mid-stroke request, when there is one: what the pad shows while writing.
                for (std::size_t i = pad.requests.size(); i-- > 0;) {
                    if (!pad.midStroke[i])
                        continue;
                    protocol::ParsedStrokes midParsed = protocol::parseStrokeText(pad.requests[i]);
                    ++midStrokeRequests;
                    midStrokeTrimmed += midParsed.droppedCutPoint;
                    auto mid = recognizer->classify(midParsed.strokes, 10);
                    level.midStrokeTop10 +=
                        std::find(mid.begin(), mid.end(), character) != mid.end();
                    break;
                }
            }
        }
    }

    std::printf("Recognition accuracy (model %s, pad 214x207, referenceValue %d)\n", model.c_str(),
                referenceValue);
    for (const Level& level : levels) {
        double n = std::max(level.covered, 1);
        std::printf(
            "  %s: %d characters, %d in hanzi-writer-data; top-1 %.1f%% (%d), top-10 %.1f%% (%d)\n",
            level.name, level.total, level.covered, 100.0 * level.top1 / n, level.top1,
            100.0 * level.top10 / n, level.top10);
        std::printf("    while writing (the last mid-stroke request): top-10 %.1f%% (%d)\n",
                    100.0 * level.midStrokeTop10 / n, level.midStrokeTop10);
    }
    std::printf(
        "Recognition latency per character (stroke data reading + scoring, one thread, %zu "
        "characters):\n"
        "  p50 %.2f ms, p99 %.2f ms, max %.2f ms\n",
        latencies.size(), percentile(latencies, 0.5), percentile(latencies, 0.99),
        percentile(latencies, 1.0));
    std::printf(
        "Cut final point dropped: %d of %d mid-stroke requests; wrongly in %d of %d stroke-end "
        "ones\n",
        midStrokeTrimmed, midStrokeRequests, completeRequestsTrimmed, completeRequests);
    std::vector<double> bytes(requestBytes.begin(), requestBytes.end());
    std::printf("Request body size: p50 %.0f B, p99 %.0f B, max %.0f B\n", percentile(bytes, 0.5),
                percentile(bytes, 0.99), percentile(bytes, 1.0));
    return 0;
}
