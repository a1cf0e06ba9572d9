#include "candidate_reply.h"

#include <cstdio>

#include "gbk_coverage.h"
#include "protocol/reply_framing.h"

namespace service {

char32_t singleCodePoint(std::string_view s) {
    if (s.empty())
        return 0;
    auto byte = [&](std::size_t i) { return static_cast<unsigned char>(s[i]); };
    unsigned char b0 = byte(0);
    std::size_t length = b0 < 0x80             ? 1
                         : (b0 & 0xE0) == 0xC0 ? 2
                         : (b0 & 0xF0) == 0xE0 ? 3
                         : (b0 & 0xF8) == 0xF0 ? 4
                                               : 0;
    if (length == 0 || s.size() != length)
        return 0;
    char32_t c = length == 1   ? b0
                 : length == 2 ? (b0 & 0x1F)
                 : length == 3 ? (b0 & 0x0F)
                               : (b0 & 0x07);
    for (std::size_t i = 1; i < length; ++i) {
        if ((byte(i) & 0xC0) != 0x80)
            return 0;
        c = (c << 6) | (byte(i) & 0x3F);
    }
    static constexpr char32_t kSmallest[] = {0, 0, 0x80, 0x800, 0x10000};
    if (c < kSmallest[length] || c > 0x10FFFF || (c >= 0xD800 && c <= 0xDFFF))
        return 0;  // overlong or invalid
    return c;
}

bool representableInGbk(char32_t c) {
    if (c == 0)
        return false;
    if (c < 0x80)
        return true;
    if (c >= 0x10000)
        return false;
    static const std::bitset<0x10000> coverage = gbkCoverage();
    return coverage.test(c);
}

std::string candidateReply(const std::vector<std::string>& candidates) {
    std::string escapes;
    std::size_t kept = 0;
    for (const std::string& candidate : candidates) {
        if (kept == kMaxCandidates)
            break;
        char32_t c = singleCodePoint(candidate);
        // Control characters would be typed into the user's application as keystrokes.
        if (c < 0x20 || c == 0x7F || !representableInGbk(c))
            continue;
        char escape[16];
        std::snprintf(escape, sizeof escape, "\\u%04x", static_cast<unsigned>(c));
        escapes += escape;
        ++kept;
    }
    return std::string(protocol::kReplyOpening) + escapes + std::string(protocol::kReplyClosing);
}

}  // namespace service
