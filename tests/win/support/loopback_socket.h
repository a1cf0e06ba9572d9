#pragma once
// Pieces of the small HTTP servers the Windows tests run on 127.0.0.1: a listener on an
// ephemeral port, reading a request head, writing a whole answer.

#include <winsock2.h>

#include <string>

namespace loopback {

// A listening socket on 127.0.0.1 and a port the system picks; `port` receives it.
inline SOCKET listenOnEphemeralPort(unsigned short& port, int backlog) {
    SOCKET listener = ::socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = 0;
    ::bind(listener, reinterpret_cast<sockaddr*>(&address), sizeof(address));
    ::listen(listener, backlog);
    int size = sizeof(address);
    ::getsockname(listener, reinterpret_cast<sockaddr*>(&address), &size);
    port = ntohs(address.sin_port);
    return listener;
}

// The bytes up to and including the blank line that ends the request head (or what came
// before the client stopped sending).
inline std::string readRequestHead(SOCKET client) {
    std::string head;
    char chunk[1024];
    while (head.find("\r\n\r\n") == std::string::npos) {
        const int n = ::recv(client, chunk, sizeof(chunk), 0);
        if (n <= 0) {
            break;
        }
        head.append(chunk, static_cast<std::size_t>(n));
    }
    return head;
}

inline bool sendAll(SOCKET s, const std::string& data) {
    std::size_t sent = 0;
    while (sent < data.size()) {
        const int n = ::send(s, data.data() + sent, static_cast<int>(data.size() - sent), 0);
        if (n <= 0) {
            return false;
        }
        sent += static_cast<std::size_t>(n);
    }
    return true;
}

}  // namespace loopback
