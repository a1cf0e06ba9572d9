#include "recognition/strokes.h"

void Strokes::appendPoint(std::int32_t x, std::int32_t y) {
    text_ += "a" + valueToText(x) + "a" + valueToText(y);
}

void Strokes::endStroke() {
    text_ += "a";
}

StrokeFields Strokes::requestFields() const {
    const int n = textLength(text_);
    return StrokeFields{midText(text_, 2, n - 2), valueToText(static_cast<double>(n) + 8)};
}
