#include "commit/candidate_commit.h"

#include "commit/pinyin.h"

const char kLookupProgressCaption[] = "在线校对字典...";

namespace {

const char kPinyinLabel[] = "  拼音：";

}  // namespace

CommitDecision commitCandidate(CommitState& state, const Text& candidate, const Text& shown,
                               bool onlineLookup) {
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
    return decision;
}
