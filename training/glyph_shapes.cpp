#include "glyph_shapes.h"

#include <ft2build.h>
#include FT_FREETYPE_H

#include <algorithm>
#include <array>
#include <cmath>
#include <limits>

namespace training {
namespace {

struct Point {
    double x, y;
};

// Where a pixel's centre lies in the 1024 box.
Point pixelCentre(int x, int y) {
    return {(x + 0.5) * kGlyphCell, (y + 0.5) * kGlyphCell};
}

// Centre lines are sampled this finely for fitting and for judging a fit.
constexpr double kSampleSpacing = 2 * kGlyphCell;
// How firmly a stroke keeps its first shape against the pull of the centre lines: 0 lets it
// take any affine shape, 1 lets it move about as far as it bends.
constexpr double kStiffness = 0.35;
constexpr int kIterations = 12;
// The whole character may shear and stretch more freely than one stroke may bend.
constexpr double kWholeStiffness = 0.1;
// The whole character is resized at most this much on either axis to match the glyph's spread.
constexpr double kMaxSpreadRatio = 1.6;
// A centre line counts as covered when a stroke passes this close.
constexpr double kCoverRadius = 3 * kGlyphCell;

std::vector<Point> resample(const hanzi::MedianStroke& stroke) {
    std::vector<Point> out;
    for (const hanzi::MedianPoint& p : hanzi::resampleStroke(stroke, kSampleSpacing))
        out.push_back({p.x, p.y});
    return out;
}

// For every pixel, the nearest centre-line pixel (index into `lines`): each pixel takes the
// nearest of the ones its neighbours found, in one raster pass down and one back up (dead
// reckoning; off by under a pixel in rare corners). -1 where there is none.
struct NearestLine {
    std::vector<Point> lines;
    std::vector<int> nearest;
    explicit NearestLine(const GlyphBitmap& centreLines)
        : nearest(static_cast<std::size_t>(kGlyphPixels * kGlyphPixels), -1) {
        std::vector<std::array<int, 2>> where;  // each line pixel's column and row
        std::vector<int> best(nearest.size(), std::numeric_limits<int>::max());
        for (int y = 0; y < kGlyphPixels; ++y)
            for (int x = 0; x < kGlyphPixels; ++x)
                if (centreLines.at(x, y)) {
                    std::size_t at = static_cast<std::size_t>(y * kGlyphPixels + x);
                    nearest[at] = static_cast<int>(lines.size());
                    best[at] = 0;
                    lines.push_back(pixelCentre(x, y));
                    where.push_back({x, y});
                }
        auto take = [&](int x, int y, int fromX, int fromY) {
            if (fromX < 0 || fromY < 0 || fromX >= kGlyphPixels || fromY >= kGlyphPixels)
                return;
            int source = nearest[static_cast<std::size_t>(fromY * kGlyphPixels + fromX)];
            if (source < 0)
                return;
            const auto& s = where[static_cast<std::size_t>(source)];
            int d = (x - s[0]) * (x - s[0]) + (y - s[1]) * (y - s[1]);
            std::size_t at = static_cast<std::size_t>(y * kGlyphPixels + x);
            if (d < best[at]) {
                best[at] = d;
                nearest[at] = source;
            }
        };
        for (int y = 0; y < kGlyphPixels; ++y) {
            for (int x = 0; x < kGlyphPixels; ++x) {
                take(x, y, x - 1, y);
                take(x, y, x - 1, y - 1);
                take(x, y, x, y - 1);
                take(x, y, x + 1, y - 1);
            }
            for (int x = kGlyphPixels - 1; x >= 0; --x) take(x, y, x + 1, y);
        }
        for (int y = kGlyphPixels - 1; y >= 0; --y) {
            for (int x = kGlyphPixels - 1; x >= 0; --x) {
                take(x, y, x + 1, y);
                take(x, y, x + 1, y + 1);
                take(x, y, x, y + 1);
                take(x, y, x - 1, y + 1);
            }
            for (int x = 0; x < kGlyphPixels; ++x) take(x, y, x - 1, y);
        }
    }
    const Point& of(Point p) const {
        int x = std::clamp(static_cast<int>(p.x / kGlyphCell), 0, kGlyphPixels - 1);
        int y = std::clamp(static_cast<int>(p.y / kGlyphCell), 0, kGlyphPixels - 1);
        return lines[static_cast<std::size_t>(
            nearest[static_cast<std::size_t>(y * kGlyphPixels + x)])];
    }
};

// Solves the symmetric 3 x 3 system m z = b by Cramer's rule; false when it is singular.
bool solve3(const std::array<std::array<double, 3>, 3>& m, const std::array<double, 3>& b,
            std::array<double, 3>& z) {
    auto det = [](const std::array<std::array<double, 3>, 3>& a) {
        return a[0][0] * (a[1][1] * a[2][2] - a[1][2] * a[2][1]) -
               a[0][1] * (a[1][0] * a[2][2] - a[1][2] * a[2][0]) +
               a[0][2] * (a[1][0] * a[2][1] - a[1][1] * a[2][0]);
    };
    double d = det(m);
    if (std::abs(d) < 1e-12)
        return false;
    for (int k = 0; k < 3; ++k) {
        auto c = m;
        for (int r = 0; r < 3; ++r) c[r][k] = b[r];
        z[k] = det(c) / d;
    }
    return true;
}

}  // namespace

GlyphBitmap thinInk(GlyphBitmap ink) {
    auto& px = ink.ink;
    auto get = [&](int x, int y) { return ink.at(x, y) ? 1 : 0; };
    // Only ink can go, so only the ink is visited, in the same order as a scan of the rows.
    std::vector<std::size_t> alive;
    for (std::size_t i = 0; i < px.size(); ++i)
        if (px[i])
            alive.push_back(i);
    for (bool changed = true; changed;) {
        changed = false;
        for (int pass = 0; pass < 2; ++pass) {
            std::vector<std::size_t> remove;
            for (std::size_t at : alive) {
                int x = static_cast<int>(at % kGlyphPixels),
                    y = static_cast<int>(at / kGlyphPixels);
                // The neighbours clockwise from the one above.
                int p[8] = {get(x, y - 1), get(x + 1, y - 1), get(x + 1, y), get(x + 1, y + 1),
                            get(x, y + 1), get(x - 1, y + 1), get(x - 1, y), get(x - 1, y - 1)};
                int count = 0, rises = 0;
                for (int i = 0; i < 8; ++i) {
                    count += p[i];
                    rises += p[i] == 0 && p[(i + 1) % 8] == 1;
                }
                if (count < 2 || count > 6 || rises != 1)
                    continue;
                bool removable = pass == 0 ? (p[0] * p[2] * p[4] == 0 && p[2] * p[4] * p[6] == 0)
                                           : (p[0] * p[2] * p[6] == 0 && p[0] * p[4] * p[6] == 0);
                if (removable)
                    remove.push_back(at);
            }
            for (std::size_t at : remove) px[at] = 0;
            if (!remove.empty()) {
                changed = true;
                alive.erase(std::remove_if(alive.begin(), alive.end(),
                                           [&](std::size_t at) { return px[at] == 0; }),
                            alive.end());
            }
        }
    }
    return ink;
}

bool fitStrokes(const hanzi::HanziMedians& medians, const GlyphBitmap& centreLines,
                StrokeFit& out) {
    NearestLine near(centreLines);
    if (near.lines.empty())
        return false;
    std::vector<std::vector<Point>> samples;
    std::vector<std::vector<Point>> shapes;  // the data's own points, moved along
    for (const hanzi::MedianStroke& stroke : medians.strokes) {
        samples.push_back(resample(stroke));
        std::vector<Point> own;
        for (const hanzi::MedianPoint& p : stroke) own.push_back({p.x, p.y});
        shapes.push_back(std::move(own));
    }

    // The whole character: centre and spread of its strokes onto the glyph's.
    auto moments = [](const std::vector<Point>& points, Point& centre, Point& spread) {
        centre = {0, 0};
        for (const Point& p : points) {
            centre.x += p.x / static_cast<double>(points.size());
            centre.y += p.y / static_cast<double>(points.size());
        }
        double xx = 0, yy = 0;
        for (const Point& p : points) {
            xx += (p.x - centre.x) * (p.x - centre.x);
            yy += (p.y - centre.y) * (p.y - centre.y);
        }
        spread = {std::sqrt(xx / static_cast<double>(points.size())) + 1,
                  std::sqrt(yy / static_cast<double>(points.size())) + 1};
    };
    std::vector<Point> all;
    for (const auto& s : samples) all.insert(all.end(), s.begin(), s.end());
    if (all.empty())
        return false;
    Point dataCentre, dataSpread, glyphCentre, glyphSpread;
    moments(all, dataCentre, dataSpread);
    moments(near.lines, glyphCentre, glyphSpread);
    double rx = std::clamp(glyphSpread.x / dataSpread.x, 1 / kMaxSpreadRatio, kMaxSpreadRatio);
    double ry = std::clamp(glyphSpread.y / dataSpread.y, 1 / kMaxSpreadRatio, kMaxSpreadRatio);
    auto place = [&](Point& p) {
        p = {glyphCentre.x + (p.x - dataCentre.x) * rx, glyphCentre.y + (p.y - dataCentre.y) * ry};
    };
    for (auto& s : samples) std::for_each(s.begin(), s.end(), place);
    for (auto& s : shapes) std::for_each(s.begin(), s.end(), place);

    // Then the whole character, and then each stroke on its own: an affine change about the
    // centre of the points it moves, pulled towards the nearest centre-line points that are
    // near enough (nearer each round), held near its shape.
    auto pull = [&](const std::vector<std::size_t>& strokes, double stiffness) {
        for (int round = 0; round < kIterations; ++round) {
            double reach = std::max(4 * kGlyphCell, 16 * kGlyphCell - round * 1.5 * kGlyphCell);
            Point c{0, 0};
            double n = 0;
            for (std::size_t s : strokes)
                for (const Point& p : samples[s]) {
                    c.x += p.x;
                    c.y += p.y;
                    ++n;
                }
            if (n == 0)
                return;
            c = {c.x / n, c.y / n};
            std::array<std::array<double, 3>, 3> m{};
            std::array<double, 3> bx{}, by{};
            double weight = 0, spread = 0;
            for (std::size_t s : strokes)
                for (const Point& p : samples[s]) {
                    const Point& q = near.of(p);
                    if (std::hypot(q.x - p.x, q.y - p.y) > reach)
                        continue;
                    double u[3] = {p.x - c.x, p.y - c.y, 1};
                    for (int i = 0; i < 3; ++i) {
                        for (int j = 0; j < 3; ++j) m[i][j] += u[i] * u[j];
                        bx[i] += u[i] * (q.x - c.x);
                        by[i] += u[i] * (q.y - c.y);
                    }
                    weight += 1;
                    spread += (u[0] * u[0] + u[1] * u[1]) / 2;
                }
            if (weight == 0)
                return;
            double lambda = stiffness * spread + 1e-3 * weight * kGlyphCell * kGlyphCell;
            m[0][0] += lambda;
            m[1][1] += lambda;
            bx[0] += lambda;
            by[1] += lambda;
            std::array<double, 3> ax, ay;
            if (!solve3(m, bx, ax) || !solve3(m, by, ay))
                return;
            auto move = [&](Point& p) {
                double u = p.x - c.x, v = p.y - c.y;
                p = {c.x + ax[0] * u + ax[1] * v + ax[2], c.y + ay[0] * u + ay[1] * v + ay[2]};
            };
            for (std::size_t s : strokes) {
                std::for_each(samples[s].begin(), samples[s].end(), move);
                std::for_each(shapes[s].begin(), shapes[s].end(), move);
            }
        }
    };
    std::vector<std::size_t> every;
    for (std::size_t s = 0; s < samples.size(); ++s) every.push_back(s);
    pull(every, kWholeStiffness);
    for (std::size_t s = 0; s < samples.size(); ++s) pull({s}, kStiffness);

    // How well it fits: the strokes' distance to the centre lines, and how much of the centre
    // lines the strokes account for.
    double distance = 0;
    std::size_t count = 0;
    std::vector<std::uint8_t> covered(near.lines.size(), 0);
    const int radius = static_cast<int>(std::ceil(kCoverRadius / kGlyphCell));
    for (const auto& points : samples)
        for (const Point& p : points) {
            const Point& q = near.of(p);
            distance += std::hypot(q.x - p.x, q.y - p.y);
            ++count;
            int px = static_cast<int>(p.x / kGlyphCell), py = static_cast<int>(p.y / kGlyphCell);
            for (int dy = -radius; dy <= radius; ++dy)
                for (int dx = -radius; dx <= radius; ++dx) {
                    int x = px + dx, y = py + dy;
                    if (!centreLines.at(x, y))
                        continue;
                    Point l = pixelCentre(x, y);
                    if (std::hypot(l.x - p.x, l.y - p.y) <= kCoverRadius)
                        covered[static_cast<std::size_t>(
                            near.nearest[static_cast<std::size_t>(y * kGlyphPixels + x)])] = 1;
                }
        }
    out.meanDistance = count ? distance / static_cast<double>(count) : 0;
    out.covered = static_cast<double>(std::count(covered.begin(), covered.end(), 1)) /
                  static_cast<double>(covered.size());
    out.medians.strokes.clear();
    for (const auto& shape : shapes) {
        hanzi::MedianStroke stroke;
        for (const Point& p : shape) stroke.push_back({p.x, p.y});
        out.medians.strokes.push_back(std::move(stroke));
    }
    return true;
}

struct GlyphShapes::Font {
    FT_Library library = nullptr;
    FT_Face face = nullptr;
    ~Font() {
        if (face)
            FT_Done_Face(face);
        if (library)
            FT_Done_FreeType(library);
    }
};

GlyphShapes::~GlyphShapes() = default;

std::shared_ptr<GlyphShapes> GlyphShapes::open(const std::string& fontPath, std::string& error) {
    std::shared_ptr<GlyphShapes> shapes(new GlyphShapes);
    shapes->font_ = std::make_unique<Font>();
    Font& font = *shapes->font_;
    if (FT_Init_FreeType(&font.library) != 0) {
        error = "cannot start the font library";
        return nullptr;
    }
    if (FT_New_Face(font.library, fontPath.c_str(), 0, &font.face) != 0) {
        error = "cannot read the font " + fontPath + " (is its package installed?)";
        return nullptr;
    }
    if (FT_Set_Pixel_Sizes(font.face, 0, kGlyphPixels) != 0) {
        error = "cannot size the font " + fontPath;
        return nullptr;
    }
    return shapes;
}

bool GlyphShapes::render(std::uint32_t codepoint, GlyphBitmap& ink) const {
    std::lock_guard<std::mutex> lock(mutex_);
    FT_Face face = font_->face;
    FT_UInt index = FT_Get_Char_Index(face, codepoint);
    if (index == 0 || FT_Load_Glyph(face, index, FT_LOAD_RENDER | FT_LOAD_NO_HINTING) != 0)
        return false;
    const FT_Bitmap& bitmap = face->glyph->bitmap;
    if (bitmap.pixel_mode != FT_PIXEL_MODE_GRAY)
        return false;
    // The font's baseline sits where the centre-line data has its own (900 units from the top).
    const int baselineRow = static_cast<int>(hanzi::kDataTop / kGlyphCell);
    ink = GlyphBitmap{};
    bool any = false;
    for (unsigned r = 0; r < bitmap.rows; ++r)
        for (unsigned c = 0; c < bitmap.width; ++c) {
            int x = face->glyph->bitmap_left + static_cast<int>(c);
            int y = baselineRow - face->glyph->bitmap_top + static_cast<int>(r);
            if (x < 0 || y < 0 || x >= kGlyphPixels || y >= kGlyphPixels ||
                bitmap.buffer[static_cast<std::ptrdiff_t>(r) * bitmap.pitch + c] < 128)
                continue;
            ink.ink[static_cast<std::size_t>(y * kGlyphPixels + x)] = 1;
            any = true;
        }
    return any;
}

bool GlyphShapes::fit(const hanzi::HanziMedians& medians, std::uint32_t codepoint,
                      hanzi::HanziMedians& out) const {
    {
        std::lock_guard<std::mutex> lock(mutex_);
        auto found = fitted_.find(codepoint);
        if (found != fitted_.end()) {
            if (found->second)
                out = *found->second;
            return found->second != nullptr;
        }
    }
    GlyphBitmap ink;
    StrokeFit fit;
    std::shared_ptr<const hanzi::HanziMedians> result;
    if (render(codepoint, ink) && fitStrokes(medians, thinInk(ink), fit) &&
        fit.meanDistance <= kMaxMeanDistance && fit.covered >= kMinCovered)
        result = std::make_shared<const hanzi::HanziMedians>(std::move(fit.medians));
    std::lock_guard<std::mutex> lock(mutex_);
    fitted_.emplace(codepoint, result);
    if (result)
        out = *result;
    return result != nullptr;
}

}  // namespace training
