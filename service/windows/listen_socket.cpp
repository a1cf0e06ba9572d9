#include <winsock2.h>
#include <ws2tcpip.h>

#include "listen_socket.h"

namespace service {
namespace {

// Fixed English texts rather than FormatMessage's: the log and the tests read them, and the
// system's would be in the user's language and code page.
std::string describe(int code) {
    switch (code) {
        case WSAEADDRINUSE:
            return "address already in use (another program serves this port)";
        case WSAEACCES:
            return "access denied (another program holds this port exclusively, or it is "
                   "reserved)";
        case WSAEADDRNOTAVAIL:
            return "the address is not one of this computer's";
        default:
            return "Windows socket error " + std::to_string(code);
    }
}

}  // namespace

void setListenSocketOptions(NativeSocket socket) {
    BOOL on = TRUE;
    ::setsockopt(static_cast<SOCKET>(socket), SOL_SOCKET, SO_EXCLUSIVEADDRUSE,
                 reinterpret_cast<const char*>(&on), sizeof on);
}

std::string bindFailure(const std::string& host, int port) {
    // The HTTP library has started Windows sockets by the time a bind can fail.
    SOCKET s = ::socket(AF_INET, SOCK_STREAM, IPPROTO_TCP);
    if (s == INVALID_SOCKET)
        return describe(WSAGetLastError());
    setListenSocketOptions(s);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<u_short>(port));
    std::string reason = "cannot resolve the address";
    if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) == 1) {
        reason = ::bind(s, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
                     ? "bind failed"
                     : describe(WSAGetLastError());
    }
    ::closesocket(s);
    return reason;
}

}  // namespace service
