#pragma once
// The recognition request: a fixed HTTP/1.1 POST carrying the whole stroke text, sent over a
// fresh connection for every request. The reply is not awaited; it arrives later as the
// channel's data event (see reply_decoding.h).

#include "recognition/strokes.h"
#include "text/text_operations.h"

// Where the request goes. The service answers on port 80; the referring host is only named in
// the Referer line.
struct RecognitionEndpoint {
    Text serviceHost;
    Text referrerHost;
};

constexpr int kRecognitionPort = 80;

// The hosts this build was configured with (CMake cache variables SERVICE_HOST, REFERRER_HOST).
RecognitionEndpoint configuredRecognitionEndpoint();

// The caption the panel window gets when the service cannot be reached. The panel has no
// caption bar: it shows on the taskbar button only, and stays.
extern const char* const kConnectFailedCaption;

// One request that is due: connect to host:port, then send text whether or not the connect
// succeeded (the send then fails quietly). Nothing is retried: the next batch of samples or
// stroke end sends the next request.
struct RecognitionRequest {
    Text host;
    int port = kRecognitionPort;
    Text text;
};

// The request text: 15 lines joined by CR LF, none after the last; the body is
// "wd=" + the strokes' data + "&type=1".
Text buildRecognitionRequest(const Strokes& strokes, const RecognitionEndpoint& endpoint);

// The request for the strokes as they are now, addressed to the endpoint's service.
RecognitionRequest recognitionRequestFor(const Strokes& strokes,
                                         const RecognitionEndpoint& endpoint);
