#include "mouse_writing.h"

#include "file_parsing.h"
#include "moving_hand.h"

#include <iconv.h>

#include <algorithm>
#include <cmath>
#include <fstream>
#include <functional>
#include <map>
#include <sstream>
#include <stdexcept>

namespace training {
namespace {

constexpr double kPi = 3.14159265358979323846;
// Centre lines are walked in steps of this (1024 box) before they are bent.
constexpr double kResampleSpacing = 16.0;

std::uint64_t splitMix(std::uint64_t& state) {
    std::uint64_t z = (state += 0x9E3779B97F4A7C15ULL);
    z = (z ^ (z >> 30)) * 0xBF58476D1CE4E5B9ULL;
    z = (z ^ (z >> 27)) * 0x94D049BB133111EBULL;
    return z ^ (z >> 31);
}

std::string trim(const std::string& s) {
    std::size_t a = s.find_first_not_of(" \t\r");
    if (a == std::string::npos)
        return std::string();
    std::size_t b = s.find_last_not_of(" \t\r");
    return s.substr(a, b - a + 1);
}

bool parseDouble(const std::string& text, double& value) {
    std::istringstream in(text);
    in >> value;
    return !in.fail() && (in >> std::ws).eof() && std::isfinite(value);
}

struct Point {
    double x;
    double y;
};

double distance(Point a, Point b) {
    return std::hypot(a.x - b.x, a.y - b.y);
}

// Points every `spacing` units along the line, so later distortions bend it smoothly.
std::vector<Point> resample(const hanzi::MedianStroke& stroke, double spacing) {
    std::vector<Point> out;
    for (const hanzi::MedianPoint& p : hanzi::resampleStroke(stroke, spacing))
        out.push_back({p.x, p.y});
    return out;
}

// Per-stroke shift, resize and slow wobble, in the 1024 box.
std::vector<Point> distortStroke(const hanzi::MedianStroke& stroke, const WritingSettings& s,
                                 Random& random) {
    std::vector<Point> points = resample(stroke, kResampleSpacing);
    if (points.empty())
        return points;
    Point centre{0, 0};
    for (Point p : points) {
        centre.x += p.x;
        centre.y += p.y;
    }
    centre.x /= points.size();
    centre.y /= points.size();
    double scale = std::max(0.5, 1.0 + random.gaussian() * s.strokeScaleSigma);
    Point shift{random.gaussian() * s.strokeOffsetSigma, random.gaussian() * s.strokeOffsetSigma};

    std::vector<double> along(points.size(), 0.0);
    for (std::size_t i = 1; i < points.size(); ++i)
        along[i] = along[i - 1] + distance(points[i - 1], points[i]);
    double length = std::max(along.back(), 1.0);
    double ampX = random.gaussian() * s.wobble, ampY = random.gaussian() * s.wobble;
    double freq = random.uniform(0.5, 1.5), phase = random.uniform(0, 2 * kPi);

    for (std::size_t i = 0; i < points.size(); ++i) {
        double w = std::sin(kPi * freq * along[i] / length + phase);
        Point& p = points[i];
        p.x = centre.x + (p.x - centre.x) * scale + shift.x + ampX * w;
        p.y = centre.y + (p.y - centre.y) * scale + shift.y + ampY * w;
    }
    return points;
}

// Gaussian smoothing along a line of evenly spaced points (`spacing` apart): corners and the
// joins between strokes come out round, as in quick writing. The ends stay where they were.
std::vector<Point> roundCorners(const std::vector<Point>& points, double sigma, double spacing) {
    double width = sigma / spacing;
    if (points.size() < 3 || width < 0.5)
        return points;
    int reach = static_cast<int>(std::ceil(2.5 * width));
    std::vector<double> kernel(static_cast<std::size_t>(reach) + 1);
    for (int k = 0; k <= reach; ++k) kernel[k] = std::exp(-0.5 * k * k / (width * width));
    std::vector<Point> out(points);
    const int n = static_cast<int>(points.size());
    for (int i = 1; i + 1 < n; ++i) {
        double wx = 0, wy = 0, total = 0;
        for (int k = -reach; k <= reach; ++k) {
            int j = i + k;
            if (j < 0 || j >= n)
                continue;
            double w = kernel[static_cast<std::size_t>(std::abs(k))];
            wx += w * points[j].x;
            wy += w * points[j].y;
            total += w;
        }
        out[i] = {wx / total, wy / total};
    }
    return out;
}

double strokeLength(const hanzi::MedianStroke& stroke) {
    double length = 0;
    for (std::size_t i = 1; i < stroke.size(); ++i)
        length += std::hypot(stroke[i].x - stroke[i - 1].x, stroke[i].y - stroke[i - 1].y);
    return length;
}

// Where a stroke turns most sharply, and the cosine of that turn.
std::pair<std::size_t, double> sharpestCorner(const hanzi::MedianStroke& stroke) {
    std::pair<std::size_t, double> best{0, 1.0};
    for (std::size_t i = 1; i + 1 < stroke.size(); ++i) {
        double ax = stroke[i].x - stroke[i - 1].x, ay = stroke[i].y - stroke[i - 1].y;
        double bx = stroke[i + 1].x - stroke[i].x, by = stroke[i + 1].y - stroke[i].y;
        double norms = std::hypot(ax, ay) * std::hypot(bx, by);
        if (norms <= 0)
            continue;
        double turn = (ax * bx + ay * by) / norms;
        if (turn < best.second)
            best = {i, turn};
    }
    return best;
}

// Moves an end point `by` units further along its own segment.
void runOn(hanzi::MedianPoint& end, const hanzi::MedianPoint& inner, double by) {
    double dx = end.x - inner.x, dy = end.y - inner.y, length = std::hypot(dx, dy);
    if (length <= 0)
        return;
    end.x += dx / length * by;
    end.y += dy / length * by;
}

// The mouse reports positions every few pixels; each report is a little off the ideal line.
hanzi::PadPath moveMouse(const std::vector<Point>& line, const WritingSettings& s, Random& random,
                         PadSize pad) {
    hanzi::PadPath path;
    auto report = [&](Point p, bool exact) {
        double jx = exact ? 0 : random.gaussian() * s.jitterPixels;
        double jy = exact ? 0 : random.gaussian() * s.jitterPixels;
        hanzi::PadPixel px{std::clamp(static_cast<int>(std::lround(p.x + jx)), 0, pad.width),
                           std::clamp(static_cast<int>(std::lround(p.y + jy)), 0, pad.height)};
        if (path.empty() || path.back().x != px.x || path.back().y != px.y)
            path.push_back(px);
    };
    if (line.empty())
        return path;
    report(line[0], true);
    double carried = 0;  // distance walked since the last report
    double next = random.uniform(s.mouseStepMin, s.mouseStepMax);
    for (std::size_t i = 1; i < line.size(); ++i) {
        Point a = line[i - 1], b = line[i];
        double segment = distance(a, b);
        double at = 0;
        while (carried + (segment - at) >= next) {
            at += next - carried;
            carried = 0;
            double t = segment > 0 ? at / segment : 1;
            report({a.x + (b.x - a.x) * t, a.y + (b.y - a.y) * t}, false);
            next = random.uniform(s.mouseStepMin, s.mouseStepMax);
        }
        carried += segment - at;
    }
    report(line.back(), false);
    return path;
}

// The moving hand's settings in their ranges, and none of them without it.
bool checkMovingHand(const WritingSettings& s, std::string& error) {
    auto within = [](double v, double lo, double hi) { return v >= lo && v <= hi; };
    if (!s.movingHand) {
        bool any = s.speedMin != 0 || s.speedMax != 0 || s.overlapSlow != 0 || s.overlapFast != 0 ||
                   s.penDownSlow != 0 || s.penDownFast != 0 || s.penUpTail != 0 ||
                   s.moveBend != 0 || s.targetSigma != 0;
        if (any)
            error = "speed_min .. target_sigma are the moving hand's: set moving_hand = true";
        return !any;
    }
    if (s.joinProbability != 0 || s.joinSpread != 0 || s.reverseJoinProbability != 0 ||
        s.wobble != 0 || s.cornerRounding != 0) {
        error =
            "join_probability, join_spread, reverse_join_probability, wobble and "
            "corner_rounding distort the print; the moving hand joins by pen_down_slow and "
            "pen_down_fast and rounds by overlap_slow and overlap_fast: leave them out";
        return false;
    }
    if (!within(s.speedMin, 0, 1) || !within(s.speedMax, s.speedMin, 1)) {
        error = "speed_min and speed_max: 0 <= speed_min <= speed_max <= 1";
        return false;
    }
    if (!within(s.overlapSlow, 0, 0.95) || !within(s.overlapFast, 0, 0.95)) {
        error = "overlap_slow and overlap_fast: from 0 (one movement after the other) to 0.95";
        return false;
    }
    if (!within(s.penDownSlow, 0, 1) || !within(s.penDownFast, 0, 1)) {
        error = "pen_down_slow and pen_down_fast are chances, from 0 to 1";
        return false;
    }
    if ((s.penDownSlow > 0 || s.penDownFast > 0) && s.joinMaxGap <= 0) {
        error = "pen-down moves need join_max_gap > 0 (the longest such move, 1024 box)";
        return false;
    }
    if (!within(s.penUpTail, 0, 0.5) || !within(s.moveBend, 0, 300) || s.targetSigma < 0) {
        error = "pen_up_tail from 0 to 0.5, move_bend from 0 to 300 degrees, target_sigma >= 0";
        return false;
    }
    return true;
}

}  // namespace

Random::Random(std::uint64_t seed) : state_(seed) {}

std::uint64_t Random::next() {
    return splitMix(state_);
}

double Random::uniform() {
    return static_cast<double>(next() >> 11) * (1.0 / 9007199254740992.0);
}

double Random::uniform(double a, double b) {
    return a + (b - a) * uniform();
}

double Random::gaussian() {
    double u = uniform();
    double v = uniform();
    return std::sqrt(-2.0 * std::log(1.0 - u)) * std::cos(2 * kPi * v);
}

int Random::below(int n) {
    return n <= 1 ? 0 : static_cast<int>(next() % static_cast<std::uint64_t>(n));
}

bool readWritingSettings(const std::string& text, WritingSettings& s, std::string& error) {
    std::map<std::string, std::function<bool(const std::string&)>> fields;
    auto number = [&](const char* name, double& field) {
        fields[name] = [&field](const std::string& v) { return parseDouble(v, field); };
    };
    number("size_min", s.sizeMin);
    number("size_max", s.sizeMax);
    number("aspect_sigma", s.aspectSigma);
    number("rotation_sigma", s.rotationSigma);
    number("shear_sigma", s.shearSigma);
    number("placement_sigma", s.placementSigma);
    number("stroke_offset_sigma", s.strokeOffsetSigma);
    number("stroke_scale_sigma", s.strokeScaleSigma);
    number("wobble", s.wobble);
    number("jitter_pixels", s.jitterPixels);
    number("mouse_step_min", s.mouseStepMin);
    number("mouse_step_max", s.mouseStepMax);
    number("join_probability", s.joinProbability);
    number("join_max_gap", s.joinMaxGap);
    number("swap_probability", s.swapProbability);
    number("close_early_probability", s.closeEarlyProbability);
    number("reverse_probability", s.reverseProbability);
    number("reverse_join_probability", s.reverseJoinProbability);
    number("split_probability", s.splitProbability);
    number("hook_shortening", s.hookShortening);
    number("overshoot", s.overshoot);
    number("proportion_sigma", s.proportionSigma);
    number("dot_dash_probability", s.dotDashProbability);
    number("corner_rounding", s.cornerRounding);
    number("stroke_tilt_horizontal", s.strokeTiltHorizontal);
    number("stroke_tilt_vertical", s.strokeTiltVertical);
    number("stroke_tilt_sigma", s.strokeTiltSigma);
    number("elastic", s.elastic);
    number("join_spread", s.joinSpread);
    number("speed_min", s.speedMin);
    number("speed_max", s.speedMax);
    number("overlap_slow", s.overlapSlow);
    number("overlap_fast", s.overlapFast);
    number("pen_down_slow", s.penDownSlow);
    number("pen_down_fast", s.penDownFast);
    number("pen_up_tail", s.penUpTail);
    number("move_bend", s.moveBend);
    number("target_sigma", s.targetSigma);
    number("cursive_share", s.cursiveShare);
    fields["cursive_components"] = [&s](const std::string& v) {
        s.cursiveComponents = v;
        return !v.empty();
    };
    fields["seed"] = [&s](const std::string& v) {
        std::istringstream in(v);
        in >> s.seed;
        return !in.fail() && (in >> std::ws).eof() && v.find('-') == std::string::npos;
    };
    fields["samples_per_character"] = [&s](const std::string& v) {
        double n = 0;
        if (!parseDouble(v, n) || n < 1 || n > 10000 || n != std::floor(n))
            return false;
        s.samplesPerCharacter = static_cast<int>(n);
        return true;
    };
    fields["reference_values"] = [&s](const std::string& v) {
        std::istringstream in(v);
        std::vector<int> values;
        int r = 0;
        while (in >> r) {
            if (r < 3 || r > 8)
                return false;
            values.push_back(r);
        }
        if (!(in >> std::ws).eof() || values.empty())
            return false;
        s.referenceValues = values;
        return true;
    };
    fields["glyph_font"] = [&s](const std::string& v) {
        s.glyphFont = v;
        return !v.empty();
    };
    auto flag = [&](const char* name, bool& field) {
        fields[name] = [&field](const std::string& v) {
            if (v != "true" && v != "false")
                return false;
            field = v == "true";
            return true;
        };
    };
    flag("force_order_slip", s.forceOrderSlip);
    flag("moving_hand", s.movingHand);

    std::istringstream lines(text);
    std::string line;
    int number_ = 0;
    while (std::getline(lines, line)) {
        ++number_;
        std::size_t hash = line.find('#');
        if (hash != std::string::npos)
            line.erase(hash);
        line = trim(line);
        if (line.empty())
            continue;
        std::size_t eq = line.find('=');
        std::string name = trim(line.substr(0, eq == std::string::npos ? line.size() : eq));
        auto field = fields.find(name);
        if (eq == std::string::npos || field == fields.end() ||
            !field->second(trim(line.substr(eq + 1)))) {
            error = "line " + std::to_string(number_) + ": cannot use \"" + line + "\"";
            return false;
        }
    }
    if (s.sizeMin <= 0 || s.sizeMax < s.sizeMin || s.sizeMax > 1 || s.mouseStepMin <= 0 ||
        s.mouseStepMax < s.mouseStepMin) {
        error = "size or mouse step range is empty or out of bounds";
        return false;
    }
    if (!checkMovingHand(s, error))
        return false;
    if (s.cursiveShare < 0 || s.cursiveShare > 1 ||
        (s.cursiveShare > 0) != !s.cursiveComponents.empty()) {
        error = "cursive_share (from 0 to 1) and cursive_components (the forms' file) go together";
        return false;
    }
    std::vector<SymbolVariant> forms;
    if (!s.cursiveComponents.empty() && !loadSymbolShapes(s.cursiveComponents, forms, error))
        return false;
    if (!s.glyphFont.empty() && !GlyphShapes::open(s.glyphFont, error))
        return false;
    return true;
}

bool loadWritingSettings(const std::string& path, WritingSettings& settings, std::string& error) {
    return parseFile(path, error, [&](const std::string& text) {
        // The forms' file beside the recipe, wherever it is run from.
        std::size_t slash = path.find_last_of('/');
        std::string folder = slash == std::string::npos ? "." : path.substr(0, slash);
        std::string resolved;
        std::istringstream lines(text);
        for (std::string line; std::getline(lines, line);) {
            std::string name = trim(line.substr(0, line.find('=')));
            std::size_t eq = line.find('=');
            if (name == "cursive_components" && eq != std::string::npos) {
                std::string value = trim(line.substr(eq + 1, line.find('#') - eq - 1));
                if (!value.empty() && value[0] != '/')
                    line = "cursive_components = " + folder + "/" + value;
            }
            resolved += line + "\n";
        }
        return readWritingSettings(resolved, settings, error);
    });
}

std::vector<hanzi::MedianStroke> slipStrokeOrder(std::vector<hanzi::MedianStroke> strokes,
                                                 const WritingSettings& s, Random& random,
                                                 SampleNotes& notes) {
    const int n = static_cast<int>(strokes.size());
    auto swapNeighbours = [&] {
        int i = random.below(n - 1);
        std::swap(strokes[i], strokes[i + 1]);
        ++notes.swaps;
    };
    auto reverseOne = [&] {
        auto& stroke = strokes[random.below(n)];
        std::reverse(stroke.begin(), stroke.end());
        ++notes.reversed;
    };
    if (n >= 2 && random.chance(s.swapProbability))
        swapNeighbours();
    if (n >= 3 && random.chance(s.closeEarlyProbability)) {
        // Closing a frame (the last stroke of 口, 日, 国) before what goes inside it.
        int back = 1 + random.below(std::min(2, n - 2));
        std::rotate(strokes.end() - 1 - back, strokes.end() - 1, strokes.end());
        ++notes.closedEarly;
    }
    if (n >= 1 && random.chance(s.reverseProbability))
        reverseOne();
    if (s.forceOrderSlip && notes.swaps + notes.closedEarly + notes.reversed == 0 && n >= 1) {
        if (n >= 2)
            swapNeighbours();
        else
            reverseOne();
    }
    return strokes;
}

std::vector<hanzi::MedianStroke> joinStrokes(std::vector<hanzi::MedianStroke> strokes,
                                             const WritingSettings& s, Random& random,
                                             SampleNotes& notes) {
    std::vector<hanzi::MedianStroke> out;
    double probability = s.joinProbability;
    if (s.joinSpread > 0)
        probability =
            std::clamp(probability + random.uniform(-s.joinSpread, s.joinSpread), 0.0, 1.0);
    for (hanzi::MedianStroke& stroke : strokes) {
        if (stroke.empty())
            continue;
        if (!out.empty()) {
            hanzi::MedianPoint end = out.back().back(), start = stroke.front();
            bool near = std::hypot(end.x - start.x, end.y - start.y) <= s.joinMaxGap;
            if (near && random.chance(probability)) {
                out.back().insert(out.back().end(), stroke.begin(), stroke.end());
                ++notes.joins;
                continue;
            }
            hanzi::MedianPoint last = stroke.back();
            bool endNear = std::hypot(end.x - last.x, end.y - last.y) <= s.joinMaxGap;
            if (!near && endNear && s.reverseJoinProbability > 0 &&
                random.chance(s.reverseJoinProbability)) {
                out.back().insert(out.back().end(), stroke.rbegin(), stroke.rend());
                ++notes.joins;
                ++notes.reverseJoins;
                continue;
            }
        }
        out.push_back(std::move(stroke));
    }
    return out;
}

std::vector<hanzi::MedianStroke> writeQuickly(std::vector<hanzi::MedianStroke> strokes,
                                              const WritingSettings& s, Random& random,
                                              SampleNotes& notes) {
    if (s.proportionSigma > 0) {
        // A monotone warp of each axis: one side or the middle of the character drawn larger.
        auto warp = [&]() {
            double a = random.gaussian() * s.proportionSigma;
            double b = random.gaussian() * s.proportionSigma;
            double sum = std::abs(a) + std::abs(b);
            if (sum > 0.8) {
                a *= 0.8 / sum;
                b *= 0.8 / sum;
            }
            return [a, b](double v) {
                double t = v / hanzi::kDataBox;
                return hanzi::kDataBox * (t + a * t * (1 - t) + b * t * (1 - t) * (2 * t - 1));
            };
        };
        auto warpX = warp(), warpY = warp();
        for (auto& stroke : strokes)
            for (auto& p : stroke) p = {warpX(p.x), warpY(p.y)};
    }
    if (s.elastic > 0) {
        // A smooth field of a few long waves: parts of the character shift against each other,
        // strokes that touch keep touching.
        constexpr int kWaves = 3;
        struct Wave {
            double u, v, phase, ax, ay;
        } waves[kWaves];
        for (Wave& w : waves)
            w = {random.uniform(-1.5, 1.5), random.uniform(-1.5, 1.5), random.uniform(0, 2 * kPi),
                 random.gaussian(), random.gaussian()};
        const double amplitude = s.elastic / std::sqrt(static_cast<double>(kWaves));
        for (auto& stroke : strokes)
            for (auto& p : stroke) {
                double dx = 0, dy = 0;
                for (const Wave& w : waves) {
                    double a =
                        std::sin(2 * kPi * (w.u * p.x + w.v * p.y) / hanzi::kDataBox + w.phase);
                    dx += w.ax * a;
                    dy += w.ay * a;
                }
                p = {p.x + amplitude * dx, p.y + amplitude * dy};
            }
    }
    if (s.strokeTiltHorizontal != 0 || s.strokeTiltVertical != 0 || s.strokeTiltSigma > 0) {
        // Each stroke about its own centre: its horizontal parts turned by one angle, its
        // vertical parts by another, so the stroke keeps its place in the character.
        for (auto& stroke : strokes) {
            if (stroke.size() < 2)
                continue;
            double h = (s.strokeTiltHorizontal + random.gaussian() * s.strokeTiltSigma) * kPi / 180;
            double v = (s.strokeTiltVertical + random.gaussian() * s.strokeTiltSigma) * kPi / 180;
            hanzi::MedianPoint centre{0, 0};
            for (const auto& p : stroke) {
                centre.x += p.x / stroke.size();
                centre.y += p.y / stroke.size();
            }
            for (auto& p : stroke) {
                double x = p.x - centre.x, y = p.y - centre.y;
                p = {centre.x + std::cos(h) * x - std::sin(v) * y,
                     centre.y + std::sin(h) * x + std::cos(v) * y};
            }
        }
    }
    std::vector<hanzi::MedianStroke> out;
    for (hanzi::MedianStroke& stroke : strokes) {
        if (s.splitProbability > 0 && stroke.size() >= 3 && random.chance(s.splitProbability)) {
            auto [corner, turn] = sharpestCorner(stroke);
            if (turn < 0.5) {  // sharper than 60 degrees: the pen may lift there
                out.emplace_back(stroke.begin(), stroke.begin() + corner + 1);
                out.emplace_back(stroke.begin() + corner, stroke.end());
                ++notes.splits;
                continue;
            }
        }
        out.push_back(std::move(stroke));
    }
    for (hanzi::MedianStroke& stroke : out) {
        double length = strokeLength(stroke);
        if (s.hookShortening > 0 && stroke.size() >= 3) {
            auto& end = stroke.back();
            const auto& bend = stroke[stroke.size() - 2];
            const auto& before = stroke[stroke.size() - 3];
            double ax = bend.x - before.x, ay = bend.y - before.y;
            double bx = end.x - bend.x, by = end.y - bend.y;
            bool hook = ax * bx + ay * by < 0 && std::hypot(bx, by) < 0.4 * length;
            if (hook && random.chance(s.hookShortening)) {
                double keep = random.uniform();
                if (keep < 0.3)
                    stroke.pop_back();
                else
                    end = {bend.x + bx * keep, bend.y + by * keep};
            }
        }
        if (s.dotDashProbability > 0 && stroke.size() >= 2 && length < 160 &&
            random.chance(s.dotDashProbability)) {
            hanzi::MedianPoint a = stroke.front(), b = stroke.back();
            double angle = std::atan2(b.y - a.y, b.x - a.x) + random.gaussian() * 0.5;
            double half = std::max(40.0, length * random.uniform(0.8, 2.0)) / 2;
            hanzi::MedianPoint c{(a.x + b.x) / 2, (a.y + b.y) / 2};
            stroke = {{c.x - std::cos(angle) * half, c.y - std::sin(angle) * half},
                      {c.x + std::cos(angle) * half, c.y + std::sin(angle) * half}};
        }
        if (s.overshoot > 0 && stroke.size() >= 2) {
            runOn(stroke.front(), stroke[1], std::abs(random.gaussian()) * s.overshoot);
            runOn(stroke.back(), stroke[stroke.size() - 2],
                  std::abs(random.gaussian()) * s.overshoot);
        }
    }
    return out;
}

SampleGenerator::SampleGenerator(WritingSettings settings, const std::string& centreLineDir)
    : settings_(std::move(settings)) {
    std::string error;
    if (settings_.cursiveShare > 0) {
        if (centreLineDir.empty())
            throw std::runtime_error(
                "cursive components need the centre-line data's folder for their printed forms");
        cursive_ = CursiveComponents::load(settings_.cursiveComponents, centreLineDir, error);
        if (!cursive_)
            throw std::runtime_error(error);
    }
    if (settings_.glyphFont.empty())
        return;
    glyphs_ = GlyphShapes::open(settings_.glyphFont, error);
    if (!glyphs_)
        throw std::runtime_error(error);
}

WrittenSample SampleGenerator::write(const hanzi::HanziMedians& dataMedians,
                                     std::uint32_t codepoint, int index) const {
    const WritingSettings& s = settings_;
    // A glyph the strokes do not fit keeps the data's own shape. Only hanzi take a font's
    // shapes: a symbol's written forms differ from its printed one, and each has several.
    const bool isHanzi = codepoint >= 0x3400 && codepoint <= 0x9FFF;
    hanzi::HanziMedians fitted;
    const hanzi::HanziMedians& medians =
        glyphs_ && isHanzi && glyphs_->fit(dataMedians, codepoint, fitted) ? fitted : dataMedians;
    std::uint64_t mix = s.seed;
    std::uint64_t seed = splitMix(mix) ^ (static_cast<std::uint64_t>(codepoint) << 20) ^
                         static_cast<std::uint64_t>(index);
    Random random(splitMix(seed));

    WrittenSample sample;
    sample.notes.referenceValue =
        s.referenceValues[static_cast<std::size_t>(index) % s.referenceValues.size()];
    std::vector<hanzi::MedianStroke> strokes = medians.strokes;
    if (cursive_ && random.chance(s.cursiveShare)) {
        strokes = cursive_->writeCursively(medians, random);
        sample.notes.cursiveComponents =
            static_cast<int>(medians.strokes.size()) - static_cast<int>(strokes.size());
    }
    strokes = writeQuickly(std::move(strokes), s, random, sample.notes);
    strokes = slipStrokeOrder(std::move(strokes), s, random, sample.notes);
    std::vector<std::vector<Point>> lines;
    if (s.movingHand) {
        for (const hanzi::MedianStroke& ink :
             writeWithMovingHand(strokes, s, random, sample.notes)) {
            lines.emplace_back();
            for (const hanzi::MedianPoint& p : ink) lines.back().push_back({p.x, p.y});
        }
    } else {
        strokes = joinStrokes(std::move(strokes), s, random, sample.notes);
        double rounding = s.cornerRounding > 0 ? random.uniform(0, s.cornerRounding) : 0;
        for (const hanzi::MedianStroke& stroke : strokes)
            lines.push_back(
                roundCorners(distortStroke(stroke, s, random), rounding, kResampleSpacing));
    }

    // The whole character: squeezed, rotated, sheared, sized and placed on the pad.
    const PadSize pad;
    double aspect = std::exp(random.gaussian() * s.aspectSigma);
    double angle = random.gaussian() * s.rotationSigma * kPi / 180.0;
    double shear = random.gaussian() * s.shearSigma;
    double size = random.uniform(s.sizeMin, s.sizeMax) * std::min(pad.width, pad.height);
    double unit = size / hanzi::kDataBox;
    Point centre{pad.width / 2.0 + random.gaussian() * s.placementSigma * pad.width,
                 pad.height / 2.0 + random.gaussian() * s.placementSigma * pad.height};
    double sx = std::sqrt(aspect) * unit, sy = unit / std::sqrt(aspect);
    double c = std::cos(angle), sn = std::sin(angle);
    double minX = 1e9, minY = 1e9, maxX = -1e9, maxY = -1e9;
    for (auto& line : lines) {
        for (Point& p : line) {
            double x = (p.x - hanzi::kDataBox / 2) * sx, y = (p.y - hanzi::kDataBox / 2) * sy;
            double rx = c * x - sn * y, ry = sn * x + c * y;
            p = {centre.x + rx + shear * ry, centre.y + ry};
            minX = std::min(minX, p.x);
            maxX = std::max(maxX, p.x);
            minY = std::min(minY, p.y);
            maxY = std::max(maxY, p.y);
        }
    }
    // A writer keeps the character on the pad: shrink and shift it back inside when needed.
    if (minX <= maxX) {
        const double margin = 2;
        double fit = std::min({1.0, (pad.width - 2 * margin) / std::max(maxX - minX, 1.0),
                               (pad.height - 2 * margin) / std::max(maxY - minY, 1.0)});
        double w = (maxX - minX) * fit, h = (maxY - minY) * fit;
        double left =
            std::clamp(centre.x - (centre.x - minX) * fit, margin, pad.width - margin - w);
        double top =
            std::clamp(centre.y - (centre.y - minY) * fit, margin, pad.height - margin - h);
        for (auto& line : lines)
            for (Point& p : line) p = {left + (p.x - minX) * fit, top + (p.y - minY) * fit};
    }

    for (const auto& line : lines) sample.penPath.push_back(moveMouse(line, s, random, pad));

    hanzi::PadRecording recording = hanzi::writeOnPad(sample.penPath, sample.notes.referenceValue);
    if (!recording.requests.empty())
        sample.innerStrokeText = recording.requests.back();
    protocol::ParsedStrokes parsed = protocol::parseStrokeText(sample.innerStrokeText, pad);
    sample.padStrokes = std::move(parsed.strokes);
    return sample;
}

std::vector<std::string> gb2312Hanzi(int level) {
    std::vector<std::string> out;
    if (level != 1 && level != 2)
        return out;
    unsigned first = level == 1 ? 0xB0 : 0xD8, last = level == 1 ? 0xD7 : 0xF7;
    iconv_t cd = iconv_open("UTF-8", "GB2312");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return out;
    for (unsigned lead = first; lead <= last; ++lead) {
        for (unsigned trail = 0xA1; trail <= 0xFE; ++trail) {
            char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            char buffer[8];
            char* inPtr = in;
            char* outPtr = buffer;
            std::size_t inLeft = 2, outLeft = sizeof buffer;
            if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1))
                out.emplace_back(buffer, outPtr);
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
        }
    }
    iconv_close(cd);
    return out;
}

std::vector<std::size_t> drawByWeight(const std::vector<double>& weights, int count,
                                      std::uint64_t seed) {
    std::vector<double> cumulative;
    double total = 0;
    for (double w : weights) cumulative.push_back(total += std::max(w, 0.0));
    std::vector<std::size_t> out;
    if (total <= 0)
        return out;
    Random random(seed);
    for (int i = 0; i < count; ++i) {
        double at = random.uniform() * total;
        auto found = std::upper_bound(cumulative.begin(), cumulative.end(), at);
        out.push_back(
            std::min(static_cast<std::size_t>(found - cumulative.begin()), weights.size() - 1));
    }
    return out;
}

std::string settingsName(const std::string& path) {
    std::size_t slash = path.find_last_of('/');
    std::string name = slash == std::string::npos ? path : path.substr(slash + 1);
    std::size_t dot = name.rfind(".conf");
    return dot == std::string::npos ? name : name.substr(0, dot);
}

std::uint32_t firstCodepoint(const std::string& utf8) {
    if (utf8.empty())
        return 0;
    auto b = [&](std::size_t i) { return static_cast<unsigned char>(utf8[i]); };
    unsigned char lead = b(0);
    int extra = lead < 0x80 ? 0 : lead < 0xE0 ? 1 : lead < 0xF0 ? 2 : 3;
    if (utf8.size() < static_cast<std::size_t>(extra) + 1)
        return 0;
    std::uint32_t cp = extra == 0 ? lead : lead & (0x3F >> extra);
    for (int i = 1; i <= extra; ++i) cp = (cp << 6) | (b(i) & 0x3F);
    return cp;
}

std::string utf8(std::uint32_t codepoint) {
    std::string out;
    if (codepoint < 0x80) {
        out += static_cast<char>(codepoint);
    } else if (codepoint < 0x800) {
        out += static_cast<char>(0xC0 | (codepoint >> 6));
        out += static_cast<char>(0x80 | (codepoint & 0x3F));
    } else if (codepoint < 0x10000) {
        out += static_cast<char>(0xE0 | (codepoint >> 12));
        out += static_cast<char>(0x80 | ((codepoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codepoint & 0x3F));
    } else {
        out += static_cast<char>(0xF0 | (codepoint >> 18));
        out += static_cast<char>(0x80 | ((codepoint >> 12) & 0x3F));
        out += static_cast<char>(0x80 | ((codepoint >> 6) & 0x3F));
        out += static_cast<char>(0x80 | (codepoint & 0x3F));
    }
    return out;
}

}  // namespace training
