#include "recognition/reply_decoding.h"

namespace {

// The reply's own framing inside the block: "{" plus 6 bytes before the candidates, 7 bytes
// after them.
constexpr int kBlockHead = 7;
constexpr int kBlockTail = 7;

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

}  // namespace

Array<Text> cutReplyPieces(const Text& receivedText) {
    const int open = findText(receivedText, "{");
    const int close = findText(receivedText, "}");
    // Empty when either brace is missing or the "}" comes first.
    const Text block = midText(receivedText, open, close - open);
    const Text core = midText(block, kBlockHead + 1, textLength(block) - kBlockHead - kBlockTail);
    return splitText(core, "\\");
}

Text decodePiece(ExpressionEvaluator& evaluator, const Text& pieceText) {
    if (canEndLiteral(pieceText)) {
        return Text();
    }
    // U2G returns its argument: the parser resolves the escapes of the literal.
    return evaluator.evaluate("U2G('" + pieceText + "')");
}

void onReplyData(PanelState& state, ReplyHost& host) {
    const Text receivedText = bytesToText(host.receivedData());
    state.replyPieces = cutReplyPieces(receivedText);
    const int pieceCount = state.replyPieces.count();
    for (int i = 1; i <= kCandidateCount && i <= pieceCount; ++i) {
        host.setCandidateCaption(i, decodePiece(host, "\\" + state.replyPieces.at(i)));
    }
}
