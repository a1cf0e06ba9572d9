#include "commit/candidate_commit.h"

#include <gtest/gtest.h>

#include <cstddef>

#include <string>
#include <vector>

#include "commit/association.h"
#include "commit/reference_value_setting.h"
#include "commit/traditional.h"

namespace {

CommitState stateWithFocus(WindowHandle focus) {
    CommitState state;
    state.targetFocus = focus;
    return state;
}

CommitDecision commit(CommitState& state, const Text& candidate, bool online = false) {
    return commitCandidate(state, candidate, candidate, online);
}

TEST(CandidateCommit, TypesTheCandidatesBytesToTheFocusAndShowsLocalPinyin) {
    CommitState state = stateWithFocus(0x1234);
    CommitDecision d = commit(state, "中");
    EXPECT_TRUE(d.handBackActivation);
    EXPECT_EQ(d.focus, 0x1234u);
    EXPECT_EQ(d.typed, "\xD6\xD0");  // lead byte, then trail byte
    EXPECT_TRUE(d.clearPadAndCandidates);
    EXPECT_EQ(d.infoLine, "中  拼音：zhong");
    EXPECT_FALSE(d.startLookup);
    EXPECT_EQ(state.committedText, "中");
    EXPECT_EQ(state.commitCount, 1u);
    // The focus of the moment of the press, whatever the state holds later.
    state.targetFocus = 0x99;
    EXPECT_EQ(d.focus, 0x1234u);
}

TEST(CandidateCommit, ShowsTheFirstReadingAndNothingForNonHanzi) {
    CommitState state;
    EXPECT_EQ(commit(state, "行").infoLine, "行  拼音：xing");
    CommitDecision letter = commit(state, "A");
    EXPECT_EQ(letter.infoLine, "A  拼音：");
    EXPECT_EQ(letter.typed, "A");
    EXPECT_EQ(commit(state, "，").infoLine, "，  拼音：");
    EXPECT_EQ(state.commitCount, 3u);
}

TEST(CandidateCommit, EmptyCandidateTypesNothingButStillClearsAndCounts) {
    CommitState state = stateWithFocus(7);
    state.committedText = "中";
    CommitDecision d = commit(state, "");
    EXPECT_TRUE(d.typed.empty());
    EXPECT_TRUE(d.handBackActivation);
    EXPECT_TRUE(d.clearPadAndCandidates);
    EXPECT_EQ(d.infoLine, "  拼音：");
    EXPECT_EQ(state.committedText, "");
    EXPECT_EQ(state.commitCount, 1u);

    CommitDecision online = commit(state, "", true);
    EXPECT_EQ(online.infoLine, "在线校对字典...");
    EXPECT_TRUE(online.startLookup);
}

TEST(CandidateCommit, TraditionalOutputChangesOnlyTheLine) {
    CommitState state = stateWithFocus(9);
    // 国 shown as 國 (GBK 87 F8): the typed bytes and committedText stay those of 国 (B9 FA).
    CommitDecision d = commitCandidate(state, "国", "\x87\xF8", false);
    EXPECT_EQ(d.typed, "\xB9\xFA");
    EXPECT_EQ(state.committedText, "国");
    // 國 lies outside the GB2312 hanzi block, so the local table has no pinyin for it.
    EXPECT_EQ(d.infoLine, "\x87\xF8  拼音：");
}

TEST(CandidateCommit, OnlineLookupShowsProgressAndStartsWithThisCommit) {
    CommitState state = stateWithFocus(3);
    commit(state, "国", true);
    CommitDecision d = commitCandidate(state, "中", "中", true);
    EXPECT_EQ(d.infoLine, "在线校对字典...");
    EXPECT_TRUE(d.startLookup);
    // The lookup is of the candidate as shown on its cell, numbered by this commit.
    EXPECT_EQ(state.committedText, "中");
    EXPECT_EQ(state.commitCount, 2u);
}

TEST(CandidateCommit, AssociationFillsTheCellsFromTheLastTwoCommits) {
    CommitState state;
    EXPECT_TRUE(commit(state, "中").followers.empty());  // association off: the cells stay
    CommitState on;
    CommitDecision zhong = commitCandidate(on, "中", "中", false, true);
    ASSERT_EQ(zhong.followers.size(), 10u);
    EXPECT_EQ(zhong.followers[0], (CandidateCaption{1, "国"}));
    EXPECT_EQ(zhong.followers[9].index, 10);
    // 中 then 国: the cells hold what follows 中国, in cell order.
    CommitDecision guo = commitCandidate(on, "国", "\x87\xF8", false, true);
    const std::vector<Text> expected = followingCharacters("中", "国");
    for (std::size_t i = 0; i < expected.size(); ++i) {
        EXPECT_EQ(guo.followers[i], (CandidateCaption{static_cast<int>(i) + 1, expected[i]}));
    }
    // Nothing follows a letter: ten empty cells.
    CommitDecision letter = commitCandidate(on, "A", "A", false, true);
    EXPECT_EQ(letter.followers, emptyCandidateCaptions());
}

// --- the traditional mapping within the source's length ---

int copyMapping(const char* source, int sourceLength, char* destination, int destinationLength) {
    const int n = sourceLength < destinationLength ? sourceLength : destinationLength;
    for (int i = 0; i < n; ++i) {
        destination[i] = source[i];
    }
    return n;
}

int failingMapping(const char*, int, char* destination, int destinationLength) {
    // Scribbles into the buffer before failing, as a partial conversion might.
    for (int i = 0; i < destinationLength; ++i) {
        destination[i] = 'x';
    }
    return 0;
}

int fillingMapping(const char*, int, char* destination, int destinationLength) {
    // Writes every byte it may, leaving no terminator of its own.
    for (int i = 0; i < destinationLength; ++i) {
        destination[i] = 'T';
    }
    return destinationLength;
}

int shortMapping(const char*, int, char* destination, int) {
    destination[0] = '?';
    return 1;
}

int zeroInsideMapping(const char* source, int sourceLength, char* destination, int) {
    copyMapping(source, sourceLength, destination, sourceLength);
    destination[2] = '\0';
    return sourceLength;
}

TEST(TraditionalMapping, KeepsWithinTheSourceLengthAndEndsAtATerminator) {
    EXPECT_EQ(mapWithinLength("国家", copyMapping), "国家");
    // A mapping that fills the whole buffer still gives a terminated result of that length.
    EXPECT_EQ(mapWithinLength("国家", fillingMapping), "TTTT");
    // Fewer bytes written leave the rest of the spaces.
    EXPECT_EQ(mapWithinLength("国", shortMapping), "? ");
    // A zero byte written ends the result there.
    EXPECT_EQ(mapWithinLength("国家", zeroInsideMapping), "\xB9\xFA");
}

TEST(TraditionalMapping, FailureGivesSpacesAndEmptyStaysEmpty) {
    EXPECT_EQ(mapWithinLength("国家", failingMapping), "    ");
    EXPECT_EQ(mapWithinLength("", failingMapping), "");
    EXPECT_EQ(mapWithinLength("", copyMapping), "");
}

// --- asking for the reference value ---

class ScriptedReferenceValueHost : public ReferenceValueHost {
  public:
    bool confirm = true;
    Text entry;
    std::vector<std::string> steps;
    Text prompt, title, initial;
    int mode = -1;

    void handBackActivation() override { steps.push_back("reactivate"); }
    bool inputBox(const Text& boxPrompt, const Text& boxTitle, const Text& boxInitial,
                  int inputMode, Text& entered) override {
        steps.push_back("box");
        prompt = boxPrompt;
        title = boxTitle;
        initial = boxInitial;
        mode = inputMode;
        if (confirm) {
            entered = entry;
        }
        return confirm;
    }
};

TEST(AskReferenceValue, OpensTheNumberBoxWithTheCurrentValue) {
    std::int32_t referenceValue = 5;
    ScriptedReferenceValueHost host;
    host.entry = "6";
    chooseReferenceValue(referenceValue, host);
    EXPECT_EQ(host.steps, (std::vector<std::string>{"reactivate", "box"}));
    EXPECT_EQ(host.prompt, "设置手写输入参考数值，默认：3（可填3到8之间）");
    EXPECT_EQ(host.title, "参考数值");
    EXPECT_EQ(host.initial, "5");
    EXPECT_EQ(host.mode, 3);
    EXPECT_EQ(referenceValue, 6);
}

TEST(AskReferenceValue, ConfirmedEntriesAreClampedAndCancelKeepsTheValue) {
    const std::vector<std::pair<Text, int>> cases{{"9", 8}, {"100", 8}, {"2", 3},
                                                  {"0", 3}, {"-5", 3},  {"", 3},
                                                  {"6", 6}, {"7.8", 7}, {"abc", 3}};
    for (const auto& [entry, expected] : cases) {
        std::int32_t referenceValue = 5;
        ScriptedReferenceValueHost host;
        host.entry = entry;
        chooseReferenceValue(referenceValue, host);
        EXPECT_EQ(referenceValue, expected) << "entry \"" << entry << "\"";
    }
    std::int32_t referenceValue = 4;
    ScriptedReferenceValueHost host;
    host.confirm = false;
    host.entry = "7";
    chooseReferenceValue(referenceValue, host);
    EXPECT_EQ(referenceValue, 4);
}

}  // namespace
