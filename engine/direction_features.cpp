#include "engine/direction_features.h"

#include <algorithm>
#include <cmath>

namespace engine {
namespace {

// The normalised writing lives on a square of this side; the direction planes have a cell for
// every two units of it.
constexpr double kSide = 64.0;
constexpr double kCellSide = kSide / kPlaneCells;
// Moment normalisation: one standard deviation of ink spans this much of the square, so that
// ordinary characters fill about three quarters of it.
constexpr double kSpreadScale = 12.8;
// Squeezed or stretched writing keeps the square root of its proportions: a tall character
// stays taller than a wide one, but a squeeze by the mouse is mostly taken out.
constexpr double kAspectKept = 0.5;
// A nearly straight line must not be blown up across the square.
constexpr double kMinSpreadRatio = 0.15;

// The ink a lone point stands for, in units of the normalised square.
constexpr double kDotInk = 2.0;
// How much a move with the pen up counts as ink.
constexpr double kPenUpInk = 0.5;

constexpr double kPi = 3.14159265358979323846;

struct Point {
    double x, y;
};

}  // namespace

bool extractDirectionPlanes(const std::vector<PadStroke>& strokes, DirectionPlanes& planes) {
    planes.fill(0.0f);
    // Ink moments: every piece of a stroke weighs its length; a lone point weighs one pixel.
    double ink = 0, sx = 0, sy = 0;
    for (const PadStroke& stroke : strokes) {
        if (stroke.size() == 1) {
            ink += 1;
            sx += stroke[0].x;
            sy += stroke[0].y;
        }
        for (std::size_t i = 1; i < stroke.size(); ++i) {
            double dx = stroke[i].x - stroke[i - 1].x, dy = stroke[i].y - stroke[i - 1].y;
            double length = std::hypot(dx, dy);
            ink += length;
            sx += length * (stroke[i].x + stroke[i - 1].x) / 2;
            sy += length * (stroke[i].y + stroke[i - 1].y) / 2;
        }
    }
    if (ink <= 0) {
        // Points only, all repeated: no extent, but still writing.
        bool any = std::any_of(strokes.begin(), strokes.end(),
                               [](const PadStroke& s) { return !s.empty(); });
        return any;
    }
    Point centre{sx / ink, sy / ink};
    double mxx = 0, myy = 0;
    for (const PadStroke& stroke : strokes) {
        if (stroke.size() == 1) {
            double a = stroke[0].x - centre.x, b = stroke[0].y - centre.y;
            mxx += a * a;
            myy += b * b;
        }
        for (std::size_t i = 1; i < stroke.size(); ++i) {
            double length =
                std::hypot(stroke[i].x - stroke[i - 1].x, stroke[i].y - stroke[i - 1].y);
            double a = stroke[i - 1].x - centre.x, b = stroke[i].x - centre.x;
            mxx += length * (a * a + a * b + b * b) / 3;
            a = stroke[i - 1].y - centre.y;
            b = stroke[i].y - centre.y;
            myy += length * (a * a + a * b + b * b) / 3;
        }
    }
    double spreadX = std::sqrt(mxx / ink), spreadY = std::sqrt(myy / ink);
    double longer = std::max({spreadX, spreadY, 0.5});
    spreadX = std::max(spreadX, kMinSpreadRatio * longer);
    spreadY = std::max(spreadY, kMinSpreadRatio * longer);
    double mean = std::sqrt(spreadX * spreadY);
    double scaleX = kSpreadScale / (mean * std::pow(spreadX / mean, kAspectKept));
    double scaleY = kSpreadScale / (mean * std::pow(spreadY / mean, kAspectKept));
    auto place = [&](PadPoint p) {
        return Point{kSide / 2 + (p.x - centre.x) * scaleX, kSide / 2 + (p.y - centre.y) * scaleY};
    };

    // Direction planes, filled by walking every piece in steps of at most one unit.
    auto deposit = [&](int direction, double x, double y, double amount) {
        double u = std::clamp(x / kCellSide - 0.5, 0.0, kPlaneCells - 1.0);
        double v = std::clamp(y / kCellSide - 0.5, 0.0, kPlaneCells - 1.0);
        int u0 = std::min(static_cast<int>(u), kPlaneCells - 2);
        int v0 = std::min(static_cast<int>(v), kPlaneCells - 2);
        double fu = u - u0, fv = v - v0;
        float* plane = &planes[static_cast<std::size_t>(direction) * kPlaneCells * kPlaneCells];
        plane[v0 * kPlaneCells + u0] += static_cast<float>(amount * (1 - fu) * (1 - fv));
        plane[v0 * kPlaneCells + u0 + 1] += static_cast<float>(amount * fu * (1 - fv));
        plane[(v0 + 1) * kPlaneCells + u0] += static_cast<float>(amount * (1 - fu) * fv);
        plane[(v0 + 1) * kPlaneCells + u0 + 1] += static_cast<float>(amount * fu * fv);
    };
    // A line's length goes to the two of the eight directions it lies between, in the plane
    // set starting at `set`, walked in steps of at most one unit.
    const double sector = kPi / 4;
    auto line = [&](Point a, Point b, double weight, int set) {
        double dx = b.x - a.x, dy = b.y - a.y;
        double length = std::hypot(dx, dy);
        if (length <= 0)
            return;
        double angle = std::atan2(dy, dx);
        if (angle < 0)
            angle += 2 * kPi;
        int first = std::min(static_cast<int>(angle / sector), kDirectionCount - 1);
        double within = angle - first * sector;
        double toFirst = weight * length * std::sin(sector - within) / std::sin(sector);
        double toSecond = weight * length * std::sin(within) / std::sin(sector);
        int second = (first + 1) % kDirectionCount;
        int steps = std::max(1, static_cast<int>(std::ceil(length)));
        for (int s = 0; s < steps; ++s) {
            double t = (s + 0.5) / steps;
            double x = a.x + dx * t, y = a.y + dy * t;
            deposit(set + first, x, y, toFirst / steps);
            deposit(set + second, x, y, toSecond / steps);
        }
    };
    for (const PadStroke& stroke : strokes) {
        if (stroke.size() == 1) {
            // A dot shorter than the pad's sampling step: most dots are written down and to the
            // right, and where a dot is matters.
            Point p = place(stroke[0]);
            deposit(1, p.x, p.y, kDotInk);
        }
        for (std::size_t i = 1; i < stroke.size(); ++i)
            line(place(stroke[i - 1]), place(stroke[i]), 1.0, 0);
    }
    // The moves with the pen up, from each stroke's end to the next one's start: where the
    // strokes lie relative to each other, which survives sloppy and tiny writing better than
    // their shapes. They have planes of their own, and count a little as ink too, because a
    // writer who does not lift the pen draws them.
    const PadStroke* previous = nullptr;
    for (const PadStroke& stroke : strokes) {
        if (stroke.empty())
            continue;
        if (previous) {
            Point from = place(previous->back()), to = place(stroke.front());
            line(from, to, 1.0, kDirectionCount);
            line(from, to, kPenUpInk, 0);
        }
        previous = &stroke;
    }

    return true;
}

WritingGeometry writingGeometry(const std::vector<PadStroke>& strokes, PadSize pad) {
    int left = pad.width, right = 0, top = pad.height, bottom = 0;
    bool any = false;
    for (const PadStroke& stroke : strokes)
        for (PadPoint p : stroke) {
            left = std::min(left, p.x);
            right = std::max(right, p.x);
            top = std::min(top, p.y);
            bottom = std::max(bottom, p.y);
            any = true;
        }
    if (!any)
        return {};
    const double side = std::max({pad.width, pad.height, 1});
    auto share = [&](double v) {
        return static_cast<std::uint8_t>(std::clamp(std::lround(255.0 * v / side), 0L, 255L));
    };
    return {share(right - left), share(bottom - top), share((left + right) / 2.0),
            share((top + bottom) / 2.0)};
}

}  // namespace engine
