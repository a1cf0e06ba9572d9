#include "server.h"

#include <httplib.h>

#include <cstdio>
#include <ctime>
#include <mutex>

#include "dictionary_page.h"
#include "listen_socket.h"
#include "request_handling.h"

namespace service {
namespace {

using Clock = std::chrono::steady_clock;

// Per request, on the worker thread that runs it from routing to logging.
struct RequestContext {
    bool started = false;
    Clock::time_point start;
    int candidates = -1;
};
thread_local RequestContext currentRequest;

std::string timestamp() {
    std::time_t now = std::time(nullptr);
    std::tm utc{};
    gmtime_r(&now, &utc);
    char text[32];
    std::strftime(text, sizeof text, "%Y-%m-%dT%H:%M:%SZ", &utc);
    return text;
}

// The request path as logged: bytes outside printable ASCII (a GBK keyword) as %XX, so one
// request stays on one line of an ASCII log.
std::string printable(const std::string& s) {
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
    return out;
}

}  // namespace

struct RecognitionServer::State {
    const Recognizer& recognizer;
    ServerOptions options;
    std::ostream& log;
    std::mutex logMutex;
    httplib::Server http;
    int boundPort = -1;

    State(const Recognizer& r, ServerOptions o, std::ostream& l)
        : recognizer(r), options(std::move(o)), log(l) {}

    void apply(httplib::Response& response, const Reply& reply) {
        response.status = reply.status;
        response.set_content(reply.body, reply.contentType.c_str());
        currentRequest.candidates = reply.candidates;
    }

    void writeLog(const httplib::Request& request, const httplib::Response& response) {
        char ms[32] = "-";
        if (currentRequest.started) {
            double elapsed =
                std::chrono::duration<double, std::milli>(Clock::now() - currentRequest.start)
                    .count();
            std::snprintf(ms, sizeof ms, "%.1f", elapsed);
        }
        std::string candidates =
            currentRequest.candidates >= 0 ? std::to_string(currentRequest.candidates) : "-";
        std::string target = request.path.empty() ? request.target : request.path;
        {
            std::lock_guard<std::mutex> lock(logMutex);
            log << timestamp() << ' ' << printable(request.method.empty() ? "-" : request.method)
                << ' ' << printable(target) << ' ' << response.status << ' ' << response.body.size()
                << "B " << ms << "ms candidates=" << candidates << std::endl;
        }
        currentRequest = RequestContext{};
    }

    void wire() {
        int threads = options.threads;
        http.new_task_queue = [threads] {
            return new httplib::ThreadPool(static_cast<std::size_t>(threads));
        };
        auto timeout = options.readTimeout;
        http.set_read_timeout(timeout.count() / 1000, (timeout.count() % 1000) * 1000);
        http.set_write_timeout(timeout.count() / 1000, (timeout.count() % 1000) * 1000);
        // One request per connection: the panel opens a new one for every request.
        http.set_keep_alive_max_count(1);
        // Headers and body go out in two writes; without this the body could wait for the
        // client's delayed acknowledgement of the headers.
        http.set_tcp_nodelay(true);
        // The library's default also sets SO_REUSEPORT, which would let a second service start on
        // a port already served and share its clients; address reuse alone is what is wanted.
        http.set_socket_options(
            [](socket_t socket) { setListenSocketOptions(NativeSocket(socket)); });
        http.set_payload_max_length(options.maxBodyBytes);

        http.set_pre_routing_handler([](const httplib::Request& request, httplib::Response&) {
            currentRequest.started = true;
            currentRequest.start = Clock::now();
            // The panel cuts the reply's raw bytes and never decompresses, though its request says
            // it accepts gzip; the library would compress on that header, so it is taken out here.
            // The request object belongs to the worker and is not const itself.
            const_cast<httplib::Request&>(request).headers.erase("Accept-Encoding");
            return httplib::Server::HandlerResponse::Unhandled;
        });
        // Read through a content reader: the library's plain body reading refuses form bodies
        // over 8 KiB, and a many-stroke character written slowly sends more than that.
        http.Post("/", [this](const httplib::Request&, httplib::Response& response,
                              const httplib::ContentReader& reader) {
            std::string body;
            bool complete = reader([&](const char* data, std::size_t length) {
                body.append(data, length);
                return true;
            });
            if (!complete) {  // too large (the reader set 413) or cut short
                apply(response,
                      emptyCandidateReply(response.status >= 400 ? response.status : 400));
                return;
            }
            apply(response, recognitionReply(body, recognizer));
        });
        http.Get(kDictionaryPath,
                 [this](const httplib::Request& request, httplib::Response& response) {
                     apply(response, dictionaryReply(request.get_param_value("Keyword")));
                 });
        http.set_error_handler([](const httplib::Request&, httplib::Response& response) {
            if (response.body.empty()) {
                response.set_content("error " + std::to_string(response.status) + "\n",
                                     "text/plain");
            }
        });
        http.set_logger([this](const httplib::Request& request, const httplib::Response& response) {
            writeLog(request, response);
        });
    }
};

RecognitionServer::RecognitionServer(const Recognizer& recognizer, ServerOptions options,
                                     std::ostream& log)
    : state_(std::make_unique<State>(recognizer, std::move(options), log)) {
    state_->wire();
}

RecognitionServer::~RecognitionServer() = default;

bool RecognitionServer::bind(std::string& error) {
    const ServerOptions& o = state_->options;
    if (o.port == 0) {
        state_->boundPort = state_->http.bind_to_any_port(o.host);
    } else if (state_->http.bind_to_port(o.host, o.port)) {
        state_->boundPort = o.port;
    }
    if (state_->boundPort <= 0) {
        error = "cannot listen on " + o.host + ":" + std::to_string(o.port) + ": " +
                bindFailure(o.host, o.port);
        return false;
    }
    return true;
}

int RecognitionServer::port() const {
    return state_->boundPort;
}

bool RecognitionServer::run() {
    return state_->http.listen_after_bind();
}

bool RecognitionServer::running() const {
    return state_->http.is_running();
}

void RecognitionServer::stop() {
    state_->http.stop();
}

}  // namespace service
