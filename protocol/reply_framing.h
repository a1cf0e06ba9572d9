// The reply's first {...} block carries the candidates as \uXXXX escapes:
// {"c":"\u4e2d\u53e3","v":1}. The panel cuts a fixed number of bytes from each end of the
// block, so what the service writes around the escapes and what the panel cuts away must match
// byte for byte; the block is also valid JSON.
#pragma once

#include <string_view>

namespace protocol {

constexpr std::string_view kReplyOpening = "{\"c\":\"";    // up to the first escape
constexpr std::string_view kReplyClosing = "\",\"v\":1}";  // after the last escape

// What the panel cuts: the "{" and the 6 bytes up to the first escape's "u" (its backslash
// included), and the 7 bytes before the "}".
constexpr int kReplyHeadBytes = 7;
constexpr int kReplyTailBytes = 7;
static_assert(kReplyOpening.size() + 1 == kReplyHeadBytes, "the head ends at the first escape's u");
static_assert(kReplyClosing.size() - 1 == kReplyTailBytes, "the tail is the closing less its }");

}  // namespace protocol
