#include "commit/reference_value.h"

#include <cstdint>
#include <limits>

namespace {

bool isWhiteSpace(char c) {
    return c == ' ' || c == '\t' || c == '\n' || c == '\v' || c == '\f' || c == '\r';
}

}  // namespace

int leadingInteger(const Text& entry) {
    std::size_t at = 0;
    while (at < entry.size() && isWhiteSpace(entry[at])) {
        ++at;
    }
    bool negative = false;
    if (at < entry.size() && (entry[at] == '+' || entry[at] == '-')) {
        negative = entry[at] == '-';
        ++at;
    }
    // Accumulate the magnitude in 64 bits and stop growing it past the 32-bit range.
    const std::int64_t limit = std::int64_t{std::numeric_limits<int>::max()} + 1;
    std::int64_t magnitude = 0;
    for (; at < entry.size() && entry[at] >= '0' && entry[at] <= '9'; ++at) {
        if (magnitude <= limit) {
            magnitude = magnitude * 10 + (entry[at] - '0');
        }
    }
    if (negative) {
        return magnitude >= limit ? std::numeric_limits<int>::min() : static_cast<int>(-magnitude);
    }
    return magnitude >= limit ? std::numeric_limits<int>::max() : static_cast<int>(magnitude);
}

int clampReferenceValue(int value) {
    if (value > kReferenceValueMaximum) {
        return kReferenceValueMaximum;
    }
    if (value < kReferenceValueMinimum) {
        return kReferenceValueMinimum;
    }
    return value;
}

int referenceValueFromEntry(const Text& entry) {
    return clampReferenceValue(leadingInteger(entry));
}

bool acceptsTypedCharacterInNumberMode(unsigned int character) {
    if (character < 0x20) {
        return true;
    }
    return character == '-' || character == '.' || (character >= '0' && character <= '9');
}
