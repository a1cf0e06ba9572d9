#include "recognition/reply_decoding.h"

#include "protocol/reply_framing.h"

namespace {

using protocol::kReplyHeadBytes;
using protocol::kReplyTailBytes;

// Checked byte by byte, not character by character: an invalid lead byte in front of a quote
// must not hide the quote from this check.
bool canEndLiteral(const Text& pieceText) {
    for (char c : pieceText) {
        if (c == '\'' || c == '\r' || c == '\n') {
            return true;
        }
    }
    return false;
}

// A candidate is typed into another application: a control character would reach it unseen
// (CR, TAB and backspace show as nothing in a cell). GBK trail bytes are never below 0x40 and
// never 0x7F, so a byte test finds exactly the control characters.
bool holdsControlCharacter(const Text& text) {
    for (char c : text) {
        const auto byte = static_cast<unsigned char>(c);
        if (byte < 0x20 || byte == 0x7F) {
            return true;
        }
    }
    return false;
}

}  // namespace

Array<Text> cutReplyPieces(const Text& receivedText) {
    const int open = findText(receivedText, "{");
    const int close = findText(receivedText, "}");
    // Empty when either brace is missing or the "}" comes first.
    const Text block = midText(receivedText, open, close - open);
    const Text core =
        midText(block, kReplyHeadBytes + 1, textLength(block) - kReplyHeadBytes - kReplyTailBytes);
    return splitText(core, "\\");
}

Text decodePiece(ExpressionEvaluator& evaluator, const Text& pieceText) {
    if (canEndLiteral(pieceText)) {
        return Text();
    }
    // U2G returns its argument: the parser resolves the escapes of the literal.
    Text caption = evaluator.evaluate("U2G('" + pieceText + "')");
    return holdsControlCharacter(caption) ? Text() : caption;
}

CandidateCaptions CandidateReply::decode(const ByteString& received,
                                         ExpressionEvaluator& evaluator) {
    replyPieces = cutReplyPieces(bytesToText(received));
    CandidateCaptions captions;
    const int pieceCount = replyPieces.count();
    for (int i = 1; i <= kCandidateCount && i <= pieceCount; ++i) {
        captions.push_back({i, captionOf(replyPieces.at(i), evaluator)});
    }
    return captions;
}

// U2G returns its argument and no piece that could end the literal is evaluated, so a piece's
// caption depends on the piece alone. Every evaluation keeps memory in the script engine for
// good: each distinct piece is evaluated once.
Text CandidateReply::captionOf(const Text& piece, ExpressionEvaluator& evaluator) {
    if (piece.size() > kLongestPiece) {
        return Text();
    }
    const auto remembered = decodedPieces.find(piece);
    if (remembered != decodedPieces.end()) {
        return remembered->second;
    }
    Text caption = decodePiece(evaluator, "\\" + piece);
    decodedPieces.emplace(piece, caption);
    return caption;
}
