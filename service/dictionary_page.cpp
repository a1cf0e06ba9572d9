#include "dictionary_page.h"

#include <algorithm>

#include "dictionary_table.h"

namespace service {
namespace {

// Narrow literals are compiled to GBK, which is what the page is served in.
constexpr const char* kPinyinMarker = "查找拼音为【";
constexpr const char* kWubiMarker = "查找86版五笔编码为【";
constexpr const char* kValueEnd = "】";

// Keeps a value from closing the page's markup or its own bracket early.
std::string htmlText(std::string_view s) {
    std::string out;
    for (char c : s) {
        switch (c) {
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '&':
                out += "&amp;";
                break;
            default:
                out += c;
        }
    }
    return out;
}

std::string pageStart(const std::string& title) {
    return "<!DOCTYPE html>\r\n<html><head><meta http-equiv=\"Content-Type\" content=\"text/html; "
           "charset=gbk\"><title>" +
           title + "</title></head><body>\r\n";
}

// Symbols the recogniser offers besides hanzi: ASCII (a '+' arrives as the space form decoding
// makes of it) and GBK's rows of full-width punctuation and signs. The panel types '#' into the
// lookup's address, where it starts a fragment that never leaves the panel: the keyword arrives
// empty.
bool isSymbol(std::string_view keyword) {
    if (keyword.empty())
        return true;
    auto lead = static_cast<unsigned char>(keyword[0]);
    if (lead >= 0x20 && lead < 0x7F)
        return true;
    return keyword.size() >= 2 && lead >= 0xA1 && lead <= 0xA9 &&
           static_cast<unsigned char>(keyword[1]) >= 0xA1;
}

}  // namespace

std::optional<CharacterInfo> lookUpCharacter(std::string_view keyword) {
    if (keyword.size() < 2)
        return std::nullopt;
    auto lead = static_cast<unsigned char>(keyword[0]);
    auto trail = static_cast<unsigned char>(keyword[1]);
    if (lead < 0x81 || lead == 0xFF || trail < 0x40 || trail == 0x7F || trail == 0xFF)
        return std::nullopt;
    std::uint16_t code = static_cast<std::uint16_t>((lead << 8) | trail);
    const DictionaryEntry* begin = kDictionaryEntries;
    const DictionaryEntry* end = kDictionaryEntries + kDictionaryEntryCount;
    const DictionaryEntry* found = std::lower_bound(
        begin, end, code, [](const DictionaryEntry& e, std::uint16_t c) { return e.gbk < c; });
    if (found == end || found->gbk != code)
        return std::nullopt;
    return CharacterInfo{std::string(keyword.substr(0, 2)), found->pinyin, found->wubi86};
}

DictionaryPage dictionaryPage(std::string_view keyword) {
    DictionaryPage page;
    std::optional<CharacterInfo> info = lookUpCharacter(keyword);
    if (!info && isSymbol(keyword)) {
        // A symbol has neither reading nor code: both fields named and empty, so the panel shows
        // the symbol with empty pinyin and Wubi rather than "not found".
        page.found = true;
        page.html = pageStart("符号 - 字典") + "<p>" + kPinyinMarker + kValueEnd + "</p>\r\n<p>" +
                    kWubiMarker + kValueEnd + "</p>\r\n</body></html>\r\n";
        return page;
    }
    if (!info || (info->pinyin.empty() && info->wubi86.empty())) {
        page.html = pageStart("字典") + "<p>没有找到该字。</p>\r\n</body></html>\r\n";
        return page;
    }
    page.found = true;
    page.html = pageStart(info->character + " - 字典") + "<h1>" + info->character + "</h1>\r\n";
    if (!info->pinyin.empty())
        page.html +=
            std::string("<p>") + kPinyinMarker + htmlText(info->pinyin) + kValueEnd + "</p>\r\n";
    if (!info->wubi86.empty())
        page.html +=
            std::string("<p>") + kWubiMarker + htmlText(info->wubi86) + kValueEnd + "</p>\r\n";
    page.html += "</body></html>\r\n";
    return page;
}

}  // namespace service
