// Runs the real service binary on a loopback port for tests and benchmarks, and talks to it
// with raw bytes, the way the panel does.
#pragma once

#include <sys/types.h>

#include <chrono>
#include <string>
#include <vector>

namespace servicetest {

class ServiceProcess {
  public:
    // Starts `binary` with --listen 127.0.0.1 --port 0 and the extra arguments, and waits for
    // its "listening on" line. running() is false when it did not come up.
    ServiceProcess(const std::string& binary, const std::vector<std::string>& extraArguments = {});
    ~ServiceProcess();

    bool running() const { return pid_ > 0 && port_ > 0; }
    int port() const { return port_; }
    pid_t pid() const { return pid_; }
    bool alive();
    // Sends the signal (SIGTERM by default) and waits; the exit status, or -1 when it had to be
    // killed. A service that stops on a command instead (stopsWithCommand()) is sent that.
    int terminate(std::chrono::milliseconds patience = std::chrono::milliseconds(5000),
                  int signalNumber = 15);
    // Everything the service printed so far (its log).
    std::string output();

  private:
    void readAvailable(int timeoutMs);
    std::string binary_;
    pid_t pid_ = -1;
    int outFd_ = -1;
    int port_ = -1;
    std::string output_;
};

// The service under test: SERVICE_UNDER_TEST from the environment (a launcher that runs the
// Windows service under Wine), else `builtIn`.
std::string serviceUnderTest(const std::string& builtIn);
// True when the service under test is stopped with `--stop --port N` rather than a signal
// (SERVICE_STOP_COMMAND=--stop in the environment: the Windows service).
bool stopsWithCommand();
// A file path as the service under test names it: the Windows service under Wine reaches the
// Linux file system through drive Z: (SERVICE_PATH_PREFIX=Z: in the environment).
std::string servicePath(const std::string& path);

// Result of running a program to its end: exit status and everything it wrote.
struct Finished {
    int status = -1;
    std::string output;
};
Finished runToEnd(const std::string& binary, const std::vector<std::string>& arguments,
                  std::chrono::milliseconds patience = std::chrono::milliseconds(10000));

// Connects to 127.0.0.1:port, from the loopback address `from` (127.0.0.1 when null), so that
// one test can be many clients; -1 on failure.
int connectLoopback(int port, const char* from = nullptr);
// Sends bytes, then reads until the peer closes or `patience` passes; the raw received bytes.
std::string exchange(int port, const std::string& request,
                     std::chrono::milliseconds patience = std::chrono::milliseconds(10000),
                     const char* from = nullptr);
// Reads from an open socket until the peer closes; false when it did not within `patience`.
bool readUntilClosed(int fd, std::string& received, std::chrono::milliseconds patience);

// The panel's recognition request for an inner stroke text: 15 fixed lines, body wd=...&type=1.
std::string panelRequest(const std::string& innerStrokeText);

// Status code of a raw HTTP reply; 0 when there is none.
int statusOf(const std::string& reply);
// The body of a raw reply (after the blank line).
std::string bodyOf(const std::string& reply);

}  // namespace servicetest
