#include "commit/candidate_commit.h"

#include "commit/pinyin.h"

const char kLookupProgressCaption[] = "在线校对字典...";

namespace {

const char kPinyinLabel[] = "  拼音：";

}  // namespace

void commitCandidate(CommitState& state, CandidateCommitHost& host, const Text& candidate) {
    host.handBackActivation();
    state.committedText = candidate;
    ++state.commitCount;
    // The typed bytes and committedText are the candidate as shown; only the information line
    // shows the traditional form.
    const Text shown =
        host.traditionalOutputChecked() ? host.traditionalForm(candidate) : candidate;
    const WindowHandle focus = state.targetFocus;
    for (char byte : candidate) {
        host.postChar(focus, static_cast<unsigned char>(byte));
    }
    host.clearPadAndCandidates();
    if (host.onlineLookupChecked()) {
        host.setInfoLabelCaption(kLookupProgressCaption);
        host.startDictionaryLookup(state);
    } else {
        host.setInfoLabelCaption(joinText(shown, kPinyinLabel, localPinyin(shown, 1)));
    }
}
