#include "commit/dictionary_lookup_text.h"

const char kPinyinMarker[] = "查找拼音为【";
const char kWubiMarker[] = "查找86版五笔编码为【";

namespace {

const char kDictionaryPath[] = "/Common/XinHuaZiDian/Default.aspx?MatchAll=False&Keyword=";
const char kKeywordTail[] = ",,,,,,,";
const char kValueEnd[] = "】";
const char kNotFoundPrefix[] = "没有找到本字：";
const char kPinyinLabel[] = "  拼音：";
const char kWubiLabel[] = "  五笔：";

}  // namespace

Text dictionaryLookupUrl(const Text& host, const Text& keyword) {
    return joinText("http://", host, kDictionaryPath, keyword, kKeywordTail);
}

bool cutMarkedValue(const ByteString& page, const Text& marker, Text& value) {
    value.clear();
    int at = findBytes(page, textToBytes(marker));
    if (at < 0) {
        return false;
    }
    Text window = bytesToText(midBytes(page, at + textLength(marker), kMarkedValueWindow));
    Array<Text> pieces = splitText(window, kValueEnd);
    if (pieces.count() > 0) {
        value = pieces[1];
    }
    return true;
}

std::vector<Text> dictionaryLookupLines(const Text& committedText, const ByteString& page) {
    Text pinyin;
    if (!cutMarkedValue(page, kPinyinMarker, pinyin)) {
        return {joinText(kNotFoundPrefix, committedText)};
    }
    Text pinyinLine = joinText(committedText, kPinyinLabel, pinyin);
    Text wubi;
    if (!cutMarkedValue(page, kWubiMarker, wubi)) {
        return {pinyinLine};
    }
    return {pinyinLine, joinText(pinyinLine, kWubiLabel, wubi)};
}
