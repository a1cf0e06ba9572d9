#pragma once
// TcpClient: the panel's non-visual client-socket control. It moves bytes over one TCP
// connection and reports what arrives as events on the GUI thread. It knows nothing of HTTP
// and shows nothing: failures come back only as boolean results.
//
// Windows Sockets 1.1 in asynchronous-notification mode: the socket's readable and closed
// conditions are posted as WM_SOCKET_NOTIFY to a hidden window the control owns, so every
// socket read and every event runs on the GUI thread between other window messages.

// winsock2.h before windows.h, whatever else the includer defines.
#include <winsock2.h>

#include <windows.h>

#include <functional>
#include <string>
#include <type_traits>

#include "text/text_operations.h"
#include "ui/window_base.h"

// The one fixed private message number: socket notifications for the notification window.
// wParam is the socket, LOWORD(lParam) the notification kind (FD_READ or FD_CLOSE).
constexpr UINT WM_SOCKET_NOTIFY = 0x8078;

class TcpClient : private ui::WindowBase<TcpClient> {
  public:
    // An unreachable service must not freeze the panel for the system's own connect time-out
    // (twenty seconds and more) at every stroke; give up after this long instead.
    static constexpr int kConnectTimeoutMilliseconds = 2000;

    // Creates the hidden notification window as a child of `parent`; without a parent it
    // becomes a message-only window, so the control works without any other window.
    explicit TcpClient(HWND parent);
    ~TcpClient();

    // Opens a fresh connection to `host` (dotted IPv4 address or host name), dropping the one
    // held before together with any reply still on its way. Blocks the calling thread.
    // A connection that brings more than its data events may hand on (notification_read.h)
    // is closed by the client itself, with no disconnected event.
    // Fails, dropping any connection, once the notification window is gone.
    bool connect(const Text& host, int port);
    // True when every byte was handed to the network. Text goes without its zero byte,
    // numbers as their raw little-endian bytes.
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

    bool socketsReady() const { return socketsReady_; }
    bool connected() const { return connected_; }
    SOCKET socketHandle() const { return socket_; }
    HWND notificationWindow() const { return handle(); }

    // Ports below 1 are taken as port 1.
    static int normalisedPort(int port) { return port < 1 ? 1 : port; }

    // Name resolution, replaceable so that callers can observe when it happens.
    using HostResolver = hostent*(WSAAPI*)(const char* name);
    static HostResolver resolveHostName;

  private:
    friend class ui::WindowBase<TcpClient>;
    LRESULT handleMessage(UINT message, WPARAM wParam, LPARAM lParam, bool& handled);
    void handleNotification(SOCKET notified, WORD kind);
    bool sendBytes(const char* data, int length);
    bool connectWithTimeout(const sockaddr_in& address);
    void closeSocket();

    SOCKET socket_ = INVALID_SOCKET;
    bool socketsReady_ = false;
    bool connected_ = false;
    // Bytes of the current connection handed to data events so far (it is closed at a bound).
    std::size_t handedOn_ = 0;
    std::string receivedBytes_;
};
