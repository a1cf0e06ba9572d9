// Shrinking a trained zinnia model: each character keeps only its strongest weights. The
// recogniser's time per character is proportional to the weights it holds, so this is what
// keeps recognition fast with thousands of characters.
#pragma once

#include <string>

namespace training {

// One line of zinnia's text model: "<character> <bias> <index>:<weight> ...". Keeps the
// `keep` weights of largest magnitude (index 0, the constant feature, always stays), in index
// order. False, with `error` set, for a line that is not in that form.
bool pruneModelLine(const std::string& line, int keep, std::string& out, std::string& error);

}  // namespace training
