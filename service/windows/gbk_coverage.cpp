#include <windows.h>

#include "gbk_coverage.h"

namespace service {

std::bitset<0x10000> gbkCoverage() {
    std::bitset<0x10000> covered;
    for (unsigned c = 0x80; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        wchar_t in = static_cast<wchar_t>(c);
        char out[4];
        BOOL substituted = FALSE;
        // No best-fit mapping: a character shown as a look-alike would type the wrong one.
        int n = WideCharToMultiByte(936, WC_NO_BEST_FIT_CHARS, &in, 1, out, sizeof out, nullptr,
                                    &substituted);
        if (n > 0 && !substituted)
            covered.set(c);
    }
    return covered;
}

}  // namespace service
