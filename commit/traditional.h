#pragma once
// The traditional form of a committed character. Only the information line shows it: the
// bytes typed into the target application stay those of the candidate.

#include "text/text_operations.h"

// A mapping with LCMapStringA's contract: writes at most `destinationLength` bytes of the
// mapped source into `destination` (no terminator) and returns how many, 0 on failure.
using TextMapping = int (*)(const char* source, int sourceLength, char* destination,
                            int destinationLength);

// The mapped form of `text` within its own byte length: `mapping` writes into a buffer of as
// many spaces as `text` has bytes, and the result is that buffer up to its first zero byte.
// A failed mapping gives the spaces, whatever it may have scribbled into the buffer first.
Text mapWithinLength(const Text& text, TextMapping mapping);

// Windows only (library commit_win): `text` in traditional characters through LCMapStringA
// (Chinese PRC, LCMAP_TRADITIONAL_CHINESE), in the same number of bytes. Wine returns the
// input unchanged; Windows maps it.
Text toTraditional(const Text& text);
