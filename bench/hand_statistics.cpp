// How real people write beside how a synthetic hand writes the same characters, for choosing a
// recipe's global settings and showing the choice with numbers: how many strokes fewer than the
// centre lines' standard count a sample has, how many corners it has and how sharp they are,
// how often its strokes loop, and how much ink it takes. Every sample of a research corpus's
// development writers (.pot files, research use only) is placed on the pad as real_writers
// places it, and each recipe writes the same character once for it; the figures are measured
// the same way on both pen paths (pad pixels, before the pad's sampling). Only the whole
// distribution is printed, and the spread between writers as three quantiles: nothing here is
// per writer or per character, and nothing is fitted.
//
// usage: hand_statistics CENTRE_LINE_DIR REAL_FOLDER WRITERS SAMPLES_PER_WRITER
// RECIPE.conf[@SEED]...
//        (WRITERS, SAMPLES 0: all of them)
#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <map>
#include <string>
#include <vector>

#include "hanzi_medians.h"
#include "mouse_writing.h"
#include "real_writing.h"

namespace {

constexpr double kPi = 3.14159265358979323846;
constexpr double kFillMin = 0.55, kFillMax = 0.85, kMouseStep = 1.5;
constexpr std::uint64_t kSeed = 20261210;
// Measured on each stroke walked in steps of this share of the character's larger side.
constexpr double kStep = 0.025;
// A corner turns at least this far within kCornerReach steps either side; its sharpness is the
// share of that turn made within kSharpReach steps either side (1: a point, less: a curve).
constexpr double kCornerTurn = 60 * kPi / 180;
constexpr int kCornerReach = 4, kSharpReach = 1;

struct Point {
    double x;
    double y;
};

std::vector<Point> walk(const hanzi::PadPath& path, double step) {
    std::vector<Point> out;
    if (path.empty())
        return out;
    out.push_back({static_cast<double>(path[0].x), static_cast<double>(path[0].y)});
    double carried = 0;
    for (std::size_t i = 1; i < path.size(); ++i) {
        Point a{static_cast<double>(path[i - 1].x), static_cast<double>(path[i - 1].y)};
        Point b{static_cast<double>(path[i].x), static_cast<double>(path[i].y)};
        double length = std::hypot(b.x - a.x, b.y - a.y), at = step - carried;
        for (; at <= length; at += step)
            out.push_back({a.x + (b.x - a.x) * at / length, a.y + (b.y - a.y) * at / length});
        carried = length - (at - step);
    }
    return out;
}

double turn(const std::vector<Point>& q, std::size_t i, std::size_t reach) {
    if (i < reach || i + reach >= q.size())
        return 0;
    double ax = q[i].x - q[i - reach].x, ay = q[i].y - q[i - reach].y;
    double bx = q[i + reach].x - q[i].x, by = q[i + reach].y - q[i].y;
    return std::abs(std::atan2(ax * by - ay * bx, ax * bx + ay * by));
}

bool crosses(Point a, Point b, Point c, Point d) {
    auto side = [](Point p, Point q, Point r) {
        return (q.x - p.x) * (r.y - p.y) - (q.y - p.y) * (r.x - p.x);
    };
    double s1 = side(a, b, c), s2 = side(a, b, d), s3 = side(c, d, a), s4 = side(c, d, b);
    return ((s1 > 0 && s2 < 0) || (s1 < 0 && s2 > 0)) && ((s3 > 0 && s4 < 0) || (s3 < 0 && s4 > 0));
}

// The figures of one written sample.
struct Measure {
    int fewer = 0;  // standard count less the strokes written
    int corners = 0;
    std::vector<double> sharpness;
    int loops = 0;
    double ink = 0;  // in character sizes
};

Measure measure(const std::vector<hanzi::PadPath>& paths, int standardStrokes) {
    Measure m;
    int strokes = 0, left = 1 << 20, right = -1, top = 1 << 20, bottom = -1;
    for (const auto& path : paths) {
        strokes += !path.empty();
        for (auto p : path) {
            left = std::min(left, p.x);
            right = std::max(right, p.x);
            top = std::min(top, p.y);
            bottom = std::max(bottom, p.y);
        }
    }
    m.fewer = standardStrokes - strokes;
    const double size = std::max({right - left, bottom - top, 1});
    const double step = std::max(1.0, kStep * size);
    for (const auto& path : paths) {
        std::vector<Point> q = walk(path, step);
        m.ink += (q.size() > 1 ? q.size() - 1 : 0) * step / size;
        for (std::size_t i = kCornerReach; i + kCornerReach < q.size(); ++i) {
            double wide = turn(q, i, kCornerReach);
            bool peak = wide >= kCornerTurn;
            for (std::size_t j = i - kCornerReach; peak && j <= i + kCornerReach; ++j)
                peak = j == i || turn(q, j, kCornerReach) < wide ||
                       (turn(q, j, kCornerReach) == wide && j > i);
            if (!peak)
                continue;
            double narrow = 0;
            for (std::size_t j = i - 1; j <= i + 1; ++j)
                narrow = std::max(narrow, turn(q, j, kSharpReach));
            ++m.corners;
            m.sharpness.push_back(std::min(1.0, narrow / wide));
        }
        for (std::size_t i = 0; i + 1 < q.size(); ++i)
            for (std::size_t j = i + 2; j + 1 < q.size(); ++j)
                m.loops += crosses(q[i], q[i + 1], q[j], q[j + 1]);
    }
    return m;
}

double quantile(std::vector<double> v, double p) {
    if (v.empty())
        return 0;
    std::sort(v.begin(), v.end());
    return v[std::min(v.size() - 1, static_cast<std::size_t>(p * (v.size() - 1) + 0.5))];
}

// The figures of one set of samples: real writers, or one recipe.
struct Tally {
    std::string name;
    std::vector<Measure> samples;
    std::map<int, std::vector<double>> fewerByWriter;

    std::vector<std::string> column() const {
        const double n = std::max<double>(1, samples.size());
        double fewer = 0, corners = 0, loops = 0, looped = 0, ink = 0;
        int buckets[5] = {};
        std::vector<double> sharp;
        for (const Measure& m : samples) {
            fewer += m.fewer;
            ++buckets[m.fewer < 0 ? 0 : m.fewer == 0 ? 1 : m.fewer <= 2 ? 2 : m.fewer <= 5 ? 3 : 4];
            corners += m.corners;
            sharp.insert(sharp.end(), m.sharpness.begin(), m.sharpness.end());
            loops += m.loops;
            looped += m.loops > 0;
            ink += m.ink;
        }
        double sharpShare = 0;
        for (double v : sharp) sharpShare += v >= 0.9;
        sharpShare /= std::max<double>(1, sharp.size());
        std::vector<double> writerMeans;
        for (const auto& [writer, values] : fewerByWriter) {
            double sum = 0;
            for (double v : values) sum += v;
            writerMeans.push_back(sum / std::max<double>(1, values.size()));
        }
        char b[64];
        std::vector<std::string> out;
        auto add = [&](int decimals, double v, const char* unit = "") {
            std::snprintf(b, sizeof b, "%.*f%s", decimals, v, unit);
            out.push_back(b);
        };
        add(0, static_cast<double>(samples.size()));
        add(2, fewer / n);
        for (int k = 0; k < 5; ++k) add(1, 100 * buckets[k] / n, " %");
        if (writerMeans.empty()) {
            out.push_back("");
        } else {
            std::snprintf(b, sizeof b, "%.2f %.2f %.2f", quantile(writerMeans, 0),
                          quantile(writerMeans, 0.5), quantile(writerMeans, 1));
            out.push_back(b);
        }
        add(2, corners / n);
        std::snprintf(b, sizeof b, "%.2f %.2f %.2f", quantile(sharp, 0.25), quantile(sharp, 0.5),
                      quantile(sharp, 0.75));
        out.push_back(b);
        add(1, 100 * sharpShare, " %");
        add(2, loops / n);
        add(1, 100 * looped / n, " %");
        add(2, ink / n);
        return out;
    }
};

}  // namespace

int main(int argc, char** argv) {
    if (argc < 6) {
        std::fprintf(stderr,
                     "usage: %s CENTRE_LINE_DIR REAL_FOLDER WRITERS SAMPLES_PER_WRITER "
                     "RECIPE.conf[@SEED]...\n",
                     argv[0]);
        return 2;
    }
    const std::string dataDir = argv[1], folder = argv[2];
    const int writersWanted = std::atoi(argv[3]), samplesWanted = std::atoi(argv[4]);
    const std::vector<std::string> files = real_writing::writerFiles(folder, writersWanted);
    if (files.empty())
        return 0;
    std::string error;
    std::vector<training::SampleGenerator> recipes;
    std::vector<Tally> tallies(1);
    tallies[0].name = "real writers";
    for (int i = 5; i < argc; ++i) {
        std::string recipe = argv[i];
        std::size_t at = recipe.find('@');
        training::WritingSettings settings;
        if (!training::loadWritingSettings(recipe.substr(0, at), settings, error)) {
            std::fprintf(stderr, "%s: %s\n", recipe.c_str(), error.c_str());
            return 1;
        }
        if (at != std::string::npos)
            settings.seed = std::strtoull(recipe.c_str() + at + 1, nullptr, 10);
        recipes.emplace_back(settings, dataDir);
        tallies.emplace_back();
        tallies.back().name = training::settingsName(recipe.substr(0, at));
    }

    std::map<std::string, hanzi::HanziMedians> centreLines;
    std::size_t done = 0;
    for (std::size_t w = 0; w < files.size(); ++w) {
        std::vector<real_writing::RealSample> samples;
        if (!real_writing::readPotFile(files[w], samples, error)) {
            std::fprintf(stderr, "%s\n", error.c_str());
            return 1;
        }
        training::Random pick(kSeed + w);
        std::vector<std::size_t> order(samples.size());
        for (std::size_t i = 0; i < order.size(); ++i) order[i] = i;
        for (std::size_t i = order.size(); i > 1; --i)
            std::swap(order[i - 1],
                      order[static_cast<std::size_t>(pick.below(static_cast<int>(i)))]);
        if (samplesWanted > 0 && order.size() > static_cast<std::size_t>(samplesWanted))
            order.resize(static_cast<std::size_t>(samplesWanted));
        for (std::size_t i : order) {
            const real_writing::RealSample& sample = samples[i];
            if (sample.character.empty())
                continue;
            auto found = centreLines.find(sample.character);
            if (found == centreLines.end()) {
                hanzi::HanziMedians m;
                if (!hanzi::loadHanziMedians(dataDir, sample.character, m, error))
                    m.strokes.clear();
                found = centreLines.emplace(sample.character, std::move(m)).first;
            }
            const hanzi::HanziMedians& medians = found->second;
            if (medians.strokes.empty())
                continue;
            const int standard = static_cast<int>(medians.strokes.size());
            training::Random random(kSeed * 1000003 + (w << 20) + i);
            real_writing::Placement placement;
            placement.fill = random.uniform(kFillMin, kFillMax);
            placement.step = kMouseStep;
            Measure real = measure(real_writing::placeOnPad(sample.strokes, placement), standard);
            tallies[0].fewerByWriter[static_cast<int>(w)].push_back(real.fewer);
            tallies[0].samples.push_back(std::move(real));
            const std::uint32_t codepoint = training::firstCodepoint(sample.character);
            for (std::size_t r = 0; r < recipes.size(); ++r)
                tallies[r + 1].samples.push_back(
                    measure(recipes[r].write(medians, codepoint, static_cast<int>(done)).penPath,
                            standard));
            if (++done % 2000 == 0)
                std::fprintf(stderr, "[hand statistics] %zu samples\n", done);
        }
    }

    std::printf(
        "Hand statistics: %zu development writers of %s, %zu samples; each recipe writes the "
        "same characters once\n(pen paths on the pad; strokes against the centre lines' count; "
        "corners turn %.0f degrees within %.0f %% of the character's size, sharpness is the "
        "share of that turn within %.1f %%)\n\n",
        files.size(), folder.c_str(), done, kCornerTurn * 180 / kPi, 100 * kCornerReach * kStep,
        100 * kSharpReach * kStep);
    const char* rows[] = {"samples",
                          "strokes fewer than standard",
                          "  more strokes",
                          "  as many",
                          "  1-2 fewer",
                          "  3-5 fewer",
                          "  6 or more fewer",
                          "  per writer: low/median/high",
                          "corners per sample",
                          "corner sharpness q1/median/q3",
                          "sharp corners (>= 0.9)",
                          "loops per sample",
                          "samples with a loop",
                          "ink, in character sizes"};
    std::vector<std::vector<std::string>> columns;
    for (const Tally& t : tallies) columns.push_back(t.column());
    std::printf("%-31s", "");
    for (const Tally& t : tallies) std::printf(" | %16s", t.name.substr(0, 16).c_str());
    std::printf("\n");
    for (std::size_t row = 0; row < sizeof rows / sizeof rows[0]; ++row) {
        std::printf("%-31s", rows[row]);
        for (const auto& column : columns) std::printf(" | %16s", column[row].c_str());
        std::printf("\n");
    }
    return 0;
}
