// What the service answers, independent of the HTTP library: the recognition request
// (POST / with wd=<stroke data>&type=1) and the dictionary page request.
#pragma once

#include <optional>
#include <string>
#include <string_view>

#include "engine/recognizer.h"

namespace service {

struct Reply {
    int status = 200;
    std::string contentType;
    std::string body;
    int candidates = -1;  // for the log; -1 when the request was not a recognition
};

// The value of one field of an application/x-www-form-urlencoded body, decoded.
std::optional<std::string> formField(std::string_view body, std::string_view name);

// The answer to a recognition request that cannot be read: no candidates, with an error status.
Reply emptyCandidateReply(int status);

Reply recognitionReply(std::string_view requestBody, const engine::Recognizer& recognizer);

Reply dictionaryReply(std::string_view gbkKeyword);

// The load balancers' question: the service is up and its model loaded.
constexpr const char* kHealthPath = "/healthz";

// The answer to one complete request, by method and target (path and query): recognition,
// dictionary page, health, or 404 for anything else.
Reply routeRequest(std::string_view method, std::string_view target, std::string_view body,
                   const engine::Recognizer& recognizer);

// The plain-text answer to a request the service cannot serve (404, 413, 503, ...).
Reply errorReply(int status);

}  // namespace service
