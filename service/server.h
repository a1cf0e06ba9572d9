// The HTTP side of the service: one address and port, one event-driven thread that reads and
// writes every connection, a fixed pool of worker threads that answer complete requests, one
// request per connection, a log line per request.
#pragma once

#include <chrono>
#include <cstddef>
#include <memory>
#include <ostream>
#include <string>

#include "engine/recognizer.h"

namespace service {

struct ServerOptions {
    std::string host = "127.0.0.1";
    int port = 80;  // 0 picks a free port (tests)
    int threads = 8;
    // A request's headers and body must all arrive within this long after the connection was
    // accepted, however they trickle in; the reply must leave within as long again.
    std::chrono::milliseconds readTimeout{5000};
    std::size_t maxBodyBytes = 64 * 1024;  // larger bodies get 413
    // Connections held at once, in all and from one client address; more are answered 503.
    std::size_t maxConnections = 4096;
    std::size_t maxConnectionsPerClient = 64;
};

class RecognitionServer {
  public:
    RecognitionServer(const engine::Recognizer& recognizer, ServerOptions options,
                      std::ostream& log);
    ~RecognitionServer();
    RecognitionServer(const RecognitionServer&) = delete;
    RecognitionServer& operator=(const RecognitionServer&) = delete;

    // Binds the address and listens; false with a readable reason when the port is taken or
    // not allowed.
    bool bind(std::string& error);
    int port() const;

    // Serves until stop(); true when it stopped because it was asked to.
    bool run();
    // True from the moment run() serves.
    bool running() const;
    // Stops taking connections, lets the open ones finish (each within its deadlines), then
    // makes run() return. Safe from any thread, before or during run().
    void stop();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace service
