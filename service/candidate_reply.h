// The reply body the panel cuts its candidates from: {"c":"\u4e2d\u53e3","v":1}, framed as
// protocol/reply_framing.h says.
#pragma once

#include <cstddef>
#include <string>
#include <string_view>
#include <vector>

namespace service {

constexpr std::size_t kMaxCandidates = 10;

// Code point of a UTF-8 text holding exactly one character; 0 when it holds anything else.
char32_t singleCodePoint(std::string_view utf8);

// True when the character has a GBK (code page 936) encoding, so the panel can show and type it.
bool representableInGbk(char32_t codePoint);

// The reply for candidates given as UTF-8 characters, best first: keeps those GBK can
// represent, at most ten, and writes each as a \uXXXX escape. No candidates: {"c":"","v":1}.
std::string candidateReply(const std::vector<std::string>& utf8Candidates);

}  // namespace service
