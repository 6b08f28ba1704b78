// The HTTP(S) front of the switch's management API: POST /xmlService is relayed to wsvd
// (web/relay.h) and its reply streamed back; GET /xmlService?wsdl and the schema files
// describe the service.
//
// Event-driven (libmicrohttpd on epoll with a small pool of threads, each handed new
// connections fewest first), so a connection costs a socket and a little memory, not a
// thread: thousands may be open, and clients that send slowly hold nobody up. A relay
// blocks the pool thread that runs it while wsvd answers (wsvd serves one request at a
// time anyway). Each connection must bring its whole request within the request timeout
// and take its reply within the reply timeout (web/deadlines.h); one client address may
// hold only so many connections.
#pragma once
#include <cstddef>
#include <string>

#include "platform/wsvd_link.h"

struct webServerConfig_t {
    std::string address = "127.0.0.1";  // IPv4 or IPv6 literal to listen on
    int httpPort = 8080;
    int httpsPort = 8443;  // listened on only when certFile and keyFile are given
    std::string certFile;
    std::string keyFile;
    std::string wsdlDir;        // where wsvd.wsdl and the *.xsd files are
    int maxConnections = 4000;  // past this many, a request is answered 503
    int perAddress = 64;        // connections of one client address; more are refused
    int threads = 4;            // of the pool serving the connections
    int idleTimeoutS = 30;      // a client connection silent this long is closed
    int requestTimeoutS = 10;   // to send a whole request, however slowly
    int replyTimeoutS = 120;    // to take a whole reply
    size_t maxBody = WSVD_MAX_REQUEST_BYTES;
};

// Starts listening (from the dispatcher thread, which then runs the deadlines' sweep).
// The open-file limit is raised to what the connections need, or the connection limit
// lowered to what it allows. 0, or -1 with *error.
int webServerStart(const webServerConfig_t &config, std::string *error);
// Stops listening and waits for the connection threads (bounded by the relay's waits,
// which webRelayStop ends early).
void webServerStop();
