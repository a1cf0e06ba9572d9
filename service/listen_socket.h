// What the listening socket needs from the system, which Linux and Windows answer differently.
#pragma once

#include <cstdint>
#include <string>

namespace service {

#ifdef _WIN32
using NativeSocket = std::uintptr_t;  // SOCKET
#else
using NativeSocket = int;
#endif

// A restarted service takes its port back at once, but a second program can never share it
// (on Linux SO_REUSEADDR alone; on Windows that option would let another program take the
// port over, so the port is held exclusively instead).
void setListenSocketOptions(NativeSocket socket);

// Why binding host:port fails ("address already in use", ...), asked of the system with a
// socket of its own, since the HTTP library keeps no error code.
std::string bindFailure(const std::string& host, int port);

}  // namespace service
