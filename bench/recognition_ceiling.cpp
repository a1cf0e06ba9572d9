// The service's ceiling: one request answered in-process, from its body to its reply (form
// field, stroke text, recognition, reply), with no HTTP around it. Its time is what a core
// spends per request at best.
// usage: recognition_ceiling BODY_FILE [REPETITIONS]
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/recognizer.h"
#include "request_handling.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s BODY_FILE [REPETITIONS]\n", argv[0]);
        return 2;
    }
    std::ifstream in(argv[1], std::ios::binary);
    std::string body((std::istreambuf_iterator<char>(in)), std::istreambuf_iterator<char>());
    int repetitions = argc > 2 ? std::atoi(argv[2]) : 2000;
    std::string description, error;
    auto recognizer = engine::openDefaultRecognizer(description, error);
    if (!recognizer) {
        std::fprintf(stderr, "%s\n", error.c_str());
        return 1;
    }
    service::Reply reply = service::recognitionReply(body, *recognizer);  // warm the caches
    if (reply.status != 200 || reply.candidates <= 0) {
        std::fprintf(stderr, "the request is not recognised (status %d)\n", reply.status);
        return 1;
    }
    auto start = std::chrono::steady_clock::now();
    for (int i = 0; i < repetitions; ++i) reply = service::recognitionReply(body, *recognizer);
    double seconds =
        std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
    double perRequestMs = 1000.0 * seconds / repetitions;
    std::printf("%.3f ms per request in-process, %.0f requests/s per core at most\n", perRequestMs,
                1000.0 / perRequestMs);
    return 0;
}
