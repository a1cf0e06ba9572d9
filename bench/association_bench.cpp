// Association on a text the table was not made from: how many of its characters a user could
// have picked from the cells instead of writing them, and how long filling the cells takes.
//
// usage: association_bench TEXT [NAME]
//   TEXT  UTF-8 text (make bench-association gives the Chinese fortunes of Debian's fortunes-zh)
//   NAME  how to name the text in the report
//
// The text is written character by character; whitespace is never written (line breaks inside
// a paragraph are the text's own layout) and terminal colour codes are dropped. After each
// character the cells show its followers (with the one before it, as the panel does); the next
// character is picked when it is among them, greedily, otherwise written. Characters outside
// GBK cannot be typed and break the chain.

#include <iconv.h>

#include <algorithm>
#include <chrono>
#include <cstdio>
#include <fstream>
#include <iterator>
#include <string>
#include <vector>

#include "commit/association.h"
#include "commit/association_table.h"

namespace {

std::u32string decodeUtf8(const std::string& bytes) {
    std::u32string out;
    for (std::size_t i = 0; i < bytes.size();) {
        const unsigned char b = static_cast<unsigned char>(bytes[i]);
        const int length = b < 0x80 ? 1 : b >= 0xF0 ? 4 : b >= 0xE0 ? 3 : b >= 0xC0 ? 2 : 1;
        char32_t c = length == 1 ? b : b & (0x7F >> length);
        for (int k = 1; k < length && i + k < bytes.size(); ++k) {
            c = c << 6 | (static_cast<unsigned char>(bytes[i + k]) & 0x3F);
        }
        out.push_back(c);
        i += length;
    }
    return out;
}

// Terminal colour codes (ESC [ ... m) and whitespace are no characters anyone writes.
std::u32string writtenCharacters(const std::u32string& text) {
    std::u32string out;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const char32_t c = text[i];
        if (c == 0x1B && i + 1 < text.size() && text[i + 1] == U'[') {
            while (i < text.size() && text[i] != U'm') {
                ++i;
            }
            continue;
        }
        if (c == U' ' || c == U'\t' || c == U'\n' || c == U'\r' || c == 0x3000) {
            continue;
        }
        out.push_back(c);
    }
    return out;
}

bool isHanzi(char32_t c) {
    return (c >= 0x4E00 && c <= 0x9FFF) || (c >= 0x3400 && c <= 0x4DBF);
}

// The character's GBK bytes; empty outside GBK.
std::string toGbk(iconv_t cd, char32_t c) {
    char in[4] = {static_cast<char>(c), static_cast<char>(c >> 8), static_cast<char>(c >> 16),
                  static_cast<char>(c >> 24)};
    char out[8];
    char* inPtr = in;
    char* outPtr = out;
    std::size_t inLeft = sizeof in, outLeft = sizeof out;
    iconv(cd, nullptr, nullptr, nullptr, nullptr);
    if (iconv(cd, &inPtr, &inLeft, &outPtr, &outLeft) == static_cast<std::size_t>(-1)) {
        return {};
    }
    return std::string(out, outPtr);
}

double percent(long part, long whole) {
    return whole > 0 ? 100.0 * static_cast<double>(part) / static_cast<double>(whole) : 0.0;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: association_bench TEXT [NAME]\n");
        return 2;
    }
    std::ifstream file(argv[1], std::ios::binary);
    if (!file) {
        std::fprintf(stderr, "association_bench: cannot read %s\n", argv[1]);
        return 1;
    }
    const std::string bytes((std::istreambuf_iterator<char>(file)),
                            std::istreambuf_iterator<char>());
    const std::u32string text = writtenCharacters(decodeUtf8(bytes));

    iconv_t cd = iconv_open("GBK", "UTF-32LE");
    if (cd == reinterpret_cast<iconv_t>(-1)) {
        std::fprintf(stderr, "association_bench: no GBK converter\n");
        return 1;
    }
    std::vector<std::string> gbk;
    gbk.reserve(text.size());
    for (char32_t c : text) {
        gbk.push_back(toGbk(cd, c));
    }
    iconv_close(cd);

    long hanzi = 0, picked = 0, pickedFirst = 0, pickedByLastOnly = 0;
    std::vector<double> nanoseconds;
    nanoseconds.reserve(text.size());
    std::vector<std::string> cells, lastOnly;
    for (std::size_t i = 0; i < text.size(); ++i) {
        if (isHanzi(text[i])) {
            ++hanzi;
            if (std::find(cells.begin(), cells.end(), gbk[i]) != cells.end()) {
                ++picked;
                pickedFirst += cells.front() == gbk[i] ? 1 : 0;
            }
            if (std::find(lastOnly.begin(), lastOnly.end(), gbk[i]) != lastOnly.end()) {
                ++pickedByLastOnly;
            }
        }
        // This character is committed, picked or written: the cells fill anew.
        const std::string before = i > 0 ? gbk[i - 1] : std::string();
        const auto start = std::chrono::steady_clock::now();
        cells = followingCharacters(before, gbk[i]);
        const auto end = std::chrono::steady_clock::now();
        nanoseconds.push_back(std::chrono::duration<double, std::nano>(end - start).count());
        lastOnly = followingCharacters("", gbk[i]);
    }

    std::sort(nanoseconds.begin(), nanoseconds.end());
    const auto at = [&](double share) {
        return nanoseconds[static_cast<std::size_t>(share *
                                                    static_cast<double>(nanoseconds.size() - 1))];
    };
    const char* name = argc > 2 ? argv[2] : argv[1];
    std::printf("association on %s: %zu characters written, %ld of them hanzi\n", name, text.size(),
                hanzi);
    std::printf("  hanzi that could have been picked instead of written  %5.1f %%  (%ld)\n",
                percent(picked, hanzi), picked);
    std::printf("  picked from the first cell                            %5.1f %%  (%ld)\n",
                percent(pickedFirst, hanzi), pickedFirst);
    std::printf("  with the last character alone (no last-two rule)      %5.1f %%  (%ld)\n",
                percent(pickedByLastOnly, hanzi), pickedByLastOnly);
    std::printf("  table: %d characters and %d pairs with followers, %d bytes (%.1f KiB)\n",
                kAssociationSingleCount, kAssociationPairCount, kAssociationTableBytes,
                kAssociationTableBytes / 1024.0);
    // The longest few are the machine's, not the table's (a lookup is a binary search and at
    // most sixteen short lists stepped over): the 99.9th percentile says more.
    std::printf(
        "  filling the cells: median %.0f ns, 99th percentile %.0f ns, 99.9th %.0f ns,"
        " longest %.0f ns (%zu commits)\n",
        at(0.5), at(0.99), at(0.999), nanoseconds.back(), nanoseconds.size());
    return 0;
}
