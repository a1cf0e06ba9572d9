#include "tests/win/support/forwarding_sink.h"

ForwardingSink forwardingSink;

void ForwardingSink::take(const std::string& text) {
    last = text;
    ++calls;
}
