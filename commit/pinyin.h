#pragma once

#include "text/text_operations.h"

// Toneless pinyin of the first character of `text` from the built-in table; `reading` 1 is the
// most common reading, 2 and 3 further ones (below 1 counts as 1). Empty when the text does
// not start with a character of the GB2312 hanzi block or the character has no such reading.
// ü is written u (女 gives "nu").
Text localPinyin(const Text& text, int reading);
