#include <windows.h>

#include "commit/traditional.h"
#include "ui/windows_functions.h"

namespace {

// Chinese (PRC), default sorting.
constexpr LCID kChinesePrc = 0x0804;

int mapToTraditional(const char* source, int sourceLength, char* destination,
                     int destinationLength) {
    return windows::LCMapStringA(kChinesePrc, LCMAP_TRADITIONAL_CHINESE, source, sourceLength,
                                 destination, destinationLength);
}

}  // namespace

Text toTraditional(const Text& text) {
    return mapWithinLength(text, mapToTraditional);
}
