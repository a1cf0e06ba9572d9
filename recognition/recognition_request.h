#pragma once
// The recognition request: a fixed HTTP/1.1 POST carrying the whole stroke text, sent over a
// fresh connection for every request. The reply is not awaited here; it arrives later as the
// channel's data event (see reply_decoding.h).

#include "app/panel_state.h"

// Where the request goes. The service answers on port 80; the referring host is only named in
// the Referer line.
struct RecognitionEndpoint {
    Text serviceHost;
    Text referrerHost;
};

constexpr int kRecognitionPort = 80;

// The hosts this build was configured with (CMake cache variables SERVICE_HOST, REFERRER_HOST).
RecognitionEndpoint configuredRecognitionEndpoint();

// The caption the panel window gets when the service cannot be reached.
extern const char* const kConnectFailedCaption;

// What runRecognitionRequest needs: the TCP client and the panel window's title.
class RecognitionChannel {
  public:
    virtual ~RecognitionChannel() = default;
    // Drops any connection still held, then connects; true when connected.
    virtual bool connect(const Text& host, int port) = 0;
    // Sends the text's bytes (no terminating zero); true when all were handed to the network.
    virtual bool send(const Text& text) = 0;
    virtual void setPanelCaption(const Text& caption) = 0;
};

// The request text for a stroke text: 15 lines joined by CR LF, none after the last; the body
// is "wd=" + the stroke text without its first and last byte + "&type=1".
Text buildRecognitionRequest(const Text& strokeText, const RecognitionEndpoint& endpoint);

// Connects, shows the failure in the panel's title if the connect fails, and sends the request
// either way (the send then fails quietly). Nothing is retried: the next batch of samples or
// stroke end sends the next request.
void runRecognitionRequest(const PanelState& state, RecognitionChannel& channel,
                           const RecognitionEndpoint& endpoint = configuredRecognitionEndpoint());
