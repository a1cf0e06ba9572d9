#include "recognition/writing_pad.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

namespace {

using Log = std::vector<std::string>;

const RecognitionEndpoint kEndpoint{"recognise.example", "referrer.example"};

std::string segmentText(const PadSegment& s) {
    return std::to_string(s.fromX) + "," + std::to_string(s.fromY) + " " + std::to_string(s.toX) +
           "," + std::to_string(s.toY);
}

// Drives the pen as the panel's mouse events do and keeps what each event decided, as short
// lines in the order the window layer carries them out.
class WritingPadTest : public ::testing::Test {
  protected:
    WritingPadTest() : pen(kEndpoint) { pen.referenceValue = 3; }

    void down(int x, int y) { record(pen.buttonDown(at(x), at(y))); }
    void move(int x, int y) { record(pen.mouseMove(at(x), at(y), size)); }
    void up(int, int) { record(pen.buttonUp()); }
    static std::uint16_t at(int v) { return static_cast<std::uint16_t>(v); }

    // Pointer enters the pad, then the button goes down where it is.
    void press(int x, int y) {
        move(x, y);
        down(x, y);
    }

    void record(const PadDecision& d) {
        if (d.handBackActivation) {
            log.push_back("reactivate");
        }
        if (d.capture != CaptureChange::none) {
            log.push_back(d.capture == CaptureChange::take ? "capture" : "release");
        }
        if (d.infoLine != InfoLineChange::none) {
            log.push_back(d.infoLine == InfoLineChange::hide ? "hide label" : "show label");
        }
        if (d.wipe) {
            log.push_back("wipe");
        }
        if (d.ink) {
            log.push_back("line " + segmentText(*d.ink));
        }
        if (d.request) {
            log.push_back("request");
            // The request carries the whole stroke text as it is at that moment.
            EXPECT_EQ(d.request->text, buildRecognitionRequest(pen.strokeText, kEndpoint));
            EXPECT_EQ(d.request->host, "recognise.example");
            EXPECT_EQ(d.request->port, 80);
            requests.push_back(pen.strokeText.text());
        }
    }

    std::vector<std::string> lines() const {
        std::vector<std::string> out;
        for (const auto& entry : log) {
            if (entry.rfind("line ", 0) == 0) {
                out.push_back(entry);
            }
        }
        return out;
    }

    StrokeCapture pen;
    PadSize size{214, 207};
    Log log;
    // The stroke text at each recognition request.
    std::vector<Text> requests;
};

TEST_F(WritingPadTest, StrokeWritesPreviousPositionsAndClosingA) {
    press(10, 20);
    move(11, 20);  // below the reference value: neither drawn nor sampled
    move(13, 20);
    move(16, 24);
    up(16, 24);

    EXPECT_EQ(pen.strokeText.text(), "a10a20a13a20a");
    EXPECT_EQ(lines(), (Log{"line 10,20 13,20", "line 13,20 16,24"}));
    ASSERT_EQ(requests.size(), 1u);
    EXPECT_EQ(requests[0], "a10a20a13a20a");
    EXPECT_FALSE(pen.penDown);
    EXPECT_EQ(pen.pointsSinceRequest, 0);
}

TEST_F(WritingPadTest, EnteringCapturesAndHidesTheLabelBeforeAnyInk) {
    press(10, 20);
    move(13, 20);
    EXPECT_EQ(log, (Log{"capture", "hide label", "reactivate", "line 10,20 13,20"}));
}

TEST_F(WritingPadTest, ButtonDownOnlyReactivatesAndRemembersThePosition) {
    pen.pointsSinceRequest = 4;
    pen.strokeText.appendPoint(1, 1);
    down(30, 40);
    EXPECT_EQ(log, (Log{"reactivate"}));
    EXPECT_TRUE(pen.penDown);
    EXPECT_EQ(pen.lastX, 30);
    EXPECT_EQ(pen.lastY, 40);
    EXPECT_EQ(pen.pointsSinceRequest, 4);
    EXPECT_EQ(pen.strokeText.text(), "a1a1");
}

TEST_F(WritingPadTest, ClickWithoutMovementAppendsOnlyTheStrokeEnd) {
    press(50, 60);
    up(50, 60);
    EXPECT_EQ(pen.strokeText.text(), "a");
    EXPECT_TRUE(requests.empty());
    EXPECT_TRUE(lines().empty());
}

TEST_F(WritingPadTest, RequestAtEveryEleventhSampleAndNoneForABareButtonUp) {
    press(0, 0);
    for (int i = 1; i <= 10; ++i) {
        move(3 * i, 0);
    }
    EXPECT_TRUE(requests.empty());
    move(33, 0);
    ASSERT_EQ(requests.size(), 1u);
    // Sent mid-stroke: the text ends in the last sampled y.
    EXPECT_EQ(requests[0], "a0a0a3a0a6a0a9a0a12a0a15a0a18a0a21a0a24a0a27a0a30a0");
    EXPECT_EQ(pen.pointsSinceRequest, 0);

    up(33, 0);
    EXPECT_EQ(requests.size(), 1u);
    EXPECT_EQ(pen.strokeText.text(), requests[0] + "a");

    // The count starts afresh: the next stroke's first sample asks again at its end.
    press(100, 100);
    move(100, 103);
    up(100, 103);
    ASSERT_EQ(requests.size(), 2u);
    EXPECT_EQ(requests[1], requests[0] + "aa100a100a");
}

TEST_F(WritingPadTest, CountCarriesAcrossStrokeEndsOnlyUntilTheRequest) {
    press(0, 0);
    for (int i = 1; i <= 22; ++i) {
        move(3 * i, 0);
    }
    EXPECT_EQ(requests.size(), 2u);
    move(69, 0);
    up(69, 0);
    EXPECT_EQ(requests.size(), 3u);
}

TEST_F(WritingPadTest, ExactlyTheReferenceValueOnEitherAxisIsSampled) {
    press(10, 10);
    move(13, 10);
    move(13, 13);
    EXPECT_EQ(pen.strokeText.text(), "a10a10a13a10");

    // Below on both axes: nothing, and the old point stays the one measured from.
    move(15, 15);
    EXPECT_EQ(pen.strokeText.text(), "a10a10a13a10");
    EXPECT_EQ(pen.lastX, 13);
    EXPECT_EQ(pen.lastY, 13);
    move(16, 15);
    EXPECT_EQ(pen.strokeText.text(), "a10a10a13a10a13a13");
    EXPECT_EQ(lines().back(), "line 13,13 16,15");
}

TEST_F(WritingPadTest, MovementsBackwardsCountByTheirSize) {
    press(20, 20);
    move(17, 20);
    move(17, 18);
    move(17, 15);
    EXPECT_EQ(pen.strokeText.text(), "a20a20a17a20");
}

TEST_F(WritingPadTest, ReferenceValueEightIgnoresASevenBySevenDiagonal) {
    pen.referenceValue = 8;
    press(100, 100);
    move(107, 107);
    EXPECT_EQ(pen.strokeText.text(), "");
    EXPECT_TRUE(lines().empty());
    move(100, 108);
    EXPECT_EQ(pen.strokeText.text(), "a100a100");
}

TEST_F(WritingPadTest, BothPadEdgesCountAsInside) {
    move(214, 207);
    EXPECT_TRUE(pen.padCaptured);
    move(0, 0);
    EXPECT_TRUE(pen.padCaptured);
    EXPECT_EQ(log, (Log{"capture", "hide label"}));

    move(215, 100);
    EXPECT_FALSE(pen.padCaptured);
    EXPECT_EQ(log, (Log{"capture", "hide label", "release", "show label"}));

    move(100, 208);
    EXPECT_EQ(log.size(), 4u);  // already outside: nothing to release again
}

TEST_F(WritingPadTest, InsideTestUsesThePadsCurrentSize) {
    size.width = 100;
    move(101, 10);
    EXPECT_FALSE(pen.padCaptured);
    move(100, 10);
    EXPECT_TRUE(pen.padCaptured);
}

TEST_F(WritingPadTest, PositionLeftOfThePadArrivesLargeAndIsOutside) {
    press(5, 50);
    move(65535, 50);
    EXPECT_FALSE(pen.padCaptured);
    EXPECT_FALSE(pen.penDown);
    EXPECT_EQ(pen.strokeText.text(), "a");
    EXPECT_TRUE(lines().empty());
}

TEST_F(WritingPadTest, LeavingWhileWritingEndsTheStrokeLikeAButtonUp) {
    press(100, 100);
    move(110, 100);
    log.clear();

    move(215, 100);
    EXPECT_EQ(log, (Log{"release", "show label", "request"}));
    EXPECT_EQ(pen.strokeText.text(), "a100a100a");
    EXPECT_FALSE(pen.penDown);

    // Back in with the button still held: captured again, but nothing is drawn or written.
    log.clear();
    move(120, 100);
    move(150, 150);
    EXPECT_EQ(log, (Log{"capture", "hide label"}));
    EXPECT_EQ(pen.strokeText.text(), "a100a100a");

    // A new press starts a new stroke from where it is pressed.
    down(150, 150);
    move(153, 150);
    up(153, 150);
    EXPECT_EQ(pen.strokeText.text(), "a100a100aa150a150a");
    EXPECT_EQ(requests.size(), 2u);
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
    EXPECT_EQ(pen.strokeText.text(), "a10a20a13a20aa50a60a50a64a");
}

TEST_F(WritingPadTest, CaptureTakenAwayIsTakenAgainAtTheNextMoveInside) {
    press(10, 20);
    log.clear();
    pen.captureTakenAway();
    move(13, 20);
    EXPECT_EQ(log, (Log{"capture", "hide label", "line 10,20 13,20"}));
    EXPECT_TRUE(pen.padCaptured);
}

TEST_F(WritingPadTest, LeavingWhileAnotherControlHoldsTheCaptureLetsGoWithoutARelease) {
    press(10, 20);
    move(13, 20);
    log.clear();
    record(pen.leftWhileCapturedElsewhere());
    EXPECT_EQ(log, (Log{"show label", "request"}));
    EXPECT_FALSE(pen.padCaptured);
    EXPECT_FALSE(pen.penDown);
    EXPECT_EQ(pen.strokeText.text(), "a10a20a");

    // Pen already up: only the label comes back.
    move(20, 20);
    log.clear();
    record(pen.leftWhileCapturedElsewhere());
    EXPECT_EQ(log, (Log{"show label"}));
}

}  // namespace
