#pragma once

// The reference value: the smallest pen movement, in pad pixels, that makes the pad take a new
// point. Entered as text in a small input box and held within 3..8.

#include "text/text_operations.h"

constexpr int kReferenceValueMinimum = 3;
constexpr int kReferenceValueMaximum = 8;
constexpr int kReferenceValueAtStart = 3;

// The input box mode that accepts only decimal numbers while typing.
constexpr int kInputModeDecimalNumber = 3;

// The integer at the start of an entry: leading white space skipped, an optional sign, then
// decimal digits up to the first other character; no digits give 0 ("4.9" gives 4, "" gives
// 0). Digit runs beyond the 32-bit range saturate instead of overflowing.
int leadingInteger(const Text& entry);

// `value` held within 3..8.
int clampReferenceValue(int value);

// The reference value a confirmed entry sets.
int referenceValueFromEntry(const Text& entry);

// Whether a character typed in decimal-number mode reaches the edit field: control characters
// (below 0x20: Backspace, Ctrl+V, ...) and "-", "." and the digits; nothing else.
bool acceptsTypedCharacterInNumberMode(unsigned int character);
