#pragma once
// TcpClient: the panel's non-visual client-socket control. It moves bytes over one TCP
// connection and reports what arrives as events on the GUI thread. It knows nothing of HTTP
// and shows nothing: failures come back only as boolean results and events.
//
// Windows Sockets 1.1 in asynchronous-notification mode: the socket's connect-completion,
// readable and closed conditions are posted as WM_SOCKET_NOTIFY to a hidden window the control
// owns, so every socket read and every event runs on the GUI thread between other window
// messages. A connect never waits on that thread: a host name is resolved on a worker thread
// and the TCP handshake completes in the background, so a host that does not answer costs the
// panel nothing while the user writes.

// winsock2.h before windows.h, whatever else the includer defines.
#include <winsock2.h>

#include <windows.h>

#include <functional>
#include <memory>
#include <string>
#include <type_traits>

#include "text/text_operations.h"
#include "ui/window_base.h"

// The one fixed private message number: socket notifications for the notification window.
// wParam is the socket, LOWORD(lParam) the notification kind (FD_CONNECT, FD_READ or FD_CLOSE),
// HIWORD(lParam) the error of a connect.
constexpr UINT WM_SOCKET_NOTIFY = 0x8078;
// A host name's lookup has ended on its worker thread; wParam names the lookup.
constexpr UINT WM_HOST_LOOKED_UP = WM_APP + 2;

class TcpClient : private ui::WindowBase<TcpClient> {
  public:
    // An unreachable service must not keep a connect open for the system's own time-out
    // (twenty seconds and more); it fails after this long instead.
    static constexpr int kConnectTimeoutMilliseconds = 2000;

    // Creates the hidden notification window as a child of `parent`; without a parent it
    // becomes a message-only window, so the control works without any other window.
    explicit TcpClient(HWND parent);
    ~TcpClient();

    // Starts a fresh connection to `host` (dotted IPv4 address or host name) and returns at
    // once, dropping the connection held before, or the connect still under way, together with
    // any reply on its way. False when it cannot even start (no sockets, no socket, an empty
    // host, a failure the system reports at once; once the notification window is gone, any
    // connection is dropped too). Otherwise the connection is made later, or onConnectFailed
    // is raised: the name was not found, the handshake failed or took longer than
    // kConnectTimeoutMilliseconds. A connection that brings more than its data events may hand
    // on (notification_read.h) is closed by the client itself, with no disconnected event.
    bool connect(const Text& host, int port);
    // True when every byte was handed to the network; while a connect is under way, bytes are
    // kept and go out the moment it is made (true), or are dropped with it. Text goes without
    // its zero byte, numbers as their raw little-endian bytes.
    bool send(const Text& text);
    bool send(const char* text) { return send(Text(text ? text : "")); }
    bool send(const ByteString& bytes);
    template <class Number, class = std::enable_if_t<std::is_arithmetic<Number>::value>>
    bool send(Number value) {
        return sendBytes(reinterpret_cast<const char*>(&value), static_cast<int>(sizeof value));
    }
    void disconnect();
    // The bytes of the notification being reported; empty outside a dataArrived handler.
    ByteString receivedData() const;

    // Raised synchronously on the GUI thread from the notification window's procedure.
    std::function<void()> onDataArrived;
    std::function<void()> onDisconnected;
    // A connect that had started could not be made. Never raised for a connect dropped by the
    // next one or by disconnect.
    std::function<void()> onConnectFailed;

    bool socketsReady() const { return socketsReady_; }
    // Set when a connect was made; cleared by disconnect and by a connect that fails after its
    // name was found. A connect under way leaves it as it was.
    bool connected() const { return connected_; }
    // A connect has started and neither been made nor failed yet.
    bool connecting() const { return step_ != Step::idle; }
    SOCKET socketHandle() const { return socket_; }
    HWND notificationWindow() const { return handle(); }

    // Ports below 1 are taken as port 1.
    static int normalisedPort(int port) { return port < 1 ? 1 : port; }

    // Name resolution, replaceable so that callers can observe when it happens. Called on a
    // worker thread.
    using HostResolver = hostent*(WSAAPI*)(const char* name);
    static HostResolver resolveHostName;

  private:
    friend class ui::WindowBase<TcpClient>;
    enum class Step { idle, resolving, handshaking };
    struct HostLookup;
    struct LookupMailbox;

    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    void handleNotification(SOCKET notified, WORD kind, WORD error);
    void hostLookedUp(unsigned id);
    // Registers the notifications and starts the handshake to `address_`; false when the
    // system refuses at once (the connection is then dropped).
    bool startHandshake();
    void connectionMade();
    // The connect under way could not be made: drops it and raises onConnectFailed.
    void connectFailed(bool dropConnection);
    // Forgets a connect under way, with the bytes waiting for it.
    void abandonConnect();
    bool sendBytes(const char* data, int length);
    void closeSocket();

    SOCKET socket_ = INVALID_SOCKET;
    bool socketsReady_ = false;
    bool connected_ = false;
    Step step_ = Step::idle;
    sockaddr_in address_ = {};
    // Bytes sent while the connect is under way.
    std::string waitingBytes_;
    // The lookup of the name the connect under way waits for; a later connect to the same name
    // waits for it too rather than starting another.
    std::shared_ptr<HostLookup> lookup_;
    // Where every lookup of this client posts its end; closed when the client goes.
    std::shared_ptr<LookupMailbox> mailbox_;
    // Bytes of the current connection handed to data events so far (it is closed at a bound).
    std::size_t handedOn_ = 0;
    std::string receivedBytes_;
};
