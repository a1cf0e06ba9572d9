#pragma once
// How much the page fetch asks WinINet for per read, from the response's Content-Length.
// Portable: the header text is whatever the server sent.

// The length plus one, at most 102400; 10240 when the text is null (no header), unreadable or
// not positive. A length of any size, even past what 64 bits hold, gives the bound.
unsigned long pageReadBufferSize(const char* contentLength);
