#include "recognition/notification_read.h"

#include <algorithm>

namespace {

constexpr std::size_t kLaterReadSize = 1024;

}  // namespace

NotificationBytes readNotification(NotificationSocket& socket, std::size_t alreadyHanded) {
    NotificationBytes read;
    unsigned long waiting = 0;
    if (!socket.waitingBytes(waiting)) {
        return read;
    }
    const std::size_t allowance =
        kConnectionByteLimit - std::min(alreadyHanded, kConnectionByteLimit);
    const std::uint64_t started = socket.milliseconds();
    std::size_t wanted = std::max<std::size_t>(waiting, 1);
    std::string buffer;
    for (;;) {
        // One byte past the allowance tells that more came than may be handed on.
        const std::size_t room = allowance + 1 - read.bytes.size();
        buffer.resize(std::min(wanted, room));
        const int count = socket.receive(&buffer[0], static_cast<int>(buffer.size()));
        if (count <= 0) {
            break;
        }
        read.bytes.append(buffer.data(), static_cast<std::size_t>(count));
        if (read.bytes.size() > allowance) {
            read.bytes.resize(allowance);
            read.overLimit = true;
            break;
        }
        if (socket.milliseconds() - started >= kNotificationReadMilliseconds) {
            break;
        }
        wanted = kLaterReadSize;
    }
    return read;
}
