#pragma once

// The text, byte string and number operations every handler shares. Texts are GBK bytes: a
// byte of 0x80 or above leads a two-byte character. Positions and lengths count bytes, and
// positions start at 1; a failed search gives -1.

#include <cstddef>
#include <cstdint>
#include <limits>
#include <string>
#include <vector>

#include "text/array.h"

// A text never holds a zero byte (bytesToText stops at the first one).
using Text = std::string;

// A counted run of bytes that may hold zero bytes: socket data, fetched pages.
class ByteString {
  public:
    ByteString() = default;
    ByteString(const void* data, std::size_t size) : bytes_(static_cast<const char*>(data), size) {}
    explicit ByteString(const std::vector<std::uint8_t>& bytes)
        : bytes_(bytes.begin(), bytes.end()) {}

    std::size_t size() const { return bytes_.size(); }
    bool empty() const { return bytes_.empty(); }
    const std::uint8_t* data() const {
        return reinterpret_cast<const std::uint8_t*>(bytes_.data());
    }
    // Byte at 0-based offset (no bounds check; use midBytes for checked slicing).
    std::uint8_t operator[](std::size_t offset) const {
        return static_cast<std::uint8_t>(bytes_[offset]);
    }

    void append(const void* data, std::size_t size) {
        bytes_.append(static_cast<const char*>(data), size);
    }
    void append(const ByteString& other) { bytes_ += other.bytes_; }

    friend bool operator==(const ByteString& a, const ByteString& b) {
        return a.bytes_ == b.bytes_;
    }
    friend bool operator!=(const ByteString& a, const ByteString& b) { return !(a == b); }

  private:
    std::string bytes_;
};

// Number of bytes.
int textLength(const Text& text);

// At most `length` bytes from `start` on; empty when start < 1, start is past the end or
// length < 1. Blind to two-byte characters, so it may cut one in half.
Text midText(const Text& text, int start, int length);

// Position of `sought` at or after `start`, or -1. The walk steps over two-byte characters
// whole, so a match never starts on a trail byte. An empty `sought` gives 1 when anything
// remains from `start` on, else -1.
int findText(const Text& text, const Text& sought, int start = 1, bool ignoreCase = false);

// Replaces non-overlapping occurrences of `sought` from `start` on; count < 0 means all. Steps
// over two-byte characters as findText does. Case-insensitive (ASCII) unless caseSensitive.
Text replaceText(const Text& text, const Text& sought, const Text& replacement = Text(),
                 int start = 1, int count = -1, bool caseSensitive = false);

// The default of splitText's `maximum`: no limit. A negative maximum gives no element at all.
constexpr int kUnlimitedParts = std::numeric_limits<int>::max();

// Pieces between occurrences of `delimiter` (two-byte characters stepped over whole). Empty
// pieces are kept except a trailing one; an empty text gives no piece, an empty delimiter the
// whole text; at most `maximum` pieces.
Array<Text> splitText(const Text& text, const Text& delimiter = ",", int maximum = kUnlimitedParts);

namespace text_detail {
inline void appendPiece(Text& out, const Text& piece) {
    out += piece;
}
inline void appendPiece(Text& out, const char* piece) {
    if (piece != nullptr) {
        out += piece;
    }
}
}  // namespace text_detail

// Concatenation of every piece; a null `const char*` counts as empty.
template <class... Pieces>
Text joinText(const Pieces&... pieces) {
    Text out;
    (text_detail::appendPiece(out, pieces), ...);
    return out;
}

// `count` spaces; empty for count < 1.
Text blankText(int count);

// The bytes of a text, or the little-endian bytes of a number.
ByteString textToBytes(const Text& text);
ByteString textToBytes(std::int32_t value);
ByteString textToBytes(double value);

int bytesLength(const ByteString& bytes);

// Start is clamped into 1..length+1, a negative length counts as 0, and at most the
// remaining bytes are taken.
ByteString midBytes(const ByteString& bytes, int start, int length);

// Exact byte-for-byte search (no two-byte stepping) at or after `start`; -1 when not found,
// when `sought` is empty or when it is longer than what remains.
int findBytes(const ByteString& bytes, const ByteString& sought, int start = 1);

// The bytes up to the first zero byte (all of them when there is none).
Text bytesToText(const ByteString& bytes);

// "%d" for integers, "%.13g" for doubles (131.0 gives "131"), "%.6g" for floats, "真"/"假"
// for logical values, bytesToText for byte strings.
Text valueToText(std::int32_t value);
Text valueToText(double value);
Text valueToText(float value);
Text valueToText(bool value);
Text valueToText(const ByteString& value);
// A literal would otherwise turn into a logical value silently.
Text valueToText(const char*) = delete;

double absoluteValue(double value);

// Truncation toward zero. Values beyond the 32-bit range saturate and NaN gives 0, so no
// input is undefined behaviour.
std::int32_t realToInteger(double value);
