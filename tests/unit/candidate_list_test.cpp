#include "recognition/candidate_list.h"

#include <gtest/gtest.h>

#include "recognition/writing_pad.h"

namespace {

TEST(ClearPad, WipesTheWholePadAndEmptiesTheTextAndAllTenCells) {
    StrokeCapture pen;
    pen.strokeText.appendPoint(10, 20);
    pen.strokeText.endStroke();
    const PadDecision decision = pen.clear();
    EXPECT_TRUE(decision.wipe);
    EXPECT_FALSE(decision.ink);
    EXPECT_FALSE(decision.request);
    EXPECT_EQ(decision.capture, CaptureChange::none);
    EXPECT_EQ(decision.infoLine, InfoLineChange::none);
    EXPECT_EQ(pen.strokeText.text(), "");

    CandidateCaptions expected;
    for (int i = 1; i <= 10; ++i) {
        expected.push_back({i, ""});
    }
    EXPECT_EQ(emptyCandidateCaptions(), expected);
}

TEST(ClearPad, GuidesAreTheCrossAndBothDiagonalsOfTheDesignedPad) {
    const std::vector<PadSegment> guides(std::begin(kGuideLines), std::end(kGuideLines));
    EXPECT_EQ(guides,
              (std::vector<PadSegment>{
                  {0, 103, 214, 103}, {107, 0, 107, 207}, {0, 0, 214, 207}, {214, 0, 0, 207}}));
}

TEST(ClearPad, StrokeInProgressGoesOnIntoTheEmptyText) {
    StrokeCapture pen;
    pen.referenceValue = 3;
    const PadSize size{214, 207};
    pen.mouseMove(10, 20, size);
    pen.buttonDown(10, 20);
    pen.mouseMove(13, 20, size);

    pen.clear();
    EXPECT_TRUE(pen.penDown);
    EXPECT_EQ(pen.pointsSinceRequest, 1);
    EXPECT_EQ(pen.lastX, 13);
    EXPECT_EQ(pen.lastY, 20);
    EXPECT_TRUE(pen.padCaptured);

    pen.mouseMove(16, 20, size);
    const PadDecision end = pen.buttonUp();
    EXPECT_EQ(pen.strokeText.text(), "a13a20a");
    ASSERT_TRUE(end.request);
    Strokes sent;
    sent.appendPoint(13, 20);
    sent.endStroke();
    EXPECT_EQ(end.request->text, buildRecognitionRequest(sent, configuredRecognitionEndpoint()));
}

}  // namespace
