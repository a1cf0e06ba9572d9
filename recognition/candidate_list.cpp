#include "recognition/candidate_list.h"

CandidateCaptions emptyCandidateCaptions() {
    CandidateCaptions captions;
    for (int i = 1; i <= kCandidateCount; ++i) {
        captions.push_back({i, Text()});
    }
    return captions;
}
