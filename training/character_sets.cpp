#include "character_sets.h"

#include <iconv.h>

#include <set>

#include "composed_characters.h"
#include "mouse_writing.h"
#include "symbol_shapes.h"

namespace training {

bool parseCharacterSet(const std::string& text, CharacterSet& out, std::string& error) {
    out = {};
    std::vector<std::string> parts;
    for (std::size_t at = 0;;) {
        std::size_t plus = text.find('+', at);
        parts.push_back(text.substr(at, plus == std::string::npos ? plus : plus - at));
        if (plus == std::string::npos)
            break;
        at = plus + 1;
    }
    out.levels = parts[0];
    for (char level : out.levels)
        if (level != '1' && level != '2' && level != 'g') {
            error = "characters \"" + text + "\": '" + std::string(1, level) +
                    "' is no set (1 and 2: the GB2312 levels, g: the rest of GBK)";
            return false;
        }
    if (parts.size() > 3) {
        error = "characters \"" + text + "\": at most a symbols' file and a compositions file";
        return false;
    }
    if (parts.size() > 1)
        out.symbolShapes = parts[1];
    if (parts.size() > 2)
        out.compositions = parts[2];
    return true;
}

std::vector<std::string> gbkHanziBeyondGb2312() {
    std::set<std::string> gb2312;
    for (int level : {1, 2})
        for (std::string& c : gb2312Hanzi(level)) gb2312.insert(std::move(c));
    std::vector<std::string> out;
    iconv_t cd = iconv_open("UTF-8", "GBK");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return out;
    for (unsigned lead = 0x81; lead <= 0xFE; ++lead)
        for (unsigned trail = 0x40; trail <= 0xFE; ++trail) {
            if (trail == 0x7F)
                continue;
            char in[2] = {static_cast<char>(lead), static_cast<char>(trail)};
            char buffer[8];
            char* inPtr = in;
            char* outPtr = buffer;
            std::size_t inLeft = 2, outLeft = sizeof buffer;
            iconv(cd, nullptr, nullptr, nullptr, nullptr);
            if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1))
                continue;
            std::string c(buffer, outPtr);
            const std::uint32_t cp = firstCodepoint(c);
            const bool ideograph = (cp >= 0x3400 && cp <= 0x4DBF) ||
                                   (cp >= 0x4E00 && cp <= 0x9FFF) || (cp >= 0xF900 && cp <= 0xFAFF);
            if (ideograph && !gb2312.count(c))
                out.push_back(std::move(c));
        }
    iconv_close(cd);
    return out;
}

bool loadCharacterSet(const std::string& dataDir, const CharacterSet& set, WrittenForms& out,
                      std::string& error) {
    out = {};
    for (char level : set.levels) {
        const std::vector<std::string> hanzi =
            level == 'g' ? gbkHanziBeyondGb2312() : gb2312Hanzi(level - '0');
        for (const std::string& c : hanzi) {
            hanzi::HanziMedians m;
            std::string missing;
            if (!hanzi::loadHanziMedians(dataDir, c, m, missing))
                continue;
            out.characters.push_back(c);
            out.forms.push_back({std::move(m)});
        }
    }
    if (!set.symbolShapes.empty()) {
        std::vector<SymbolVariant> symbols;
        if (!loadSymbolShapes(set.symbolShapes, symbols, error))
            return false;
        const std::size_t firstSymbol = out.characters.size();
        for (const SymbolVariant& symbol : symbols) {
            std::string c = utf8(symbol.codepoint);
            if (out.characters.size() == firstSymbol || out.characters.back() != c) {
                out.characters.push_back(c);
                out.forms.emplace_back();
            }
            out.forms.back().push_back(symbol.shape);
        }
    }
    if (!set.compositions.empty()) {
        std::vector<ComposedCharacter> composed;
        if (!loadCompositions(set.compositions, dataDir, composed, error))
            return false;
        std::set<std::string> known(out.characters.begin(), out.characters.end());
        for (ComposedCharacter& c : composed) {
            hanzi::HanziMedians drawn;
            std::string missing;
            if (known.count(c.character) ||
                hanzi::loadHanziMedians(dataDir, c.character, drawn, missing))
                continue;  // the data's own centre lines come first
            out.characters.push_back(c.character);
            out.forms.push_back({std::move(c.medians)});
            ++out.composed;
        }
    }
    return true;
}

}  // namespace training
