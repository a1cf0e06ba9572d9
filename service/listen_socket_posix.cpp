#include <arpa/inet.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "listen_socket.h"

namespace service {

void setListenSocketOptions(NativeSocket socket) {
    int on = 1;
    ::setsockopt(socket, SOL_SOCKET, SO_REUSEADDR, &on, sizeof on);
}

std::string bindFailure(const std::string& host, int port) {
    int fd = ::socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return std::strerror(errno);
    setListenSocketOptions(fd);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<std::uint16_t>(port));
    std::string reason = "cannot resolve the address";
    if (::inet_pton(AF_INET, host.c_str(), &address.sin_addr) == 1) {
        reason = ::bind(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) == 0
                     ? "bind failed"
                     : std::strerror(errno);
    }
    ::close(fd);
    return reason;
}

}  // namespace service
