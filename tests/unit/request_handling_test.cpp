#include "request_handling.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "command_line.h"

namespace {

// Answers with a fixed list and remembers what it was asked.
class FakeRecognizer : public engine::Recognizer {
  public:
    explicit FakeRecognizer(std::vector<std::string> answer) : answer_(std::move(answer)) {}
    std::vector<engine::ScoredCandidate> rank(const std::vector<protocol::PadStroke>& strokes,
                                              std::size_t count, PadSize) const override {
        seen = strokes;
        asked = count;
        ++calls;
        std::vector<engine::ScoredCandidate> ranked;
        for (const std::string& c : answer_) ranked.push_back({c, -double(ranked.size())});
        return ranked;
    }
    mutable std::vector<protocol::PadStroke> seen;
    mutable std::size_t asked = 0;
    mutable int calls = 0;

  private:
    std::vector<std::string> answer_;
};

const std::string kEmpty = R"({"c":"","v":1})";

}  // namespace

TEST(FormField, FindsAndDecodesTheField) {
    EXPECT_EQ(service::formField("wd=10a20&type=1", "wd"), "10a20");
    EXPECT_EQ(service::formField("type=1&wd=1%30a2", "wd"), "10a2");
    EXPECT_EQ(service::formField("wd&type=1", "wd"), "");
    EXPECT_EQ(service::formField("wd=%zz%4", "wd"), "%zz%4");
    EXPECT_FALSE(service::formField("", "wd"));
    EXPECT_FALSE(service::formField("type=1", "wd"));
    EXPECT_FALSE(service::formField("wdx=1&xwd=2", "wd"));
}

TEST(RecognitionReply, AnswersWithTheRecognisersCandidates) {
    FakeRecognizer fake({u8"中", u8"가", u8"口"});
    service::Reply reply = service::recognitionReply("wd=10a20a13a20aa50a60a50a64&type=1", fake);
    EXPECT_EQ(reply.status, 200);
    EXPECT_EQ(reply.body, R"({"c":"\u4e2d\u53e3","v":1})");
    EXPECT_EQ(reply.candidates, 2);
    EXPECT_EQ(fake.seen.size(), 2u);
    EXPECT_GE(fake.asked, 10u);
}

TEST(RecognitionReply, BadRequestsGetAnEmptyListAndAnErrorStatus) {
    FakeRecognizer fake({u8"中"});
    struct Case {
        std::string body;
        int status;
    };
    std::string many = "wd=";
    for (int i = 0; i < 100000; ++i) many += "1a1a";
    for (const Case& c : std::vector<Case>{{"", 400},
                                           {"type=1", 400},
                                           {"wd=10a2x0&type=1", 400},
                                           {"wd=10a-20&type=1", 400},
                                           {std::string("wd=\x00\xff\x10", 6) + "&type=1", 400},
                                           {many + "&type=1", 413}}) {
        service::Reply reply = service::recognitionReply(c.body, fake);
        EXPECT_EQ(reply.status, c.status) << c.body.substr(0, 20);
        EXPECT_EQ(reply.body, kEmpty);
    }
    EXPECT_EQ(fake.calls, 0);
}

TEST(RecognitionReply, NothingOnThePadIsStillAnAnswer) {
    FakeRecognizer fake({});
    for (std::string body : {"wd=&type=1", "wd=999a999&type=1"}) {
        service::Reply reply = service::recognitionReply(body, fake);
        EXPECT_EQ(reply.status, 200);
        EXPECT_EQ(reply.body, kEmpty);
        EXPECT_EQ(reply.candidates, 0);
    }
}

TEST(DictionaryReply, FoundAndNotFound) {
    service::Reply found = service::dictionaryReply("中,,,,,,,");
    EXPECT_EQ(found.status, 200);
    EXPECT_NE(found.contentType.find("GBK"), std::string::npos);
    EXPECT_NE(found.body.find("khk"), std::string::npos);
    EXPECT_EQ(service::dictionaryReply("\xFF\xFF").status, 404);
}

TEST(CommandLine, DefaultsAndOptions) {
    service::CommandLine line = service::parseCommandLine({});
    EXPECT_TRUE(line.error.empty());
    EXPECT_EQ(line.server.host, "127.0.0.1");
    EXPECT_EQ(line.server.port, 80);
    EXPECT_EQ(line.modelPath, "");  // the default recogniser

    line = service::parseCommandLine({"--listen", "0.0.0.0", "--port=8080", "--threads", "2",
                                      "--model", "m", "--timeout", "1000"});
    EXPECT_TRUE(line.error.empty()) << line.error;
    EXPECT_EQ(line.server.host, "0.0.0.0");
    EXPECT_EQ(line.server.port, 8080);
    EXPECT_EQ(line.server.threads, 2);
    EXPECT_EQ(line.modelPath, "m");
    EXPECT_EQ(line.server.readTimeout.count(), 1000);
    EXPECT_TRUE(service::parseCommandLine({"--help"}).help);
}

TEST(CommandLine, UnusableArgumentsAreReported) {
    for (auto args : std::vector<std::vector<std::string>>{{"--port"},
                                                           {"--port", "65536"},
                                                           {"--port", "-1"},
                                                           {"--port", "8o"},
                                                           {"--threads", "0"},
                                                           {"--bogus"},
                                                           {"--model="}}) {
        EXPECT_FALSE(service::parseCommandLine(args).error.empty()) << args[0];
    }
}
