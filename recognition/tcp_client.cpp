#include "recognition/tcp_client.h"

#include <chrono>
#include <cstring>
#include <utility>

#include "recognition/notification_read.h"

namespace {

const char kWindowClassName[] = "TcpClientNotificationWindow";
constexpr long kNotificationMask = FD_READ | FD_CLOSE;

// The socket a read notification names, as the bounded read sees it.
class NotifiedSocket final : public NotificationSocket {
  public:
    explicit NotifiedSocket(SOCKET socket) : socket_(socket) {}
    bool waitingBytes(unsigned long& count) override {
        u_long waiting = 0;
        if (ioctlsocket(socket_, FIONREAD, &waiting) != 0) {
            return false;
        }
        count = waiting;
        return true;
    }
    int receive(char* buffer, int size) override { return recv(socket_, buffer, size, 0); }
    std::uint64_t milliseconds() override {
        const auto now = std::chrono::steady_clock::now().time_since_epoch();
        return static_cast<std::uint64_t>(
            std::chrono::duration_cast<std::chrono::milliseconds>(now).count());
    }

  private:
    SOCKET socket_;
};

}  // namespace

TcpClient::HostResolver TcpClient::resolveHostName = ::gethostbyname;

TcpClient::TcpClient(HWND parent) {
    WSADATA data;
    socketsReady_ = WSAStartup(MAKEWORD(1, 1), &data) == 0;

    ui::registerWindowClass(kWindowClassName, windowProcedure);
    // Control id -1: the window is never addressed by id.
    createObjectWindow(0, kWindowClassName, "", WS_CHILD, 0, 0, 0, 0,
                       parent ? parent : HWND_MESSAGE,
                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(-1)));
}

TcpClient::~TcpClient() {
    closeSocket();
    // Unless the parent has taken it down with itself already.
    destroyWindow();
    if (socketsReady_) {
        WSACleanup();
    }
}

LRESULT TcpClient::handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (message == WM_SOCKET_NOTIFY) {
        handleNotification(static_cast<SOCKET>(wParam), LOWORD(lParam));
        handled = true;
    }
    return 0;
}

bool TcpClient::connect(const Text& host, int port) {
    port = normalisedPort(port);
    if (!socketsReady_) {
        return false;
    }
    // With the notification window gone (its parent took it down) no reply could ever be
    // reported: a connection would only look alive.
    if (!window_) {
        disconnect();
        return false;
    }
    // Every connect starts on a fresh socket.
    closeSocket();
    socket_ = ::socket(AF_INET, SOCK_STREAM, 0);
    handedOn_ = 0;
    if (socket_ == INVALID_SOCKET) {
        return false;
    }
    // Failures up to here leave the fresh socket held and `connected` as it was.
    if (host.empty()) {
        return false;
    }
    sockaddr_in address;
    std::memset(&address, 0, sizeof address);
    address.sin_port = htons(static_cast<u_short>(port));
    unsigned long numeric = inet_addr(host.c_str());
    if (numeric != INADDR_NONE) {
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = numeric;
    } else {
        hostent* entry = resolveHostName(host.c_str());
        if (!entry || !entry->h_addr_list || !entry->h_addr_list[0]) {
            return false;
        }
        // Never copy more than the IPv4 address field holds.
        std::size_t length = static_cast<std::size_t>(entry->h_length);
        if (length > sizeof address.sin_addr) {
            length = sizeof address.sin_addr;
        }
        std::memcpy(&address.sin_addr, entry->h_addr_list[0], length);
        address.sin_family = static_cast<short>(entry->h_addrtype);
    }

    if (!connectWithTimeout(address) ||
        WSAAsyncSelect(socket_, window_, WM_SOCKET_NOTIFY, kNotificationMask) != 0) {
        disconnect();
        return false;
    }
    connected_ = true;
    return true;
}

bool TcpClient::connectWithTimeout(const sockaddr_in& address) {
    // Waited for on an event rather than with select: under Wine, select notices a completed
    // connect only milliseconds later, the event at once.
    WSAEVENT completed = WSACreateEvent();
    if (completed == WSA_INVALID_EVENT) {
        return false;
    }
    bool connected = false;
    if (WSAEventSelect(socket_, completed, FD_CONNECT) == 0) {
        if (::connect(socket_, reinterpret_cast<const sockaddr*>(&address), sizeof address) == 0) {
            connected = true;
        } else if (WSAGetLastError() == WSAEWOULDBLOCK &&
                   WaitForSingleObject(completed, kConnectTimeoutMilliseconds) == WAIT_OBJECT_0) {
            WSANETWORKEVENTS events = {};
            connected = WSAEnumNetworkEvents(socket_, completed, &events) == 0 &&
                        (events.lNetworkEvents & FD_CONNECT) != 0 &&
                        events.iErrorCode[FD_CONNECT_BIT] == 0;
        }
        // The notifications the caller registers next replace this one.
        WSAEventSelect(socket_, nullptr, 0);
    }
    WSACloseEvent(completed);
    return connected;
}

void TcpClient::closeSocket() {
    if (socket_ == INVALID_SOCKET) {
        return;
    }
    WSAAsyncSelect(socket_, window_, 0, 0);
    closesocket(socket_);
    socket_ = INVALID_SOCKET;
}

void TcpClient::disconnect() {
    closeSocket();
    connected_ = false;
}

bool TcpClient::send(const Text& text) {
    return sendBytes(text.data(), static_cast<int>(text.size()));
}

bool TcpClient::send(const ByteString& bytes) {
    return sendBytes(reinterpret_cast<const char*>(bytes.data()), static_cast<int>(bytes.size()));
}

bool TcpClient::sendBytes(const char* data, int length) {
    if (socket_ == INVALID_SOCKET || !connected_) {
        return false;
    }
    if (length < 0) {
        return false;
    }
    // No wait for writability: the socket is asynchronous, so a send that would block fails.
    int sent = 0;
    while (sent < length) {
        int count = ::send(socket_, data + sent, length - sent, 0);
        if (count == SOCKET_ERROR) {
            return false;
        }
        sent += count;
    }
    return true;
}

ByteString TcpClient::receivedData() const {
    return ByteString(receivedBytes_.data(), receivedBytes_.size());
}

void TcpClient::handleNotification(SOCKET notified, WORD kind) {
    if (socket_ == INVALID_SOCKET) {
        return;
    }
    if (kind == FD_CLOSE) {
        // The next connect replaces the socket; nothing is closed here.
        // A copy: the handler may rebind the event it runs for.
        if (auto run = onDisconnected) {
            run();
        }
        return;
    }
    // A notification queued for a socket closed since then fails here and is dropped.
    NotifiedSocket source(notified);
    NotificationBytes read = readNotification(source, handedOn_);
    handedOn_ += read.bytes.size();
    if (read.overLimit) {
        // Closed before the event, so that a handler connecting anew keeps its connection.
        disconnect();
    }
    if (read.bytes.empty()) {
        return;
    }
    receivedBytes_ = std::move(read.bytes);
    if (auto run = onDataArrived) {
        run();
    }
    receivedBytes_.clear();
}
