#include "recognition/recognition_request.h"

#ifndef PANEL_SERVICE_HOST
#error "PANEL_SERVICE_HOST must name the recognition service host"
#endif
#ifndef PANEL_REFERRER_HOST
#error "PANEL_REFERRER_HOST must name the referring host"
#endif

const char* const kConnectFailedCaption = "连接服务器失败！";

RecognitionEndpoint configuredRecognitionEndpoint() {
    return RecognitionEndpoint{PANEL_SERVICE_HOST, PANEL_REFERRER_HOST};
}

namespace {

// The template around the two host names. "ldong" stands for the stroke data and "long" for
// the content length. The hosts are spliced in after the placeholders are filled, so a host
// name that happens to contain "long" reaches the wire unchanged.
const char* const kBeforeReferrer =
    "POST / HTTP/1.1\r\n"
    "Accept: */*\r\n"
    "Accept-Language: zh-CN\r\n"
    "Referer: http://";
const char* const kBeforeServiceHost =
    "/swf/main.swf?v=1.1\r\n"
    "x-flash-version: 10,0,12,36\r\n"
    "Content-Type: application/x-www-form-urlencoded\r\n"
    "Content-Length: long\r\n"
    "Accept-Encoding: gzip, deflate\r\n"
    "User-Agent: Mozilla/4.0 (compatible; MSIE 6.0; Windows NT 5.1; SV1)\r\n"
    "Host: ";
const char* const kAfterServiceHost =
    "\r\n"
    "Connection: Keep-Alive\r\n"
    "Cache-Control: no-cache\r\n"
    "Cookie: MORVAID=6D3A9F0C51B87E24D0A6C3F9185E7B42:FG=1\r\n"
    "\r\n"
    "wd=ldong&type=1";

// "ldong" first: the length's placeholder must not be found inside the stroke data's.
Text fillPlaceholders(const Text& part, const StrokeFields& fields) {
    const Text withData = replaceText(part, "ldong", fields.strokeData, 1, -1, true);
    return replaceText(withData, "long", fields.contentLength, 1, -1, true);
}

}  // namespace

Text buildRecognitionRequest(const Strokes& strokes, const RecognitionEndpoint& endpoint) {
    const StrokeFields fields = strokes.requestFields();
    return fillPlaceholders(kBeforeReferrer, fields) + endpoint.referrerHost +
           fillPlaceholders(kBeforeServiceHost, fields) + endpoint.serviceHost +
           fillPlaceholders(kAfterServiceHost, fields);
}

RecognitionRequest recognitionRequestFor(const Strokes& strokes,
                                         const RecognitionEndpoint& endpoint) {
    return RecognitionRequest{endpoint.serviceHost, kRecognitionPort,
                              buildRecognitionRequest(strokes, endpoint)};
}
