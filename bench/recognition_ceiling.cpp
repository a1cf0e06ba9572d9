// The service's ceiling: one request answered in-process, from its body to its reply (form
// field, stroke text, recognition, reply), with no HTTP around it. Its time is what a core
// spends per request at best, with the network's kernels named (network_kernels.h).
// usage: recognition_ceiling BODY_FILE [REPETITIONS [KERNELS]]
//        (KERNELS: plain, avx2, avx-vnni or avx512-vnni instead of the best this processor has)
#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <fstream>
#include <iterator>
#include <string>

#include "engine/network_kernels.h"
#include "engine/recognizer.h"
#include "request_handling.h"

int main(int argc, char** argv) {
    if (argc < 2) {
        std::fprintf(stderr, "usage: %s BODY_FILE [REPETITIONS [KERNELS]]\n", argv[0]);
        return 2;
    }
    if (argc > 3) {
        using engine::kernels::Instructions;
        const std::string wanted = argv[3];
        const Instructions named = wanted == "avx512-vnni" ? Instructions::avx512Vnni
                                   : wanted == "avx-vnni"  ? Instructions::avxVnni
                                   : wanted == "avx2"      ? Instructions::avx2
                                                           : Instructions::plain;
        if ((named == Instructions::plain && wanted != "plain") ||
            !engine::kernels::choose(named)) {
            std::fprintf(stderr, "kernels %s: unknown, or not on this processor\n", argv[3]);
            return 2;
        }
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
    std::printf("%.3f ms per request in-process, %.0f requests/s per core at most (%s kernels)\n",
                perRequestMs, 1000.0 / perRequestMs,
                engine::kernels::name(engine::kernels::instructions()));
    return 0;
}
