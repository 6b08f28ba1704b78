#include "web/options.h"

#include <getopt.h>

#include <cerrno>
#include <cstdlib>
#include <utility>

const char kWebUsage[] =
    "usage: webd [-a ADDRESS] [-p PORT] [-s HTTPS_PORT --cert FILE --key FILE]\n"
    "            [-w WSDL_DIR] [-c MAX_CONNECTIONS] [-t TIMEOUT_S] [-l LINKS]\n"
    "            [-i IDLE_TIMEOUT_S] [-r REQUEST_TIMEOUT_S] [--reply-timeout S]\n"
    "            [--per-address N] [--threads N]\n";

namespace {

bool number(const char *text, long low, long high, long *out) {
    errno = 0;
    char *end;
    long v = strtol(text, &end, 10);
    if (errno || end == text || *end || v < low || v > high) return false;
    *out = v;
    return true;
}

}  // namespace

int webParseOptions(int argc, char **argv, webServerConfig_t *server, webRelayConfig_t *relay,
                    std::string *error) {
    static const option longOptions[] = {
        {"address", required_argument, nullptr, 'a'},
        {"port", required_argument, nullptr, 'p'},
        {"https-port", required_argument, nullptr, 's'},
        {"cert", required_argument, nullptr, 'C'},
        {"key", required_argument, nullptr, 'K'},
        {"wsdl-dir", required_argument, nullptr, 'w'},
        {"max-connections", required_argument, nullptr, 'c'},
        {"timeout", required_argument, nullptr, 't'},
        {"links", required_argument, nullptr, 'l'},
        {"idle-timeout", required_argument, nullptr, 'i'},
        {"request-timeout", required_argument, nullptr, 'r'},
        {"reply-timeout", required_argument, nullptr, 'R'},
        {"per-address", required_argument, nullptr, 'P'},
        {"threads", required_argument, nullptr, 'T'},
        {"help", no_argument, nullptr, 'h'},
        {nullptr, 0, nullptr, 0},
    };
    if (const char *root = getenv("KARN_ROOT"); root && *root)
        server->wsdlDir = std::string(root) + "/wsdl";
    // The switch's start script names the ports in the environment.
    for (auto [name, port] : {std::pair{"WSVD_HTTP_PORT", &server->httpPort},
                              std::pair{"WSVD_HTTPS_PORT", &server->httpsPort}}) {
        const char *text = getenv(name);
        if (!text || !*text) continue;
        long v;
        if (!number(text, 1, 65535, &v)) {
            *error = std::string("bad ") + name + " \"" + text + "\"";
            return -1;
        }
        *port = int(v);
    }
    // ... and the certificate when it serves HTTPS.
    if (const char *cert = getenv("WSVD_HTTPS_CERT"); cert && *cert) server->certFile = cert;
    if (const char *key = getenv("WSVD_HTTPS_KEY"); key && *key) server->keyFile = key;
    optind = 1;
    opterr = 0;
    int opt;
    long v;
    while ((opt = getopt_long(argc, argv, ":a:p:s:w:c:t:l:i:r:h", longOptions, nullptr)) != -1) {
        auto bad = [&](const char *what) {
            *error = std::string("bad ") + what + " \"" + (optarg ? optarg : "") + "\"";
            return -1;
        };
        switch (opt) {
            case 'a':
                server->address = optarg;
                break;
            case 'p':
                if (!number(optarg, 1, 65535, &v)) return bad("port");
                server->httpPort = int(v);
                break;
            case 's':
                if (!number(optarg, 1, 65535, &v)) return bad("HTTPS port");
                server->httpsPort = int(v);
                break;
            case 'C':
                server->certFile = optarg;
                break;
            case 'K':
                server->keyFile = optarg;
                break;
            case 'w':
                server->wsdlDir = optarg;
                break;
            case 'c':
                if (!number(optarg, 1, 100000, &v)) return bad("connection limit");
                server->maxConnections = int(v);
                break;
            case 't':
                if (!number(optarg, 1, 3600, &v)) return bad("timeout");
                relay->timeoutMs = int(v * 1000);
                break;
            case 'l':
                if (!number(optarg, 1, 256, &v)) return bad("link count");
                relay->maxLinks = int(v);
                break;
            case 'i':
                if (!number(optarg, 1, 3600, &v)) return bad("idle timeout");
                server->idleTimeoutS = int(v);
                break;
            case 'r':
                if (!number(optarg, 1, 3600, &v)) return bad("request timeout");
                server->requestTimeoutS = int(v);
                break;
            case 'R':
                if (!number(optarg, 1, 86400, &v)) return bad("reply timeout");
                server->replyTimeoutS = int(v);
                break;
            case 'P':
                if (!number(optarg, 1, 100000, &v)) return bad("connections per address");
                server->perAddress = int(v);
                break;
            case 'T':
                if (!number(optarg, 1, 64, &v)) return bad("thread count");
                server->threads = int(v);
                break;
            case 'h':
                return 1;
            case ':':
                *error = "option needs a value";
                return -1;
            default:
                *error = "unknown option";
                return -1;
        }
    }
    if (optind < argc) {
        *error = std::string("unexpected argument \"") + argv[optind] + "\"";
        return -1;
    }
    if (server->certFile.empty() != server->keyFile.empty()) {
        *error = "--cert and --key go together";
        return -1;
    }
    return 0;
}
