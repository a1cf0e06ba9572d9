#include "candidate_fusion.h"

#include <algorithm>
#include <unordered_map>

namespace service {

std::vector<ScoredCandidate> fuseCandidates(const std::vector<FusionSource>& sources,
                                            std::size_t count) {
    // Every character seen, in order of first appearance, with its summed belief so far.
    std::vector<ScoredCandidate> fused;
    std::unordered_map<std::string, std::size_t> index;
    for (const FusionSource& source : sources) {
        for (const ScoredCandidate& c : source.candidates) {
            if (index.emplace(c.value, fused.size()).second)
                fused.push_back({c.value, 0});
        }
    }
    std::vector<bool> listed(fused.size());
    for (const FusionSource& source : sources) {
        if (source.candidates.empty())
            continue;
        double best = source.candidates.front().score;
        double floor = source.candidates.back().score;
        std::fill(listed.begin(), listed.end(), false);
        for (const ScoredCandidate& c : source.candidates) {
            std::size_t at = index[c.value];
            if (listed[at])
                continue;  // a repeated character counts once, at its best place
            listed[at] = true;
            fused[at].score += (c.score - best) / source.scale;
        }
        for (std::size_t at = 0; at < fused.size(); ++at) {
            if (!listed[at])
                fused[at].score += (floor - best) / source.scale;
        }
    }
    std::stable_sort(
        fused.begin(), fused.end(),
        [](const ScoredCandidate& a, const ScoredCandidate& b) { return a.score > b.score; });
    if (fused.size() > count)
        fused.resize(count);
    return fused;
}

FusedRecognizer::FusedRecognizer(std::vector<Member> members, std::size_t depth)
    : members_(std::move(members)), depth_(depth) {}

std::vector<ScoredCandidate> FusedRecognizer::rank(const std::vector<PadStroke>& strokes,
                                                   std::size_t count, PadSize pad) const {
    std::vector<FusionSource> sources;
    if (count == 0)
        return {};
    for (const Member& m : members_)
        sources.push_back({m.recognizer->rank(strokes, std::max(count, depth_), pad), m.scale});
    return fuseCandidates(sources, count);
}

}  // namespace service
