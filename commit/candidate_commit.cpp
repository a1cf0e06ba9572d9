#include "commit/candidate_commit.h"

#include <cstddef>
#include <vector>

#include "commit/association.h"
#include "commit/pinyin.h"

const char kLookupProgressCaption[] = "在线校对字典...";

namespace {

const char kPinyinLabel[] = "  拼音：";

}  // namespace

CommitDecision commitCandidate(CommitState& state, const Text& candidate, const Text& shown,
                               bool onlineLookup, bool associate) {
    state.committedBefore = state.committedText;
    state.committedText = candidate;
    ++state.commitCount;
    // The typed bytes and committedText are the candidate as shown on its cell; only the
    // information line shows the traditional form.
    CommitDecision decision;
    decision.focus = state.targetFocus;
    decision.typed = candidate;
    decision.startLookup = onlineLookup;
    decision.infoLine = onlineLookup ? Text(kLookupProgressCaption)
                                     : joinText(shown, kPinyinLabel, localPinyin(shown, 1));
    if (associate) {
        // What follows the character typed, not its traditional form on the information line.
        const std::vector<Text> followers =
            followingCharacters(state.committedBefore, state.committedText);
        decision.followers = emptyCandidateCaptions();
        for (std::size_t i = 0; i < followers.size() && i < decision.followers.size(); ++i) {
            decision.followers[i].caption = followers[i];
        }
    }
    return decision;
}
