#include "cursive_components.h"

#include <algorithm>
#include <cmath>
#include <map>

#include "mouse_writing.h"

namespace training {
namespace {

// Each stroke is compared at this many points along it, in the strokes' bounding box scaled to
// a unit square.
constexpr int kPointsPerStroke = 8;
// How far, on average, the strokes may lie from the printed form's (in the unit square): the
// radical's place is the data's own, so only which component it is needs telling; elsewhere a
// run of strokes must match more closely.
constexpr double kRadicalMatch = 0.1;
constexpr double kComponentMatch = 0.09;
// Elsewhere the run's box, less this share of its size on each side, holds no other stroke.
constexpr double kInnerMargin = 0.15;
// A form drawn for one place (木 at the left, narrow) is not stretched over another (木 at the
// bottom, wide): the place's width to height is within this factor of the form's.
constexpr double kAspectFactor = 2.2;

struct Box {
    double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
    void add(const hanzi::MedianPoint& p) {
        left = std::min(left, p.x);
        right = std::max(right, p.x);
        top = std::min(top, p.y);
        bottom = std::max(bottom, p.y);
    }
    // A thin component (a row of dots) keeps its proportions rather than being stretched.
    double width() const { return std::max(right - left, 0.3 * std::max(bottom - top, 1.0)); }
    double height() const { return std::max(bottom - top, 0.3 * std::max(right - left, 1.0)); }
};

Box boxOf(const std::vector<hanzi::MedianStroke>& strokes, std::size_t first, std::size_t count) {
    Box box;
    for (std::size_t k = first; k < first + count; ++k)
        for (const hanzi::MedianPoint& p : strokes[k]) box.add(p);
    return box;
}

std::vector<hanzi::MedianPoint> alongStroke(const hanzi::MedianStroke& stroke) {
    std::vector<double> at{0};
    for (std::size_t i = 1; i < stroke.size(); ++i)
        at.push_back(at.back() +
                     std::hypot(stroke[i].x - stroke[i - 1].x, stroke[i].y - stroke[i - 1].y));
    std::vector<hanzi::MedianPoint> out;
    for (int k = 0; k < kPointsPerStroke; ++k) {
        double want = at.back() * k / (kPointsPerStroke - 1);
        std::size_t i = 1;
        while (i + 1 < stroke.size() && at[i] < want) ++i;
        if (stroke.size() < 2) {
            out.push_back(stroke[0]);
            continue;
        }
        double span = at[i] - at[i - 1], t = span > 0 ? (want - at[i - 1]) / span : 0;
        t = std::clamp(t, 0.0, 1.0);
        out.push_back({stroke[i - 1].x + (stroke[i].x - stroke[i - 1].x) * t,
                       stroke[i - 1].y + (stroke[i].y - stroke[i - 1].y) * t});
    }
    return out;
}

// The run's strokes as points in its unit square.
std::vector<hanzi::MedianPoint> shape(const std::vector<hanzi::MedianStroke>& strokes,
                                      std::size_t first, std::size_t count) {
    Box box = boxOf(strokes, first, count);
    std::vector<hanzi::MedianPoint> out;
    for (std::size_t k = first; k < first + count; ++k)
        for (const hanzi::MedianPoint& p : alongStroke(strokes[k]))
            out.push_back({(p.x - box.left) / box.width(), (p.y - box.top) / box.height()});
    return out;
}

double meanDistance(const std::vector<hanzi::MedianPoint>& a,
                    const std::vector<hanzi::MedianPoint>& b) {
    double sum = 0;
    for (std::size_t i = 0; i < a.size(); ++i) sum += std::hypot(a[i].x - b[i].x, a[i].y - b[i].y);
    return sum / std::max<std::size_t>(1, a.size());
}

bool reachedByOthers(const std::vector<hanzi::MedianStroke>& strokes, std::size_t first,
                     std::size_t count) {
    Box box = boxOf(strokes, first, count);
    double mx = kInnerMargin * (box.right - box.left), my = kInnerMargin * (box.bottom - box.top);
    for (std::size_t k = 0; k < strokes.size(); ++k) {
        if (k >= first && k < first + count)
            continue;
        for (const hanzi::MedianPoint& p : hanzi::resampleStroke(strokes[k], 16))
            if (p.x > box.left + mx && p.x < box.right - mx && p.y > box.top + my &&
                p.y < box.bottom - my)
                return true;
    }
    return false;
}

// Where a component's printed form at the side of a character differs from its own entry in
// the data (木's last stroke a dot, not a sweep), a character that has it there; its radical's
// strokes are a second printed form.
const std::pair<std::uint32_t, std::uint32_t> kAtTheSide[] = {
    {0x6728, 0x6751},  // 木 as in 村
    {0x79BE, 0x79D2},  // 禾 as in 秒
    {0x706B, 0x706F},  // 火 as in 灯
    {0x5973, 0x597D},  // 女 as in 好
    {0x65E5, 0x660E},  // 日 as in 明
    {0x8D1D, 0x8D25},  // 贝 as in 败
    {0x571F, 0x5730},  // 土 as in 地
    {0x738B, 0x73E0},  // 王 as in 珠
    {0x5FC3, 0x5FD8},  // 心 as in 忘
};

}  // namespace

std::shared_ptr<const CursiveComponents> CursiveComponents::load(const std::string& formsPath,
                                                                 const std::string& centreLineDir,
                                                                 std::string& error) {
    std::vector<SymbolVariant> forms;
    if (!loadSymbolShapes(formsPath, forms, error))
        return nullptr;
    auto loaded = std::make_shared<CursiveComponents>();
    std::map<std::uint32_t, std::size_t> index;
    for (SymbolVariant& form : forms) {
        auto found = index.find(form.codepoint);
        if (found == index.end()) {
            hanzi::HanziMedians printed;
            if (!hanzi::loadHanziMedians(centreLineDir, utf8(form.codepoint), printed, error)) {
                error = formsPath + ": the printed form of U+" +
                        [&] {
                            char hex[16];
                            std::snprintf(hex, sizeof hex, "%04X", form.codepoint);
                            return std::string(hex);
                        }() +
                        ": " + error;
                return nullptr;
            }
            found = index.emplace(form.codepoint, loaded->components_.size()).first;
            loaded->components_.push_back({form.codepoint, {std::move(printed.strokes)}, {}, 1.0});
            for (auto [component, character] : kAtTheSide) {
                hanzi::HanziMedians example;
                if (component != form.codepoint ||
                    !hanzi::loadHanziMedians(centreLineDir, utf8(character), example, error))
                    continue;
                std::vector<hanzi::MedianStroke> radical;
                for (int k : example.radicalStrokes)
                    radical.push_back(example.strokes[static_cast<std::size_t>(k)]);
                loaded->components_.back().printed.push_back(std::move(radical));
            }
        }
        loaded->components_[found->second].cursive.push_back(std::move(form.shape));
    }
    for (Component& c : loaded->components_) {
        double sum = 0;
        for (const hanzi::HanziMedians& form : c.cursive) {
            Box box = boxOf(form.strokes, 0, form.strokes.size());
            sum += std::log(box.width() / box.height());
        }
        c.aspect = std::exp(sum / c.cursive.size());
    }
    return loaded;
}

std::vector<CursiveComponents::Place> CursiveComponents::find(
    const hanzi::HanziMedians& character) const {
    const auto& strokes = character.strokes;
    std::vector<Place> places;
    // The best component for a run, when one matches within `within`.
    auto match = [&](std::size_t first, std::size_t count, double within) {
        const Component* best = nullptr;
        std::vector<hanzi::MedianPoint> run = shape(strokes, first, count);
        Box place = boxOf(strokes, first, count);
        double aspect = place.width() / place.height();
        for (const Component& c : components_) {
            if (aspect > c.aspect * kAspectFactor || aspect < c.aspect / kAspectFactor)
                continue;
            for (const auto& printed : c.printed) {
                if (printed.size() != count)
                    continue;
                double d = meanDistance(run, shape(printed, 0, count));
                if (d < within) {
                    within = d;
                    best = &c;
                }
            }
        }
        return best;
    };
    std::vector<int> radical = character.radicalStrokes;
    std::sort(radical.begin(), radical.end());
    bool consecutive = !radical.empty() &&
                       radical.back() - radical.front() + 1 == static_cast<int>(radical.size());
    std::size_t radicalFirst = consecutive ? static_cast<std::size_t>(radical.front()) : 0;
    std::size_t radicalCount = consecutive ? radical.size() : 0;
    if (const Component* c =
            radicalCount > 0 ? match(radicalFirst, radicalCount, kRadicalMatch) : nullptr)
        places.push_back({radicalFirst, radicalCount, c->codepoint, true});
    for (std::size_t first = 0; first < strokes.size();) {
        if (radicalCount > 0 && first >= radicalFirst && first < radicalFirst + radicalCount) {
            first = radicalFirst + radicalCount;
            continue;
        }
        bool found = false;
        for (std::size_t count = std::min<std::size_t>(6, strokes.size() - first); count >= 2;
             --count) {
            bool overlapsRadical = radicalCount > 0 && first < radicalFirst + radicalCount &&
                                   first + count > radicalFirst;
            if (overlapsRadical || count == strokes.size() ||
                reachedByOthers(strokes, first, count))
                continue;
            if (const Component* c = match(first, count, kComponentMatch)) {
                places.push_back({first, count, c->codepoint, false});
                first += count;
                found = true;
                break;
            }
        }
        if (!found)
            ++first;
    }
    std::sort(places.begin(), places.end(),
              [](const Place& a, const Place& b) { return a.first < b.first; });
    return places;
}

std::vector<hanzi::MedianStroke> CursiveComponents::writeCursively(
    const hanzi::HanziMedians& character, Random& random) const {
    std::vector<Place> places = find(character);
    std::vector<hanzi::MedianStroke> out;
    std::size_t next = 0;
    for (std::size_t k = 0; k < character.strokes.size();) {
        if (next < places.size() && places[next].first == k) {
            const Place& place = places[next++];
            const Component& c = *std::find_if(
                components_.begin(), components_.end(),
                [&](const Component& each) { return each.codepoint == place.component; });
            const hanzi::HanziMedians& form = c.cursive[static_cast<std::size_t>(
                random.below(static_cast<int>(c.cursive.size())))];
            Box to = boxOf(character.strokes, place.first, place.count);
            Box from = boxOf(form.strokes, 0, form.strokes.size());
            for (const hanzi::MedianStroke& stroke : form.strokes) {
                hanzi::MedianStroke fitted;
                for (const hanzi::MedianPoint& p : stroke)
                    fitted.push_back(
                        {to.left + (p.x - from.left) / std::max(from.right - from.left, 1.0) *
                                       (to.right - to.left),
                         to.top + (p.y - from.top) / std::max(from.bottom - from.top, 1.0) *
                                      (to.bottom - to.top)});
                out.push_back(std::move(fitted));
            }
            k += place.count;
            continue;
        }
        out.push_back(character.strokes[k++]);
    }
    return out;
}

}  // namespace training
