// The character dictionary page: GET /Common/XinHuaZiDian/Default.aspx?...&Keyword=<GBK>
// answers with a small GBK page for the keyword's first character. The panel cuts the values
// after the markers "查找拼音为【" and "查找86版五笔编码为【", each up to "】".
#pragma once

#include <optional>
#include <string>
#include <string_view>

namespace service {

constexpr const char* kDictionaryPath = "/Common/XinHuaZiDian/Default.aspx";

struct CharacterInfo {
    std::string character;  // its two GBK bytes
    std::string pinyin;     // GBK, may be empty
    std::string wubi86;     // may be empty
};

// Looks up the first character of a GBK keyword; nothing for ASCII, a cut-off lead byte or
// a character the table does not hold.
std::optional<CharacterInfo> lookUpCharacter(std::string_view gbkKeyword);

struct DictionaryPage {
    bool found = false;
    std::string html;  // GBK
};

// A symbol's keyword (ASCII, GBK's punctuation rows, or empty: see the .cpp) gets a page whose
// pinyin and Wubi are both empty; an unknown or cut character a page without either marker.
DictionaryPage dictionaryPage(std::string_view gbkKeyword);

}  // namespace service
