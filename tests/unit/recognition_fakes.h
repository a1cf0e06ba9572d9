#pragma once
// Stand-ins for what the recognition code is handed by the window layer: an evaluator that
// knows a few answers, and the ten cells as captions that decisions are applied to.

#include <map>
#include <string>
#include <vector>

#include "recognition/candidate_list.h"
#include "recognition/reply_decoding.h"

// Expressions that reached it are recorded; it answers those it knows, any other fails.
class FakeEvaluator : public ExpressionEvaluator {
  public:
    std::vector<Text> evaluated;
    std::map<Text, Text> answers;

    Text evaluate(const Text& expression) override {
        evaluated.push_back(expression);
        const auto found = answers.find(expression);
        return found == answers.end() ? Text() : found->second;
    }
};

// The ten cells; cells never written keep the marker they start with.
struct CandidateCells {
    std::map<int, Text> captions = initialCaptions();

    void apply(const CandidateCaptions& changes) {
        for (const CandidateCaption& change : changes) {
            captions[change.index] = change.caption;
        }
    }

    static std::map<int, Text> initialCaptions() {
        std::map<int, Text> m;
        for (int i = 1; i <= kCandidateCount; ++i) {
            m[i] = "old" + std::to_string(i);
        }
        return m;
    }
};
