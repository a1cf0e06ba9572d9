#include "text/text_operations.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>

namespace {

bool isLeadByte(char c) {
    return static_cast<unsigned char>(c) >= 0x80;
}

char foldAscii(char c) {
    return (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
}

bool matchesAt(const Text& text, std::size_t at, const Text& sought, bool ignoreCase) {
    for (std::size_t i = 0; i < sought.size(); ++i) {
        char a = text[at + i];
        char b = sought[i];
        if (ignoreCase ? foldAscii(a) != foldAscii(b) : a != b) {
            return false;
        }
    }
    return true;
}

// Width of the character starting at `at`: two for a lead byte with a trail byte after it.
// A lead byte at the very end counts as one, as there is nothing to pair it with.
std::size_t characterWidth(const Text& text, std::size_t at) {
    return (isLeadByte(text[at]) && at + 1 < text.size()) ? 2 : 1;
}

// `start` (1-based, below 1 counting as 1) as a 0-based offset.
std::size_t offsetOf(int start) {
    return start < 1 ? 0 : static_cast<std::size_t>(start) - 1;
}

}  // namespace

int textLength(const Text& text) {
    return static_cast<int>(text.size());
}

Text midText(const Text& text, int start, int length) {
    if (start < 1 || length < 1 || static_cast<std::size_t>(start) > text.size()) {
        return Text();
    }
    return text.substr(static_cast<std::size_t>(start) - 1, static_cast<std::size_t>(length));
}

int findText(const Text& text, const Text& sought, int start, bool ignoreCase) {
    std::size_t at = offsetOf(start);
    if (at >= text.size()) {
        return -1;  // nothing remains, whatever is sought
    }
    if (sought.empty()) {
        return 1;
    }
    while (text.size() - at >= sought.size()) {
        if (matchesAt(text, at, sought, ignoreCase)) {
            return static_cast<int>(at + 1);
        }
        if (isLeadByte(text[at]) && at + 1 >= text.size()) {
            break;  // a lead byte without its trail byte ends the text
        }
        at += isLeadByte(text[at]) ? 2 : 1;
    }
    return -1;
}

Text replaceText(const Text& text, const Text& sought, const Text& replacement, int start,
                 int count, bool caseSensitive) {
    std::size_t at = offsetOf(start);
    if (text.empty() || sought.empty() || at >= text.size() || count == 0) {
        return text;
    }
    Text out = text.substr(0, at);
    int replaced = 0;
    while (text.size() - at >= sought.size()) {
        if (matchesAt(text, at, sought, !caseSensitive)) {
            out += replacement;
            at += sought.size();
            ++replaced;
            if (count > 0 && replaced == count) {
                break;
            }
        } else {
            std::size_t width = characterWidth(text, at);
            out.append(text, at, width);
            at += width;
        }
    }
    out.append(text, at, Text::npos);
    return out;
}

Array<Text> splitText(const Text& text, const Text& delimiter, int maximum) {
    Array<Text> parts;
    if (maximum <= 0 || text.empty()) {
        return parts;
    }
    if (delimiter.empty()) {
        parts.append(text);
        return parts;
    }
    std::size_t pieceStart = 0;
    std::size_t at = 0;
    while (at < text.size() && text.size() - at >= delimiter.size()) {
        if (matchesAt(text, at, delimiter, false)) {
            parts.append(text.substr(pieceStart, at - pieceStart));
            if (parts.count() == maximum) {
                return parts;
            }
            at += delimiter.size();
            pieceStart = at;
        } else {
            at += characterWidth(text, at);
        }
    }
    if (pieceStart < text.size()) {
        parts.append(text.substr(pieceStart));
    }
    return parts;
}

Text blankText(int count) {
    return count < 1 ? Text() : Text(static_cast<std::size_t>(count), ' ');
}

ByteString textToBytes(const Text& text) {
    return ByteString(text.data(), text.size());
}

ByteString textToBytes(std::int32_t value) {
    std::uint32_t bits = static_cast<std::uint32_t>(value);
    std::uint8_t bytes[4];
    for (int i = 0; i < 4; ++i) {
        bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
    return ByteString(bytes, sizeof bytes);
}

ByteString textToBytes(double value) {
    std::uint64_t bits;
    static_assert(sizeof bits == sizeof value, "double is 8 bytes");
    std::memcpy(&bits, &value, sizeof bits);
    std::uint8_t bytes[8];
    for (int i = 0; i < 8; ++i) {
        bytes[i] = static_cast<std::uint8_t>(bits >> (8 * i));
    }
    return ByteString(bytes, sizeof bytes);
}

int bytesLength(const ByteString& bytes) {
    return static_cast<int>(bytes.size());
}

ByteString midBytes(const ByteString& bytes, int start, int length) {
    std::size_t at = offsetOf(start);
    if (at > bytes.size()) {
        at = bytes.size();
    }
    std::size_t wanted = length < 0 ? 0 : static_cast<std::size_t>(length);
    std::size_t taken = std::min(wanted, bytes.size() - at);
    return ByteString(bytes.data() + at, taken);
}

int findBytes(const ByteString& bytes, const ByteString& sought, int start) {
    std::size_t at = offsetOf(start);
    if (sought.empty() || at > bytes.size() || sought.size() > bytes.size() - at) {
        return -1;
    }
    for (; bytes.size() - at >= sought.size(); ++at) {
        if (std::memcmp(bytes.data() + at, sought.data(), sought.size()) == 0) {
            return static_cast<int>(at + 1);
        }
    }
    return -1;
}

Text bytesToText(const ByteString& bytes) {
    const char* data = reinterpret_cast<const char*>(bytes.data());
    const void* zero = std::memchr(data, 0, bytes.size());
    std::size_t length = zero == nullptr
                             ? bytes.size()
                             : static_cast<std::size_t>(static_cast<const char*>(zero) - data);
    return Text(data, length);
}

Text valueToText(std::int32_t value) {
    return std::to_string(value);
}

Text valueToText(double value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.13g", value);
    return buffer;
}

Text valueToText(float value) {
    char buffer[64];
    std::snprintf(buffer, sizeof buffer, "%.6g", static_cast<double>(value));
    return buffer;
}

Text valueToText(bool value) {
    return value ? "真" : "假";
}

Text valueToText(const ByteString& value) {
    return bytesToText(value);
}

double absoluteValue(double value) {
    return value >= 0 ? value : -value;
}

std::int32_t realToInteger(double value) {
    if (std::isnan(value)) {
        return 0;
    }
    if (value >= 2147483647.0) {
        return std::numeric_limits<std::int32_t>::max();
    }
    if (value <= -2147483648.0) {
        return std::numeric_limits<std::int32_t>::min();
    }
    return static_cast<std::int32_t>(value);
}
