#pragma once
// Reply decoding: the candidates come back as JavaScript escape sequences (\u4e00 ...) between
// the first "{" and "}" of the reply; each is unescaped by the script evaluator and shown in a
// candidate cell.

#include <cstddef>
#include <map>

#include "recognition/candidate_list.h"
#include "text/array.h"
#include "text/text_operations.h"

// The script evaluator: evaluates one expression and returns its value as text in the
// system code page; the empty text when evaluation fails.
class ExpressionEvaluator {
  public:
    virtual ~ExpressionEvaluator() = default;
    virtual Text evaluate(const Text& expression) = 0;
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

// The last reply and what its pieces decoded to.
class CandidateReply {
  public:
    // One data event of the recognition client: replaces the reply pieces and returns the
    // captions of cells 1..k from the first k <= 10 pieces; later cells keep theirs. Each
    // distinct piece is evaluated only the first time it arrives (decodedPieces keeps its
    // caption); pieces longer than kLongestPiece bytes get the empty caption.
    CandidateCaptions decode(const ByteString& received, ExpressionEvaluator& evaluator);

    // Pieces of the last recognition reply after splitting.
    Array<Text> replyPieces;
    // The caption each reply piece decoded to, so that a piece is evaluated only once: it
    // grows with the distinct candidates ever seen, the script engine with every evaluation.
    std::map<Text, Text> decodedPieces;

  private:
    Text captionOf(const Text& piece, ExpressionEvaluator& evaluator);
};
