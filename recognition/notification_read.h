#pragma once
// What one read notification of the recognition connection takes off its socket. Whoever
// answers on the service's port chooses every byte, so the reading is bounded twice: a
// connection hands at most kConnectionByteLimit bytes to the data events (a reply is a few
// hundred), and one notification reads for at most kNotificationReadMilliseconds (the GUI
// thread waits for no sender). A reply within the bounds is read as it always was: first the
// announced amount, then 1024 bytes at a time until nothing more is readable.
// Portable: the Windows client supplies the socket calls and the clock.

#include <cstddef>
#include <cstdint>
#include <string>

constexpr std::size_t kConnectionByteLimit = 64 * 1024;
// The handler (cutting at most the limit's bytes, at most ten evaluations) comes on top; the
// two together stay near 50 ms.
constexpr std::uint64_t kNotificationReadMilliseconds = 30;

class NotificationSocket {
  public:
    virtual ~NotificationSocket() = default;
    // The count of bytes waiting; false when the socket can no longer be asked.
    virtual bool waitingBytes(unsigned long& count) = 0;
    // Reads up to `size` bytes into `buffer`: the count read; 0 or less when nothing more is
    // readable now (would block, closed by the peer, failed).
    virtual int receive(char* buffer, int size) = 0;
    // A monotonic clock.
    virtual std::uint64_t milliseconds() = 0;
};

struct NotificationBytes {
    // What the data event hands on; no event when empty.
    std::string bytes;
    // More arrived than the connection may hand on: close it, so the rest is never read.
    bool overLimit = false;
};

// Reads what one notification may take, `alreadyHanded` bytes of the connection having gone
// to earlier events. Bytes left unread when the time is up stay in the socket for the
// notification the system posts next.
NotificationBytes readNotification(NotificationSocket& socket, std::size_t alreadyHanded);
