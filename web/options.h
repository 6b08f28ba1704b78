// The command line of webd (see web/README.md).
#pragma once
#include <string>

#include "web/relay.h"
#include "web/server.h"

// Reads the options into the two configurations (which hold the defaults on entry).
// The WSDL directory defaults to $KARN_ROOT/wsdl, the ports to $WSVD_HTTP_PORT and
// $WSVD_HTTPS_PORT, the certificate and key to $WSVD_HTTPS_CERT and $WSVD_HTTPS_KEY
// (when set). 0; 1 when help was asked for; -1 with *error for a bad command line.
int webParseOptions(int argc, char **argv, webServerConfig_t *server, webRelayConfig_t *relay,
                    std::string *error);

extern const char kWebUsage[];
