#include "recognition/tcp_client.h"

#include <chrono>
#include <cstring>
#include <mutex>
#include <system_error>
#include <thread>
#include <utility>

#include "recognition/notification_read.h"

namespace {

const char kWindowClassName[] = "TcpClientNotificationWindow";
// Connect-completion is asked for with the rest, so the handshake never waits on the GUI thread.
constexpr long kNotificationMask = FD_CONNECT | FD_READ | FD_CLOSE;
constexpr UINT_PTR kConnectTimer = 1;

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

// Where a lookup's worker posts its end. The client closes it when it goes, so that no worker
// posts to a window that is no more (or to another window that got its handle since).
struct TcpClient::LookupMailbox {
    std::mutex mutex;
    HWND window = nullptr;
};

struct TcpClient::HostLookup {
    unsigned id = 0;
    std::string host;
    // Written by the worker before it posts, read on the GUI thread after the message.
    std::mutex mutex;
    bool found = false;
    short family = AF_INET;
    in_addr address = {};
};

TcpClient::HostResolver TcpClient::resolveHostName = ::gethostbyname;

TcpClient::TcpClient(HWND parent) : mailbox_(std::make_shared<LookupMailbox>()) {
    WSADATA data;
    socketsReady_ = WSAStartup(MAKEWORD(1, 1), &data) == 0;

    ui::registerWindowClass(kWindowClassName, windowProcedure);
    // Control id -1: the window is never addressed by id.
    createObjectWindow(0, kWindowClassName, "", WS_CHILD, 0, 0, 0, 0,
                       parent ? parent : HWND_MESSAGE,
                       reinterpret_cast<HMENU>(static_cast<INT_PTR>(-1)));
    mailbox_->window = window_;
}

TcpClient::~TcpClient() {
    {
        std::lock_guard<std::mutex> closing(mailbox_->mutex);
        mailbox_->window = nullptr;
    }
    disconnect();
    // Unless the parent has taken it down with itself already.
    destroyWindow();
    if (socketsReady_) {
        WSACleanup();
    }
}

LRESULT TcpClient::handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled) {
    if (message == WM_SOCKET_NOTIFY) {
        handleNotification(static_cast<SOCKET>(wParam), WSAGETSELECTEVENT(lParam),
                           WSAGETSELECTERROR(lParam));
        handled = true;
    } else if (message == WM_HOST_LOOKED_UP) {
        hostLookedUp(static_cast<unsigned>(wParam));
        handled = true;
    } else if (message == WM_TIMER && wParam == kConnectTimer) {
        KillTimer(window_, kConnectTimer);
        if (step_ == Step::handshaking) {
            connectFailed(true);
        }
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
    // A connect under way is dropped like a connection that was made.
    abandonConnect();
    // Every connect starts on a fresh socket, made before the old one is closed: the two never
    // share a handle value, so a notification still queued for the old one cannot pass for
    // one of the new.
    const SOCKET fresh = ::socket(AF_INET, SOCK_STREAM, 0);
    closeSocket();
    socket_ = fresh;
    handedOn_ = 0;
    if (socket_ == INVALID_SOCKET) {
        return false;
    }
    // Failures up to the name's lookup leave the fresh socket held and `connected` as it was.
    if (host.empty()) {
        return false;
    }
    std::memset(&address_, 0, sizeof address_);
    address_.sin_port = htons(static_cast<u_short>(port));
    const unsigned long numeric = inet_addr(host.c_str());
    if (numeric != INADDR_NONE) {
        address_.sin_family = AF_INET;
        address_.sin_addr.s_addr = numeric;
        return startHandshake();
    }
    step_ = Step::resolving;
    // A lookup of the same name still running answers this connect too: a resolver that hangs
    // holds one worker, not one for every request.
    if (lookup_ && lookup_->host == host) {
        return true;
    }
    static unsigned lastLookup = 0;
    auto lookup = std::make_shared<HostLookup>();
    lookup->id = ++lastLookup;
    lookup->host = host;
    try {
        std::thread(
            [lookup, mailbox = mailbox_](HostResolver resolve) {
                // Started here as well, so that the client's clean-up cannot pull Windows
                // Sockets from under a lookup that outlives it.
                WSADATA data;
                const bool started = WSAStartup(MAKEWORD(1, 1), &data) == 0;
                {
                    const hostent* entry = started ? resolve(lookup->host.c_str()) : nullptr;
                    std::lock_guard<std::mutex> writing(lookup->mutex);
                    if (entry && entry->h_addr_list && entry->h_addr_list[0]) {
                        // Never more than the IPv4 address field holds.
                        std::size_t length = static_cast<std::size_t>(entry->h_length);
                        if (length > sizeof lookup->address) {
                            length = sizeof lookup->address;
                        }
                        std::memcpy(&lookup->address, entry->h_addr_list[0], length);
                        lookup->family = entry->h_addrtype;
                        lookup->found = true;
                    }
                }
                if (started) {
                    WSACleanup();
                }
                std::lock_guard<std::mutex> posting(mailbox->mutex);
                if (mailbox->window) {
                    PostMessageA(mailbox->window, WM_HOST_LOOKED_UP, lookup->id, 0);
                }
            },
            resolveHostName)
            .detach();
    } catch (const std::system_error&) {
        // No worker: the name cannot be looked up.
        step_ = Step::idle;
        return false;
    }
    lookup_ = std::move(lookup);
    return true;
}

void TcpClient::hostLookedUp(unsigned id) {
    if (!lookup_ || lookup_->id != id) {
        return;  // a lookup no connect waits for any more
    }
    const std::shared_ptr<HostLookup> lookup = std::move(lookup_);
    if (step_ != Step::resolving) {
        return;
    }
    std::unique_lock<std::mutex> reading(lookup->mutex);
    if (!lookup->found) {
        // Like a name not found at once: the fresh socket stays, `connected` as it was.
        reading.unlock();
        connectFailed(false);
        return;
    }
    address_.sin_family = lookup->family;
    address_.sin_addr = lookup->address;
    reading.unlock();
    if (!startHandshake()) {
        connectFailed(true);
    }
}

bool TcpClient::startHandshake() {
    step_ = Step::idle;
    if (WSAAsyncSelect(socket_, window_, WM_SOCKET_NOTIFY, kNotificationMask) != 0) {
        disconnect();
        return false;
    }
    if (::connect(socket_, reinterpret_cast<const sockaddr*>(&address_), sizeof address_) == 0) {
        connectionMade();
        return true;
    }
    if (WSAGetLastError() != WSAEWOULDBLOCK) {
        disconnect();
        return false;
    }
    step_ = Step::handshaking;
    SetTimer(window_, kConnectTimer, kConnectTimeoutMilliseconds, nullptr);
    return true;
}

void TcpClient::connectionMade() {
    KillTimer(window_, kConnectTimer);
    step_ = Step::idle;
    connected_ = true;
    // The bytes sent meanwhile go out as they would have, had the connect been made at once.
    const std::string waiting = std::move(waitingBytes_);
    waitingBytes_.clear();
    sendBytes(waiting.data(), static_cast<int>(waiting.size()));
}

void TcpClient::connectFailed(bool dropConnection) {
    abandonConnect();
    if (dropConnection) {
        disconnect();
    }
    if (auto run = onConnectFailed) {
        run();
    }
}

void TcpClient::abandonConnect() {
    if (step_ == Step::handshaking && window_) {
        KillTimer(window_, kConnectTimer);
    }
    step_ = Step::idle;
    waitingBytes_.clear();
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
    abandonConnect();
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
    if (length < 0) {
        return false;
    }
    if (step_ != Step::idle) {
        waitingBytes_.append(data, static_cast<std::size_t>(length));
        return true;
    }
    if (socket_ == INVALID_SOCKET || !connected_) {
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

void TcpClient::handleNotification(SOCKET notified, WORD kind, WORD error) {
    if (socket_ == INVALID_SOCKET) {
        return;
    }
    if (kind == FD_CONNECT) {
        // Only the handshake under way counts; one made at once or dropped since is done with.
        if (notified == socket_ && step_ == Step::handshaking) {
            if (error == 0) {
                connectionMade();
            } else {
                connectFailed(true);
            }
        }
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
