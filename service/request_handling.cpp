#include "request_handling.h"

#include "candidate_reply.h"
#include "dictionary_page.h"
#include "protocol/stroke_text.h"

namespace service {
namespace {

constexpr const char* kReplyType = "application/json; charset=utf-8";

// Recognising more than we offer leaves room for candidates GBK cannot show.
constexpr std::size_t kCandidatesAsked = 2 * kMaxCandidates;

int hexValue(char c) {
    if (c >= '0' && c <= '9')
        return c - '0';
    if (c >= 'a' && c <= 'f')
        return c - 'a' + 10;
    if (c >= 'A' && c <= 'F')
        return c - 'A' + 10;
    return -1;
}

std::string formDecode(std::string_view s) {
    std::string out;
    out.reserve(s.size());
    for (std::size_t i = 0; i < s.size(); ++i) {
        if (s[i] == '+') {
            out += ' ';
        } else if (s[i] == '%' && i + 2 < s.size() && hexValue(s[i + 1]) >= 0 &&
                   hexValue(s[i + 2]) >= 0) {
            out += static_cast<char>(hexValue(s[i + 1]) * 16 + hexValue(s[i + 2]));
            i += 2;
        } else {
            out += s[i];
        }
    }
    return out;
}

}  // namespace

Reply emptyCandidateReply(int status) {
    return Reply{status, kReplyType, candidateReply({}), 0};
}

std::optional<std::string> formField(std::string_view body, std::string_view name) {
    std::size_t start = 0;
    while (start <= body.size()) {
        std::size_t end = body.find('&', start);
        if (end == std::string_view::npos)
            end = body.size();
        std::string_view pair = body.substr(start, end - start);
        std::size_t equals = pair.find('=');
        std::string_view key = pair.substr(0, equals);
        if (formDecode(key) == name) {
            return equals == std::string_view::npos ? std::string()
                                                    : formDecode(pair.substr(equals + 1));
        }
        start = end + 1;
    }
    return std::nullopt;
}

Reply recognitionReply(std::string_view body, const engine::Recognizer& recognizer) {
    std::optional<std::string> strokeData = formField(body, "wd");
    if (!strokeData)
        return emptyCandidateReply(400);
    protocol::ParsedStrokes parsed = protocol::parseStrokeText(*strokeData);
    switch (parsed.status) {
        case protocol::StrokeTextStatus::badCharacter:
            return emptyCandidateReply(400);
        case protocol::StrokeTextStatus::tooLarge:
            return emptyCandidateReply(413);
        case protocol::StrokeTextStatus::ok:
            break;
    }
    if (parsed.strokes.empty())
        return emptyCandidateReply(200);
    std::vector<std::string> recognised = recognizer.classify(parsed.strokes, kCandidatesAsked);
    Reply reply{200, kReplyType, candidateReply(recognised), 0};
    // Count the escapes actually offered, after the GBK filter and the cut at ten.
    for (std::size_t at = reply.body.find("\\u"); at != std::string::npos;
         at = reply.body.find("\\u", at + 2))
        ++reply.candidates;
    return reply;
}

Reply dictionaryReply(std::string_view keyword) {
    DictionaryPage page = dictionaryPage(keyword);
    return Reply{page.found ? 200 : 404, "text/html; charset=GBK", page.html, -1};
}

Reply errorReply(int status) {
    return Reply{status, "text/plain", "error " + std::to_string(status) + "\n", -1};
}

Reply routeRequest(std::string_view method, std::string_view target, std::string_view body,
                   const engine::Recognizer& recognizer) {
    std::size_t question = target.find('?');
    std::string_view path = target.substr(0, question);
    std::string_view query =
        question == std::string_view::npos ? std::string_view() : target.substr(question + 1);
    if (method == "POST" && path == "/")
        return recognitionReply(body, recognizer);
    if (method == "GET" && path == kDictionaryPath)
        return dictionaryReply(formField(query, "Keyword").value_or(""));
    if (method == "GET" && path == kHealthPath)
        return Reply{200, "text/plain", "ok\n", -1};
    return errorReply(404);
}

}  // namespace service
