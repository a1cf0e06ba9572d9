#include "server.h"

#include <array>
#include <atomic>
#include <boost/asio.hpp>
#include <boost/beast/core.hpp>
#include <boost/beast/http.hpp>
#include <cstdio>
#include <ctime>
#include <exception>
#include <mutex>
#include <optional>

#include "connection_limits.h"
#include "request_handling.h"

namespace service {
namespace {

namespace asio = boost::asio;
namespace beast = boost::beast;
namespace http = beast::http;
using tcp = asio::ip::tcp;
using boost::system::error_code;
using Clock = std::chrono::steady_clock;

// The panel's request head is some 600 bytes; anything near this is not a panel.
constexpr std::uint32_t kHeaderLimit = 16 * 1024;
// After refusing a request whose body is still arriving, what the client sends is read and
// dropped for a moment before closing: closing on unread data resets the connection, and the
// client would lose the refusal.
constexpr auto kLingerTime = std::chrono::milliseconds(1000);
constexpr std::size_t kLingerBytes = 1 << 20;
// When the system has no descriptor left for a new connection, accepting pauses this long
// rather than spinning; connections that finish meanwhile free some.
constexpr auto kAcceptPause = std::chrono::milliseconds(50);

// The request path as logged: bytes outside printable ASCII (a GBK keyword) as %XX, so one
// request stays on one line of an ASCII log.
std::string printable(std::string_view s) {
    std::string out;
    for (unsigned char c : s) {
        if (c > 0x20 && c < 0x7F) {
            out += static_cast<char>(c);
        } else {
            char escaped[4];
            std::snprintf(escaped, sizeof escaped, "%%%02X", c);
            out += escaped;
        }
    }
    return out.empty() ? "-" : out;
}

struct LogEntry {
    std::string_view method;
    std::string_view target;
    int status;
    std::size_t bytes;
    std::optional<Clock::duration> elapsed;
    int candidates;
};

// Everything the connections share. Touched by the event thread only, except the recogniser,
// the log (under its mutex) and the worker pool.
struct ServerCore {
    const engine::Recognizer& recognizer;
    ServerOptions options;
    std::ostream& log;
    std::mutex logMutex;
    asio::io_context io{1};
    tcp::acceptor acceptor{io};
    asio::steady_timer acceptPause{io};
    asio::thread_pool workers;
    ConnectionLimits limits;
    // What lingering connections read and drop; one event thread reads into it at a time.
    std::array<char, 4096> discarded{};
    std::atomic<bool> serving{false};
    bool stopping = false;
    bool reportedDescriptorShortage = false;
    int boundPort = -1;

    ServerCore(const engine::Recognizer& r, ServerOptions o, std::ostream& l)
        : recognizer(r),
          options(std::move(o)),
          log(l),
          workers(static_cast<std::size_t>(options.threads)),
          limits(options.maxConnections, options.maxConnectionsPerClient) {}

    void accept();

    void writeLog(const LogEntry& entry) {
        char ms[32] = "-";
        if (entry.elapsed)
            std::snprintf(ms, sizeof ms, "%.1f",
                          std::chrono::duration<double, std::milli>(*entry.elapsed).count());
        std::string candidates = entry.candidates >= 0 ? std::to_string(entry.candidates) : "-";
        std::lock_guard<std::mutex> lock(logMutex);
        // std::gmtime's buffer is shared; the log's mutex guards it too.
        std::time_t now = std::time(nullptr);
        char stamp[32] = "-";
        if (const std::tm* utc = std::gmtime(&now))
            std::strftime(stamp, sizeof stamp, "%Y-%m-%dT%H:%M:%SZ", utc);
        log << stamp << ' ' << printable(entry.method) << ' ' << printable(entry.target) << ' '
            << entry.status << ' ' << entry.bytes << "B " << ms << "ms candidates=" << candidates
            << std::endl;
    }
};

// One client connection, from accept to close: its request read by the event thread under
// one deadline, answered by a worker, the reply written back by the event thread.
class Connection : public std::enable_shared_from_this<Connection> {
  public:
    Connection(ServerCore& server, tcp::socket socket, std::string client, bool counted)
        : server_(server),
          stream_(std::move(socket)),
          client_(std::move(client)),
          counted_(counted),
          accepted_(Clock::now()) {}

    ~Connection() {
        if (counted_)
            server_.limits.release(client_);
    }

    void start() {
        stream_.expires_after(server_.options.readTimeout);
        parser_.emplace();
        parser_->header_limit(kHeaderLimit);
        parser_->body_limit(server_.options.maxBodyBytes);
        http::async_read_header(
            stream_, buffer_, *parser_,
            [self = shared_from_this()](error_code ec, std::size_t) { self->headerRead(ec); });
    }

    // Too many connections: said at once, and the connection closed.
    void refuse() {
        lingerAfterReply_ = true;
        respond(errorReply(503));
    }

  private:
    void headerRead(error_code ec) {
        if (ec)
            return readFailed(ec);
        const auto& request = parser_->get();
        // Clients that ask leave the body unsent until they hear they may send it.
        if (beast::iequals(request[http::field::expect], "100-continue")) {
            auto go = std::make_shared<http::response<http::empty_body>>(http::status::continue_,
                                                                         request.version());
            http::async_write(stream_, *go,
                              [self = shared_from_this(), go](error_code e, std::size_t) {
                                  if (e)
                                      return self->readFailed(e);
                                  self->readBody();
                              });
            return;
        }
        readBody();
    }

    void readBody() {
        if (parser_->is_done())
            return answer();
        http::async_read(stream_, buffer_, *parser_,
                         [self = shared_from_this()](error_code ec, std::size_t) {
                             if (ec)
                                 return self->readFailed(ec);
                             self->answer();
                         });
    }

    // The request is complete: a worker answers it, the event thread writes the answer.
    void answer() {
        stream_.expires_never();  // the recognition's time is the service's, not the client's
        http::request<http::string_body> request = parser_->release();
        parser_.reset();
        method_ = std::string(request.method_string());
        target_ = std::string(request.target());
        version_ = request.version();
        answering_ = Clock::now();
        asio::post(server_.workers, [self = shared_from_this(),
                                     guard = asio::make_work_guard(server_.io),
                                     body = std::move(request.body())]() mutable {
            Reply reply;
            try {
                reply = routeRequest(self->method_, self->target_, body, self->server_.recognizer);
            } catch (const std::exception&) {
                reply = errorReply(500);
            }
            asio::io_context& io = self->server_.io;
            // The connection's last reference is handed over, so it ends on the event thread.
            asio::post(io, [self = std::move(self), reply = std::move(reply)]() mutable {
                self->respond(std::move(reply));
            });
        });
    }

    void readFailed(error_code ec) {
        if (ec == beast::error::timeout) {
            const auto& partial = parser_->get();
            server_.writeLog({partial.method_string(), pathOf(partial.target()), 408, 0,
                              Clock::now() - accepted_, -1});
            return;  // the stream closed itself
        }
        if (ec == http::error::end_of_stream || ec == asio::error::eof ||
            ec == asio::error::connection_reset || ec == asio::error::operation_aborted ||
            !parser_->got_some()) {
            return close();  // gone, or nothing said that could be answered
        }
        const auto& partial = parser_->get();
        method_ = std::string(partial.method_string());
        target_ = std::string(partial.target());
        version_ = partial.version() == 10 ? 10 : 11;
        int status = ec == http::error::body_limit     ? 413
                     : ec == http::error::header_limit ? 431
                                                       : 400;
        answering_ = Clock::now();
        lingerAfterReply_ = true;
        bool recognition = method_ == "POST" && pathOf(target_) == "/";
        respond(recognition ? emptyCandidateReply(status) : errorReply(status));
    }

    void respond(Reply reply) {
        response_.version(version_);
        response_.result(static_cast<unsigned>(reply.status));
        response_.set(http::field::content_type, reply.contentType);
        // One request per connection: the panel opens a new one for every request.
        response_.set(http::field::connection, "close");
        if (reply.status == 503)
            response_.set(http::field::retry_after, "1");
        response_.body() = std::move(reply.body);
        response_.prepare_payload();
        status_ = reply.status;
        candidates_ = reply.candidates;
        stream_.expires_after(server_.options.readTimeout);
        http::async_write(
            stream_, response_,
            [self = shared_from_this()](error_code ec, std::size_t) { self->written(ec); });
    }

    void written(error_code ec) {
        std::optional<Clock::duration> elapsed;
        if (answering_)
            elapsed = Clock::now() - *answering_;
        server_.writeLog({method_.empty() ? std::string_view("-") : std::string_view(method_),
                          pathOf(target_), status_, response_.body().size(), elapsed, candidates_});
        if (ec || !lingerAfterReply_)
            return close();
        error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_send, ignored);
        stream_.expires_after(kLingerTime);
        drain();
    }

    void drain() {
        stream_.async_read_some(asio::buffer(server_.discarded),
                                [self = shared_from_this()](error_code ec, std::size_t n) {
                                    self->lingered_ += n;
                                    if (ec || self->lingered_ > kLingerBytes)
                                        return self->close();
                                    self->drain();
                                });
    }

    void close() {
        error_code ignored;
        stream_.socket().shutdown(tcp::socket::shutdown_both, ignored);
        stream_.close();
    }

    static std::string_view pathOf(std::string_view target) {
        return target.substr(0, target.find('?'));
    }

    ServerCore& server_;
    beast::tcp_stream stream_;
    std::string client_;
    bool counted_;
    Clock::time_point accepted_;
    beast::flat_buffer buffer_;
    std::optional<http::request_parser<http::string_body>> parser_;
    http::response<http::string_body> response_;
    std::string method_;
    std::string target_;
    unsigned version_ = 11;
    int status_ = 0;
    int candidates_ = -1;
    std::optional<Clock::time_point> answering_;
    bool lingerAfterReply_ = false;
    std::size_t lingered_ = 0;
};

void ServerCore::accept() {
    acceptor.async_accept([this](error_code ec, tcp::socket socket) {
        if (stopping || ec == asio::error::operation_aborted)
            return;
        if (ec) {
            bool exhausted = ec == asio::error::no_descriptors ||
                             ec == asio::error::no_buffer_space || ec == asio::error::no_memory;
            if (!exhausted)
                return accept();
            if (!reportedDescriptorShortage) {
                std::lock_guard<std::mutex> lock(logMutex);
                log << "cannot accept connections: " << ec.message()
                    << " (raise the open file limit or lower --max-connections)" << std::endl;
                reportedDescriptorShortage = true;
            }
            acceptPause.expires_after(kAcceptPause);
            acceptPause.async_wait([this](error_code e) {
                if (!e && !stopping)
                    accept();
            });
            return;
        }
        error_code ignored;
        // Head and body go out in one write, but a 100 Continue goes before them.
        socket.set_option(tcp::no_delay(true), ignored);
        std::string client = socket.remote_endpoint(ignored).address().to_string();
        bool admitted = limits.admit(client);
        auto connection = std::make_shared<Connection>(*this, std::move(socket), client, admitted);
        if (admitted)
            connection->start();
        else
            connection->refuse();
        accept();
    });
}

// The common reasons in fixed words: on Windows the system's text is in the user's language and
// code page, or missing ("Unknown error (10048)"), and users and tests read these.
std::string bindFailureReason(const error_code& ec) {
    if (ec == asio::error::address_in_use)
        return "Address already in use";
    if (ec == asio::error::access_denied)
        return "Permission denied";
    return ec.message();
}

}  // namespace

struct RecognitionServer::State : ServerCore {
    using ServerCore::ServerCore;
};

RecognitionServer::RecognitionServer(const engine::Recognizer& recognizer, ServerOptions options,
                                     std::ostream& log)
    : state_(std::make_unique<State>(recognizer, std::move(options), log)) {}

RecognitionServer::~RecognitionServer() = default;

bool RecognitionServer::bind(std::string& error) {
    const ServerOptions& o = state_->options;
    std::string where = "cannot listen on " + o.host + ":" + std::to_string(o.port) + ": ";
    error_code ec;
    tcp::resolver resolver(state_->io);
    auto found = resolver.resolve(o.host, std::to_string(o.port),
                                  tcp::resolver::passive | tcp::resolver::numeric_service, ec);
    if (ec || found.empty()) {
        error = where + "cannot resolve the address";
        return false;
    }
    tcp::endpoint endpoint = found.begin()->endpoint();
    tcp::acceptor& acceptor = state_->acceptor;
    acceptor.open(endpoint.protocol(), ec);
#if !defined(_WIN32)
    // Lets a restarted service bind while old connections linger. Windows would let a second
    // program take the port with it, so it is left off there.
    if (!ec)
        acceptor.set_option(tcp::acceptor::reuse_address(true), ec);
#endif
    if (!ec)
        acceptor.bind(endpoint, ec);
    if (!ec)
        acceptor.listen(asio::socket_base::max_listen_connections, ec);
    if (ec) {
        error = where + bindFailureReason(ec);
        acceptor.close(ec);
        return false;
    }
    state_->boundPort = acceptor.local_endpoint().port();
    return true;
}

int RecognitionServer::port() const {
    return state_->boundPort;
}

bool RecognitionServer::run() {
    if (!state_->acceptor.is_open())
        return false;
    state_->serving = true;
    state_->accept();
    state_->io.run();
    state_->serving = false;
    state_->workers.join();
    return state_->stopping;
}

bool RecognitionServer::running() const {
    return state_->serving;
}

void RecognitionServer::stop() {
    ServerCore& core = *state_;
    asio::post(core.io, [&core] {
        core.stopping = true;
        error_code ignored;
        core.acceptor.close(ignored);
        core.acceptPause.cancel();
    });
}

}  // namespace service
