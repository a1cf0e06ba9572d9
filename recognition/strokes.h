#pragma once
// The stroke text of the character being written, as a value: sampled points and stroke ends
// go in, the text and the request's two fields come out. The wire format of the strokes lives
// here and nowhere else.
//
// Every sampled point is "a" x "a" y (decimal pad pixels), every stroke end one further "a"; the
// text grows until it is cleared.

#include <cstdint>

#include "text/text_operations.h"

// What the request template is filled with.
struct StrokeFields {
    // The stroke text without its first and last byte: the leading "a" of the first point goes,
    // and so does the last byte (a closing "a" at a stroke end, the last digit of the last y in
    // the middle of a stroke).
    Text strokeData;
    // The body's length in decimal: the stroke text's length plus 8 ("wd=", the n - 2 data
    // bytes, "&type=1").
    Text contentLength;
};

class Strokes {
  public:
    void appendPoint(std::int32_t x, std::int32_t y);
    void endStroke();
    void clear() { text_.clear(); }

    const Text& text() const { return text_; }
    bool empty() const { return text_.empty(); }
    StrokeFields requestFields() const;

    friend bool operator==(const Strokes& a, const Strokes& b) { return a.text_ == b.text_; }

  private:
    Text text_;
};
