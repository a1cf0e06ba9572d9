#include "app/panel_trace.h"

#include <windows.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>

void tracePanel(const char* format, ...) {
    static const char* const path = std::getenv("HANDWRITING_PANEL_TRACE");
    if (!path || !*path) {
        return;
    }
    FILE* file = std::fopen(path, "ab");
    if (!file) {
        return;
    }
    std::fprintf(file, "%lu ", static_cast<unsigned long>(GetTickCount()));
    va_list arguments;
    va_start(arguments, format);
    std::vfprintf(file, format, arguments);
    va_end(arguments);
    std::fputc('\n', file);
    std::fclose(file);
}
