// The HTTP side of the service: one address and port, a fixed pool of worker threads, one
// request per connection, a log line per request.
#pragma once

#include <chrono>
#include <memory>
#include <ostream>
#include <string>

#include "recognizer.h"

namespace service {

struct ServerOptions {
    std::string host = "127.0.0.1";
    int port = 80;  // 0 picks a free port (tests)
    int threads = 8;
    std::chrono::milliseconds readTimeout{5000};  // a client that stalls is cut off after this
    std::size_t maxBodyBytes = 64 * 1024;         // larger bodies get 413
};

class RecognitionServer {
  public:
    RecognitionServer(const Recognizer& recognizer, ServerOptions options, std::ostream& log);
    ~RecognitionServer();
    RecognitionServer(const RecognitionServer&) = delete;
    RecognitionServer& operator=(const RecognitionServer&) = delete;

    // Binds the address; false with a readable reason when the port is taken or not allowed.
    bool bind(std::string& error);
    int port() const;

    // Serves until stop() is called from another thread; false when listening failed.
    bool run();
    // True from the moment run() listens; stop() takes effect only then.
    bool running() const;
    void stop();

  private:
    struct State;
    std::unique_ptr<State> state_;
};

}  // namespace service
