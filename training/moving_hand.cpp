#include "moving_hand.h"

#include <algorithm>
#include <cmath>

namespace training {
namespace {

constexpr double kPi = 3.14159265358979323846;
// A centre line is cut into movements wherever it leaves the straight line between two targets
// by more than this (1024 box); what bends less is left to the movement's arc.
constexpr double kTargetTolerance = 20;
// Each movement's lognormal sigma is drawn from the range that fits handwriting in the
// sigma-lognormal literature: from a nearly symmetric speed profile to a skewed one.
constexpr double kSigmaMin = 0.2, kSigmaMax = 0.4;
// A longer movement takes longer, though less than in proportion: its peak speed is higher.
constexpr double kDurationExponent = 0.5;
// The ink's points are at most this far apart (1024 box).
constexpr double kInkSpacing = 6;
// A stroke's last movement counts as done, and the pen may lift, with this much of it to go
// (1024 box).
constexpr double kStrokeLeft = 2;

struct Vec {
    double x;
    double y;
};

struct Movement {
    double t0 = 0;  // onset
    double mu = 0;  // log of its time scale
    double sigma = 0.3;
    Vec chord{0, 0};
    double bend = 0;    // half the turn of its direction along the arc (radians)
    double length = 0;  // of the arc
    double startAngle = 0;
    double end = 0;  // when all but done
};

double normalCdf(double z) {
    return 0.5 * std::erfc(-z / std::sqrt(2.0));
}

// By bisection: called a few times per movement only.
double normalQuantile(double q) {
    double lo = -9, hi = 9;
    for (int i = 0; i < 50; ++i) {
        double mid = (lo + hi) / 2;
        (normalCdf(mid) < q ? lo : hi) = mid;
    }
    return (lo + hi) / 2;
}

double fractionDone(const Movement& m, double t) {
    if (t <= m.t0)
        return 0;
    if (t >= m.end)
        return 1;
    return normalCdf((std::log(t - m.t0) - m.mu) / m.sigma);
}

double timeAt(const Movement& m, double fraction) {
    fraction = std::clamp(fraction, 1e-4, 1 - 1e-4);
    return m.t0 + std::exp(m.mu + m.sigma * normalQuantile(fraction));
}

Vec displacement(const Movement& m, double u) {
    if (u >= 1)
        return m.chord;
    if (std::abs(m.bend) < 1e-6)
        return {m.chord.x * u, m.chord.y * u};
    double phi = m.startAngle + 2 * m.bend * u, r = m.length / (2 * m.bend);
    return {r * (std::sin(phi) - std::sin(m.startAngle)),
            r * (std::cos(m.startAngle) - std::cos(phi))};
}

// A movement from `from` to `to` along an arc whose direction turns by 2 * bend.
Movement aim(Vec from, Vec to, double bend, Random& random) {
    Movement m;
    m.chord = {to.x - from.x, to.y - from.y};
    double chord = std::hypot(m.chord.x, m.chord.y);
    m.bend = chord > 0 ? std::clamp(bend, -2.5, 2.5) : 0;
    m.length = std::abs(m.bend) > 1e-6 ? chord * m.bend / std::sin(m.bend) : chord;
    m.startAngle = std::atan2(m.chord.y, m.chord.x) - m.bend;
    m.sigma = random.uniform(kSigmaMin, kSigmaMax);
    m.mu = kDurationExponent * std::log(std::max(m.length, 30.0) / 300);
    return m;
}

double deviation(const hanzi::MedianStroke& s, std::size_t a, std::size_t b, std::size_t i) {
    double ux = s[b].x - s[a].x, uy = s[b].y - s[a].y, chord = std::hypot(ux, uy);
    if (chord <= 0)
        return std::hypot(s[i].x - s[a].x, s[i].y - s[a].y);
    // Signed: positive on the side an arc of positive bend bulges to.
    return ((s[i].x - s[a].x) * uy - (s[i].y - s[a].y) * ux) / chord;
}

// The targets of a centre line: its ends and where it leaves the straight line (Douglas-Peucker).
void findTargets(const hanzi::MedianStroke& s, std::size_t a, std::size_t b,
                 std::vector<std::size_t>& targets) {
    std::size_t far = a;
    double farthest = kTargetTolerance;
    for (std::size_t i = a + 1; i < b; ++i) {
        double d = std::abs(deviation(s, a, b, i));
        if (d > farthest) {
            farthest = d;
            far = i;
        }
    }
    if (far == a) {
        targets.push_back(b);
        return;
    }
    findTargets(s, a, far, targets);
    findTargets(s, far, b, targets);
}

// Half the turn of an arc through the line's points between two targets: from its sagitta.
double bendBetween(const hanzi::MedianStroke& s, std::size_t a, std::size_t b) {
    double chord = std::hypot(s[b].x - s[a].x, s[b].y - s[a].y), sagitta = 0;
    for (std::size_t i = a + 1; i < b; ++i) {
        double d = deviation(s, a, b, i);
        if (std::abs(d) > std::abs(sagitta))
            sagitta = d;
    }
    return chord > 0 ? 2 * std::atan(2 * sagitta / chord) : 0;
}

// The pen's place at time t: where it started plus every movement's share so far.
class PenPath {
  public:
    PenPath(Vec origin, const std::vector<Movement>& plan) : origin_(origin), plan_(plan) {
        Vec sum{0, 0};
        double latest = 0;
        for (const Movement& m : plan) {
            sum = {sum.x + m.chord.x, sum.y + m.chord.y};
            before_.push_back(sum);
            latest = std::max(latest, m.end);
            endedBy_.push_back(latest);
        }
    }

    Vec at(double t) const {
        // The movements all ended before t count whole; those not yet begun, not at all.
        std::size_t done = static_cast<std::size_t>(
            std::upper_bound(endedBy_.begin(), endedBy_.end(), t) - endedBy_.begin());
        Vec p = done > 0 ? Vec{origin_.x + before_[done - 1].x, origin_.y + before_[done - 1].y}
                         : origin_;
        for (std::size_t k = done; k < plan_.size() && plan_[k].t0 < t; ++k) {
            Vec d = displacement(plan_[k], fractionDone(plan_[k], t));
            p = {p.x + d.x, p.y + d.y};
        }
        return p;
    }

    // The ink between two times, its points at most kInkSpacing apart.
    hanzi::MedianStroke ink(double from, double to, int movements) const {
        const int steps = std::max(8, 12 * movements);
        std::vector<std::pair<double, Vec>> points;
        for (int i = 0; i <= steps; ++i) {
            double t = from + (to - from) * i / steps;
            points.push_back({t, at(t)});
        }
        hanzi::MedianStroke line{{points[0].second.x, points[0].second.y}};
        // Depth-first: halve a step until it is short enough.
        std::vector<std::pair<double, Vec>> pending;
        for (std::size_t i = 1; i < points.size(); ++i) {
            pending.push_back(points[i]);
            double t0 = points[i - 1].first;
            Vec last = points[i - 1].second;
            while (!pending.empty()) {
                auto [t, p] = pending.back();
                if (std::hypot(p.x - last.x, p.y - last.y) > kInkSpacing && t - t0 > 1e-9) {
                    double mid = (t0 + t) / 2;
                    pending.push_back({mid, at(mid)});
                    continue;
                }
                pending.pop_back();
                if (std::hypot(p.x - line.back().x, p.y - line.back().y) > 0.5)
                    line.push_back({p.x, p.y});
                t0 = t;
                last = p;
            }
        }
        return line;
    }

  private:
    Vec origin_;
    const std::vector<Movement>& plan_;
    std::vector<Vec> before_;
    std::vector<double> endedBy_;
};

}  // namespace

std::vector<hanzi::MedianStroke> writeWithMovingHand(const std::vector<hanzi::MedianStroke>& input,
                                                     const WritingSettings& s, Random& random,
                                                     SampleNotes& notes) {
    std::vector<hanzi::MedianStroke> strokes;
    for (const hanzi::MedianStroke& stroke : input)
        if (!stroke.empty())
            strokes.push_back(stroke);
    std::vector<hanzi::MedianStroke> out;
    if (strokes.empty())
        return out;

    const double speed = random.uniform(s.speedMin, s.speedMax);
    notes.speed = speed;
    const double overlap = s.overlapSlow + (s.overlapFast - s.overlapSlow) * speed;
    const double penDown = s.penDownSlow + (s.penDownFast - s.penDownSlow) * speed;
    // The quicker the hand, the less exactly it reaches its targets.
    const double scatter = s.targetSigma * (1 + speed);
    // A movement begins when the one before has this share still to go.
    const double onset = std::clamp(1 - overlap, 0.05, 0.995);

    // The plan: each stroke's movements, and a move between each stroke and the next.
    std::vector<Movement> plan;
    std::vector<std::size_t> firstOf, lastOf;  // each stroke's first and last movement
    std::vector<bool> inkedMove;               // per move between strokes: pen down
    Vec origin{0, 0}, at{0, 0};
    for (std::size_t k = 0; k < strokes.size(); ++k) {
        const hanzi::MedianStroke& line = strokes[k];
        std::vector<std::size_t> targets{0};
        if (line.size() >= 2)
            findTargets(line, 0, line.size() - 1, targets);
        // The stroke as the hand plans it this time: a little shifted and resized, each target
        // a little off.
        double scale = std::max(0.5, 1.0 + random.gaussian() * s.strokeScaleSigma);
        Vec shift{random.gaussian() * s.strokeOffsetSigma, random.gaussian() * s.strokeOffsetSigma};
        Vec centre{0, 0};
        for (const hanzi::MedianPoint& p : line) {
            centre.x += p.x / line.size();
            centre.y += p.y / line.size();
        }
        auto target = [&](std::size_t i) {
            return Vec{
                centre.x + (line[i].x - centre.x) * scale + shift.x + random.gaussian() * scatter,
                centre.y + (line[i].y - centre.y) * scale + shift.y + random.gaussian() * scatter};
        };
        Vec start = target(0);
        if (k == 0) {
            origin = at = start;
        } else {
            double gap = std::hypot(start.x - at.x, start.y - at.y);
            bool down = gap <= s.joinMaxGap && random.chance(penDown);
            double turn = random.uniform(-1, 1) * s.moveBend * kPi / 180;
            plan.push_back(aim(at, start, turn / 2, random));
            inkedMove.push_back(down);
            notes.joins += down;
            at = start;
        }
        firstOf.push_back(plan.size());
        if (targets.size() == 1) {
            // A single point: a dot, written as the smallest of movements.
            plan.push_back(aim(at, {at.x + 1, at.y + 1}, 0, random));
            at = {at.x + 1, at.y + 1};
        }
        for (std::size_t t = 1; t < targets.size(); ++t) {
            Vec next = target(targets[t]);
            plan.push_back(
                aim(at, next, bendBetween(line, targets[t - 1], targets[t]) / 2, random));
            at = next;
        }
        lastOf.push_back(plan.size() - 1);
    }
    for (std::size_t k = 1; k < plan.size(); ++k) plan[k].t0 = timeAt(plan[k - 1], onset);
    for (Movement& m : plan) m.end = timeAt(m, 0.99999);

    // The pen lifts once a stroke is done, or once the move to the next has gone pen_up_tail of
    // its way, whichever is first, and lands once the move has as little left or the next
    // stroke has begun, whichever is last: what overlaps the move shows as a tail and a lead-in.
    const PenPath pen(origin, plan);
    std::size_t first = 0;
    double down = 0;
    for (std::size_t k = 0; k < strokes.size(); ++k) {
        if (k + 1 < strokes.size() && inkedMove[k])
            continue;
        const Movement& last = plan[lastOf[k]];
        double up = timeAt(last, 1 - kStrokeLeft / std::max(last.length, 2 * kStrokeLeft));
        if (k + 1 < strokes.size())
            up = std::min(up, timeAt(plan[lastOf[k] + 1], s.penUpTail));
        up = std::max(up, down + 1e-6);
        hanzi::MedianStroke ink =
            pen.ink(down, up, static_cast<int>(lastOf[k] - firstOf[first] + 1));
        if (ink.size() == 1)
            ink.push_back({ink[0].x + 1, ink[0].y});
        out.push_back(std::move(ink));
        if (k + 1 < strokes.size()) {
            first = k + 1;
            down = std::max(plan[firstOf[first]].t0, timeAt(plan[lastOf[k] + 1], 1 - s.penUpTail));
        }
    }
    return out;
}

}  // namespace training
