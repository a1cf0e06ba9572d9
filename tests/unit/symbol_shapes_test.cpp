#include "symbol_shapes.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <cstdio>
#include <map>
#include <set>
#include <string_view>

namespace {

using training::SymbolVariant;

// Every symbol written besides hanzi, with the look-alikes 〇 and ×.
const std::u32string kSymbols =
    U"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz+-=%@#*/."
    U"，。、；：？！“”‘’（）《》…·—〇×";

struct Extent {
    double left = 1e9, top = 1e9, right = -1e9, bottom = -1e9;
    double width() const { return right - left; }
    double height() const { return bottom - top; }
};
Extent extentOf(const std::vector<hanzi::MedianStroke>& strokes) {
    Extent e;
    for (const auto& stroke : strokes)
        for (const auto& p : stroke) {
            e.left = std::min(e.left, p.x), e.right = std::max(e.right, p.x);
            e.top = std::min(e.top, p.y), e.bottom = std::max(e.bottom, p.y);
        }
    return e;
}

std::string label(char32_t symbol, const std::string& name) {
    char code[16];
    std::snprintf(code, sizeof code, "U+%04X ", static_cast<unsigned>(symbol));
    return code + name;
}

const std::vector<SymbolVariant>& shipped() {
    static const std::vector<SymbolVariant> symbols = [] {
        std::vector<SymbolVariant> out;
        std::string error;
        EXPECT_TRUE(training::loadSymbolShapes(TRAINING_DIR "/symbol-shapes.txt", out, error))
            << error;
        return out;
    }();
    return symbols;
}

std::vector<const SymbolVariant*> formsOf(char32_t symbol) {
    std::vector<const SymbolVariant*> forms;
    for (const SymbolVariant& v : shipped())
        if (v.codepoint == static_cast<std::uint32_t>(symbol))
            forms.push_back(&v);
    return forms;
}

TEST(SymbolShapes, ReadsFormsStrokesAndComments) {
    std::vector<SymbolVariant> out;
    std::string error;
    ASSERT_TRUE(training::readSymbolShapes(
        "# four\n\nU+0034 open: 375,160 355,640 705,640 ; 610,160 600,870  # two strokes\n"
        "U+FF0C straight:1024,0 0,1024\r\n",
        out, error))
        << error;
    ASSERT_EQ(out.size(), 2u);
    EXPECT_EQ(out[0].codepoint, 0x34u);
    EXPECT_EQ(out[0].name, "open");
    ASSERT_EQ(out[0].shape.strokes.size(), 2u);
    EXPECT_EQ(out[0].shape.strokes[0].size(), 3u);
    EXPECT_EQ(out[0].shape.strokes[1][1].y, 870.0);
    EXPECT_EQ(out[1].codepoint, 0xFF0Cu);
    EXPECT_EQ(out[1].shape.strokes[0][0].x, 1024.0);
}

TEST(SymbolShapes, RefusesAMalformedLineNamingIt) {
    const char* bad[] = {
        "U+0031 plain 500,160 500,870",          // no ':'
        "0031 plain: 500,160 500,870",           // no U+
        "U+31 plain: 500,160 500,870",           // too few digits
        "U+0031: 500,160 500,870",               // no name
        "U+0031 with flag: 500,160 500,870",     // a name with a space
        "U+0031 flag: 500,160 500,1025",         // outside the box
        "U+0031 flag: 500,-1 500,870",           // negative
        "U+0031 flag: 500,160.5 500,870",        // not whole
        "U+0031 flag: 500;160 500,870",          // ';' for ','
        "U+0031 flag: 500,160 500,870 ;",        // empty last stroke
        "U+0031 flag: 500,160 ; ; 500,870 9,9",  // empty stroke between
        "U+0031 flag: 500,160",                  // a dot as one point
        "U+0031 plain: 500,160 500,870",         // the same form twice
    };
    for (const char* line : bad) {
        std::vector<SymbolVariant> out;
        std::string error;
        EXPECT_FALSE(training::readSymbolShapes(
            std::string("# one\nU+0031 plain: 500,160 500,870\n") + line + "\n", out, error))
            << line;
        EXPECT_EQ(error.rfind("line 3: ", 0), 0u) << line << " -> " << error;
        EXPECT_TRUE(out.empty()) << line;
    }
}

TEST(SymbolShapes, ShippedFileHasEverySymbolAndTheFormsPeopleWrite) {
    for (char32_t symbol : kSymbols) EXPECT_FALSE(formsOf(symbol).empty()) << label(symbol, "");
    for (const SymbolVariant& v : shipped())
        EXPECT_NE(kSymbols.find(static_cast<char32_t>(v.codepoint)), std::u32string::npos)
            << label(v.codepoint, v.name) << " is not one of the symbols";

    const std::map<char32_t, std::set<std::string>> named = {{U'4', {"closed", "open"}},
                                                             {U'7', {"plain", "bar"}},
                                                             {U'a', {"one-storey", "two-storey"}},
                                                             {U'g', {"one-storey", "two-storey"}},
                                                             {U'1', {"plain", "flag", "flag-foot"}},
                                                             {U'“', {"ticks", "dots"}},
                                                             {U'”', {"ticks", "dots"}},
                                                             {U'‘', {"tick", "dot"}},
                                                             {U'’', {"tick", "dot"}}};
    for (const auto& [symbol, names] : named) {
        std::set<std::string> have;
        for (const SymbolVariant* v : formsOf(symbol)) have.insert(v->name);
        for (const std::string& name : names) EXPECT_TRUE(have.count(name)) << label(symbol, name);
    }
    // ？ and ！ end with their dot: a short last stroke below everything written before it.
    for (char32_t symbol : {U'？', U'！'})
        for (const SymbolVariant* v : formsOf(symbol)) {
            auto strokes = v->shape.strokes;
            ASSERT_GE(strokes.size(), 2u);
            Extent dot = extentOf({strokes.back()});
            strokes.pop_back();
            EXPECT_LT(std::max(dot.width(), dot.height()), 60);
            EXPECT_GT(dot.top, extentOf(strokes).bottom);
        }
}

TEST(SymbolShapes, ShippedFormsHaveTheSizeAndPlaceTheyAreWrittenAt) {
    for (const SymbolVariant& v : shipped()) {
        Extent e = extentOf(v.shape.strokes);
        auto among = [&](std::u32string_view symbols) {
            return symbols.find(static_cast<char32_t>(v.codepoint)) != std::u32string_view::npos;
        };
        std::string what = label(v.codepoint, v.name);
        // 。，、 and . are told from 0, 丿, 丶 by being small and low.
        if (among(U"。，、.")) {
            EXPECT_LT(std::max(e.width(), e.height()), 260) << what;
            EXPECT_GT(e.top, 512) << what;
        }
        if (among(U"0123456789ABCDEFGHIJKLMNOPQRSTUVWXYZ")) {
            EXPECT_GT(e.height(), 500) << what;
        }
        // Letters of x-height only, so that c, o, s, x ... stay smaller than C, O, S, X ...
        if (among(U"acemnorsuvwxz")) {
            EXPECT_TRUE(e.top > 330 && e.height() < 560) << what;
        }
        if (among(U"“”‘’")) {
            EXPECT_LT(e.bottom, 350) << what;
        }
        if (among(U"〇")) {
            EXPECT_GT(std::min(e.width(), e.height()), 500) << what;
        }
        if (among(U"×")) {
            EXPECT_LT(std::max(e.width(), e.height()), 400) << what;
        }
        if (among(U"—")) {
            EXPECT_TRUE(e.width() > 800 && e.height() < 60) << what;
        }
        // Round ones are written counter-clockwise on the screen: with y downward the signed
        // area of the first stroke is negative.
        if (among(U"0OoCc〇。")) {
            const auto& s = v.shape.strokes[0];
            double area = 0;
            for (std::size_t i = 0; i + 1 < s.size(); ++i)
                area += s[i].x * s[i + 1].y - s[i + 1].x * s[i].y;
            EXPECT_LT(area, 0) << what;
        }
    }
}

}  // namespace
