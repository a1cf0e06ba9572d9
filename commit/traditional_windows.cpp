#include <windows.h>

#include "commit/traditional.h"

namespace {

// Chinese (PRC), default sorting.
constexpr LCID kChinesePrc = 0x0804;

int mapToTraditional(const char* source, int sourceLength, char* destination,
                     int destinationLength) {
    return LCMapStringA(kChinesePrc, LCMAP_TRADITIONAL_CHINESE, source, sourceLength, destination,
                        destinationLength);
}

}  // namespace

Text toTraditional(const Text& text) {
    return mapWithinLength(text, mapToTraditional);
}
