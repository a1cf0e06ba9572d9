#pragma once
// Reply decoding: the candidates come back as JavaScript escape sequences (\u4e00 ...) between
// the first "{" and "}" of the reply; each is unescaped by the script evaluator and shown in a
// candidate cell.

#include <cstddef>

#include "app/panel_state.h"
#include "recognition/candidate_list.h"

// The script evaluator: evaluates one expression and returns its value as text in the
// system code page; the empty text when evaluation fails.
class ExpressionEvaluator {
  public:
    virtual ~ExpressionEvaluator() = default;
    virtual Text evaluate(const Text& expression) = 0;
};

class ReplyHost : public virtual ExpressionEvaluator, public virtual CandidateCells {
  public:
    // The bytes of the current data event of the recognition client.
    virtual ByteString receivedData() = 0;
};

// Cuts the candidate pieces out of one received text: the block from the first "{" up to the
// first "}", less its first 7 and last 7 bytes, split at every backslash. Double-byte
// characters are stepped over whole, so a trail byte equal to a brace or a backslash never
// counts. Any malformed reply gives no pieces.
Array<Text> cutReplyPieces(const Text& receivedText);

// A candidate is a character or a few; a longer piece is never evaluated (empty caption): the
// script engine would parse whatever it is handed, on the GUI thread.
constexpr std::size_t kLongestPiece = 64;

// Evaluates U2G('<pieceText>') and returns the result; the empty text when evaluation fails or
// the result holds a control character (below 0x20, or 0x7F), which would be typed unseen.
// A piece text holding a single quote, CR or LF is never handed to the evaluator: with a quote
// the reply could end the string literal and run script of its own choosing.
Text decodePiece(ExpressionEvaluator& evaluator, const Text& pieceText);

// Handler of the recognition client's data event: replaces the reply pieces and fills the
// candidate cells 1..k from the first k <= 10 pieces; later cells keep their captions. Each
// distinct piece is evaluated only the first time it arrives (state.decodedPieces keeps its
// caption); pieces longer than kLongestPiece bytes get the empty caption.
void onReplyData(PanelState& state, ReplyHost& host);
