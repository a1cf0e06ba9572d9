#include "commit/traditional.h"

#include <vector>

Text mapWithinLength(const Text& text, TextMapping mapping) {
    const int length = textLength(text);
    if (length == 0) {
        return Text();
    }
    // One byte more than the mapping may write, so the buffer always ends in a terminator.
    std::vector<char> buffer(static_cast<std::size_t>(length) + 1, ' ');
    buffer[static_cast<std::size_t>(length)] = '\0';
    if (mapping(text.data(), length, buffer.data(), length) <= 0) {
        return blankText(length);
    }
    return Text(buffer.data());
}
