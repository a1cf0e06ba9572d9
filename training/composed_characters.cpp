#include "composed_characters.h"

#include <algorithm>
#include <cstdlib>
#include <map>
#include <sstream>

#include "file_parsing.h"
#include "mouse_writing.h"

namespace training {
namespace {

// Where characters sit in the data's box (y downward): its centre lines' usual extent.
constexpr double kFrameLeft = 110, kFrameRight = 914, kFrameTop = 100, kFrameBottom = 900;
// Space kept between neighbouring parts, and how far a part may be stretched out of its own
// proportions to fill its box (a flat 日 above 文 in 旻, a narrow 王 beside 月 in 玥).
constexpr double kGap = 14, kMostStretch = 1.6;

struct Box {
    double left, right, top, bottom;  // fractions of the frame
};

struct Layout {
    const char* name;
    int parts;  // components named on the line
    bool enclosure;
};
constexpr Layout kLayouts[] = {
    {"lr", 2, false},       {"tb", 2, false},         {"lmr", 3, false}, {"tmb", 3, false},
    {"three", 1, false},    {"surround", 2, true},    {"top", 2, true},  {"top-left", 2, true},
    {"top-right", 2, true}, {"bottom-left", 2, true}, {"left", 2, true},
};

// The boxes of a layout's parts, in the order its components are named.
std::vector<Box> boxesOf(const std::string& layout, double split) {
    if (layout == "lr")
        return {{0, split, 0, 1}, {split, 1, 0, 1}};
    if (layout == "tb")
        return {{0, 1, 0, split}, {0, 1, split, 1}};
    const double rest = (1 - split) / 2;
    if (layout == "lmr")
        return {{0, split, 0, 1}, {split, split + rest, 0, 1}, {split + rest, 1, 0, 1}};
    if (layout == "tmb")
        return {{0, 1, 0, split}, {0, 1, split, split + rest}, {0, 1, split + rest, 1}};
    if (layout == "three")
        return {{0.25, 0.75, 0, 0.5}, {0, 0.5, 0.5, 1}, {0.5, 1, 0.5, 1}};
    const Box whole{0, 1, 0, 1};
    if (layout == "surround")
        return {whole, {0.22, 0.78, 0.2, 0.8}};
    if (layout == "top")
        return {whole, {0.25, 0.78, 0.3, 0.95}};
    if (layout == "top-left")
        return {whole, {0.3, 1, 0.3, 1}};
    if (layout == "left")
        return {whole, {0.25, 0.95, 0.2, 0.8}};
    if (layout == "top-right")
        return {whole, {0, 0.75, 0.35, 1}};
    return {whole, {0.3, 1, 0, 0.75}};  // bottom-left
}

// The component's strokes scaled and moved into the box: filling it as far as its proportions
// allow, centred.
std::vector<hanzi::MedianStroke> fit(std::vector<hanzi::MedianStroke> strokes, Box box) {
    double x0 = 1e9, x1 = -1e9, y0 = 1e9, y1 = -1e9;
    for (const auto& stroke : strokes)
        for (const hanzi::MedianPoint& p : stroke) {
            x0 = std::min(x0, p.x), x1 = std::max(x1, p.x);
            y0 = std::min(y0, p.y), y1 = std::max(y1, p.y);
        }
    const double width = kFrameRight - kFrameLeft, height = kFrameBottom - kFrameTop;
    const double left = kFrameLeft + box.left * width + kGap,
                 right = kFrameLeft + box.right * width - kGap;
    const double top = kFrameTop + box.top * height + kGap,
                 bottom = kFrameTop + box.bottom * height - kGap;
    // A part thin along one axis (一, 丨) keeps the other axis' scale there.
    const bool flat = y1 - y0 < 0.15 * (bottom - top), narrow = x1 - x0 < 0.15 * (right - left);
    double sx = (right - left) / std::max(x1 - x0, 1.0),
           sy = (bottom - top) / std::max(y1 - y0, 1.0);
    if (flat)
        sy = sx;
    if (narrow)
        sx = flat ? 1 : sy;
    if (flat && narrow)
        sx = sy = 1;
    sx = std::min(sx, sy * kMostStretch);
    sy = std::min(sy, sx * kMostStretch);
    const double cx = (x0 + x1) / 2, cy = (y0 + y1) / 2;
    const double tx = (left + right) / 2, ty = (top + bottom) / 2;
    for (auto& stroke : strokes)
        for (hanzi::MedianPoint& p : stroke) p = {tx + (p.x - cx) * sx, ty + (p.y - cy) * sy};
    return strokes;
}

// The indices of the data's "radStrokes" member: the strokes of the character's radical.
std::vector<int> radicalStrokes(const std::string& json) {
    std::vector<int> out;
    std::size_t at = json.find("\"radStrokes\"");
    if (at == std::string::npos || (at = json.find('[', at)) == std::string::npos)
        return out;
    const std::size_t end = json.find(']', at);
    std::istringstream numbers(json.substr(at + 1, end - at - 1));
    std::string number;
    while (std::getline(numbers, number, ','))
        if (number.find_first_of("0123456789") != std::string::npos)
            out.push_back(std::atoi(number.c_str()));
    return out;
}

class Composer {
  public:
    explicit Composer(std::string dataDir) : dataDir_(std::move(dataDir)) {}

    // One component's strokes; false with `error` when it cannot be had.
    bool component(const std::string& text, std::vector<hanzi::MedianStroke>& out,
                   std::string& error) {
        const std::size_t bracket = text.find('[');
        const std::string character = text.substr(0, bracket);
        std::string part;
        if (bracket != std::string::npos) {
            if (text.back() != ']') {
                error = "component " + text + " lacks its closing ']'";
                return false;
            }
            part = text.substr(bracket + 1, text.size() - bracket - 2);
        }
        auto composed = composed_.find(character);
        if (composed != composed_.end() && part.empty()) {
            out = composed->second.strokes;
            return true;
        }
        std::string json;
        if (!parseFile(dataDir_ + "/" + character + ".json", error, [&](const std::string& t) {
                json = t;
                return true;
            })) {
            error = "component " + character + " is not in the centre-line data";
            return false;
        }
        hanzi::HanziMedians medians;
        if (!hanzi::parseHanziMedians(json, medians, error))
            return false;
        const int count = static_cast<int>(medians.strokes.size());
        std::vector<bool> take(static_cast<std::size_t>(count), part.empty());
        if (part == "radical" || part == "rest") {
            const std::vector<int> radical = radicalStrokes(json);
            if (radical.empty() || static_cast<int>(radical.size()) == count) {
                error = "the data marks no radical apart from the rest in " + character;
                return false;
            }
            for (int i = 0; i < count; ++i)
                take[static_cast<std::size_t>(i)] = (std::find(radical.begin(), radical.end(), i) !=
                                                     radical.end()) == (part == "radical");
        } else if (!part.empty()) {
            char* end = nullptr;
            const long first = std::strtol(part.c_str(), &end, 10);
            const long last = *end == '-' ? std::strtol(end + 1, &end, 10) : first;
            if (*end != '\0' || first < 1 || last < first || last > count) {
                error = "component " + text + ": " + character + " has strokes 1-" +
                        std::to_string(count) + " (or [radical], [rest])";
                return false;
            }
            for (long i = first - 1; i < last; ++i) take[static_cast<std::size_t>(i)] = true;
        }
        out.clear();
        for (int i = 0; i < count; ++i)
            if (take[static_cast<std::size_t>(i)])
                out.push_back(medians.strokes[static_cast<std::size_t>(i)]);
        return true;
    }

    bool line(const std::string& text, ComposedCharacter& out, std::string& error) {
        std::istringstream fields(text);
        std::string layout, word;
        fields >> out.character >> layout;
        if (out.character.empty() || utf8(firstCodepoint(out.character)) != out.character) {
            error = "\"" + out.character + "\" is not one character";
            return false;
        }
        const Layout* known = nullptr;
        for (const Layout& l : kLayouts)
            if (layout == l.name)
                known = &l;
        if (!known) {
            error = "unknown layout \"" + layout + "\" (lr, tb, lmr, tmb, three, surround, top, " +
                    "top-left, top-right, bottom-left, left)";
            return false;
        }
        std::vector<std::string> components;
        double split = layout == "lmr" || layout == "tmb" ? 1.0 / 3 : 0.5;
        while (fields >> word) {
            if (components.empty() && word.find_first_not_of("0123456789.") == std::string::npos) {
                split = std::atof(word.c_str());
                if (split < 0.2 || split > 0.8) {
                    error = "the split " + word + " is outside 0.2..0.8";
                    return false;
                }
                continue;
            }
            components.push_back(word);
        }
        if (static_cast<int>(components.size()) != known->parts) {
            error = layout + " takes " + std::to_string(known->parts) + " component" +
                    (known->parts == 1 ? "" : "s") + ", not " + std::to_string(components.size());
            return false;
        }
        if (layout == "three")
            components.assign(3, components[0]);
        const std::vector<Box> boxes = boxesOf(layout, split);
        std::vector<std::vector<hanzi::MedianStroke>> parts;
        for (std::size_t i = 0; i < components.size(); ++i) {
            std::vector<hanzi::MedianStroke> strokes;
            if (!component(components[i], strokes, error))
                return false;
            if (strokes.empty()) {
                error = "component " + components[i] + " has no strokes";
                return false;
            }
            parts.push_back(fit(std::move(strokes), boxes[i]));
        }
        auto& strokes = out.medians.strokes;
        strokes.clear();
        if (layout == "bottom-left") {  // 辶 after what it carries
            strokes = parts[1];
            strokes.insert(strokes.end(), parts[0].begin(), parts[0].end());
        } else if (layout == "surround" || layout == "left") {  // 囗's and 匚's bottom closes it
            strokes.assign(parts[0].begin(), parts[0].end() - 1);
            strokes.insert(strokes.end(), parts[1].begin(), parts[1].end());
            strokes.push_back(parts[0].back());
        } else {
            for (const auto& part : parts) strokes.insert(strokes.end(), part.begin(), part.end());
        }
        composed_[out.character] = out.medians;
        return true;
    }

  private:
    std::string dataDir_;
    std::map<std::string, hanzi::HanziMedians> composed_;
};

}  // namespace

bool readCompositions(const std::string& text, const std::string& dataDir,
                      std::vector<ComposedCharacter>& out, std::string& error) {
    out.clear();
    Composer composer(dataDir);
    std::istringstream lines(text);
    std::map<std::string, int> seen;
    int number = 0;
    for (std::string line; std::getline(lines, line);) {
        ++number;
        line = line.substr(0, line.find('#'));
        if (line.find_first_not_of(" \t\r") == std::string::npos)
            continue;
        ComposedCharacter c;
        std::string why;
        if (!composer.line(line, c, why)) {
            error = "line " + std::to_string(number) + ": " + why;
            out.clear();
            return false;
        }
        if (seen.count(c.character)) {
            error = "line " + std::to_string(number) + ": " + c.character +
                    " is composed already on line " + std::to_string(seen[c.character]);
            out.clear();
            return false;
        }
        seen[c.character] = number;
        out.push_back(std::move(c));
    }
    return true;
}

bool loadCompositions(const std::string& path, const std::string& dataDir,
                      std::vector<ComposedCharacter>& out, std::string& error) {
    return parseFile(path, error, [&](const std::string& text) {
        return readCompositions(text, dataDir, out, error);
    });
}

}  // namespace training
