#include "recognition/notification_read.h"

#include <gtest/gtest.h>

#include <algorithm>
#include <vector>

namespace {

// A socket with `readable` bytes waiting (endless when `endless`), whose clock moves on by
// `millisecondsPerRead` with every read.
class FakeSocket : public NotificationSocket {
  public:
    std::string readable;
    bool endless = false;
    bool askable = true;
    unsigned long announced = 0;
    std::uint64_t now = 1000;
    std::uint64_t millisecondsPerRead = 0;
    std::vector<int> reads;

    bool waitingBytes(unsigned long& count) override {
        count = announced;
        return askable;
    }
    int receive(char* buffer, int size) override {
        reads.push_back(size);
        now += millisecondsPerRead;
        if (endless) {
            std::fill(buffer, buffer + size, 'x');
            return size;
        }
        const int count = std::min(size, static_cast<int>(readable.size()));
        readable.copy(buffer, static_cast<std::size_t>(count));
        readable.erase(0, static_cast<std::size_t>(count));
        return count;
    }
    std::uint64_t milliseconds() override { return now; }
};

std::string pattern(std::size_t size) {
    std::string bytes;
    for (std::size_t i = 0; i < size; ++i) {
        bytes += static_cast<char>(i * 7);
    }
    return bytes;
}

TEST(ReadNotification, ReplyWithinTheBoundIsReadWholeAsBefore) {
    FakeSocket socket;
    socket.readable = pattern(3000);
    socket.announced = 3000;
    NotificationBytes read = readNotification(socket, 0);
    EXPECT_EQ(read.bytes, pattern(3000));
    EXPECT_FALSE(read.overLimit);
    EXPECT_EQ(socket.reads, (std::vector<int>{3000, 1024}));

    // Exactly the bound, announced in part: all of it, and the connection may stay.
    FakeSocket full;
    full.readable = pattern(kConnectionByteLimit);
    full.announced = 40000;
    read = readNotification(full, 0);
    EXPECT_EQ(read.bytes, pattern(kConnectionByteLimit));
    EXPECT_FALSE(read.overLimit);

    // Nothing announced: one byte is asked for.
    FakeSocket quiet;
    quiet.readable = "ab";
    read = readNotification(quiet, 0);
    EXPECT_EQ(read.bytes, "ab");
    EXPECT_EQ(quiet.reads.front(), 1);
}

TEST(ReadNotification, NoConnectionHandsOnMoreThanTheBound) {
    FakeSocket flood;
    flood.endless = true;
    flood.announced = 4u << 20;
    NotificationBytes read = readNotification(flood, 0);
    EXPECT_EQ(read.bytes.size(), kConnectionByteLimit);
    EXPECT_TRUE(read.overLimit);
    // One read of the bound and the byte that tells there is more: nothing else is taken.
    EXPECT_EQ(flood.reads, (std::vector<int>{static_cast<int>(kConnectionByteLimit) + 1}));

    // What earlier events of the connection handed on counts.
    FakeSocket later;
    later.readable = pattern(10000);
    later.announced = 10000;
    read = readNotification(later, kConnectionByteLimit - 100);
    EXPECT_EQ(read.bytes, pattern(100));
    EXPECT_TRUE(read.overLimit);

    FakeSocket spent;
    spent.readable = "x";
    spent.announced = 1;
    read = readNotification(spent, kConnectionByteLimit);
    EXPECT_TRUE(read.bytes.empty());
    EXPECT_TRUE(read.overLimit);
}

TEST(ReadNotification, ReadingStopsWhenItsTimeIsUp) {
    // A sender that keeps the socket readable, a kilobyte a millisecond.
    FakeSocket drip;
    drip.endless = true;
    drip.announced = 10;
    drip.millisecondsPerRead = 1;
    NotificationBytes read = readNotification(drip, 0);
    EXPECT_EQ(drip.reads.size(), kNotificationReadMilliseconds);
    EXPECT_EQ(read.bytes.size(), 10 + (kNotificationReadMilliseconds - 1) * 1024);
    // The rest waits for the next notification on the same connection.
    EXPECT_FALSE(read.overLimit);
}

TEST(ReadNotification, SocketThatCannotBeAskedGivesNothing) {
    FakeSocket closed;
    closed.askable = false;
    closed.readable = "stale";
    NotificationBytes read = readNotification(closed, 0);
    EXPECT_TRUE(read.bytes.empty());
    EXPECT_FALSE(read.overLimit);
    EXPECT_TRUE(closed.reads.empty());
}

}  // namespace
