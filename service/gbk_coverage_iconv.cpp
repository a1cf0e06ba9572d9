#include <iconv.h>

#include "gbk_coverage.h"

namespace service {

std::bitset<0x10000> gbkCoverage() {
    std::bitset<0x10000> covered;
    iconv_t cd = iconv_open("GBK", "UTF-32LE");
    if (cd == reinterpret_cast<iconv_t>(-1))
        return covered;
    for (char32_t c = 0x80; c < 0x10000; ++c) {
        if (c >= 0xD800 && c <= 0xDFFF)
            continue;
        unsigned char in[4] = {static_cast<unsigned char>(c), static_cast<unsigned char>(c >> 8), 0,
                               0};
        char out[8];
        char* inPtr = reinterpret_cast<char*>(in);
        char* outPtr = out;
        std::size_t inLeft = sizeof in, outLeft = sizeof out;
        iconv(cd, nullptr, nullptr, nullptr, nullptr);
        if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) != static_cast<std::size_t>(-1) &&
            inLeft == 0) {
            covered.set(c);
        }
    }
    iconv_close(cd);
    return covered;
}

}  // namespace service
