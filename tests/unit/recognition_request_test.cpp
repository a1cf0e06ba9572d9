#include "recognition/recognition_request.h"

#include <gtest/gtest.h>

#include "recognition/writing_pad.h"

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

// Strokes from (x, y) pairs; a negative x ends the stroke.
Strokes strokesOf(std::initializer_list<std::pair<int, int>> points) {
    Strokes strokes;
    for (const auto& [x, y] : points) {
        if (x < 0) {
            strokes.endStroke();
        } else {
            strokes.appendPoint(x, y);
        }
    }
    return strokes;
}

constexpr std::pair<int, int> kEnd{-1, 0};

Text bodyOf(const Text& request) {
    const auto end = request.find("\r\n\r\n");
    return end == Text::npos ? Text() : request.substr(end + 4);
}

TEST(Strokes, PointsAndStrokeEndsInTheOrderTheyCame) {
    Strokes strokes = strokesOf({{10, 20}, {13, 20}, kEnd, {50, 60}, {50, 64}, kEnd});
    EXPECT_EQ(strokes.text(), "a10a20a13a20aa50a60a50a64a");
    // A stroke without samples adds its closing byte only.
    strokes.endStroke();
    EXPECT_EQ(strokes.text(), "a10a20a13a20aa50a60a50a64aa");
    strokes.clear();
    EXPECT_TRUE(strokes.empty());
    EXPECT_EQ(strokes, Strokes());
}

TEST(Strokes, RequestFieldsCutTheFirstAndLastByte) {
    const StrokeFields end = strokesOf({{10, 20}, {13, 20}, kEnd}).requestFields();
    EXPECT_EQ(end.strokeData, "10a20a13a20");
    EXPECT_EQ(end.contentLength, "21");
    // Mid-stroke the last digit of the last y is the byte cut.
    const StrokeFields mid = strokesOf({{10, 20}, {13, 20}, {16, 24}}).requestFields();
    EXPECT_EQ(mid.strokeData, "10a20a13a20a16a2");
    EXPECT_EQ(mid.contentLength, "26");
}

TEST(RecognitionRequest, StrokeEndRequestIsTheTemplateByteForByte) {
    const Text request = buildRecognitionRequest(strokesOf({{10, 20}, {13, 20}, kEnd}), kEndpoint);
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
    const Text request =
        buildRecognitionRequest(strokesOf({{10, 20}, {13, 20}, {16, 24}}), kEndpoint);
    EXPECT_EQ(request, expectedRequest("wd=10a20a13a20a16a2&type=1", "26"));
    EXPECT_EQ(bodyOf(request).size(), 26u);
}

TEST(RecognitionRequest, LongStrokeTextGivesAPlainDecimalLength) {
    Strokes stroke;
    while (stroke.text().size() < 20000) {
        stroke.appendPoint(123, 45);
    }
    stroke.endStroke();
    const Text request = buildRecognitionRequest(stroke, kEndpoint);
    // Printed from a double, yet no exponent and no decimal point.
    const std::string length = std::to_string(stroke.text().size() + 8);
    EXPECT_NE(request.find("\r\nContent-Length: " + length + "\r\n"), Text::npos);
    EXPECT_EQ(std::to_string(bodyOf(request).size()), length);
}

TEST(RecognitionRequest, HostNamesAreNeverTakenForPlaceholders) {
    const RecognitionEndpoint odd{"belong.example", "ldong.example"};
    const Text request = buildRecognitionRequest(strokesOf({{10, 20}, {13, 20}, kEnd}), odd);
    EXPECT_NE(request.find("\r\nHost: belong.example\r\n"), Text::npos);
    EXPECT_NE(request.find("Referer: http://ldong.example/swf/main.swf?v=1.1\r\n"), Text::npos);
    EXPECT_NE(request.find("\r\nContent-Length: 21\r\n"), Text::npos);
}

TEST(RecognitionRequest, WrittenStrokeIsDueAsTheRequestToTheServiceOnPort80) {
    StrokeCapture pen(kEndpoint);
    pen.referenceValue = 3;
    const PadSize size{214, 207};
    pen.mouseMove(10, 20, size);
    pen.buttonDown(10, 20);
    for (const auto& [x, y] : {std::pair{11, 20}, {13, 20}, {16, 24}}) {
        EXPECT_FALSE(pen.mouseMove(x, y, size).request);
    }
    const PadDecision end = pen.buttonUp();
    ASSERT_TRUE(end.request);
    EXPECT_EQ(end.request->host, "recognise.example");
    EXPECT_EQ(end.request->port, 80);
    EXPECT_EQ(end.request->text, expectedRequest("wd=10a20a13a20&type=1", "21"));
}

}  // namespace
