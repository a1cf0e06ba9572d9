// Keeps COUNT connections open to a service, each sending a request head one line a second
// and never finishing it; a connection the service closes is opened again. For SECONDS.
// usage: slow_clients PORT COUNT SECONDS
#include <arpa/inet.h>
#include <netinet/in.h>
#include <poll.h>
#include <sys/resource.h>
#include <sys/socket.h>
#include <unistd.h>

#include <chrono>
#include <cstdio>
#include <cstdlib>
#include <string>
#include <thread>
#include <vector>

namespace {

// Spread over loopback addresses, as many clients would be, so that the per-address cap of
// the service does not refuse them.
constexpr int kPerAddress = 50;

int openDripping(int port, int index) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    sockaddr_in local{};
    local.sin_family = AF_INET;
    std::string from = "127.0." + std::to_string(1 + index / (kPerAddress * 250)) + "." +
                       std::to_string(2 + index / kPerAddress % 250);
    inet_pton(AF_INET, from.c_str(), &local.sin_addr);
    sockaddr_in remote{};
    remote.sin_family = AF_INET;
    remote.sin_port = htons(static_cast<uint16_t>(port));
    remote.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0 ||
        connect(fd, reinterpret_cast<sockaddr*>(&remote), sizeof remote) != 0 ||
        send(fd, "POST / HTTP/1.1\r\n", 17, MSG_NOSIGNAL) != 17) {
        close(fd);
        return -1;
    }
    return fd;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc != 4) {
        std::fprintf(stderr, "usage: %s PORT COUNT SECONDS\n", argv[0]);
        return 2;
    }
    int port = std::atoi(argv[1]);
    int count = std::atoi(argv[2]);
    int seconds = std::atoi(argv[3]);
    rlimit files{};
    getrlimit(RLIMIT_NOFILE, &files);
    files.rlim_cur = files.rlim_max;
    setrlimit(RLIMIT_NOFILE, &files);

    std::vector<int> fds(static_cast<std::size_t>(count), -1);
    long reopened = 0;
    auto end = std::chrono::steady_clock::now() + std::chrono::seconds(seconds);
    for (int line = 0; std::chrono::steady_clock::now() < end; ++line) {
        std::string header = "X-Slow-" + std::to_string(line) + ": 1\r\n";
        for (int i = 0; i < count; ++i) {
            int& fd = fds[static_cast<std::size_t>(i)];
            char ignored[512];
            bool closed = fd >= 0 && recv(fd, ignored, sizeof ignored, MSG_DONTWAIT) == 0;
            if (fd >= 0 && !closed &&
                send(fd, header.data(), header.size(), MSG_NOSIGNAL | MSG_DONTWAIT) > 0)
                continue;
            if (fd >= 0) {
                close(fd);
                ++reopened;
            }
            fd = openDripping(port, i);
        }
        std::this_thread::sleep_for(std::chrono::seconds(1));
    }
    int open = 0;
    for (int fd : fds) {
        if (fd >= 0) {
            ++open;
            close(fd);
        }
    }
    std::printf("slow clients: %d open at the end, %ld reopened after the service closed them\n",
                open, reopened);
    return 0;
}
