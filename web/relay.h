// The web front end's side of wsvd's request link: a small pool of connections as the
// peer "thttpd", each carrying one request at a time, and the reading of one reply
// fragment after another. A connection whose state is not known for sure (timeout,
// reply abandoned, daemon gone) is closed, never reused.
//
// Every call is thread-safe; every wait is bounded by the configured timeout and ends
// early once webRelayStop() has been called.
#pragma once
#include <string>

#include "platform/wsvc_client.h"

struct webRelayConfig_t {
    int maxLinks = 8;             // connections to wsvd open at once
    int timeoutMs = 60000;        // longest wait for the daemon's next reply fragment
    int connectTimeoutMs = 2000;  // directory lookup, connect and hello together
};

void webRelayConfigure(const webRelayConfig_t &config);
// Ends every wait in progress and closes the idle connections; later requests fail.
void webRelayStop();

enum webRelayStatus {
    WEB_RELAY_OK = 0,
    WEB_RELAY_UNAVAILABLE = 1,  // wsvd cannot be reached or went away
    WEB_RELAY_TIMEOUT = 2,      // wsvd did not answer in time (or every link stayed busy)
    WEB_RELAY_BROKEN = 3,       // wsvd sent something that does not fit the reply
};

struct webRelay_t;  // one request forwarded and its reply being read

// Forwards the request (its requestId is chosen here) and waits for the first
// non-empty fragment of the reply, stored in *first; *done tells whether that was the
// whole reply (an empty reply gives "" and done). Null on failure, with *status.
webRelay_t *webRelayOpen(wsvcRequest_t request, std::string *first, bool *done,
                         webRelayStatus *status);
// The next non-empty fragment into *piece, or the end (*done, piece possibly empty).
webRelayStatus webRelayNext(webRelay_t *relay, std::string *piece, bool *done);
// Gives the connection back to the pool when the reply was read to its end, and closes
// it otherwise. Null is allowed.
void webRelayClose(webRelay_t *relay);

// Connections open now (busy and idle), for tests and the benchmark.
int webRelayLinkCount();
