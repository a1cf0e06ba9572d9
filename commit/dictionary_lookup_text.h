#pragma once

// The portable half of the online dictionary lookup: the request URL, cutting the pinyin and
// the Wubi code out of the fetched page, and the information lines the lookup shows. The
// worker thread, the fetch and the label writes live in the Windows layer.

#include <vector>

#include "text/text_operations.h"

// The page markers, GBK: "查找拼音为【" (12 bytes) and "查找86版五笔编码为【" (20 bytes).
extern const char kPinyinMarker[];
extern const char kWubiMarker[];
// Bytes taken after a marker; the value ends at the first "】" on a character boundary.
constexpr int kMarkedValueWindow = 20;

// "http://" + host + the dictionary page path + the keyword + ",,,,,,,". The keyword's GBK
// bytes go in as they are (no percent-encoding).
Text dictionaryLookupUrl(const Text& host, const Text& keyword);

// Cuts the value after the first occurrence of `marker` in `page` (plain byte search, so a
// match may start inside a two-byte character): the window of kMarkedValueWindow bytes after
// it, up to its first zero byte, up to the first "】" found character by character. A window
// cut in the middle of a two-byte character keeps the lone lead byte. Returns false when the
// page does not hold the marker; `value` is then left empty.
bool cutMarkedValue(const ByteString& page, const Text& marker, Text& value);

// The information lines the lookup shows, in order, for the committed text and the fetched
// page (empty after a failed fetch). Each line is complete in itself, built from the caller's
// own copy of the committed text, so a later commit or another lookup's write to the label
// cannot leak into it:
//   - page without the pinyin marker: one line, "没有找到本字：" + text;
//   - otherwise: text + "  拼音：" + pinyin, then that line + "  五笔：" + wubi.
// A marker followed by nothing (empty window, a zero byte or "】" right after it) gives an
// empty value after its label: the page did name the field, so the label stays.
// A page with the pinyin marker but no Wubi marker gives the pinyin line only: an empty
// "  五笔：" would claim the site listed an empty code.
std::vector<Text> dictionaryLookupLines(const Text& committedText, const ByteString& page);
