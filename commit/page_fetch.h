#pragma once
// Reads a whole web resource over WinINet and returns its body. Blocking; safe on any thread
// (the dictionary lookup calls it on its worker). Failures are not reported: they give an
// empty byte string, or what was read before a read broke off. The HTTP status is not looked
// at, so an error page's body comes back like any other.

#include <cstddef>

#include "commit/page_read_size.h"
#include "text/text_operations.h"

// A fetch keeps at most this many bytes: a hostile or broken server that never ends its body
// must not make the panel's memory grow without bound.
constexpr std::size_t kPageFetchLimit = 1024 * 1024;

ByteString fetchUrl(const Text& url);
