#include "recognition/writing_pad.h"

#include <gtest/gtest.h>

#include "recognition_fakes.h"

namespace {

using Log = std::vector<std::string>;

class WritingPadTest : public ::testing::Test {
  protected:
    WritingPadTest() : pad(state) { state.referenceValue = 3; }

    void down(int x, int y) { onPadButtonDown(state, pad, at(x), at(y), 0); }
    void move(int x, int y) { onPadMouseMove(state, pad, at(x), at(y), 0); }
    void up(int x, int y) { finishStroke(state, pad, at(x), at(y), 0); }
    static std::uint16_t at(int v) { return static_cast<std::uint16_t>(v); }

    // Pointer enters the pad, then the button goes down where it is.
    void press(int x, int y) {
        move(x, y);
        down(x, y);
    }

    PanelState state;
    RecordingPanel pad;
};

TEST_F(WritingPadTest, StrokeWritesPreviousPositionsAndClosingA) {
    press(10, 20);
    move(11, 20);  // below the reference value: neither drawn nor sampled
    move(13, 20);
    move(16, 24);
    up(16, 24);

    EXPECT_EQ(state.strokeText, "a10a20a13a20a");
    EXPECT_EQ(pad.lines(), (Log{"line 10,20 13,20", "line 13,20 16,24"}));
    ASSERT_EQ(pad.requests.size(), 1u);
    EXPECT_EQ(pad.requests[0], "a10a20a13a20a");
    EXPECT_FALSE(state.penDown);
    EXPECT_EQ(state.pointsSinceRequest, 0);
}

TEST_F(WritingPadTest, InkIsSetBeforeEverySegment) {
    press(10, 20);
    move(13, 20);
    EXPECT_EQ(pad.log, (Log{"capture", "hide label", "reactivate", "pen width 6",
                            "pen colour FF0000", "line 10,20 13,20"}));
}

TEST_F(WritingPadTest, ButtonDownOnlyReactivatesAndRemembersThePosition) {
    state.pointsSinceRequest = 4;
    state.strokeText = "a1a1";
    down(30, 40);
    EXPECT_EQ(pad.log, (Log{"reactivate"}));
    EXPECT_TRUE(state.penDown);
    EXPECT_EQ(state.lastX, 30);
    EXPECT_EQ(state.lastY, 40);
    EXPECT_EQ(state.pointsSinceRequest, 4);
    EXPECT_EQ(state.strokeText, "a1a1");
}

TEST_F(WritingPadTest, ClickWithoutMovementAppendsOnlyTheStrokeEnd) {
    press(50, 60);
    up(50, 60);
    EXPECT_EQ(state.strokeText, "a");
    EXPECT_TRUE(pad.requests.empty());
    EXPECT_TRUE(pad.lines().empty());
}

TEST_F(WritingPadTest, RequestAtEveryEleventhSampleAndNoneForABareButtonUp) {
    press(0, 0);
    for (int i = 1; i <= 10; ++i) {
        move(3 * i, 0);
    }
    EXPECT_TRUE(pad.requests.empty());
    move(33, 0);
    ASSERT_EQ(pad.requests.size(), 1u);
    // Sent mid-stroke: the text ends in the last sampled y.
    EXPECT_EQ(pad.requests[0], "a0a0a3a0a6a0a9a0a12a0a15a0a18a0a21a0a24a0a27a0a30a0");
    EXPECT_EQ(state.pointsSinceRequest, 0);

    up(33, 0);
    EXPECT_EQ(pad.requests.size(), 1u);
    EXPECT_EQ(state.strokeText, pad.requests[0] + "a");

    // The count starts afresh: the next stroke's first sample asks again at its end.
    press(100, 100);
    move(100, 103);
    up(100, 103);
    ASSERT_EQ(pad.requests.size(), 2u);
    EXPECT_EQ(pad.requests[1], pad.requests[0] + "aa100a100a");
}

TEST_F(WritingPadTest, CountCarriesAcrossStrokeEndsOnlyUntilTheRequest) {
    press(0, 0);
    for (int i = 1; i <= 22; ++i) {
        move(3 * i, 0);
    }
    EXPECT_EQ(pad.requests.size(), 2u);
    move(69, 0);
    up(69, 0);
    EXPECT_EQ(pad.requests.size(), 3u);
}

TEST_F(WritingPadTest, ExactlyTheReferenceValueOnEitherAxisIsSampled) {
    press(10, 10);
    move(13, 10);
    move(13, 13);
    EXPECT_EQ(state.strokeText, "a10a10a13a10");

    // Below on both axes: nothing, and the old point stays the one measured from.
    move(15, 15);
    EXPECT_EQ(state.strokeText, "a10a10a13a10");
    EXPECT_EQ(state.lastX, 13);
    EXPECT_EQ(state.lastY, 13);
    move(16, 15);
    EXPECT_EQ(state.strokeText, "a10a10a13a10a13a13");
    EXPECT_EQ(pad.lines().back(), "line 13,13 16,15");
}

TEST_F(WritingPadTest, MovementsBackwardsCountByTheirSize) {
    press(20, 20);
    move(17, 20);
    move(17, 18);
    move(17, 15);
    EXPECT_EQ(state.strokeText, "a20a20a17a20");
}

TEST_F(WritingPadTest, ReferenceValueEightIgnoresASevenBySevenDiagonal) {
    state.referenceValue = 8;
    press(100, 100);
    move(107, 107);
    EXPECT_EQ(state.strokeText, "");
    EXPECT_TRUE(pad.lines().empty());
    move(100, 108);
    EXPECT_EQ(state.strokeText, "a100a100");
}

TEST_F(WritingPadTest, BothPadEdgesCountAsInside) {
    move(214, 207);
    EXPECT_TRUE(state.padCaptured);
    move(0, 0);
    EXPECT_TRUE(state.padCaptured);
    EXPECT_EQ(pad.log, (Log{"capture", "hide label"}));

    move(215, 100);
    EXPECT_FALSE(state.padCaptured);
    EXPECT_EQ(pad.log, (Log{"capture", "hide label", "release", "show label"}));

    move(100, 208);
    EXPECT_EQ(pad.log.size(), 4u);  // already outside: nothing to release again
}

TEST_F(WritingPadTest, InsideTestUsesThePadsCurrentSize) {
    pad.width = 100;
    move(101, 10);
    EXPECT_FALSE(state.padCaptured);
    move(100, 10);
    EXPECT_TRUE(state.padCaptured);
}

TEST_F(WritingPadTest, PositionLeftOfThePadArrivesLargeAndIsOutside) {
    press(5, 50);
    move(65535, 50);
    EXPECT_FALSE(state.padCaptured);
    EXPECT_FALSE(state.penDown);
    EXPECT_EQ(state.strokeText, "a");
    EXPECT_TRUE(pad.lines().empty());
}

TEST_F(WritingPadTest, LeavingWhileWritingEndsTheStrokeLikeAButtonUp) {
    press(100, 100);
    move(110, 100);
    pad.log.clear();

    move(215, 100);
    EXPECT_EQ(pad.log, (Log{"release", "show label", "request"}));
    EXPECT_EQ(state.strokeText, "a100a100a");
    EXPECT_FALSE(state.penDown);

    // Back in with the button still held: captured again, but nothing is drawn or written.
    pad.log.clear();
    move(120, 100);
    move(150, 150);
    EXPECT_EQ(pad.log, (Log{"capture", "hide label"}));
    EXPECT_EQ(state.strokeText, "a100a100a");

    // A new press starts a new stroke from where it is pressed.
    down(150, 150);
    move(153, 150);
    up(153, 150);
    EXPECT_EQ(state.strokeText, "a100a100aa150a150a");
    EXPECT_EQ(pad.requests.size(), 2u);
}

TEST_F(WritingPadTest, StrokeTextGrowsAcrossStrokes) {
    press(10, 20);
    move(13, 20);
    move(16, 20);
    up(16, 20);
    press(50, 60);
    move(50, 64);
    move(50, 68);
    up(50, 68);
    EXPECT_EQ(state.strokeText, "a10a20a13a20aa50a60a50a64a");
}

}  // namespace
