#include "symbol_shapes.h"

#include "file_parsing.h"

#include <cctype>
#include <fstream>
#include <set>
#include <sstream>
#include <utility>

namespace training {
namespace {

constexpr int kBoxSide = static_cast<int>(hanzi::kDataBox);

std::string trimmed(const std::string& text) {
    const char* space = " \t\r";
    std::size_t first = text.find_first_not_of(space);
    if (first == std::string::npos)
        return "";
    return text.substr(first, text.find_last_not_of(space) - first + 1);
}

// Whole numbers only: a sign or a decimal point in the file is a slip, not a coordinate.
bool readWhole(const std::string& text, int& value) {
    if (text.empty() || text.size() > 6)
        return false;
    value = 0;
    for (char c : text) {
        if (!std::isdigit(static_cast<unsigned char>(c)))
            return false;
        value = value * 10 + (c - '0');
    }
    return true;
}

// "U+" and four to six hex digits naming a Unicode scalar value.
bool readCodepoint(const std::string& text, std::uint32_t& value) {
    if (text.size() < 6 || text.size() > 8 || text.compare(0, 2, "U+") != 0)
        return false;
    for (std::size_t i = 2; i < text.size(); ++i)
        if (!std::isxdigit(static_cast<unsigned char>(text[i])))
            return false;
    value = static_cast<std::uint32_t>(std::stoul(text.substr(2), nullptr, 16));
    return value <= 0x10FFFF && (value < 0xD800 || value > 0xDFFF);
}

bool isName(const std::string& name) {
    if (name.empty())
        return false;
    for (char c : name)
        if (!std::isalnum(static_cast<unsigned char>(c)) && c != '-' && c != '_')
            return false;
    return true;
}

bool readStroke(const std::string& text, hanzi::MedianStroke& stroke, std::string& error) {
    std::istringstream words(text);
    std::string word;
    while (words >> word) {
        std::size_t comma = word.find(',');
        int x = 0, y = 0;
        if (comma == std::string::npos || !readWhole(word.substr(0, comma), x) ||
            !readWhole(word.substr(comma + 1), y)) {
            error = "\"" + word + "\" is not a point x,y of whole numbers";
            return false;
        }
        if (x > kBoxSide || y > kBoxSide) {
            error = "point " + word + " lies outside the 1024 box";
            return false;
        }
        stroke.push_back({static_cast<double>(x), static_cast<double>(y)});
    }
    if (stroke.size() < 2) {
        // A lone point gives the hand no direction to write in; a dot is a short dash.
        error = stroke.empty() ? "empty stroke" : "a stroke of one point";
        return false;
    }
    return true;
}

bool readVariant(const std::string& line, SymbolVariant& variant, std::string& error) {
    std::size_t colon = line.find(':');
    if (colon == std::string::npos) {
        error = "expected \"U+XXXX name: x,y x,y ; x,y ...\"";
        return false;
    }
    std::istringstream head(line.substr(0, colon));
    std::string code, extra;
    head >> code >> variant.name;
    if (!readCodepoint(code, variant.codepoint)) {
        error = "\"" + code + "\" is not a code point U+XXXX";
        return false;
    }
    if (!isName(variant.name) || head >> extra) {
        error = "expected one variant name (letters, digits, - or _) before ':'";
        return false;
    }
    std::string strokes = line.substr(colon + 1);
    for (std::size_t start = 0;;) {
        std::size_t end = strokes.find(';', start);
        hanzi::MedianStroke stroke;
        if (!readStroke(strokes.substr(start, end - start), stroke, error))
            return false;
        variant.shape.strokes.push_back(std::move(stroke));
        if (end == std::string::npos)
            return true;
        start = end + 1;
    }
}

}  // namespace

bool readSymbolShapes(const std::string& text, std::vector<SymbolVariant>& out,
                      std::string& error) {
    out.clear();
    std::set<std::pair<std::uint32_t, std::string>> seen;
    std::istringstream lines(text);
    std::string line;
    for (int number = 1; std::getline(lines, line); ++number) {
        std::string content = trimmed(line.substr(0, line.find('#')));
        if (content.empty())
            continue;
        SymbolVariant variant;
        std::string problem;
        bool ok = readVariant(content, variant, problem);
        // The same name twice is a copied line whose first copy was meant to change.
        if (ok && !seen.insert({variant.codepoint, variant.name}).second) {
            ok = false;
            problem = "variant \"" + variant.name + "\" given twice for this code point";
        }
        if (!ok) {
            out.clear();
            error = "line " + std::to_string(number) + ": " + problem;
            return false;
        }
        out.push_back(std::move(variant));
    }
    return true;
}

bool loadSymbolShapes(const std::string& path, std::vector<SymbolVariant>& out,
                      std::string& error) {
    out.clear();
    return parseFile(path, error,
                     [&](const std::string& text) { return readSymbolShapes(text, out, error); });
}

}  // namespace training
