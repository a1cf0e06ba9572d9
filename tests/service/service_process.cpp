#include "service_process.h"

#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <poll.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <thread>

namespace servicetest {
namespace {

using Clock = std::chrono::steady_clock;

pid_t spawn(const std::string& binary, const std::vector<std::string>& arguments, int& outFd) {
    int pipeFds[2];
    if (pipe(pipeFds) != 0)
        return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(pipeFds[1], 1);
        dup2(pipeFds[1], 2);
        close(pipeFds[0]);
        close(pipeFds[1]);
        std::vector<char*> argv;
        argv.push_back(const_cast<char*>(binary.c_str()));
        for (const std::string& a : arguments) argv.push_back(const_cast<char*>(a.c_str()));
        argv.push_back(nullptr);
        execv(binary.c_str(), argv.data());
        _exit(127);
    }
    close(pipeFds[1]);
    outFd = pipeFds[0];
    fcntl(outFd, F_SETFL, O_NONBLOCK);
    return pid;
}

bool readSome(int fd, std::string& into, int timeoutMs) {
    pollfd p{fd, POLLIN, 0};
    if (poll(&p, 1, timeoutMs) <= 0)
        return true;
    char buffer[4096];
    ssize_t n = read(fd, buffer, sizeof buffer);
    if (n > 0)
        into.append(buffer, static_cast<std::size_t>(n));
    return n != 0;
}

}  // namespace

std::string serviceUnderTest(const std::string& builtIn) {
    const char* launcher = std::getenv("SERVICE_UNDER_TEST");
    return launcher && *launcher ? launcher : builtIn;
}

bool stopsWithCommand() {
    const char* command = std::getenv("SERVICE_STOP_COMMAND");
    return command && *command;
}

std::string servicePath(const std::string& path) {
    const char* prefix = std::getenv("SERVICE_PATH_PREFIX");
    return (prefix ? prefix : "") + path;
}

ServiceProcess::ServiceProcess(const std::string& binary, const std::vector<std::string>& extra)
    : binary_(binary) {
    std::vector<std::string> arguments = {"--listen", "127.0.0.1", "--port", "0"};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    pid_ = spawn(binary, arguments, outFd_);
    if (pid_ <= 0)
        return;
    auto deadline = Clock::now() + std::chrono::seconds(30);  // the model takes a moment to map
    while (Clock::now() < deadline) {
        readAvailable(100);
        std::size_t at = output_.find("listening on 127.0.0.1:");
        if (at != std::string::npos && output_.find(' ', at + 23) != std::string::npos) {
            port_ = std::atoi(output_.c_str() + at + 23);
            return;
        }
        if (!alive())
            return;
    }
}

ServiceProcess::~ServiceProcess() {
    if (pid_ > 0)
        terminate(std::chrono::milliseconds(2000));
    if (outFd_ >= 0)
        close(outFd_);
}

void ServiceProcess::readAvailable(int timeoutMs) {
    if (outFd_ >= 0)
        readSome(outFd_, output_, timeoutMs);
}

bool ServiceProcess::alive() {
    if (pid_ <= 0)
        return false;
    int status = 0;
    return waitpid(pid_, &status, WNOHANG) == 0;
}

int ServiceProcess::terminate(std::chrono::milliseconds patience, int signalNumber) {
    if (pid_ <= 0)
        return -1;
    if (stopsWithCommand() && port_ > 0)
        runToEnd(binary_, {std::getenv("SERVICE_STOP_COMMAND"), "--port", std::to_string(port_)},
                 patience);
    else
        kill(pid_, signalNumber);
    // The patience is the service's, from the moment it was asked: a stop command's own start
    // (a Windows program under Wine, seconds on a busy machine) does not eat into it.
    auto deadline = Clock::now() + patience;
    int status = 0;
    while (Clock::now() < deadline) {
        readAvailable(20);
        if (waitpid(pid_, &status, WNOHANG) == pid_) {
            pid_ = -1;
            readAvailable(0);
            return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
        }
    }
    kill(pid_, SIGKILL);
    waitpid(pid_, &status, 0);
    pid_ = -1;
    return -1;
}

std::string ServiceProcess::output() {
    readAvailable(50);
    return output_;
}

Finished runToEnd(const std::string& binary, const std::vector<std::string>& arguments,
                  std::chrono::milliseconds patience) {
    Finished result;
    int fd = -1;
    pid_t pid = spawn(binary, arguments, fd);
    if (pid <= 0)
        return result;
    auto deadline = Clock::now() + patience;
    int status = 0;
    while (Clock::now() < deadline) {
        readSome(fd, result.output, 20);
        if (waitpid(pid, &status, WNOHANG) == pid) {
            for (int i = 0; i < 100 && readSome(fd, result.output, 50); ++i) {
            }
            result.status = WIFEXITED(status) ? WEXITSTATUS(status) : -1;
            close(fd);
            return result;
        }
    }
    kill(pid, SIGKILL);
    waitpid(pid, &status, 0);
    close(fd);
    return result;
}

int connectLoopback(int port, const char* from) {
    int fd = socket(AF_INET, SOCK_STREAM, 0);
    if (fd < 0)
        return -1;
    if (from) {
        sockaddr_in local{};
        local.sin_family = AF_INET;
        if (inet_pton(AF_INET, from, &local.sin_addr) != 1 ||
            bind(fd, reinterpret_cast<sockaddr*>(&local), sizeof local) != 0) {
            close(fd);
            return -1;
        }
    }
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_port = htons(static_cast<uint16_t>(port));
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (connect(fd, reinterpret_cast<sockaddr*>(&address), sizeof address) != 0) {
        close(fd);
        return -1;
    }
    return fd;
}

bool readUntilClosed(int fd, std::string& received, std::chrono::milliseconds patience) {
    auto deadline = Clock::now() + patience;
    char buffer[8192];
    while (Clock::now() < deadline) {
        pollfd p{fd, POLLIN, 0};
        int left = static_cast<int>(
            std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now()).count());
        if (poll(&p, 1, std::max(left, 1)) <= 0)
            continue;
        ssize_t n = recv(fd, buffer, sizeof buffer, 0);
        if (n <= 0)
            return true;  // closed (or reset) by the peer
        received.append(buffer, static_cast<std::size_t>(n));
    }
    return false;
}

std::string exchange(int port, const std::string& request, std::chrono::milliseconds patience,
                     const char* from) {
    int fd = connectLoopback(port, from);
    if (fd < 0)
        return std::string();
    std::size_t sent = 0;
    while (sent < request.size()) {
        ssize_t n = send(fd, request.data() + sent, request.size() - sent, MSG_NOSIGNAL);
        if (n <= 0)
            break;  // the service may answer (413) and close before reading it all
        sent += static_cast<std::size_t>(n);
    }
    std::string received;
    readUntilClosed(fd, received, patience);
    close(fd);
    return received;
}

std::string panelRequest(const std::string& inner) {
    std::string text =
        "POST / HTTP/1.1\r\n"
        "Accept: */*\r\n"
        "Accept-Language: zh-CN\r\n"
        "Referer: http://127.0.0.1/swf/main.swf?v=1.1\r\n"
        "x-flash-version: 10,0,12,36\r\n"
        "Content-Type: application/x-www-form-urlencoded\r\n"
        "Content-Length: long\r\n"
        "Accept-Encoding: gzip, deflate\r\n"
        "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)\r\n"
        "Host: 127.0.0.1\r\n"
        "Connection: Keep-Alive\r\n"
        "Cache-Control: no-cache\r\n"
        "Cookie: MORVAID=6D3A9F0C51B87E24D0A6C3F9185E7B42:FG=1\r\n"
        "\r\n"
        "wd=ldong&type=1";
    text.replace(text.find("ldong"), 5, inner);
    text.replace(text.find("long"), 4, std::to_string(inner.size() + 10));
    return text;
}

int statusOf(const std::string& reply) {
    if (reply.rfind("HTTP/1.", 0) != 0 || reply.size() < 12)
        return 0;
    return std::atoi(reply.c_str() + 9);
}

std::string bodyOf(const std::string& reply) {
    std::size_t at = reply.find("\r\n\r\n");
    return at == std::string::npos ? std::string() : reply.substr(at + 4);
}

}  // namespace servicetest
