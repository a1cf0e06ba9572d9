// The service against clients that trickle, stall or come in crowds, and its stop: none of
// them may keep it from answering everyone else.
#include <dirent.h>
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <fstream>
#include <string>
#include <thread>
#include <vector>

#include "service_process.h"

using namespace servicetest;
using Clock = std::chrono::steady_clock;
using std::chrono::milliseconds;

namespace {

const std::string kOrdinary = panelRequest("10a20a13a20a16a24");

// Unoptimised and sanitised, parsing a thousand header lines a second takes the event thread
// long enough to show; the bound there only tells an answer from a hang.
#ifdef SANITIZED_BUILD
constexpr milliseconds kSlowestAllowed{1000};
#else
constexpr milliseconds kSlowestAllowed{200};
#endif

std::size_t openDescriptors(pid_t pid) {
    std::size_t count = 0;
    if (DIR* fds = opendir(("/proc/" + std::to_string(pid) + "/fd").c_str())) {
        while (readdir(fds)) ++count;
        closedir(fds);
    }
    return count;
}

long residentKiB(pid_t pid) {
    std::ifstream status("/proc/" + std::to_string(pid) + "/status");
    std::string line;
    while (std::getline(status, line)) {
        if (line.rfind("VmRSS:", 0) == 0)
            return std::stol(line.substr(6));
    }
    return -1;
}

// Connections that send a request head one line at a time and never finish it.
class DrippingClients {
  public:
    // `count` connections spread over the loopback addresses 127.0.0.2 onwards, `perAddress`
    // from each, so that the per-client cap does not refuse them.
    DrippingClients(int port, int count, int perAddress) {
        for (int i = 0; i < count; ++i) {
            std::string from = "127.0.0." + std::to_string(2 + i / perAddress);
            int fd = connectLoopback(port, from.c_str());
            if (fd < 0)
                break;
            fds_.push_back(fd);
            send(fd, "POST / HTTP/1.1\r\n", 17, MSG_NOSIGNAL | MSG_DONTWAIT);
        }
    }
    ~DrippingClients() {
        for (int fd : fds_) close(fd);
    }
    std::size_t size() const { return fds_.size(); }
    void dripLine(int n) {
        std::string line = "X-Drip-" + std::to_string(n) + ": 1\r\n";
        for (int fd : fds_) send(fd, line.data(), line.size(), MSG_NOSIGNAL | MSG_DONTWAIT);
    }
    // How many the service has closed by `deadline`.
    std::size_t closedBy(Clock::time_point deadline) {
        std::size_t closed = 0;
        for (int fd : fds_) {
            std::string ignored;
            auto left = std::chrono::duration_cast<milliseconds>(deadline - Clock::now());
            closed += readUntilClosed(fd, ignored, std::max(left, milliseconds(1)));
        }
        return closed;
    }

  private:
    std::vector<int> fds_;
};

}  // namespace

TEST(SlowClients, AThousandDrippingClientsDelayNoOrdinaryRequestAndAreCutOffAtTheirDeadline) {
    const auto deadline = milliseconds(4000);
    ServiceProcess service(SERVICE_BINARY, {"--threads", "4", "--timeout", "4000"});
    ASSERT_TRUE(service.running()) << service.output();
    // What an ordinary request costs alone, for the record.
    Clock::duration alone{};
    for (int i = 0; i < 5; ++i) {
        auto start = Clock::now();
        ASSERT_EQ(statusOf(exchange(service.port(), kOrdinary)), 200);
        alone = std::max(alone, Clock::now() - start);
    }
    long before = residentKiB(service.pid());

    auto connected = Clock::now();
    DrippingClients slow(service.port(), 1000, 50);
    ASSERT_EQ(slow.size(), 1000u);
    std::atomic<bool> done{false};
    std::thread dripper([&] {
        for (int n = 0; n < 10 && !done; ++n) {
            slow.dripLine(n);
            for (int i = 0; i < 10 && !done; ++i) std::this_thread::sleep_for(milliseconds(100));
        }
    });

    // Once all are accepted, so that what is measured is their dripping, not their arrival.
    for (int i = 0; i < 100 && openDescriptors(service.pid()) < slow.size(); ++i)
        std::this_thread::sleep_for(milliseconds(50));
    Clock::duration slowest{};
    int answered = 0;
    for (int i = 0; i < 20; ++i) {
        auto start = Clock::now();
        std::string reply = exchange(service.port(), kOrdinary, milliseconds(5000));
        slowest = std::max(slowest, Clock::now() - start);
        answered += statusOf(reply) == 200 && bodyOf(reply).find("\\u") != std::string::npos;
        std::this_thread::sleep_for(milliseconds(100));
    }
    long during = residentKiB(service.pid());
    std::printf(
        "slowest of 20 ordinary requests: %.1f ms (alone %.1f ms); resident %ld KiB "
        "before, %ld KiB with %zu slow clients\n",
        std::chrono::duration<double, std::milli>(slowest).count(),
        std::chrono::duration<double, std::milli>(alone).count(), before, during, slow.size());
    EXPECT_EQ(answered, 20);
    EXPECT_LT(slowest, kSlowestAllowed)
        << std::chrono::duration_cast<milliseconds>(slowest).count() << " ms, alone "
        << std::chrono::duration_cast<milliseconds>(alone).count() << " ms";
    EXPECT_LT(during - before, 32 * 1024) << before << " KiB before, " << during << " during";

    // Dripping a line a second does not buy more time than the deadline.
    EXPECT_EQ(slow.closedBy(connected + deadline + milliseconds(3000)), slow.size());
    done = true;
    dripper.join();
    EXPECT_EQ(statusOf(exchange(service.port(), kOrdinary)), 200);
    EXPECT_TRUE(service.alive());
    EXPECT_NE(service.output().find(" 408 "), std::string::npos);
}

TEST(ConnectionCaps, ConnectionsOverEitherCapAreRefusedWith503UntilOthersClose) {
    ServiceProcess service(SERVICE_BINARY, {"--max-connections", "8", "--max-per-client", "3"});
    ASSERT_TRUE(service.running()) << service.output();
    std::vector<int> held;
    for (int i = 0; i < 3; ++i) held.push_back(connectLoopback(service.port(), "127.0.0.2"));
    std::string refused = exchange(service.port(), kOrdinary, milliseconds(3000), "127.0.0.2");
    EXPECT_EQ(statusOf(refused), 503) << refused;
    EXPECT_NE(refused.find("Retry-After"), std::string::npos);
    EXPECT_EQ(statusOf(exchange(service.port(), kOrdinary, milliseconds(3000))), 200);

    for (const char* from : {"127.0.0.3", "127.0.0.3", "127.0.0.3", "127.0.0.4", "127.0.0.4"})
        held.push_back(connectLoopback(service.port(), from));
    for (int fd : held) ASSERT_GE(fd, 0);
    EXPECT_EQ(statusOf(exchange(service.port(), kOrdinary, milliseconds(3000))), 503);

    // Closed connections give their places back.
    for (int fd : held) close(fd);
    int status = 0;
    for (int i = 0; i < 40 && status != 200; ++i) {
        std::this_thread::sleep_for(milliseconds(50));
        status = statusOf(exchange(service.port(), kOrdinary, milliseconds(3000), "127.0.0.2"));
    }
    EXPECT_EQ(status, 200);
    EXPECT_NE(service.output().find(" 503 "), std::string::npos);
}

TEST(ServiceProgram, SigtermFinishesTheRequestUnderWayThenExits) {
    ServiceProcess service(SERVICE_BINARY);
    ASSERT_TRUE(service.running()) << service.output();
    int fd = connectLoopback(service.port());
    ASSERT_GE(fd, 0);
    std::size_t head = kOrdinary.size() - 6;
    ASSERT_EQ(send(fd, kOrdinary.data(), head, MSG_NOSIGNAL), static_cast<ssize_t>(head));
    std::this_thread::sleep_for(milliseconds(200));
    kill(service.pid(), SIGTERM);
    std::this_thread::sleep_for(milliseconds(300));
    EXPECT_LT(connectLoopback(service.port()), 0) << "still taking new connections";
    ASSERT_EQ(send(fd, kOrdinary.data() + head, 6, MSG_NOSIGNAL), 6);
    std::string reply;
    EXPECT_TRUE(readUntilClosed(fd, reply, milliseconds(5000)));
    close(fd);
    EXPECT_EQ(statusOf(reply), 200) << reply;
    EXPECT_NE(bodyOf(reply).find("\\u"), std::string::npos) << reply;
    EXPECT_EQ(service.terminate(), 0);
    EXPECT_NE(service.output().find("stopped"), std::string::npos);
}
