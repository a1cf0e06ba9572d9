// The service as the panel meets it: the real program on a loopback port, raw requests in the
// panel's exact form, replies cut by the panel's rules.
#include <arpa/inet.h>
#include <gtest/gtest.h>
#include <netinet/in.h>
#include <signal.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cstdio>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include "commit/dictionary_lookup_text.h"
#include "hanzi_medians.h"
#include "recognition/reply_decoding.h"
#include "service_process.h"

using namespace servicetest;
using Clock = std::chrono::steady_clock;

namespace {

// The panel's own reply cutting, as a list.
std::vector<std::string> cutReply(const std::string& received) {
    Array<Text> pieces = cutReplyPieces(received);
    std::vector<std::string> list;
    for (int i = 1; i <= pieces.count(); ++i) list.push_back(pieces.at(i));
    return list;
}

// The panel's own dictionary page cutting; "<none>" when the marker is missing.
std::string markedValue(const std::string& reply, const char* marker) {
    std::string body = bodyOf(reply);
    Text value;
    if (!cutMarkedValue(ByteString(body.data(), body.size()), marker, value))
        return "<none>";
    return value;
}

// A piece such as "u4e2d" as the script evaluator reads "\u4e2d"; 0 when it is not one.
char32_t pieceCharacter(const std::string& piece) {
    if (piece.size() != 5 || piece[0] != 'u')
        return 0;
    return static_cast<char32_t>(std::strtoul(piece.c_str() + 1, nullptr, 16));
}

hanzi::PadRecording writeCharacter(const std::string& utf8) {
    hanzi::HanziMedians medians;
    std::string error;
    if (!hanzi::loadHanziMedians(HANZI_WRITER_DATA_DIR, utf8, medians, error))
        return {};
    return hanzi::writeOnPad(hanzi::mediansToPadPath(medians));
}

// The service program of this build, or the one the environment names (the Windows service).
const std::string kService = serviceUnderTest(SERVICE_BINARY);

class Service : public ::testing::Test {
  protected:
    static void SetUpTestSuite() {
        service = std::make_unique<ServiceProcess>(
            kService, std::vector<std::string>{"--threads", "4", "--timeout", "1000"});
    }
    static void TearDownTestSuite() { service.reset(); }
    void SetUp() override { ASSERT_TRUE(service->running()) << service->output(); }
    void TearDown() override {
        EXPECT_TRUE(service->alive()) << "the service died:\n" << service->output();
    }

    static std::string post(const std::string& body) {
        return exchange(service->port(),
                        "POST / HTTP/1.1\r\nHost: 127.0.0.1\r\nContent-Type: "
                        "application/x-www-form-urlencoded\r\n"
                        "Content-Length: " +
                            std::to_string(body.size()) + "\r\n\r\n" + body);
    }
    // The panel's dictionary request for a keyword (GBK bytes and the panel's trailing commas).
    static std::string lookUp(const std::string& keyword) {
        return exchange(service->port(),
                        "GET /Common/XinHuaZiDian/Default.aspx?MatchAll=False&Keyword=" + keyword +
                            " HTTP/1.0\r\n\r\n");
    }
    static std::unique_ptr<ServiceProcess> service;
};
std::unique_ptr<ServiceProcess> Service::service;

const std::string kEmptyList = R"({"c":"","v":1})";

}  // namespace

TEST_F(Service, ZhongWrittenOnThePadIsAmongTheTenCandidates) {
    hanzi::PadRecording pad = writeCharacter(u8"中");
    ASSERT_FALSE(pad.requests.empty()) << "no hanzi-writer-data (run make deps)";
    std::string reply = exchange(service->port(), panelRequest(pad.requests.back()));
    ASSERT_EQ(statusOf(reply), 200) << reply;
    std::vector<std::string> pieces = cutReply(reply);
    ASSERT_FALSE(pieces.empty()) << reply;
    EXPECT_LE(pieces.size(), 10u);
    bool found = false;
    for (const std::string& piece : pieces) {
        EXPECT_NE(pieceCharacter(piece), 0u) << piece;
        found = found || pieceCharacter(piece) == char32_t{0x4E2D};
    }
    EXPECT_TRUE(found) << reply;
    EXPECT_NE(service->output().find("POST / 200"), std::string::npos);
}

TEST_F(Service, EveryRequestThePadSendsWhileWritingIsAnswered) {
    hanzi::PadRecording pad = writeCharacter(u8"中");
    ASSERT_GT(pad.requests.size(), 2u);
    int midStroke = 0;
    for (std::size_t i = 0; i < pad.requests.size(); ++i) {
        std::string reply = exchange(service->port(), panelRequest(pad.requests[i]));
        EXPECT_EQ(statusOf(reply), 200) << pad.requests[i];
        EXPECT_FALSE(cutReply(reply).empty()) << pad.requests[i];
        midStroke += pad.midStroke[i];
    }
    EXPECT_GT(midStroke, 0);
}

TEST_F(Service, RepliesAreUncompressedAndCloseTheirConnection) {
    std::string reply = exchange(service->port(), panelRequest("10a20a13a20a16a24"),
                                 std::chrono::milliseconds(3000));
    ASSERT_EQ(statusOf(reply), 200);
    // exchange() returns when the service closes; the panel's Keep-Alive is not honoured.
    EXPECT_NE(reply.find("Connection: close"), std::string::npos);
    EXPECT_EQ(reply.find("Content-Encoding"), std::string::npos);
    std::string head = reply.substr(0, reply.find("\r\n\r\n"));
    EXPECT_EQ(head.find('{'), std::string::npos);  // the panel cuts from the first brace
}

TEST_F(Service, DictionaryPageForZhongHoldsPinyinAndWubi) {
    // The keyword goes as raw GBK bytes in the request line, as the panel's fetch sends it.
    std::string request =
        "GET /Common/XinHuaZiDian/Default.aspx?MatchAll=False&Keyword=\xD6\xD0,,,,,,, HTTP/1.0\r\n"
        "Host: 127.0.0.1\r\n\r\n";
    std::string reply = exchange(service->port(), request);
    ASSERT_EQ(statusOf(reply), 200) << reply;
    // Cut as the panel cuts it; zhōng is "zh\xA8\xADng" in GBK.
    EXPECT_EQ(markedValue(reply, kPinyinMarker).rfind("zh\xA8\xADng", 0), 0u) << reply;
    EXPECT_EQ(markedValue(reply, kWubiMarker), "khk");
    EXPECT_NE(reply.find("charset=GBK"), std::string::npos);

    std::string escaped = exchange(
        service->port(),
        "GET /Common/XinHuaZiDian/Default.aspx?MatchAll=False&Keyword=%D6%D0%2C HTTP/1.1\r\n"
        "Host: x\r\nAccept-Encoding: gzip, deflate\r\n\r\n");
    EXPECT_EQ(markedValue(escaped, kWubiMarker), "khk");
}

TEST_F(Service, ASymbolsPageGivesThePanelEmptyPinyinAndWubi) {
    for (std::string keyword : {"1,,,,,,,", "\xA3\xAC,,,,,,,"}) {
        std::string reply = lookUp(keyword);
        EXPECT_EQ(statusOf(reply), 200) << reply;
        EXPECT_EQ(markedValue(reply, kPinyinMarker), "");
        EXPECT_EQ(markedValue(reply, kWubiMarker), "");
    }
}

TEST_F(Service, UnknownKeywordGivesAPageWithoutThePinyinMarker) {
    for (std::string keyword : {"\xFF\xFF,,,,,,,", "\x81\x20,,,,,,,"}) {
        std::string reply = lookUp(keyword);
        EXPECT_NE(statusOf(reply), 0);
        EXPECT_FALSE(bodyOf(reply).empty());
        EXPECT_EQ(markedValue(reply, kPinyinMarker), "<none>");
    }
}

TEST_F(Service, HealthIsAnsweredAndUnknownPathsAre404) {
    std::string health = exchange(service->port(), "GET /healthz HTTP/1.1\r\nHost: x\r\n\r\n");
    EXPECT_EQ(statusOf(health), 200) << health;
    EXPECT_EQ(bodyOf(health), "ok\n");
    for (std::string line :
         {"GET / HTTP/1.1", "POST /healthz HTTP/1.1", "GET /index.html HTTP/1.0"})
        EXPECT_EQ(statusOf(exchange(service->port(), line + "\r\nContent-Length: 0\r\n\r\n")), 404)
            << line;
}

TEST_F(Service, MalformedRecognitionRequestsGetAnEmptyList) {
    std::string many = "wd=";
    for (int i = 0; i < 100000; ++i) many += "1a1a";
    struct Case {
        const char* what;
        std::string body;
        int status;
    };
    for (const Case& c :
         std::vector<Case>{{"empty body", "", 400},
                           {"no wd", "type=1", 400},
                           {"letters", "wd=10a2b0a13a20&type=1", 400},
                           {"signs", "wd=10a-20a13a20&type=1", 400},
                           {"binary", std::string("wd=\x00\x01\xff\xfe\x80", 8) + "&type=1", 400},
                           {"beyond the pad", "wd=500a900a600a950&type=1", 200}}) {
        std::string reply = post(c.body);
        EXPECT_EQ(statusOf(reply), c.status) << c.what;
        EXPECT_EQ(bodyOf(reply), kEmptyList) << c.what;
    }
}

TEST_F(Service, OversizedBodiesAreRefusedWith413) {
    std::string many = "wd=";
    for (int i = 0; i < 100000; ++i) many += "1a1a";  // 100 000 points, 400 KB
    EXPECT_EQ(statusOf(post(many + "&type=1")), 413);
    EXPECT_EQ(statusOf(post("wd=" + std::string(64 * 1024, '1'))), 413);
    EXPECT_EQ(statusOf(post(std::string(60 * 1024, 'x'))), 400);  // under the limit: read, refused
}

TEST_F(Service, ALongButValidStrokeTextIsRecognised) {
    // Some 3000 points (about 24 KB), in the panel's form-encoded request.
    std::string inner = "10a20";
    for (int i = 0; i < 3000; ++i)
        inner += "a" + std::to_string(20 + i % 150) + "a" + std::to_string(30 + (i / 150) * 8) +
                 (i % 150 == 149 ? "a" : "");
    std::string reply = exchange(service->port(), panelRequest(inner));
    EXPECT_EQ(statusOf(reply), 200) << reply.substr(0, 200);
    EXPECT_FALSE(cutReply(reply).empty());
}

TEST_F(Service, RawGbkBytesInTheRequestLineAreHandled) {
    for (std::string line :
         {"POST /\xD6\xD0 HTTP/1.1", "GET /\xD6\xD0\xB9\xFA?Keyword=\xD6\xD0 HTTP/1.1",
          "\xD6\xD0 / HTTP/1.1",
          "GET /Common/XinHuaZiDian/Default.aspx?Keyword=\xFF\x00 HTTP/1.1"}) {
        std::string reply = exchange(service->port(), line + "\r\nContent-Length: 0\r\n\r\n",
                                     std::chrono::milliseconds(3000));
        int status = statusOf(reply);
        EXPECT_TRUE(status == 0 || status >= 400) << status;  // answered with an error, or closed
    }
}

TEST_F(Service, AStalledClientIsCutOffAndDoesNotHoldUpOthers) {
    // Four stalled clients on a service with four workers: each holds a worker until timed out.
    std::vector<int> stalled;
    for (int i = 0; i < 4; ++i) {
        int fd = connectLoopback(service->port());
        ASSERT_GE(fd, 0);
        std::string half = "POST / HTTP/1.1\r\nContent-Length: 100\r\n\r\nwd=10a2";
        ASSERT_EQ(send(fd, half.data(), half.size(), MSG_NOSIGNAL),
                  static_cast<ssize_t>(half.size()));
        stalled.push_back(fd);
    }
    auto start = Clock::now();
    std::string reply =
        exchange(service->port(), panelRequest("10a20a13a20"), std::chrono::milliseconds(10000));
    EXPECT_EQ(statusOf(reply), 200);
    EXPECT_LT(Clock::now() - start, std::chrono::milliseconds(3000));
    for (int fd : stalled) {
        std::string received;
        EXPECT_TRUE(readUntilClosed(fd, received, std::chrono::milliseconds(5000)));
        close(fd);
    }
}

TEST_F(Service, ManyClientsAtOnceAreAllAnswered) {
    hanzi::PadRecording pad = writeCharacter(u8"口");
    ASSERT_FALSE(pad.requests.empty());
    std::vector<std::thread> clients;
    std::vector<int> statuses(32);
    for (std::size_t i = 0; i < statuses.size(); ++i) {
        clients.emplace_back([&, i] {
            statuses[i] = statusOf(exchange(service->port(), panelRequest(pad.requests.back())));
        });
    }
    for (auto& c : clients) c.join();
    for (int s : statuses) EXPECT_EQ(s, 200);
}

TEST(ServiceProgram, LogsOneLinePerRequestAndStopsCleanlyOnSigterm) {
    ServiceProcess service(kService);
    ASSERT_TRUE(service.running()) << service.output();
    exchange(service.port(), panelRequest("10a20a13a20a16a24"));
    exchange(
        service.port(),
        "GET /Common/XinHuaZiDian/Default.aspx?MatchAll=False&Keyword=\xD6\xD0 HTTP/1.0\r\n\r\n");
    EXPECT_EQ(service.terminate(), 0);
    std::string log = service.output();
    EXPECT_NE(log.find("POST / 200 "), std::string::npos) << log;
    EXPECT_NE(log.find("candidates="), std::string::npos) << log;
    EXPECT_NE(log.find("GET /Common/XinHuaZiDian/Default.aspx 200 "), std::string::npos) << log;
    EXPECT_NE(log.find("ms "), std::string::npos) << log;
    EXPECT_NE(log.find("stopped"), std::string::npos) << log;
}

TEST(ServiceProgram, StopsCleanlyOnSigintToo) {
    if (stopsWithCommand())
        GTEST_SKIP() << "this service is stopped by its stop command, not by signals";
    ServiceProcess service(kService);
    ASSERT_TRUE(service.running()) << service.output();
    EXPECT_EQ(service.terminate(std::chrono::milliseconds(5000), SIGINT), 0);
    EXPECT_NE(service.output().find("stopped"), std::string::npos);
}

// Taken by another program: the service says so and exits non-zero.
TEST(ServiceProgram, ATakenPortIsReportedAndExitsNonZero) {
    int holder = socket(AF_INET, SOCK_STREAM, 0);
    ASSERT_GE(holder, 0);
    sockaddr_in address{};
    address.sin_family = AF_INET;
    address.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof address;
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr*>(&address), length), 0);
    ASSERT_EQ(listen(holder, 4), 0);
    ASSERT_EQ(getsockname(holder, reinterpret_cast<sockaddr*>(&address), &length), 0);
    std::string port = std::to_string(ntohs(address.sin_port));
    Finished second = runToEnd(kService, {"--listen", "127.0.0.1", "--port", port});
    close(holder);
    EXPECT_NE(second.status, 0);
    EXPECT_NE(second.output.find("cannot listen on 127.0.0.1:" + port), std::string::npos)
        << second.output;
    EXPECT_NE(second.output.find("in use"), std::string::npos) << second.output;
}

// A second copy on a port the service already serves leaves, and the first serves on.
TEST(ServiceProgram, ASecondCopyOnTheSamePortLeavesAndTheFirstServesOn) {
    ServiceProcess first(kService);
    ASSERT_TRUE(first.running()) << first.output();
    Finished second =
        runToEnd(kService, {"--listen", "127.0.0.1", "--port", std::to_string(first.port())});
    EXPECT_NE(second.status, 0) << second.output;
    EXPECT_TRUE(first.alive());
    EXPECT_EQ(statusOf(exchange(first.port(), panelRequest("10a20a13a20a16a24"))), 200);
}

// By default the model kept beside the program is loaded; --model loads the one named.
TEST(ServiceProgram, StartLineNamesTheModelInUse) {
    ServiceProcess byDefault(kService);
    ASSERT_TRUE(byDefault.running()) << byDefault.output();
    EXPECT_NE(byDefault.output().find("recognition.model, "), std::string::npos)
        << byDefault.output();
    const std::string named = servicePath(MODEL_PATH);
    ServiceProcess alone(kService, {"--model", named});
    ASSERT_TRUE(alone.running()) << alone.output();
    EXPECT_NE(alone.output().find("(model " + named + ", "), std::string::npos) << alone.output();
}

TEST(ServiceProgram, AnUnloadableModelIsReportedAndExitsNonZero) {
    char path[] = "/tmp/not-a-model-XXXXXX";
    int fd = mkstemp(path);
    ASSERT_GE(fd, 0);
    ASSERT_EQ(write(fd, "garbage", 7), 7);
    char cut[] = "/tmp/cut-shape-model-XXXXXX";
    int cutFd = mkstemp(cut);
    ASSERT_GE(cutFd, 0);
    ASSERT_EQ(write(cutFd, "HWSHAPE1\1\0\0", 11), 11);
    close(cutFd);
    close(fd);
    for (std::string model :
         {servicePath("/nonexistent/model"), servicePath(path), servicePath(cut)}) {
        Finished run = runToEnd(kService, {"--port", "0", "--model", model});
        EXPECT_NE(run.status, 0) << model;
        EXPECT_NE(run.output.find("cannot load the recognition model " + model), std::string::npos)
            << run.output;
    }
    unlink(path);
    unlink(cut);
}

TEST(ServiceProgram, HelpAndBadArguments) {
    Finished help = runToEnd(kService, {"--help"});
    EXPECT_EQ(help.status, 0);
    for (const char* option : {"--listen", "--port", "--model", "--threads"})
        EXPECT_NE(help.output.find(option), std::string::npos);
    Finished version = runToEnd(kService, {"--version"});
    EXPECT_EQ(version.status, 0);
    EXPECT_EQ(version.output.rfind("handwriting-service 1.", 0), 0u) << version.output;
    Finished bad = runToEnd(kService, {"--port", "http"});
    EXPECT_EQ(bad.status, 2);
    EXPECT_NE(bad.output.find("--port"), std::string::npos);
}
