#include "recognition/candidate_list.h"

#include <gtest/gtest.h>

#include "recognition/writing_pad.h"
#include "recognition_fakes.h"

namespace {

using Log = std::vector<std::string>;

TEST(ClearPad, WipesRedrawsGuidesAndEmptiesTextAndCells) {
    PanelState state;
    state.strokeText = "a10a20a13a20a";
    RecordingPanel panel(state);
    panel.width = 220;  // the size is read, not assumed
    panel.height = 210;
    clearPad(state, panel);

    const Log expected{"clear 0,0 220,210",  "pen colour 808080",  "pen width 1",
                       "line 0,103 214,103", "line 107,0 107,207", "line 0,0 214,207",
                       "line 214,0 0,207",   "caption 1",          "caption 2",
                       "caption 3",          "caption 4",          "caption 5",
                       "caption 6",          "caption 7",          "caption 8",
                       "caption 9",          "caption 10"};
    EXPECT_EQ(panel.log, expected);
    EXPECT_EQ(state.strokeText, "");
    for (int i = 1; i <= 10; ++i) {
        EXPECT_EQ(panel.captions[i], "") << "cell " << i;
    }
}

TEST(ClearPad, StrokeInProgressGoesOnIntoTheEmptyText) {
    PanelState state;
    state.referenceValue = 3;
    RecordingPanel panel(state);
    onPadMouseMove(state, panel, 10, 20, 0);
    onPadButtonDown(state, panel, 10, 20, 0);
    onPadMouseMove(state, panel, 13, 20, 0);
    state.replyPieces = cutReplyPieces("{abcdefXzzzzzzz}");

    clearPad(state, panel);
    EXPECT_TRUE(state.penDown);
    EXPECT_EQ(state.pointsSinceRequest, 1);
    EXPECT_EQ(state.lastX, 13);
    EXPECT_EQ(state.lastY, 20);
    EXPECT_TRUE(state.padCaptured);
    EXPECT_EQ(state.replyPieces.count(), 1);

    onPadMouseMove(state, panel, 16, 20, 0);
    finishStroke(state, panel, 16, 20, 0);
    EXPECT_EQ(state.strokeText, "a13a20a");
    EXPECT_EQ(panel.requests, (std::vector<Text>{"a13a20a"}));
}

}  // namespace
