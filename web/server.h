// The HTTP(S) front of the switch's management API: POST /xmlService is relayed to wsvd
// (web/relay.h) and its reply streamed back; GET /xmlService?wsdl and the schema files
// describe the service. One thread per client connection, so a relay may block.
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
    std::string wsdlDir;      // where wsvd.wsdl and the *.xsd files are
    int maxConnections = 64;  // past this many, a request is answered 503
    int idleTimeoutS = 30;    // a client connection silent this long is closed
    size_t maxBody = WSVD_MAX_REQUEST_BYTES;
};

// Starts listening. 0, or -1 with *error.
int webServerStart(const webServerConfig_t &config, std::string *error);
// Stops listening and waits for the connection threads (bounded by the relay's waits,
// which webRelayStop ends early).
void webServerStop();
