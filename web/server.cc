#include "web/server.h"

#include <arpa/inet.h>
#include <microhttpd.h>
#include <netinet/in.h>
#include <strings.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/resource.h>
#include <unistd.h>

#include <algorithm>
#include <array>
#include <atomic>
#include <cerrno>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <string_view>
#include <thread>
#include <unordered_map>
#include <vector>

#include "platform/clock.h"
#include "platform/dispatch.h"
#include "platform/log.h"
#include "web/deadlines.h"
#include "web/relay.h"
#include "web/soap_http.h"
#include "web/wsdl.h"

namespace {

const char kServicePath[] = "/xmlService";
const char kSchemaPath[] = "/xsd/";
const char kWsdlFile[] = "wsvd.wsdl";
const size_t kMaxDescriptionBytes = 16 * 1024 * 1024;

struct Listener;

// One serving thread: an event loop of its own over the connections handed to it.
struct Shard {
    MHD_Daemon *daemon = nullptr;
    int handed = 0;              // connections handed to it (by the acceptor only)
    std::atomic<int> closed{0};  // of which it has closed
    int open() const { return handed - closed.load(); }
};

// One listening socket; the access handler learns from it how the client came in.
//
// Its own thread accepts the connections and hands each to the serving thread that
// holds the fewest. A thread relays one request at a time, so the connections it holds
// take turns: were they shared out unevenly (as when the threads race to accept), those
// of a crowded thread would wait several times as long as the others.
struct Listener {
    std::vector<std::unique_ptr<Shard>> shards;
    int fd = -1;
    std::thread acceptor;
    std::atomic<bool> stopping{false};
    int connectionKind = WSVD_CONN_HTTP;
    const char *scheme = "http";
    int port = 0;
};

webServerConfig_t gConfig;
Listener gHttp, gHttps;
std::string gCert, gKey;  // PEM texts; libmicrohttpd keeps pointers to them
std::atomic<int> gConnections{0};
std::unique_ptr<webDeadlines> gDeadlines;
dispatchWork_t gSweep;
const dispatchTime_t kSweepPeriod = {0, 250000};

// Open connections by client address, against the per-address limit.
std::mutex gAddressesMutex;
std::map<std::array<uint8_t, 16>, int> gAddresses;

std::array<uint8_t, 16> addressOf(const sockaddr *from) {
    std::array<uint8_t, 16> address;
    webClientAddress(from, address.data());
    return address;
}

bool takeAddress(const std::array<uint8_t, 16> &address) {
    std::lock_guard<std::mutex> lock(gAddressesMutex);
    int &open = gAddresses[address];
    if (open >= gConfig.perAddress) return false;
    open++;
    return true;
}

void giveAddress(const std::array<uint8_t, 16> &address) {
    std::lock_guard<std::mutex> lock(gAddressesMutex);
    auto it = gAddresses.find(address);
    if (it != gAddresses.end() && --it->second <= 0) gAddresses.erase(it);
}

// The deadline record of a connection (its socket context).
webDeadlines::Conn *deadlineOf(MHD_Connection *conn) {
    const MHD_ConnectionInfo *info =
        MHD_get_connection_info(conn, MHD_CONNECTION_INFO_SOCKET_CONTEXT);
    return info ? static_cast<webDeadlines::Conn *>(info->socket_context) : nullptr;
}

void sweep(void *) {
    if (gDeadlines) gDeadlines->sweep(clockNowUs());
}

// One request from its header to the last byte of its reply, for the access log.
struct Exchange {
    uint64_t startUs = 0;
    std::string method, path, operation;
    unsigned status = 0;
    uint64_t bytes = 0;  // of the reply's body
};
std::mutex gExchangesMutex;
std::unordered_map<MHD_Connection *, Exchange> gExchanges;  // elements stay in place

Exchange *exchangeOf(MHD_Connection *conn) {
    std::lock_guard<std::mutex> lock(gExchangesMutex);
    return &gExchanges[conn];
}

// Client texts go into the log as one word of printable characters.
std::string logWord(std::string_view text) {
    std::string out;
    for (char c : text.substr(0, 200)) out += c > ' ' && c < 127 ? c : '?';
    return out.empty() ? "-" : out;
}

// Time, client, method, path, operation, status, bytes, microseconds; never the
// credentials or the body.
void logExchange(MHD_Connection *conn) {
    Exchange ex;
    {
        std::lock_guard<std::mutex> lock(gExchangesMutex);
        auto it = gExchanges.find(conn);
        if (it == gExchanges.end()) return;
        ex = std::move(it->second);
        gExchanges.erase(it);
    }
    if (!ex.startUs || !ex.status) return;
    char client[INET6_ADDRSTRLEN] = "-";
    uint8_t address[16];
    const MHD_ConnectionInfo *info =
        MHD_get_connection_info(conn, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    webClientAddress(info ? info->client_addr : nullptr, address);
    bool v4 = std::all_of(address + 4, address + 16, [](uint8_t b) { return b == 0; });
    inet_ntop(v4 ? AF_INET : AF_INET6, address, client, sizeof client);
    logAccess(std::string(client) + " " + logWord(ex.method) + " " + logWord(ex.path) + " " +
              logWord(ex.operation) + " " + std::to_string(ex.status) + " " +
              std::to_string(ex.bytes) + " " + std::to_string(clockNowUs() - ex.startUs) + "us");
}

// Queues the reply and notes its status (and its length, when known) for the log.
MHD_Result queue(MHD_Connection *conn, unsigned status, MHD_Response *response, uint64_t bytes) {
    Exchange *ex = exchangeOf(conn);
    ex->status = status;
    ex->bytes = bytes;
    return MHD_queue_response(conn, status, response);
}

// State of one POST while its body arrives.
struct Upload {
    webSoapVersion version = WEB_SOAP_NONE;
    std::string body;
    bool tooLarge = false;
    size_t discarded = 0;
};

// A relayed reply while it streams to the client.
struct Stream {
    webRelay_t *relay = nullptr;
    Exchange *exchange = nullptr;
    std::string pending;
    size_t taken = 0;
    bool done = false;
};

MHD_Result queueText(MHD_Connection *conn, unsigned status, const std::string &text,
                     const char *contentType = "text/plain; charset=utf-8",
                     const char *allow = nullptr) {
    MHD_Response *response = MHD_create_response_from_buffer(
        text.size(), const_cast<char *>(text.data()), MHD_RESPMEM_MUST_COPY);
    if (!response) return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, contentType);
    if (allow) MHD_add_response_header(response, MHD_HTTP_HEADER_ALLOW, allow);
    // Refusals that come before the body was read end the connection: the body is
    // not read, so the connection could not carry another request anyway.
    if (status >= 400) MHD_add_response_header(response, MHD_HTTP_HEADER_CONNECTION, "close");
    MHD_Result rc = queue(conn, status, response, text.size());
    MHD_destroy_response(response);
    return rc;
}

MHD_Result queueError(MHD_Connection *conn, unsigned status, const char *why,
                      const char *allow = nullptr) {
    return queueText(conn, status, std::string(why) + "\n", "text/plain; charset=utf-8", allow);
}

ssize_t streamRead(void *cls, uint64_t, char *buf, size_t max) {
    auto *s = static_cast<Stream *>(cls);
    while (s->taken == s->pending.size()) {
        if (s->done) return MHD_CONTENT_READER_END_OF_STREAM;
        s->taken = 0;
        if (webRelayNext(s->relay, &s->pending, &s->done) != WEB_RELAY_OK) {
            logWarn("reply from wsvd broke off; closing the client connection");
            return MHD_CONTENT_READER_END_WITH_ERROR;
        }
    }
    size_t n = s->pending.size() - s->taken;
    if (n > max) n = max;
    memcpy(buf, s->pending.data() + s->taken, n);
    s->taken += n;
    s->exchange->bytes += n;
    return ssize_t(n);
}

void streamFree(void *cls) {
    auto *s = static_cast<Stream *>(cls);
    // A reply not read to its end leaves the link in an unknown state: it is closed.
    webRelayClose(s->relay);
    delete s;
}

MHD_Result relay(MHD_Connection *conn, const Listener *listener, Upload *up) {
    wsvcRequest_t request;
    request.text = up->body;
    request.connectionKind = uint32_t(listener->connectionKind);
    char *password = nullptr;
    char *user = MHD_basic_auth_get_username_password(conn, &password);
    if (user) request.userName = user;
    if (password) request.password = password;
    if (user) MHD_free(user);
    if (password) MHD_free(password);
    const MHD_ConnectionInfo *info =
        MHD_get_connection_info(conn, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
    webClientAddress(info ? info->client_addr : nullptr, request.clientAddress);

    std::string first;
    bool done = false;
    webRelayStatus status;
    webRelay_t *r = webRelayOpen(request, &first, &done, &status);
    if (!r) {
        if (status == WEB_RELAY_TIMEOUT)
            return queueError(conn, 504, "wsvd did not answer in time");
        if (status == WEB_RELAY_BROKEN) return queueError(conn, 502, "wsvd sent a broken reply");
        return queueError(conn, 503, "wsvd is not available");
    }
    unsigned code = webIsSoapFault(first) ? 500 : 200;
    bool hasBody;
    exchangeOf(conn)->operation = webSoapOperation(up->body, &hasBody);
    MHD_Response *response;
    if (done) {
        // The whole reply came in one fragment: send it with its length.
        webRelayClose(r);
        response =
            MHD_create_response_from_buffer(first.size(), first.data(), MHD_RESPMEM_MUST_COPY);
    } else {
        auto *s = new Stream;
        s->relay = r;
        s->exchange = exchangeOf(conn);
        s->pending = std::move(first);
        response = MHD_create_response_from_callback(MHD_SIZE_UNKNOWN, 16 * 1024, streamRead, s,
                                                     streamFree);
        if (!response) streamFree(s);
    }
    if (!response) return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE,
                            webReplyContentType(up->version));
    MHD_Result rc = queue(conn, code, response, done ? first.size() : 0);
    MHD_destroy_response(response);
    return rc;
}

MHD_Result collectKey(void *cls, MHD_ValueKind, const char *key, const char *value) {
    auto *args = static_cast<std::map<std::string, std::string> *>(cls);
    std::string k = key ? key : "";
    for (char &c : k) c = char(tolower(static_cast<unsigned char>(c)));
    (*args)[k] = value ? value : "";
    return MHD_YES;
}

// http(s)://<host>/xmlService, the host from the client's Host header when it is sane.
std::string endpointFor(MHD_Connection *conn, const Listener *listener) {
    const char *host = MHD_lookup_connection_value(conn, MHD_HEADER_KIND, MHD_HTTP_HEADER_HOST);
    std::string h;
    if (host && webIsSafeHost(host)) {
        h = host;
    } else {
        bool v6 = gConfig.address.find(':') != std::string::npos;
        h = (v6 ? "[" + gConfig.address + "]" : gConfig.address) + ":" +
            std::to_string(listener->port);
    }
    return std::string(listener->scheme) + "://" + h + kServicePath;
}

MHD_Result serveDescription(MHD_Connection *conn, const Listener *listener,
                            const std::string &file) {
    if (gConfig.wsdlDir.empty()) return queueError(conn, 404, "no service description here");
    std::string text;
    if (!webReadFile(gConfig.wsdlDir + "/" + file, &text, kMaxDescriptionBytes))
        return queueError(conn, 404, "no such service description file");
    std::string out = webRewriteWsdl(text, endpointFor(conn, listener));
    MHD_Response *response =
        MHD_create_response_from_buffer(out.size(), out.data(), MHD_RESPMEM_MUST_COPY);
    if (!response) return MHD_NO;
    MHD_add_response_header(response, MHD_HTTP_HEADER_CONTENT_TYPE, "text/xml; charset=utf-8");
    MHD_Result rc = queue(conn, MHD_HTTP_OK, response, out.size());
    MHD_destroy_response(response);
    return rc;
}

// The first call for a request: only the header is known. Either queues the answer
// (refusals, service descriptions) or sets up the upload of a SOAP request.
MHD_Result begin(MHD_Connection *conn, const Listener *listener, std::string_view url,
                 std::string_view method, void **state) {
    if (gConnections.load() > gConfig.maxConnections)
        return queueError(conn, 503, "too many connections");
    bool get = method == MHD_HTTP_METHOD_GET || method == MHD_HTTP_METHOD_HEAD;
    if (url.substr(0, strlen(kSchemaPath)) == kSchemaPath) {
        std::string_view name = url.substr(strlen(kSchemaPath));
        if (!webIsSchemaName(name)) return queueError(conn, 404, "not found");
        if (!get) return queueError(conn, 405, "method not allowed", "GET, HEAD");
        return serveDescription(conn, listener, std::string(name));
    }
    if (url != kServicePath) return queueError(conn, 404, "not found");
    if (get) {
        std::map<std::string, std::string> args;
        MHD_get_connection_values(conn, MHD_GET_ARGUMENT_KIND, collectKey, &args);
        if (args.count("wsdl")) return serveDescription(conn, listener, kWsdlFile);
        if (auto x = args.find("xsd"); x != args.end()) {
            if (!webIsSchemaName(x->second)) return queueError(conn, 404, "not found");
            return serveDescription(conn, listener, x->second);
        }
        return queueError(conn, 405, "method not allowed", "POST");
    }
    if (method != MHD_HTTP_METHOD_POST) return queueError(conn, 405, "method not allowed", "POST");
    webSoapVersion version = webSoapVersionOf(
        MHD_lookup_connection_value(conn, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_TYPE));
    if (version == WEB_SOAP_NONE)
        return queueError(conn, 415, "a SOAP request is text/xml or application/soap+xml");
    const char *length =
        MHD_lookup_connection_value(conn, MHD_HEADER_KIND, MHD_HTTP_HEADER_CONTENT_LENGTH);
    if (length && strtoull(length, nullptr, 10) > gConfig.maxBody)
        return queueError(conn, 413, "request too large");
    auto *up = new Upload;
    up->version = version;
    *state = up;
    return MHD_YES;
}

MHD_Result handleRequest(void *cls, MHD_Connection *conn, const char *url, const char *method,
                         const char *, const char *data, size_t *dataSize, void **state) {
    const auto *listener = static_cast<const Listener *>(cls);
    if (!*state) {
        std::string_view path(url);
        *exchangeOf(conn) =
            Exchange{clockNowUs(), method, std::string(path.substr(0, path.find('?'))), "", 0, 0};
        MHD_Result rc = begin(conn, listener, url, method, state);
        // Answered from the header alone: the reply's deadline runs.
        if (!*state) gDeadlines->answering(deadlineOf(conn), clockNowUs());
        return rc;
    }
    auto *up = static_cast<Upload *>(*state);
    if (*dataSize > 0) {
        if (!up->tooLarge && up->body.size() + *dataSize > gConfig.maxBody) {
            up->tooLarge = true;
            up->body.clear();
            up->body.shrink_to_fit();
        }
        if (up->tooLarge) {
            // A body of no announced length that grows past the bound is read on so
            // that it can be answered 413, but not for ever.
            up->discarded += *dataSize;
            if (up->discarded > gConfig.maxBody) return MHD_NO;
        } else {
            up->body.append(data, *dataSize);
        }
        *dataSize = 0;
        return MHD_YES;
    }
    gDeadlines->answering(deadlineOf(conn), clockNowUs());
    if (up->tooLarge) return queueError(conn, 413, "request too large");
    if (webIsExecHook(up->body)) return queueError(conn, 403, "forbidden");
    // The request link carries texts; a NUL would cut the request short.
    if (up->body.find('\0') != std::string::npos)
        return queueError(conn, 400, "a SOAP request holds no NUL bytes");
    return relay(conn, listener, up);
}

void completed(void *, MHD_Connection *conn, void **state, MHD_RequestTerminationCode) {
    logExchange(conn);
    delete static_cast<Upload *>(*state);
    *state = nullptr;
    // A kept connection may bring another request: its deadline runs from now.
    gDeadlines->reading(deadlineOf(conn), clockNowUs());
}

void connectionNotice(void *cls, MHD_Connection *conn, void **socketContext,
                      MHD_ConnectionNotificationCode code) {
    if (code == MHD_CONNECTION_NOTIFY_STARTED) {
        gConnections++;
        const MHD_ConnectionInfo *info =
            MHD_get_connection_info(conn, MHD_CONNECTION_INFO_CONNECTION_FD);
        *socketContext = info ? gDeadlines->add(info->connect_fd, clockNowUs()) : nullptr;
    } else if (code == MHD_CONNECTION_NOTIFY_CLOSED) {
        gConnections--;
        {
            std::lock_guard<std::mutex> lock(gExchangesMutex);
            gExchanges.erase(conn);  // a request that never completed
        }
        gDeadlines->remove(static_cast<webDeadlines::Conn *>(*socketContext));
        *socketContext = nullptr;
        const MHD_ConnectionInfo *info =
            MHD_get_connection_info(conn, MHD_CONNECTION_INFO_CLIENT_ADDRESS);
        giveAddress(addressOf(info ? info->client_addr : nullptr));
        static_cast<Shard *>(cls)->closed++;
    }
}

// Raises the open-file limit to what the connections need (two descriptors each: the
// socket and the deadline's duplicate), or lowers the connection limit to what the
// system allows.
void fitDescriptors() {
    const rlim_t spare = 256;  // links to wsvd, listeners, files, the platform
    rlim_t need = rlim_t(gConfig.maxConnections + 16) * 2 + spare;
    rlimit lim;
    if (getrlimit(RLIMIT_NOFILE, &lim) != 0) return;
    if (lim.rlim_cur < need) {
        lim.rlim_cur = lim.rlim_max == RLIM_INFINITY || lim.rlim_max >= need ? need : lim.rlim_max;
        setrlimit(RLIMIT_NOFILE, &lim);
        getrlimit(RLIMIT_NOFILE, &lim);
    }
    if (lim.rlim_cur < need) {
        int fit = lim.rlim_cur > spare + 32 ? int((lim.rlim_cur - spare) / 2) - 16 : 0;
        logWarn("%llu open files allowed: serving %d connections, not %d",
                static_cast<unsigned long long>(lim.rlim_cur), fit, gConfig.maxConnections);
        gConfig.maxConnections = fit > 1 ? fit : 1;
    }
}

void mhdLog(void *, const char *format, va_list args) {
    logWriteV(LOG_LEVEL_WARN, format, args);
}

// The listening socket is made here rather than by the HTTP library, so that a port
// another program holds is told apart from other failures: the switch cannot start
// then, and the operator is told which variable moves it. The socket, or -1.
int listenOn(const sockaddr_storage &address, int port, bool tls, std::string *error) {
    socklen_t length = address.ss_family == AF_INET6 ? sizeof(sockaddr_in6) : sizeof(sockaddr_in);
    int fd = socket(address.ss_family, SOCK_STREAM | SOCK_CLOEXEC | SOCK_NONBLOCK, 0);
    int one = 1;
    if (fd >= 0) setsockopt(fd, SOL_SOCKET, SO_REUSEADDR, &one, sizeof one);
    if (fd < 0 || bind(fd, reinterpret_cast<const sockaddr *>(&address), length) != 0 ||
        listen(fd, SOMAXCONN) != 0) {
        int why = errno;
        if (fd >= 0) close(fd);
        if (why == EADDRINUSE)
            *error = "port " + std::to_string(port) + " is in use; set " +
                     (tls ? "WSVD_HTTPS_PORT" : "WSVD_HTTP_PORT");
        else
            *error = "cannot listen on " + gConfig.address + " port " + std::to_string(port) +
                     ": " + strerror(why);
        return -1;
    }
    return fd;
}

// Hands a new connection to the serving thread with the fewest, or closes it when the
// listener or its client's address holds all it may.
void handOff(Listener *l, int fd, const sockaddr *from, socklen_t length) {
    Shard *least = nullptr;
    int open = 0;
    int leastOpen = 0;
    for (const auto &shard : l->shards) {
        int n = shard->open();
        open += n;
        if (!least || n < leastOpen) {
            least = shard.get();
            leastOpen = n;
        }
    }
    // Beyond maxConnections a few more are taken so that they can be told 503.
    std::array<uint8_t, 16> address = addressOf(from);
    if (open >= gConfig.maxConnections + 16 || !takeAddress(address)) {
        close(fd);
        return;
    }
    least->handed++;
    if (MHD_add_connection(least->daemon, fd, from, length) != MHD_YES) {  // it closed fd
        least->handed--;
        giveAddress(address);
    }
}

void acceptLoop(Listener *l) {
    bool warned = false;
    while (!l->stopping) {
        sockaddr_storage from{};
        socklen_t length = sizeof from;
        int fd = accept4(l->fd, reinterpret_cast<sockaddr *>(&from), &length,
                         SOCK_CLOEXEC | SOCK_NONBLOCK);
        if (fd >= 0) {
            handOff(l, fd, reinterpret_cast<const sockaddr *>(&from), length);
            warned = false;
            continue;
        }
        int why = errno;
        if (why == EAGAIN || why == EWOULDBLOCK || why == EINTR || why == ECONNABORTED) {
            // Stopping shuts the socket down, which ends this wait; the bound is for a
            // stop that comes between the check above and the wait.
            pollfd ready = {l->fd, POLLIN, 0};
            poll(&ready, 1, 250);
            continue;
        }
        if (l->stopping) break;
        // Out of descriptors or memory: the connection waits in the backlog until some
        // are given back.
        if (!warned) logWarn("cannot accept a connection on port %d: %s", l->port, strerror(why));
        warned = true;
        usleep(100000);
    }
}

void stopListener(Listener *l) {
    if (l->acceptor.joinable()) {
        l->stopping = true;
        shutdown(l->fd, SHUT_RDWR);
        l->acceptor.join();
    }
    for (const auto &shard : l->shards)
        if (shard->daemon) MHD_stop_daemon(shard->daemon);
    l->shards.clear();
    if (l->fd >= 0) close(l->fd);
    l->fd = -1;
    l->stopping = false;
}

int startListener(Listener *l, int port, bool tls, std::string *error) {
    sockaddr_storage address{};
    if (gConfig.address.find(':') != std::string::npos) {
        auto *in6 = reinterpret_cast<sockaddr_in6 *>(&address);
        in6->sin6_family = AF_INET6;
        in6->sin6_port = htons(uint16_t(port));
        if (inet_pton(AF_INET6, gConfig.address.c_str(), &in6->sin6_addr) != 1) {
            *error = "bad listening address " + gConfig.address;
            return -1;
        }
    } else {
        auto *in = reinterpret_cast<sockaddr_in *>(&address);
        in->sin_family = AF_INET;
        in->sin_port = htons(uint16_t(port));
        if (inet_pton(AF_INET, gConfig.address.c_str(), &in->sin_addr) != 1) {
            *error = "bad listening address " + gConfig.address;
            return -1;
        }
    }
    l->port = port;
    l->fd = listenOn(address, port, tls, error);
    if (l->fd < 0) return -1;
    // Each thread's loop is told of a connection handed to it through its own wake-up
    // channel; the limits are the listener's, kept by the acceptor.
    unsigned flags = MHD_USE_EPOLL_INTERNAL_THREAD | MHD_USE_NO_LISTEN_SOCKET | MHD_USE_ITC |
                     MHD_USE_ERROR_LOG | (tls ? MHD_USE_TLS : 0);
    for (int i = 0; i < gConfig.threads; i++) {
        auto shard = std::make_unique<Shard>();
        std::vector<MHD_OptionItem> options = {
            {MHD_OPTION_EXTERNAL_LOGGER, intptr_t(mhdLog), nullptr},
            {MHD_OPTION_CONNECTION_LIMIT, intptr_t(gConfig.maxConnections + 16), nullptr},
            {MHD_OPTION_CONNECTION_TIMEOUT, intptr_t(gConfig.idleTimeoutS), nullptr},
            {MHD_OPTION_NOTIFY_COMPLETED, intptr_t(completed), nullptr},
            {MHD_OPTION_NOTIFY_CONNECTION, intptr_t(connectionNotice), shard.get()},
        };
        if (tls) {
            options.push_back({MHD_OPTION_HTTPS_MEM_CERT, 0, const_cast<char *>(gCert.c_str())});
            options.push_back({MHD_OPTION_HTTPS_MEM_KEY, 0, const_cast<char *>(gKey.c_str())});
        }
        options.push_back({MHD_OPTION_END, 0, nullptr});
        shard->daemon = MHD_start_daemon(flags, 0, nullptr, nullptr, handleRequest, l,
                                         MHD_OPTION_ARRAY, options.data(), MHD_OPTION_END);
        if (!shard->daemon) {
            stopListener(l);
            *error = std::string("cannot serve ") + gConfig.address + " port " +
                     std::to_string(port) + (tls ? " (HTTPS)" : "");
            return -1;
        }
        l->shards.push_back(std::move(shard));
    }
    l->acceptor = std::thread(acceptLoop, l);
    return 0;
}

}  // namespace

int webServerStart(const webServerConfig_t &config, std::string *error) {
    gConfig = config;
    fitDescriptors();
    gDeadlines = std::make_unique<webDeadlines>(uint64_t(config.requestTimeoutS) * 1000000u,
                                                uint64_t(config.replyTimeoutS) * 1000000u);
    gSweep = dispatchExecuteWorkItem(sweep, nullptr, 0, kSweepPeriod, DISPATCH_WORK_REPEAT);
    if (gSweep) dispatchWorkRegisterAttr(gSweep, "connection deadlines");
    gHttp.connectionKind = WSVD_CONN_HTTP;
    gHttp.scheme = "http";
    gHttps.connectionKind = WSVD_CONN_HTTPS;
    gHttps.scheme = "https";
    if (startListener(&gHttp, config.httpPort, false, error) != 0) return -1;
    if (config.certFile.empty() != config.keyFile.empty()) {
        *error = "HTTPS needs both a certificate and a key";
        webServerStop();
        return -1;
    }
    if (!config.certFile.empty()) {
        if (!webReadFile(config.certFile, &gCert, 1 << 20) ||
            !webReadFile(config.keyFile, &gKey, 1 << 20)) {
            *error = "cannot read the certificate or key file";
            webServerStop();
            return -1;
        }
        if (startListener(&gHttps, config.httpsPort, true, error) != 0) {
            webServerStop();
            return -1;
        }
    }
    return 0;
}

void webServerStop() {
    for (Listener *l : {&gHttp, &gHttps}) stopListener(l);
    if (gSweep) dispatchWorkCancel(gSweep);
    gSweep = nullptr;
    gDeadlines.reset();
}
