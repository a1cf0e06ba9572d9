#pragma once
// A member function defined in its own file, so that callers forward to it rather than inline it.

#include <string>

struct ForwardingSink {
    void take(const std::string& text);
    std::string last;
    int calls = 0;
};

extern ForwardingSink forwardingSink;
