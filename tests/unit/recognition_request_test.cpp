#include "recognition/recognition_request.h"

#include <gtest/gtest.h>

#include "recognition/writing_pad.h"
#include "recognition_fakes.h"

namespace {

const RecognitionEndpoint kEndpoint{"recognise.example", "referrer.example"};

// The request as it must leave the panel, for a given body and length.
Text expectedRequest(const Text& body, const Text& length) {
    return "POST / HTTP/1.1\r\n"
           "Accept: */*\r\n"
           "Accept-Language: zh-CN\r\n"
           "Referer: http://referrer.example/swf/main.swf?v=1.1\r\n"
           "x-flash-version: 10,0,12,36\r\n"
           "Content-Type: application/x-www-form-urlencoded\r\n"
           "Content-Length: " +
           length +
           "\r\n"
           "Accept-Encoding: gzip, deflate\r\n"
           "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)\r\n"
           "Host: recognise.example\r\n"
           "Connection: Keep-Alive\r\n"
           "Cache-Control: no-cache\r\n"
           "Cookie: MORVAID=6D3A9F0C51B87E24D0A6C3F9185E7B42:FG=1\r\n"
           "\r\n" +
           body;
}

Text bodyOf(const Text& request) {
    const auto end = request.find("\r\n\r\n");
    return end == Text::npos ? Text() : request.substr(end + 4);
}

TEST(RecognitionRequest, StrokeEndRequestIsTheTemplateByteForByte) {
    const Text request = buildRecognitionRequest("a10a20a13a20a", kEndpoint);
    EXPECT_EQ(request, expectedRequest("wd=10a20a13a20&type=1", "21"));
    EXPECT_EQ(bodyOf(request).size(), 21u);
    EXPECT_EQ(request.find('\0'), Text::npos);
    EXPECT_NE(request.substr(request.size() - 2), "\r\n");
    // 15 lines: 14 line breaks.
    int breaks = 0;
    for (auto at = request.find("\r\n"); at != Text::npos; at = request.find("\r\n", at + 2)) {
        ++breaks;
    }
    EXPECT_EQ(breaks, 14);
}

TEST(RecognitionRequest, MidStrokeRequestLosesTheLastDigit) {
    const Text request = buildRecognitionRequest("a10a20a13a20a16a24", kEndpoint);
    EXPECT_EQ(request, expectedRequest("wd=10a20a13a20a16a2&type=1", "26"));
    EXPECT_EQ(bodyOf(request).size(), 26u);
}

TEST(RecognitionRequest, LongStrokeTextGivesAPlainDecimalLength) {
    Text stroke;
    while (stroke.size() < 20000) {
        stroke += "a123a45";
    }
    stroke += "a";
    const Text request = buildRecognitionRequest(stroke, kEndpoint);
    // Printed from a double, yet no exponent and no decimal point.
    const std::string length = std::to_string(stroke.size() + 8);
    EXPECT_NE(request.find("\r\nContent-Length: " + length + "\r\n"), Text::npos);
    EXPECT_EQ(std::to_string(bodyOf(request).size()), length);
}

TEST(RecognitionRequest, HostNamesAreNeverTakenForPlaceholders) {
    const RecognitionEndpoint odd{"belong.example", "ldong.example"};
    const Text request = buildRecognitionRequest("a10a20a13a20a", odd);
    EXPECT_NE(request.find("\r\nHost: belong.example\r\n"), Text::npos);
    EXPECT_NE(request.find("Referer: http://ldong.example/swf/main.swf?v=1.1\r\n"), Text::npos);
    EXPECT_NE(request.find("\r\nContent-Length: 21\r\n"), Text::npos);
}

class RecordingChannel : public RecognitionChannel {
  public:
    bool connects = true;
    std::vector<std::string> log;
    std::vector<Text> sent;
    Text caption = "panel";

    bool connect(const Text& host, int port) override {
        log.push_back("connect " + host + ":" + std::to_string(port));
        return connects;
    }
    bool send(const Text& text) override {
        log.push_back("send");
        sent.push_back(text);
        return connects;
    }
    void setPanelCaption(const Text& text) override {
        log.push_back("caption");
        caption = text;
    }
};

TEST(RunRecognitionRequest, ConnectsToTheServiceOnPort80ThenSends) {
    PanelState state;
    state.strokeText = "a10a20a13a20a";
    RecordingChannel channel;
    runRecognitionRequest(state, channel, kEndpoint);
    EXPECT_EQ(channel.log, (std::vector<std::string>{"connect recognise.example:80", "send"}));
    ASSERT_EQ(channel.sent.size(), 1u);
    EXPECT_EQ(channel.sent[0], buildRecognitionRequest(state.strokeText, kEndpoint));
    EXPECT_EQ(channel.caption, "panel");
}

TEST(RunRecognitionRequest, ConnectFailureShowsInTheTitleAndTheSendIsStillMade) {
    PanelState state;
    state.strokeText = "a10a20a13a20a";
    RecordingChannel channel;
    channel.connects = false;
    runRecognitionRequest(state, channel, kEndpoint);
    EXPECT_EQ(channel.log,
              (std::vector<std::string>{"connect recognise.example:80", "caption", "send"}));
    // "连接服务器失败！" in GBK.
    EXPECT_EQ(channel.caption, "\xC1\xAC\xBD\xD3\xB7\xFE\xCE\xF1\xC6\xF7\xCA\xA7\xB0\xDC\xA3\xA1");

    // A later request that connects leaves the title as it is.
    channel.connects = true;
    channel.log.clear();
    runRecognitionRequest(state, channel, kEndpoint);
    EXPECT_EQ(channel.log, (std::vector<std::string>{"connect recognise.example:80", "send"}));
}

// The pad wired to the real request, as the panel does it.
class PadWithChannel : public RecordingPanel {
  public:
    PadWithChannel(PanelState& state, RecognitionChannel& channel)
        : RecordingPanel(state), state_(state), channel_(channel) {}
    void runRecognitionRequest() override { ::runRecognitionRequest(state_, channel_, kEndpoint); }

  private:
    PanelState& state_;
    RecognitionChannel& channel_;
};

TEST(RunRecognitionRequest, WrittenStrokeReachesTheChannelAsTheRequest) {
    PanelState state;
    state.referenceValue = 3;
    RecordingChannel channel;
    PadWithChannel pad(state, channel);
    onPadMouseMove(state, pad, 10, 20, 0);
    onPadButtonDown(state, pad, 10, 20, 0);
    onPadMouseMove(state, pad, 11, 20, 0);
    onPadMouseMove(state, pad, 13, 20, 0);
    onPadMouseMove(state, pad, 16, 24, 0);
    finishStroke(state, pad, 16, 24, 0);
    ASSERT_EQ(channel.sent.size(), 1u);
    EXPECT_EQ(channel.sent[0], expectedRequest("wd=10a20a13a20&type=1", "21"));
}

}  // namespace
