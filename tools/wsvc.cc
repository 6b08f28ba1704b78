// wsvc: sends one request text to wsvd over the request link and prints the reply.
//
//   wsvc [-f file] [-n name] [-s fragment-size] [-t timeout-seconds] [-u user] [-l link]
//
// The text comes from the file or from standard input. The password for -u is taken
// from the environment variable WSVC_PASSWORD, never from the command line, where
// every user of the switch could read it. Exit status: 0 when a reply was printed,
// 1 when wsvd cannot be reached, goes away or does not answer in time, 2 on bad usage.
#include <getopt.h>
#include <signal.h>
#include <unistd.h>

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "platform/switchenv.h"
#include "platform/wsvc_client.h"
#include "platform/wsvd_link.h"

namespace {

const char kUsage[] =
    "usage: wsvc [-f file] [-n name] [-s fragment-size] [-t timeout-seconds] [-u user]"
    " [-l link]\n"
    "  Sends a request text (from file, else standard input) to wsvd and prints the reply.\n"
    "  -f file     read the request from file\n"
    "  -n name     peer name given in the hello (default \"wsvc\")\n"
    "  -s bytes    largest text per request message (default %d)\n"
    "  -t seconds  how long to wait for wsvd (default %d)\n"
    "  -u user     user name in the request header; the password is taken from the\n"
    "              environment variable WSVC_PASSWORD\n"
    "  -l link     link number of wsvd (default: asked from the directory service)\n";

void usage(FILE *out) {
    fprintf(out, kUsage, int(WSVC_DEFAULT_FRAGMENT), WSVC_DEFAULT_TIMEOUT_MS / 1000);
}

bool parseNumber(const char *text, long lowest, long highest, long *out) {
    char *end = nullptr;
    errno = 0;
    long v = strtol(text, &end, 10);
    if (errno != 0 || end == text || *end != 0 || v < lowest || v > highest) return false;
    *out = v;
    return true;
}

// Reads all of `f`, refusing more than the daemon would accept.
bool readAll(FILE *f, std::string *text) {
    char buf[65536];
    size_t n;
    while ((n = fread(buf, 1, sizeof buf, f)) > 0) {
        text->append(buf, n);
        if (text->size() > WSVD_MAX_REQUEST_BYTES) {
            fprintf(stderr, "wsvc: request longer than %d bytes\n", int(WSVD_MAX_REQUEST_BYTES));
            return false;
        }
    }
    if (ferror(f)) {
        fprintf(stderr, "wsvc: cannot read the request: %s\n", strerror(errno));
        return false;
    }
    return true;
}

}  // namespace

int main(int argc, char **argv) {
    const char *file = nullptr;
    const char *name = "wsvc";
    const char *user = nullptr;
    long fragment = WSVC_DEFAULT_FRAGMENT, seconds = WSVC_DEFAULT_TIMEOUT_MS / 1000, link = -1;
    int c;
    while ((c = getopt(argc, argv, "f:n:s:t:u:l:h")) != -1) {
        switch (c) {
            case 'f':
                file = optarg;
                break;
            case 'n':
                name = optarg;
                break;
            case 'u':
                user = optarg;
                break;
            case 's':
                if (!parseNumber(optarg, 1, 65536, &fragment)) {
                    fprintf(stderr, "wsvc: bad fragment size \"%s\"\n", optarg);
                    return 2;
                }
                break;
            case 't':
                if (!parseNumber(optarg, 1, 24 * 3600, &seconds)) {
                    fprintf(stderr, "wsvc: bad timeout \"%s\"\n", optarg);
                    return 2;
                }
                break;
            case 'l':
                if (!parseNumber(optarg, 0, 65535, &link)) {
                    fprintf(stderr, "wsvc: bad link number \"%s\"\n", optarg);
                    return 2;
                }
                break;
            case 'h':
                usage(stdout);
                return 0;
            default:
                usage(stderr);
                return 2;
        }
    }
    if (optind != argc || strlen(name) > 32) {
        usage(stderr);
        return 2;
    }

    wsvcRequest_t request;
    std::string text;
    FILE *in = file ? fopen(file, "rb") : stdin;
    if (!in) {
        fprintf(stderr, "wsvc: cannot open %s: %s\n", file, strerror(errno));
        return 2;
    }
    bool readOk = readAll(in, &text);
    if (file) fclose(in);
    if (!readOk) return 2;
    if (text.find('\0') != std::string::npos) {
        fprintf(stderr, "wsvc: the request contains a NUL byte\n");
        return 2;
    }
    request.text = text;
    request.requestId = uint32_t(getpid());
    if (user) {
        request.userName = user;
        const char *password = getenv("WSVC_PASSWORD");
        request.password = password ? password : "";
    }

    std::string envPath;
    switchFound found = switchUseEnv(&envPath);
    if (found == SWITCH_STOPPED || found == SWITCH_NONE) {
        fprintf(stderr, "wsvc: %s\n", switchMissingText(found, envPath).c_str());
        return 1;
    }
    // A daemon that dies while we write must give an error, not kill us.
    signal(SIGPIPE, SIG_IGN);
    const int timeoutMs = int(seconds * 1000);
    std::string error;
    wsvcConn_t *conn = wsvcConnect(name, int(link), timeoutMs, &error);
    if (!conn) {
        fprintf(stderr, "wsvc: %s\n", error.c_str());
        return 1;
    }
    wsvcSetFragmentSize(conn, uint32_t(fragment));
    std::string reply;
    if (wsvcRoundTrip(conn, request, &reply, timeoutMs) != 0) {
        fprintf(stderr, "wsvc: %s\n", wsvcError(conn));
        wsvcClose(conn);
        return 1;
    }
    wsvcClose(conn);
    fwrite(reply.data(), 1, reply.size(), stdout);
    if (fflush(stdout) != 0) {
        fprintf(stderr, "wsvc: cannot write the reply: %s\n", strerror(errno));
        return 1;
    }
    return 0;
}
