// fetchUrl against loopback servers that answer in the ways a real or hostile dictionary site
// might: sized and unsized bodies, error pages, connections cut short, bodies that never end.

#include <winsock2.h>
#include <ws2tcpip.h>

#include <gtest/gtest.h>

#include <atomic>
#include <functional>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "commit/page_fetch.h"
#include "tests/win/support/loopback_socket.h"

namespace {

std::string asString(const ByteString& bytes) {
    return std::string(reinterpret_cast<const char*>(bytes.data()), bytes.size());
}

std::string patternBody(std::size_t size) {
    std::string body(size, '\0');
    for (std::size_t i = 0; i < size; ++i) {
        body[i] = static_cast<char>('a' + i % 26);
    }
    return body;
}

using loopback::sendAll;

// A one-connection-at-a-time HTTP server on 127.0.0.1 and an ephemeral port. `respond` gets
// the raw request head and writes the answer itself, so tests can misbehave at will.
class LoopbackServer {
  public:
    using Responder = std::function<void(SOCKET, const std::string& requestHead)>;

    explicit LoopbackServer(Responder respond) : respond_(std::move(respond)) {
        listener_ = loopback::listenOnEphemeralPort(port_, 16);
        thread_ = std::thread([this] { serve(); });
    }

    ~LoopbackServer() {
        stopping_ = true;
        ::closesocket(listener_);
        thread_.join();
    }

    std::string url(const std::string& object) const {
        return "http://127.0.0.1:" + std::to_string(port_) + object;
    }

    std::vector<std::string> requests() {
        std::lock_guard<std::mutex> lock(mutex_);
        return requests_;
    }

  private:
    void serve() {
        while (!stopping_) {
            SOCKET client = ::accept(listener_, nullptr, nullptr);
            if (client == INVALID_SOCKET) {
                return;
            }
            const std::string head = loopback::readRequestHead(client);
            {
                std::lock_guard<std::mutex> lock(mutex_);
                requests_.push_back(head);
            }
            respond_(client, head);
            ::shutdown(client, SD_SEND);
            ::closesocket(client);
        }
    }

    Responder respond_;
    SOCKET listener_ = INVALID_SOCKET;
    unsigned short port_ = 0;
    std::thread thread_;
    std::atomic<bool> stopping_{false};
    std::mutex mutex_;
    std::vector<std::string> requests_;
};

LoopbackServer::Responder answerWith(const std::string& status, const std::string& body,
                                     bool sendLength) {
    return [=](SOCKET s, const std::string&) {
        std::string head = "HTTP/1.0 " + status + "\r\nContent-Type: text/html\r\n";
        if (sendLength) {
            head += "Content-Length: " + std::to_string(body.size()) + "\r\n";
        }
        head += "Connection: close\r\n\r\n";
        sendAll(s, head + body);
    };
}

class PageFetchTest : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        WSADATA data;
        WSAStartup(MAKEWORD(2, 2), &data);
    }
};

TEST_F(PageFetchTest, ReturnsWholeBodiesWhateverTheirAnnouncedLength) {
    for (std::size_t size : {std::size_t{500}, std::size_t{200000}}) {
        const std::string body = patternBody(size);
        LoopbackServer server(answerWith("200 OK", body, true));
        EXPECT_EQ(asString(fetchUrl(server.url("/page"))), body) << "Content-Length " << size;
    }
    const std::string unsized = patternBody(30000);
    LoopbackServer server(answerWith("200 OK", unsized, false));
    EXPECT_EQ(asString(fetchUrl(server.url("/page"))), unsized) << "no Content-Length";
}

TEST(PageReadBufferSize, FollowsContentLengthWithinBounds) {
    EXPECT_EQ(pageReadBufferSize("500"), 501u);
    EXPECT_EQ(pageReadBufferSize("200000"), 102400u);
    EXPECT_EQ(pageReadBufferSize(nullptr), 10240u);
    EXPECT_EQ(pageReadBufferSize("0"), 10240u);
    EXPECT_EQ(pageReadBufferSize("-7"), 10240u);
    EXPECT_EQ(pageReadBufferSize("junk"), 10240u);
}

TEST_F(PageFetchTest, SendsTheFixedRequestWithGbkQueryUnencodedAndNoFragment) {
    LoopbackServer server(answerWith("200 OK", "ok", true));
    const std::string object =
        "/Common/XinHuaZiDian/Default.aspx?MatchAll=False&Keyword=\xD6\xD0,,,,,,,";
    EXPECT_EQ(asString(fetchUrl(server.url(object + "#section"))), "ok");
    const auto requests = server.requests();
    ASSERT_EQ(requests.size(), 1u);
    const std::string& head = requests[0];
    EXPECT_EQ(head.substr(0, head.find("\r\n")), "GET " + object + " HTTP/1.0") << head;
    EXPECT_NE(head.find("User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.0)\r\n"),
              std::string::npos)
        << head;
    EXPECT_NE(head.find("Accept: */*"), std::string::npos) << head;
}

TEST_F(PageFetchTest, ReturnsTheBodyOfAnErrorPage) {
    LoopbackServer server(answerWith("404 Not Found", "<html>no such page</html>", true));
    EXPECT_EQ(asString(fetchUrl(server.url("/missing"))), "<html>no such page</html>");
}

TEST_F(PageFetchTest, KeepsWhatArrivedBeforeTheConnectionBroke) {
    const std::string part = patternBody(400);
    LoopbackServer server([&](SOCKET s, const std::string&) {
        sendAll(s, "HTTP/1.0 200 OK\r\nContent-Length: 1000\r\n\r\n" + part);
    });
    EXPECT_EQ(asString(fetchUrl(server.url("/cut"))), part);
}

TEST_F(PageFetchTest, StopsReadingAnEndlessBodyAtTheLimit) {
    LoopbackServer server([](SOCKET s, const std::string&) {
        sendAll(s, "HTTP/1.0 200 OK\r\nContent-Type: text/html\r\n\r\n");
        const std::string chunk = patternBody(65536);
        // Bounded so the server stops by itself; far beyond what the client may keep.
        for (int i = 0; i < 160 && sendAll(s, chunk); ++i) {
        }
    });
    const ByteString page = fetchUrl(server.url("/endless"));
    EXPECT_EQ(page.size(), kPageFetchLimit);
}

TEST_F(PageFetchTest, FailuresGiveAnEmptyResult) {
    EXPECT_TRUE(fetchUrl("").empty());
    EXPECT_TRUE(fetchUrl("not a url").empty());
    EXPECT_TRUE(fetchUrl("ftp://127.0.0.1/file").empty());
    // A port nothing listens on: take one from a server that has just gone.
    std::string closedUrl;
    {
        LoopbackServer gone(answerWith("200 OK", "x", true));
        closedUrl = gone.url("/page");
    }
    EXPECT_TRUE(fetchUrl(closedUrl).empty());
}

TEST_F(PageFetchTest, ConcurrentFetchesShareOneInternetHandleSafely) {
    const std::string body = patternBody(5000);
    LoopbackServer server(answerWith("200 OK", body, true));
    std::vector<std::thread> workers;
    std::atomic<int> whole{0};
    for (int i = 0; i < 8; ++i) {
        workers.emplace_back([&] {
            if (asString(fetchUrl(server.url("/page"))) == body) {
                ++whole;
            }
        });
    }
    for (auto& worker : workers) {
        worker.join();
    }
    EXPECT_EQ(whole.load(), 8);
}

}  // namespace
