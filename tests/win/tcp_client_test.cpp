// TcpClient against loopback servers run by the test itself (127.0.0.1 only). The servers are
// plain blocking sockets on the test's own thread: the kernel completes a handshake without
// accept, so nothing has to run concurrently with the client.
#include "recognition/tcp_client.h"

#include <gtest/gtest.h>

#include <atomic>
#include <cstring>
#include <functional>
#include <memory>
#include <string>
#include <vector>

namespace {

constexpr UINT kFlushMessage = WM_APP + 0x51;
constexpr DWORD kLimit = 5000;

// Pumps the thread's messages until `done` holds or `limit` milliseconds have passed.
bool pumpUntil(const std::function<bool()>& done, DWORD limit = kLimit) {
    ULONGLONG end = GetTickCount64() + limit;
    for (;;) {
        MSG msg;
        while (PeekMessageA(&msg, nullptr, 0, 0, PM_REMOVE)) {
            if (msg.hwnd == nullptr && msg.message == kFlushMessage) {
                *reinterpret_cast<bool*>(msg.lParam) = true;
            }
            DispatchMessageA(&msg);
            if (done()) {
                return true;
            }
        }
        if (done()) {
            return true;
        }
        ULONGLONG now = GetTickCount64();
        if (now >= end) {
            return false;
        }
        MsgWaitForMultipleObjects(0, nullptr, FALSE, static_cast<DWORD>(end - now), QS_ALLINPUT);
    }
}

// Handles every message queued so far, so that an event that would follow has followed.
void flushQueue() {
    bool seen = false;
    PostThreadMessageA(GetCurrentThreadId(), kFlushMessage, 0, reinterpret_cast<LPARAM>(&seen));
    ASSERT_TRUE(pumpUntil([&] { return seen; }));
}

bool waitReadable(SOCKET s, DWORD limit) {
    fd_set readable;
    FD_ZERO(&readable);
    FD_SET(s, &readable);
    timeval t{static_cast<long>(limit / 1000), static_cast<long>((limit % 1000) * 1000)};
    return select(0, &readable, nullptr, nullptr, &t) == 1;
}

// Bytes until `count` have come or the peer stops sending.
std::string receive(SOCKET s, std::size_t count) {
    std::string got;
    char buffer[4096];
    while (got.size() < count && waitReadable(s, kLimit)) {
        int n = recv(s, buffer, static_cast<int>(sizeof buffer), 0);
        if (n <= 0) {
            break;
        }
        got.append(buffer, static_cast<std::size_t>(n));
    }
    return got;
}

// An orderly close or a reset (the client closed with unread bytes) both count.
bool peerClosed(SOCKET s) {
    char c;
    return waitReadable(s, kLimit) && recv(s, &c, 1, 0) <= 0;
}

void sendAll(SOCKET s, const std::string& bytes) {
    ASSERT_EQ(send(s, bytes.data(), static_cast<int>(bytes.size()), 0),
              static_cast<int>(bytes.size()));
}

class LoopbackServer {
  public:
    // Listens on 127.0.0.1; port 0 picks a free one.
    explicit LoopbackServer(int port = 0, int backlog = SOMAXCONN) {
        listener_ = socket(AF_INET, SOCK_STREAM, 0);
        sockaddr_in address = {};
        address.sin_family = AF_INET;
        address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        address.sin_port = htons(static_cast<u_short>(port));
        int size = sizeof address;
        listening_ = bind(listener_, reinterpret_cast<sockaddr*>(&address), size) == 0 &&
                     listen(listener_, backlog) == 0 &&
                     getsockname(listener_, reinterpret_cast<sockaddr*>(&address), &size) == 0;
        port_ = ntohs(address.sin_port);
    }
    ~LoopbackServer() {
        for (SOCKET s : accepted_) {
            closesocket(s);
        }
        closesocket(listener_);
    }
    bool listening() const { return listening_; }
    int port() const { return port_; }
    bool hasPendingConnection(DWORD limit = 0) const { return waitReadable(listener_, limit); }
    SOCKET accept() {
        if (!hasPendingConnection(kLimit)) {
            return INVALID_SOCKET;
        }
        SOCKET s = ::accept(listener_, nullptr, nullptr);
        accepted_.push_back(s);
        return s;
    }

  private:
    SOCKET listener_ = INVALID_SOCKET;
    bool listening_ = false;
    int port_ = 0;
    std::vector<SOCKET> accepted_;
};

// What the event handlers saw. Handlers are plain routines, so they report through globals.
TcpClient* observed = nullptr;
std::vector<std::string> arrivals;
int disconnects = 0;
int connectFailures = 0;

void recordArrival() {
    ByteString bytes = observed->receivedData();
    arrivals.emplace_back(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}
void recordDisconnect() {
    ++disconnects;
}
void recordConnectFailure() {
    ++connectFailures;
}

// Called on the client's lookup worker; it takes a while, as a resolver asking a network does.
std::atomic<int> resolutions{0};
hostent* WSAAPI fakeResolver(const char* name) {
    Sleep(300);
    ++resolutions;
    static in_addr loopback;
    static char* addresses[] = {reinterpret_cast<char*>(&loopback), nullptr};
    static hostent entry;
    loopback.s_addr = htonl(INADDR_LOOPBACK);
    entry.h_addrtype = AF_INET;
    entry.h_length = sizeof loopback;
    entry.h_addr_list = addresses;
    return std::strcmp(name, "service.test") == 0 ? &entry : nullptr;
}

class TcpClientTest : public testing::Test {
  protected:
    void SetUp() override {
        WSADATA data;
        ASSERT_EQ(WSAStartup(MAKEWORD(2, 2), &data), 0);
        parent = CreateWindowExA(0, "STATIC", "", WS_POPUP, 0, 0, 100, 100, nullptr, nullptr,
                                 GetModuleHandleA(nullptr), nullptr);
        ASSERT_NE(parent, nullptr);
        client = std::make_unique<TcpClient>(parent);
        client->onDataArrived = recordArrival;
        client->onDisconnected = recordDisconnect;
        client->onConnectFailed = recordConnectFailure;
        observed = client.get();
        arrivals.clear();
        disconnects = 0;
        connectFailures = 0;
        resolutions = 0;
        TcpClient::resolveHostName = fakeResolver;
    }
    void TearDown() override {
        client.reset();
        if (IsWindow(parent)) {
            DestroyWindow(parent);
        }
        TcpClient::resolveHostName = ::gethostbyname;
        WSACleanup();
    }
    // Starts a connect and pumps until it has been made or has failed: true when made.
    bool connectAndWait(const char* host, int port) {
        if (!client->connect(host, port)) {
            return false;
        }
        EXPECT_TRUE(pumpUntil([&] { return !client->connecting(); }));
        return connectFailures == 0 && client->connected();
    }
    // Connects the client to `server` and returns the server's end of the connection.
    SOCKET connectTo(LoopbackServer& server) {
        EXPECT_TRUE(connectAndWait("127.0.0.1", server.port()));
        return server.accept();
    }

    HWND parent = nullptr;
    std::unique_ptr<TcpClient> client;
};

TEST_F(TcpClientTest, NotificationWindowIsAHiddenChildOfTheParent) {
    HWND window = client->notificationWindow();
    ASSERT_NE(window, nullptr);
    EXPECT_EQ(GetParent(window), parent);
    LONG_PTR style = GetWindowLongPtrA(window, GWL_STYLE);
    EXPECT_TRUE(style & WS_CHILD);
    EXPECT_FALSE(style & WS_VISIBLE);
    EXPECT_EQ(GetWindowTextLengthA(window), 0);
    EXPECT_EQ(GetWindowLongPtrA(window, GWLP_ID), -1);
    RECT rect;
    GetWindowRect(window, &rect);
    EXPECT_EQ(rect.right - rect.left, 0);
    EXPECT_EQ(rect.bottom - rect.top, 0);
    EXPECT_EQ(reinterpret_cast<HCURSOR>(GetClassLongPtrA(window, GCLP_HCURSOR)),
              LoadCursor(nullptr, IDC_ARROW));
    EXPECT_EQ(GetClassLongPtrA(window, GCLP_HBRBACKGROUND), 0u);
    EXPECT_EQ(GetClassLongPtrA(window, GCLP_HICON), 0u);

    EXPECT_TRUE(client->socketsReady());
    EXPECT_FALSE(client->connected());
    EXPECT_EQ(client->socketHandle(), INVALID_SOCKET);
}

TEST_F(TcpClientTest, AParentTakingTheWindowDownLeavesTheClientSafeToUseAndDestroy) {
    HWND window = client->notificationWindow();
    ASSERT_TRUE(IsWindow(window));
    DestroyWindow(parent);
    EXPECT_FALSE(IsWindow(window));
    EXPECT_EQ(client->notificationWindow(), nullptr);
    // No window to notify: a connect fails cleanly instead of reading a dead handle.
    LoopbackServer server;
    ASSERT_TRUE(server.listening());
    EXPECT_FALSE(client->connect("127.0.0.1", server.port()));
    EXPECT_FALSE(client->connected());
    EXPECT_EQ(connectFailures, 0);
    client.reset();
}

TEST_F(TcpClientTest, PortsBelowOneAreTakenAsPortOne) {
    EXPECT_EQ(TcpClient::normalisedPort(0), 1);
    EXPECT_EQ(TcpClient::normalisedPort(-80), 1);
    EXPECT_EQ(TcpClient::normalisedPort(1), 1);
    EXPECT_EQ(TcpClient::normalisedPort(80), 80);

    // Binding port 1 needs root; the checks above stand alone without it.
    LoopbackServer portOne(1);
    if (!portOne.listening()) {
        GTEST_SKIP() << "cannot listen on port 1 here";
    }
    EXPECT_TRUE(connectAndWait("127.0.0.1", 0));
    EXPECT_NE(portOne.accept(), INVALID_SOCKET);
    EXPECT_TRUE(connectAndWait("127.0.0.1", -5));
    EXPECT_NE(portOne.accept(), INVALID_SOCKET);
}

TEST_F(TcpClientTest, OnlyHostNamesAreResolvedAndNeverOnTheCallersThread) {
    LoopbackServer server;
    ASSERT_TRUE(server.listening());
    EXPECT_TRUE(connectAndWait("127.0.0.1", server.port()));
    EXPECT_EQ(resolutions.load(), 0);
    EXPECT_NE(server.accept(), INVALID_SOCKET);

    // The lookup takes 300 ms; the connect returns at once, and the request sent meanwhile
    // goes out once the connection is made.
    ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(client->connect("service.test", server.port()));
    EXPECT_LT(GetTickCount64() - start, 150u);
    EXPECT_TRUE(client->connecting());
    EXPECT_TRUE(client->send("request"));
    // A second connect to the name while it is looked up waits for the same lookup.
    EXPECT_TRUE(client->connect("service.test", server.port()));
    EXPECT_TRUE(client->send("second"));
    ASSERT_TRUE(pumpUntil([&] { return !client->connecting(); }));
    EXPECT_EQ(resolutions.load(), 1);
    EXPECT_TRUE(client->connected());
    SOCKET peer = server.accept();
    EXPECT_EQ(receive(peer, 6), "second");
    EXPECT_FALSE(server.hasPendingConnection());

    // An unknown name fails later, before any connection attempt, and keeps the fresh socket.
    EXPECT_TRUE(client->connect("nowhere.test", server.port()));
    ASSERT_TRUE(pumpUntil([] { return connectFailures > 0; }));
    EXPECT_EQ(resolutions.load(), 2);
    EXPECT_NE(client->socketHandle(), INVALID_SOCKET);
    EXPECT_FALSE(server.hasPendingConnection());

    // A client going away while its lookup runs: the lookup ends later with nobody to tell.
    {
        TcpClient leaving(nullptr);
        EXPECT_TRUE(leaving.connect("service.test", server.port()));
    }
    Sleep(500);
    flushQueue();
    EXPECT_EQ(resolutions.load(), 3);
}

TEST_F(TcpClientTest, EmptyHostDropsTheOldConnectionAndLeavesAFreshUnconnectedSocket) {
    LoopbackServer server;
    ASSERT_TRUE(server.listening());
    SOCKET first = connectTo(server);
    ASSERT_NE(first, INVALID_SOCKET);

    EXPECT_FALSE(client->connect("", server.port()));
    EXPECT_EQ(resolutions.load(), 0);
    EXPECT_TRUE(peerClosed(first));
    EXPECT_FALSE(server.hasPendingConnection());
    EXPECT_NE(client->socketHandle(), INVALID_SOCKET);
    // The flag keeps its earlier value; the unconnected socket makes the send itself fail.
    EXPECT_TRUE(client->connected());
    EXPECT_FALSE(client->send("x"));

    client->disconnect();
    EXPECT_FALSE(client->connected());
    EXPECT_EQ(client->socketHandle(), INVALID_SOCKET);
}

TEST_F(TcpClientTest, FailedTcpConnectDisconnects) {
    SOCKET probe = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    int size = sizeof address;
    bind(probe, reinterpret_cast<sockaddr*>(&address), size);
    getsockname(probe, reinterpret_cast<sockaddr*>(&address), &size);
    closesocket(probe);  // nothing listens on this port now

    LoopbackServer server;
    ASSERT_TRUE(server.listening());
    ASSERT_NE(connectTo(server), INVALID_SOCKET);
    // Refused at once or in the connect's notification, as the system decides; either way the
    // caller learns of it once.
    const bool started = client->connect("127.0.0.1", ntohs(address.sin_port));
    if (started) {
        ASSERT_TRUE(pumpUntil([] { return connectFailures > 0; }));
    }
    flushQueue();
    EXPECT_EQ(connectFailures, started ? 1 : 0);
    EXPECT_FALSE(client->connected());
    EXPECT_EQ(client->socketHandle(), INVALID_SOCKET);
}

TEST_F(TcpClientTest, UnansweredConnectNeverWaitsAndGivesUpAfterTheTimeOut) {
    // A listener whose accept queue is full drops further handshakes silently, like a
    // service that cannot be reached; nothing leaves the machine.
    LoopbackServer unreachable(0, 0);
    ASSERT_TRUE(unreachable.listening());
    sockaddr_in address = {};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    address.sin_port = htons(static_cast<u_short>(unreachable.port()));
    std::vector<SOCKET> fillers;
    bool full = false;
    while (!full && fillers.size() < 64) {
        SOCKET s = socket(AF_INET, SOCK_STREAM, 0);
        fillers.push_back(s);
        u_long nonBlocking = 1;
        ioctlsocket(s, FIONBIO, &nonBlocking);
        ::connect(s, reinterpret_cast<sockaddr*>(&address), sizeof address);
        fd_set writable;
        FD_ZERO(&writable);
        FD_SET(s, &writable);
        timeval t{0, 500000};
        full = select(0, nullptr, &writable, nullptr, &t) == 0;
    }
    ASSERT_TRUE(full) << "the accept queue never filled";

    // The first connect is dropped by the next, unanswered or not, and never reports.
    ULONGLONG start = GetTickCount64();
    EXPECT_TRUE(client->connect("127.0.0.1", unreachable.port()));
    EXPECT_LT(GetTickCount64() - start, 150u);
    EXPECT_TRUE(client->send("dropped"));
    pumpUntil([] { return false; }, 1000);
    LoopbackServer answering;
    ASSERT_TRUE(answering.listening());
    SOCKET peer = connectTo(answering);
    EXPECT_TRUE(client->send("kept"));
    EXPECT_EQ(receive(peer, 4), "kept");

    // The last one gives up at its own bound, once; the first one's would have come earlier.
    start = GetTickCount64();
    EXPECT_TRUE(client->connect("127.0.0.1", unreachable.port()));
    EXPECT_TRUE(client->send("lost"));
    ASSERT_TRUE(pumpUntil([] { return connectFailures > 0; }, 6000));
    ULONGLONG elapsed = GetTickCount64() - start;
    EXPECT_GE(elapsed, TcpClient::kConnectTimeoutMilliseconds - 200u);
    EXPECT_LT(elapsed, TcpClient::kConnectTimeoutMilliseconds + 2000u);
    flushQueue();
    EXPECT_EQ(connectFailures, 1);
    EXPECT_FALSE(client->connected());
    EXPECT_FALSE(client->connecting());
    EXPECT_EQ(client->socketHandle(), INVALID_SOCKET);
    EXPECT_FALSE(client->send("after"));
    for (SOCKET s : fillers) {
        closesocket(s);
    }
}

TEST_F(TcpClientTest, ReconnectDropsRepliesOfTheFirstConnection) {
    LoopbackServer first;
    LoopbackServer second;
    ASSERT_TRUE(first.listening() && second.listening());
    SOCKET old = connectTo(first);
    ASSERT_NE(old, INVALID_SOCKET);
    sendAll(old, "stale reply");  // its notification is still queued at the reconnect

    SOCKET fresh = connectTo(second);
    ASSERT_NE(fresh, INVALID_SOCKET);
    EXPECT_TRUE(peerClosed(old));
    send(old, "late", 4, 0);
    sendAll(fresh, "new reply");
    ASSERT_TRUE(pumpUntil([] { return !arrivals.empty(); }));
    flushQueue();
    EXPECT_EQ(arrivals, std::vector<std::string>{"new reply"});
}

TEST_F(TcpClientTest, ReplyReadableAtOnceArrivesAsOneEvent) {
    LoopbackServer server;
    ASSERT_TRUE(server.listening());
    SOCKET peer = connectTo(server);
    std::string reply;
    for (int i = 0; i < 3000; ++i) {
        reply += static_cast<char>(i * 7);  // zero bytes included
    }
    sendAll(peer, reply);
    ASSERT_TRUE(pumpUntil([] { return !arrivals.empty(); }));
    flushQueue();
    ASSERT_EQ(arrivals.size(), 1u);
    EXPECT_EQ(arrivals[0], reply);
}

TEST_F(TcpClientTest, BurstsWithANotificationBetweenArriveAsSeparateEvents) {
    EXPECT_TRUE(client->receivedData().empty());
    LoopbackServer server;
    ASSERT_TRUE(server.listening());
    SOCKET peer = connectTo(server);

    sendAll(peer, "first");
    ASSERT_TRUE(pumpUntil([] { return arrivals.size() == 1; }));
    EXPECT_TRUE(client->receivedData().empty());  // only while the handler runs
    sendAll(peer, "second");
    ASSERT_TRUE(pumpUntil([] { return arrivals.size() == 2; }));
    flushQueue();
    EXPECT_EQ(arrivals, (std::vector<std::string>{"first", "second"}));
    EXPECT_TRUE(client->receivedData().empty());
}

TEST_F(TcpClientTest, AConnectionBringingMoreThanTheBoundIsClosedAfterIt) {
    LoopbackServer server;
    ASSERT_TRUE(server.listening());
    SOCKET peer = connectTo(server);
    // As much as the loopback buffers take without a reader, far past the bound.
    u_long nonBlocking = 1;
    ioctlsocket(peer, FIONBIO, &nonBlocking);
    const std::string chunk(65536, 'x');
    std::string sent;
    while (sent.size() < (4u << 20)) {
        std::string next = chunk;
        next[0] = static_cast<char>('a' + sent.size() / chunk.size() % 26);
        int n = send(peer, next.data(), static_cast<int>(next.size()), 0);
        if (n <= 0) {
            break;
        }
        sent.append(next, 0, static_cast<std::size_t>(n));
    }
    ASSERT_GT(sent.size(), 2 * chunk.size());

    ASSERT_TRUE(pumpUntil([&] { return !client->connected(); }));
    flushQueue();
    std::string handed;
    for (const std::string& arrival : arrivals) {
        handed += arrival;
    }
    EXPECT_EQ(handed, sent.substr(0, 65536));
    EXPECT_EQ(client->socketHandle(), INVALID_SOCKET);
    EXPECT_EQ(disconnects, 0);
    EXPECT_TRUE(peerClosed(peer));

    // The next connection starts with the whole bound again.
    arrivals.clear();
    SOCKET next = connectTo(server);
    sendAll(next, chunk);
    ASSERT_TRUE(pumpUntil([&] { return !arrivals.empty(); }));
    flushQueue();
    ASSERT_EQ(arrivals.size(), 1u);
    EXPECT_EQ(arrivals[0], chunk);
    EXPECT_TRUE(client->connected());
}

TEST_F(TcpClientTest, PeerCloseRaisesDisconnectedOnceAndKeepsTheConnectionFlag) {
    LoopbackServer server;
    ASSERT_TRUE(server.listening());
    SOCKET peer = connectTo(server);
    shutdown(peer, SD_BOTH);
    ASSERT_TRUE(pumpUntil([] { return disconnects > 0; }));
    flushQueue();
    EXPECT_EQ(disconnects, 1);
    EXPECT_TRUE(arrivals.empty());
    EXPECT_TRUE(client->connected());
    EXPECT_NE(client->socketHandle(), INVALID_SOCKET);
}

TEST_F(TcpClientTest, SendFailsOnceThePeerHasReset) {
    LoopbackServer server;
    ASSERT_TRUE(server.listening());
    SOCKET peer = connectTo(server);
    linger abort = {1, 0};
    setsockopt(peer, SOL_SOCKET, SO_LINGER, reinterpret_cast<char*>(&abort), sizeof abort);
    shutdown(peer, SD_SEND);  // FIN first, so the close is reported; then the reset
    ASSERT_TRUE(pumpUntil([] { return disconnects > 0; }));
    closesocket(peer);
    EXPECT_TRUE(client->connected());
    EXPECT_FALSE(client->send("request"));
}

TEST_F(TcpClientTest, SendHandsOverRawBytes) {
    EXPECT_FALSE(client->send("before connect"));
    LoopbackServer server;
    ASSERT_TRUE(server.listening());
    SOCKET peer = connectTo(server);

    EXPECT_TRUE(client->send(""));
    EXPECT_TRUE(client->send(Text("ab")));
    EXPECT_TRUE(client->send(ByteString("c\0d", 3)));
    EXPECT_TRUE(client->send(static_cast<int32_t>(0x04030201)));
    EXPECT_TRUE(client->send(static_cast<int16_t>(0x0605)));
    EXPECT_TRUE(client->send(true));
    EXPECT_TRUE(client->send(1.0));
    const std::string expected("abc\0d\x01\x02\x03\x04\x05\x06\x01\0\0\0\0\0\0\xF0\x3F", 20);
    EXPECT_EQ(receive(peer, expected.size()), expected);

    client->disconnect();
    EXPECT_TRUE(peerClosed(peer));
    EXPECT_FALSE(client->send("after disconnect"));
    EXPECT_FALSE(client->send(""));
}

TEST_F(TcpClientTest, NotificationsWithoutASocketAreIgnored) {
    SendMessageA(client->notificationWindow(), WM_SOCKET_NOTIFY, 0, FD_CLOSE);
    SendMessageA(client->notificationWindow(), WM_SOCKET_NOTIFY, 0, FD_READ);
    EXPECT_EQ(disconnects, 0);
    EXPECT_TRUE(arrivals.empty());
}

TEST_F(TcpClientTest, DestroyingTheClientClosesItsConnection) {
    LoopbackServer server;
    ASSERT_TRUE(server.listening());
    SOCKET peer = connectTo(server);
    DestroyWindow(parent);  // takes the notification window with it, as the panel does
    EXPECT_EQ(client->notificationWindow(), nullptr);
    client.reset();
    EXPECT_TRUE(peerClosed(peer));
}

TEST_F(TcpClientTest, WorksWithoutAParentWindow) {
    TcpClient standalone(nullptr);
    standalone.onDataArrived = recordArrival;
    observed = &standalone;
    LoopbackServer server;
    ASSERT_TRUE(server.listening());
    ASSERT_TRUE(standalone.connect("127.0.0.1", server.port()));
    ASSERT_TRUE(standalone.send("request"));
    ASSERT_TRUE(pumpUntil([&] { return !standalone.connecting(); }));
    SOCKET peer = server.accept();
    EXPECT_EQ(receive(peer, 7), "request");
    sendAll(peer, "reply");
    ASSERT_TRUE(pumpUntil([] { return !arrivals.empty(); }));
    EXPECT_EQ(arrivals[0], "reply");
}

}  // namespace
