#pragma once
// The ten candidate cells, as the captions the window layer is asked to set.

#include <vector>

#include "text/text_operations.h"

constexpr int kCandidateCount = 10;

// One cell's new caption; index is 1 for CandidateButton1 ... 10 for CandidateButton10.
struct CandidateCaption {
    int index = 0;
    Text caption;

    friend bool operator==(const CandidateCaption& a, const CandidateCaption& b) {
        return a.index == b.index && a.caption == b.caption;
    }
};
using CandidateCaptions = std::vector<CandidateCaption>;

// Clearing for the next character empties all ten cells, 1 to 10.
CandidateCaptions emptyCandidateCaptions();
