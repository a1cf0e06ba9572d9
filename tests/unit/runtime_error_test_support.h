#pragma once

// What a fatal runtime error leaves behind under the default reporter, for death tests.

#include <gtest/gtest.h>

#include <string>

#include "text/runtime_error.h"

// exit(-1) reads back as 255 from a POSIX wait status; Windows keeps the full value.
#ifdef _WIN32
constexpr int kFatalExitCode = -1;
#else
constexpr int kFatalExitCode = 255;
#endif

// Exactly the caption, a line break and the composed report: nothing else reaches stderr.
inline ::testing::Matcher<const std::string&> expectedStderr(int code,
                                                             const std::string& information) {
    return ::testing::Matcher<const std::string&>(std::string(kRuntimeErrorCaption) + "\n" +
                                                  composeRuntimeErrorReport(code, information));
}
