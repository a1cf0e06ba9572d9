#pragma once
// An optional trace of the panel's start-up and tracking, for the tests and benchmarks that drive
// the panel from outside: with HANDWRITING_PANEL_TRACE naming a file, one line per event is
// appended to it, each starting with the tick count in milliseconds. Off (and free) otherwise.

void tracePanel(const char* format, ...) __attribute__((format(printf, 1, 2)));
