#pragma once
// Association: after a commit the candidate cells offer the characters that most often come
// next, so that a user writes one character of a word and picks the rest. From the built-in
// table (association_table.h): offline and instant.

#include <vector>

#include "text/text_operations.h"

// The characters that most often follow `last`, the character just committed, best first: at
// most ten, each one two-byte GBK hanzi. `before` is the character committed before it (empty
// when none); where the table knows the two together, they decide. Empty when `last` is not one
// GBK character or nothing is known to follow it.
std::vector<Text> followingCharacters(const Text& before, const Text& last);
