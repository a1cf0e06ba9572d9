#include "recognition/reply_decoding.h"

#include <gtest/gtest.h>

#include "recognition_fakes.h"

namespace {

// GBK forms of the characters the fake evaluator hands back.
const Text kYi = "\xD2\xBB";   // 一 U+4E00
const Text kEr = "\xB6\xFE";   // 二 U+4E8C
const Text kSan = "\xC8\xFD";  // 三 U+4E09

ByteString bytesOf(const std::string& raw) {
    return ByteString(raw.data(), raw.size());
}

std::vector<Text> toVector(const Array<Text>& pieces) {
    std::vector<Text> out;
    for (int i = 1; i <= pieces.count(); ++i) {
        out.push_back(pieces.at(i));
    }
    return out;
}

using Pieces = std::vector<Text>;

const std::string kHeader =
    "HTTP/1.1 200 OK\r\nContent-Type: text/plain\r\nContent-Length: 33\r\n\r\n";

TEST(CutReplyPieces, CandidatesBetweenTheFramingBytes) {
    EXPECT_EQ(toVector(cutReplyPieces(kHeader + "{abcdefu4e00\\u4e8c\\u4e09zzzzzzz}")),
              (Pieces{"u4e00", "u4e8c", "u4e09"}));
    // Only the first pair of braces counts.
    EXPECT_EQ(toVector(cutReplyPieces("{abcdefu4e00zzzzzzz}{abcdefu4e8czzzzzzz}")),
              (Pieces{"u4e00"}));
}

TEST(CutReplyPieces, BackslashesAtTheEdgesOfTheCore) {
    EXPECT_EQ(toVector(cutReplyPieces("{abcdef\\u4e00\\u4e8czzzzzzz}")),
              (Pieces{"", "u4e00", "u4e8c"}));
    EXPECT_EQ(toVector(cutReplyPieces("{abcdefu4e00\\\\u4e8c\\zzzzzzz}")),
              (Pieces{"u4e00", "", "u4e8c"}));
}

TEST(CutReplyPieces, MalformedRepliesGiveNoPieces) {
    EXPECT_EQ(cutReplyPieces("").count(), 0);
    EXPECT_EQ(cutReplyPieces("abcdefu4e00zzzzzzz").count(), 0);
    EXPECT_EQ(cutReplyPieces("{abcdefu4e00zzzzzzz").count(), 0);
    EXPECT_EQ(cutReplyPieces("abcdefu4e00zzzzzzz}").count(), 0);
    EXPECT_EQ(cutReplyPieces("}{abcdefu4e00zzzzzzz}").count(), 0);
    // A block of 14 bytes has an empty core.
    EXPECT_EQ(cutReplyPieces("{abcdefzzzzzzz}").count(), 0);
}

TEST(CutReplyPieces, FifteenByteBlockGivesOnePiece) {
    EXPECT_EQ(toVector(cutReplyPieces("{abcdefXzzzzzzz}")), (Pieces{"X"}));
    EXPECT_EQ(toVector(cutReplyPieces("{abcdef\\zzzzzzz}")), (Pieces{""}));
}

TEST(CutReplyPieces, TrailBytesThatLookLikeBracesOrBackslashesDoNotCount) {
    // 0x81 0x7D is one double-byte character whose second byte is "}".
    EXPECT_EQ(toVector(cutReplyPieces("X-Name: \x81}\r\n\r\n{abcdefu4e00\\u4e8czzzzzzz}")),
              (Pieces{"u4e00", "u4e8c"}));
    EXPECT_EQ(toVector(cutReplyPieces("{abcdefu4e00\x81}\\u4e8czzzzzzz}")),
              (Pieces{"u4e00\x81}", "u4e8c"}));
    // 0x81 0x5C: second byte "\".
    EXPECT_EQ(toVector(cutReplyPieces("{abcdefu4e00\x81\\\\u4e8czzzzzzz}")),
              (Pieces{"u4e00\x81\\", "u4e8c"}));
}

class ReplyDataTest : public ::testing::Test {
  protected:
    ReplyDataTest() {
        panel.answers["U2G('\\u4e00')"] = kYi;
        panel.answers["U2G('\\u4e8c')"] = kEr;
        panel.answers["U2G('\\u4e09')"] = kSan;
    }

    void receive(const std::string& raw) {
        changes = state.decode(bytesOf(raw), panel);
        cells.apply(changes);
    }

    CandidateReply state;
    FakeEvaluator panel;
    CandidateCells cells;
    // What the last reply asked the cells to show.
    CandidateCaptions changes;
};

TEST_F(ReplyDataTest, FillsTheFirstCellsAndLeavesTheRest) {
    receive(kHeader + "{abcdefu4e00\\u4e8c\\u4e09zzzzzzz}");
    EXPECT_EQ(panel.evaluated, (Pieces{"U2G('\\u4e00')", "U2G('\\u4e8c')", "U2G('\\u4e09')"}));
    EXPECT_EQ(cells.captions[1], kYi);
    EXPECT_EQ(cells.captions[2], kEr);
    EXPECT_EQ(cells.captions[3], kSan);
    for (int i = 4; i <= 10; ++i) {
        EXPECT_EQ(cells.captions[i], "old" + std::to_string(i)) << "cell " << i;
    }
    EXPECT_EQ(toVector(state.replyPieces), (Pieces{"u4e00", "u4e8c", "u4e09"}));
}

TEST_F(ReplyDataTest, FailedEvaluationEmptiesOnlyItsOwnCell) {
    receive("{abcdef\\u4e00\\u4e8czzzzzzz}");
    EXPECT_EQ(panel.evaluated.front(), "U2G('\\')");
    EXPECT_EQ(cells.captions[1], "");
    EXPECT_EQ(cells.captions[2], kYi);
    EXPECT_EQ(cells.captions[3], kEr);
    EXPECT_EQ(cells.captions[4], "old4");
}

TEST_F(ReplyDataTest, TwelvePiecesEvaluateTenButAllAreKept) {
    std::string core;
    for (int i = 0; i < 12; ++i) {
        core += "\\u4e0" + std::to_string(i % 10);
    }
    receive("{abcdef" + core.substr(1) + "zzzzzzz}");
    EXPECT_EQ(panel.evaluated.size(), 10u);
    EXPECT_EQ(panel.evaluated.back(), "U2G('\\u4e09')");
    EXPECT_EQ(state.replyPieces.count(), 12);
    EXPECT_EQ(state.replyPieces.at(12), "u4e01");
    for (int i = 1; i <= 10; ++i) {
        EXPECT_NE(cells.captions[i], "old" + std::to_string(i)) << "cell " << i;
    }
}

TEST_F(ReplyDataTest, MalformedReplyEmptiesThePiecesButNoCell) {
    receive("{abcdefu4e00\\u4e8czzzzzzz}");
    ASSERT_EQ(state.replyPieces.count(), 2);
    panel.evaluated.clear();

    for (const std::string raw : {"no braces at all", "}{abcdefu4e00zzzzzzz}", "{abcdefzzzzzzz}"}) {
        receive(raw);
        EXPECT_EQ(state.replyPieces.count(), 0) << raw;
        EXPECT_TRUE(changes.empty()) << raw;
    }
    EXPECT_TRUE(panel.evaluated.empty());
    EXPECT_EQ(cells.captions[1], kYi);
}

TEST_F(ReplyDataTest, ReceivedTextEndsAtTheFirstZeroByte) {
    receive(std::string("{abcdefu4e00zzz\0zzzz}", 21));
    EXPECT_TRUE(panel.evaluated.empty());
    EXPECT_EQ(state.replyPieces.count(), 0);

    receive(std::string("{abcdefu4e00zzzzzzz}\0{abcdefu4e8czzzzzzz}", 41));
    EXPECT_EQ(panel.evaluated, (Pieces{"U2G('\\u4e00')"}));
}

TEST_F(ReplyDataTest, PiecesThatCouldEndTheLiteralNeverReachTheEvaluator) {
    // Evaluated, each of these would run script chosen by whoever answered.
    const std::string quote = "u4e00');new ActiveXObject('WScript.Shell').Run('calc');('";
    const std::string cr = "u4e00\r";
    const std::string lf = "x\nU2G(1)";
    const std::string hiddenQuote = "u4e00\x81');Run('calc";  // behind a lead byte
    receive("{abcdef" + quote + "\\u4e00\\" + cr + "\\" + lf + "\\" + hiddenQuote +
            "\\u4e8czzzzzzz}");
    ASSERT_EQ(state.replyPieces.count(), 6);
    EXPECT_EQ(panel.evaluated, (Pieces{"U2G('\\u4e00')", "U2G('\\u4e8c')"}));
    EXPECT_EQ(cells.captions[1], "");
    EXPECT_EQ(cells.captions[2], kYi);
    EXPECT_EQ(cells.captions[3], "");
    EXPECT_EQ(cells.captions[4], "");
    EXPECT_EQ(cells.captions[5], "");
    EXPECT_EQ(cells.captions[6], kEr);
    EXPECT_EQ(cells.captions[7], "old7");
}

TEST_F(ReplyDataTest, CandidatesHoldingControlCharactersGetTheEmptyCaption) {
    // What the script engine makes of these escapes, and of raw control bytes in a piece.
    panel.answers["U2G('\\r')"] = "\r";
    panel.answers["U2G('\\u0008')"] = "\x08";
    panel.answers["U2G('\\x0a')"] = "\n";
    panel.answers["U2G('\\u4e00\t')"] = kYi + "\t";
    panel.answers["U2G('\\u007f')"] = "\x7f";
    panel.answers["U2G('\\x1f')"] = "\x1f";
    panel.answers["U2G('\\x20')"] = " ";
    // GBK characters whose trail bytes are 0x40 and 0x7E.
    panel.answers["U2G('\\u4e02')"] = "\x81\x40";
    panel.answers["U2G('\\u4e5a')"] = "\x81\x7E";
    receive("{abcdefr\\u0008\\x0a\\u4e00\t\\u007f\\x1f\\u4e8c\\x20\\u4e02\\u4e5azzzzzzz}");
    EXPECT_EQ(panel.evaluated.size(), 10u);
    for (int i = 1; i <= 6; ++i) {
        EXPECT_EQ(cells.captions[i], "") << "cell " << i;
    }
    EXPECT_EQ(cells.captions[7], kEr);
    EXPECT_EQ(cells.captions[8], " ");
    EXPECT_EQ(cells.captions[9], "\x81\x40");
    EXPECT_EQ(cells.captions[10], "\x81\x7E");
}

TEST_F(ReplyDataTest, PiecesLongerThanSixtyFourBytesAreNotEvaluated) {
    const std::string longest = "u4e00" + std::string(59, 'x');
    const std::string tooLong = longest + "x";
    panel.answers["U2G('\\" + longest + "')"] = kYi;
    receive("{abcdef" + tooLong + "\\" + longest + "\\u4e8czzzzzzz}");
    EXPECT_EQ(panel.evaluated, (Pieces{"U2G('\\" + longest + "')", "U2G('\\u4e8c')"}));
    EXPECT_EQ(cells.captions[1], "");
    EXPECT_EQ(cells.captions[2], kYi);
    EXPECT_EQ(cells.captions[3], kEr);
    EXPECT_EQ(state.replyPieces.at(1), tooLong);
}

TEST_F(ReplyDataTest, EachDistinctPieceIsEvaluatedOnlyOnce) {
    receive("{abcdef\\u4e00\\u4e8czzzzzzz}");
    EXPECT_EQ(panel.evaluated, (Pieces{"U2G('\\')", "U2G('\\u4e00')", "U2G('\\u4e8c')"}));
    panel.evaluated.clear();
    for (int i = 1; i <= 10; ++i) {
        cells.captions[i] = "old" + std::to_string(i);
    }
    // The same pieces in another order, a failed one among them, and one new piece.
    receive("{abcdefu4e8c\\\\u4e09\\u4e00\\u4e8czzzzzzz}");
    EXPECT_EQ(panel.evaluated, (Pieces{"U2G('\\u4e09')"}));
    EXPECT_EQ(cells.captions[1], kEr);
    EXPECT_EQ(cells.captions[2], "");
    EXPECT_EQ(cells.captions[3], kSan);
    EXPECT_EQ(cells.captions[4], kYi);
    EXPECT_EQ(cells.captions[5], kEr);
    EXPECT_EQ(cells.captions[6], "old6");
    EXPECT_EQ(state.replyPieces.count(), 5);
}

TEST(DecodePiece, WrapsThePieceInU2G) {
    FakeEvaluator evaluator;
    evaluator.answers["U2G('\\u4e2d\\u6587')"] = "\xD6\xD0\xCE\xC4";
    EXPECT_EQ(decodePiece(evaluator, "\\u4e2d\\u6587"), "\xD6\xD0\xCE\xC4");
    EXPECT_EQ(decodePiece(evaluator, "\\'"), "");
    EXPECT_EQ(evaluator.evaluated, (Pieces{"U2G('\\u4e2d\\u6587')"}));
}

}  // namespace
