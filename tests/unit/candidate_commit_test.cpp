#include "commit/candidate_commit.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "commit/reference_value_setting.h"
#include "commit/traditional.h"

namespace {

// Records every step the commit asks for, in order, as readable entries.
class RecordingCommitHost : public CandidateCommitHost {
  public:
    bool traditional = false;
    bool online = false;
    std::vector<std::string> steps;
    std::vector<std::pair<WindowHandle, unsigned>> posted;
    std::string lookupText;
    std::uint32_t lookupCount = 0;

    void handBackActivation() override { steps.push_back("reactivate"); }
    void postChar(WindowHandle focus, unsigned char byte) override {
        steps.push_back("post");
        posted.emplace_back(focus, byte);
    }
    void clearPadAndCandidates() override { steps.push_back("clear"); }
    bool traditionalOutputChecked() override { return traditional; }
    bool onlineLookupChecked() override { return online; }
    // Stands in for a platform that maps: 国 to 國 (GBK 87 F8), 长 to 長 (E9 4C).
    Text traditionalForm(const Text& text) override {
        steps.push_back("traditional");
        if (text == "国") {
            return "\x87\xF8";
        }
        if (text == "长") {
            return "\xE9\x4C";
        }
        return text;
    }
    void setInfoLabelCaption(const Text& caption) override {
        steps.push_back("caption " + caption);
    }
    void startDictionaryLookup(CommitState& state) override {
        steps.push_back("lookup");
        lookupText = state.committedText;
        lookupCount = state.commitCount;
    }
};

CommitState stateWithFocus(WindowHandle focus) {
    CommitState state;
    state.targetFocus = focus;
    return state;
}

TEST(CandidateCommit, TypesLeadByteThenTrailByteAndShowsLocalPinyin) {
    CommitState state = stateWithFocus(0x1234);
    RecordingCommitHost host;
    commitCandidate(state, host, "中");
    const std::vector<std::pair<WindowHandle, unsigned>> expected{{0x1234, 0xD6}, {0x1234, 0xD0}};
    EXPECT_EQ(host.posted, expected);
    // Re-activation first, the pad cleared after typing, the line last.
    EXPECT_EQ(host.steps, (std::vector<std::string>{"reactivate", "post", "post", "clear",
                                                    "caption 中  拼音：zhong"}));
    EXPECT_EQ(state.committedText, "中");
    EXPECT_EQ(state.commitCount, 1u);
}

TEST(CandidateCommit, ShowsTheFirstReadingAndNothingForNonHanzi) {
    CommitState state;
    RecordingCommitHost host;
    commitCandidate(state, host, "行");
    EXPECT_EQ(host.steps.back(), "caption 行  拼音：xing");
    commitCandidate(state, host, "A");
    EXPECT_EQ(host.steps.back(), "caption A  拼音：");
    EXPECT_EQ(host.posted.back().second, static_cast<unsigned>('A'));
    commitCandidate(state, host, "，");
    EXPECT_EQ(host.steps.back(), "caption ，  拼音：");
    EXPECT_EQ(state.commitCount, 3u);
}

TEST(CandidateCommit, EmptyCandidatePostsNothingButStillClearsAndCounts) {
    CommitState state = stateWithFocus(7);
    state.committedText = "中";
    RecordingCommitHost host;
    commitCandidate(state, host, "");
    EXPECT_TRUE(host.posted.empty());
    EXPECT_EQ(host.steps, (std::vector<std::string>{"reactivate", "clear", "caption   拼音："}));
    EXPECT_EQ(state.committedText, "");
    EXPECT_EQ(state.commitCount, 1u);

    host.online = true;
    host.steps.clear();
    commitCandidate(state, host, "");
    EXPECT_EQ(host.steps, (std::vector<std::string>{"reactivate", "clear",
                                                    "caption 在线校对字典...", "lookup"}));
    EXPECT_EQ(host.lookupText, "");
}

TEST(CandidateCommit, TraditionalOutputChangesOnlyTheLine) {
    CommitState state = stateWithFocus(9);
    RecordingCommitHost host;
    host.traditional = true;
    commitCandidate(state, host, "国");
    // The typed bytes and committedText stay those of 国 (B9 FA).
    const std::vector<std::pair<WindowHandle, unsigned>> expected{{9, 0xB9}, {9, 0xFA}};
    EXPECT_EQ(host.posted, expected);
    EXPECT_EQ(state.committedText, "国");
    // 國 lies outside the GB2312 hanzi block, so the local table has no pinyin for it.
    EXPECT_EQ(host.steps.back(), "caption \x87\xF8  拼音：");
    // A form without a mapping keeps its reading.
    commitCandidate(state, host, "中");
    EXPECT_EQ(host.steps.back(), "caption 中  拼音：zhong");
}

TEST(CandidateCommit, OnlineLookupShowsProgressAndStartsWithThisCommit) {
    CommitState state = stateWithFocus(3);
    RecordingCommitHost host;
    host.online = true;
    host.traditional = true;  // the lookup is of the candidate as shown on its cell
    commitCandidate(state, host, "国");
    commitCandidate(state, host, "中");
    EXPECT_EQ(host.lookupText, "中");
    EXPECT_EQ(host.lookupCount, 2u);
    ASSERT_GE(host.steps.size(), 2u);
    EXPECT_EQ(host.steps[host.steps.size() - 2], "caption 在线校对字典...");
    EXPECT_EQ(host.steps.back(), "lookup");
}

// The typing target is read once, before any byte goes out.
TEST(CandidateCommit, PostsEveryByteToTheFocusOfTheMomentOfTheCommit) {
    CommitState state = stateWithFocus(11);
    RecordingCommitHost host;
    commitCandidate(state, host, "ab中");
    ASSERT_EQ(host.posted.size(), 4u);
    for (const auto& post : host.posted) {
        EXPECT_EQ(post.first, 11u);
    }
    EXPECT_EQ(host.posted[2].second, 0xD6u);
    EXPECT_EQ(host.posted[3].second, 0xD0u);
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
