// A small blocking HTTP/1.1 client over a TCP socket, for the web front end's tests and
// benchmark: keep-alive requests, replies with Content-Length or chunked bodies. Every
// wait is bounded.
#pragma once
#include <arpa/inet.h>
#include <fcntl.h>
#include <netinet/in.h>
#include <netinet/tcp.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

#include <cctype>
#include <chrono>
#include <cstdlib>
#include <cstring>
#include <cstdio>
#include <map>
#include <random>
#include <string>

struct HttpReply {
    int status = 0;
    std::map<std::string, std::string> headers;  // names in lower case
    std::string body;
    bool chunked = false;

    std::string header(const std::string &name) const {
        auto h = headers.find(name);
        return h == headers.end() ? "" : h->second;
    }
};

// A port on 127.0.0.1 that nobody uses just now, chosen at random below the kernel's
// range of ephemeral ports: a port the kernel handed out would also be its pick for the
// local end of any outgoing connection, and a test running beside this one could take
// it before our server binds it. -1 when none was found.
inline int freeLocalPort() {
    int firstEphemeral = 32768;
    if (FILE *f = fopen("/proc/sys/net/ipv4/ip_local_port_range", "r")) {
        if (fscanf(f, "%d", &firstEphemeral) != 1) firstEphemeral = 32768;
        fclose(f);
    }
    const int low = 10000;
    if (firstEphemeral <= low + 1000) firstEphemeral = 60000;  // all ports are ephemeral
    std::random_device seed;
    std::mt19937 pick(seed());
    std::uniform_int_distribution<int> port(low, firstEphemeral - 1);
    for (int attempt = 0; attempt < 100; attempt++) {
        int candidate = port(pick);
        int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_in a{};
        a.sin_family = AF_INET;
        a.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
        a.sin_port = htons(uint16_t(candidate));
        bool bound = bind(fd, reinterpret_cast<sockaddr *>(&a), sizeof a) == 0;
        close(fd);
        if (bound) return candidate;
    }
    return -1;
}

// A non-blocking TCP connection to `port` on 127.0.0.1 from `address` (all of
// 127.0.0.0/8 is this machine, so tests can be many clients), or -1.
inline int connectFrom(const std::string &address, int port) {
    int fd = socket(AF_INET, SOCK_STREAM | SOCK_CLOEXEC, 0);
    sockaddr_in from{}, to{};
    from.sin_family = to.sin_family = AF_INET;
    inet_pton(AF_INET, address.c_str(), &from.sin_addr);
    to.sin_port = htons(uint16_t(port));
    to.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    if (bind(fd, reinterpret_cast<sockaddr *>(&from), sizeof from) != 0 ||
        ::connect(fd, reinterpret_cast<sockaddr *>(&to), sizeof to) != 0) {
        close(fd);
        return -1;
    }
    fcntl(fd, F_SETFL, O_NONBLOCK);
    return fd;
}

class HttpClient {
public:
    explicit HttpClient(int port, int timeoutMs = 10000) : port_(port), timeoutMs_(timeoutMs) {}
    ~HttpClient() { disconnect(); }
    HttpClient(const HttpClient &) = delete;
    HttpClient &operator=(const HttpClient &) = delete;

    bool connect() {
        disconnect();
        fd_ = connectFrom("127.0.0.1", port_);
        if (fd_ < 0) return false;
        fcntl(fd_, F_SETFL, 0);  // blocking sends; reads wait in poll, bounded
        int one = 1;
        setsockopt(fd_, IPPROTO_TCP, TCP_NODELAY, &one, sizeof one);
        buffered_.clear();
        return true;
    }
    void disconnect() {
        if (fd_ >= 0) close(fd_);
        fd_ = -1;
    }

    // Sends raw bytes (connecting first when needed).
    bool sendRaw(const std::string &bytes) {
        if (fd_ < 0 && !connect()) return false;
        size_t at = 0;
        while (at < bytes.size()) {
            ssize_t n = ::send(fd_, bytes.data() + at, bytes.size() - at, MSG_NOSIGNAL);
            if (n <= 0) return false;
            at += size_t(n);
        }
        return true;
    }

    // One request; the connection stays open for the next unless the server closes it.
    bool request(const std::string &method, const std::string &path, const std::string &body,
                 const std::string &contentType, HttpReply *reply,
                 const std::string &extraHeaders = "") {
        std::string r = method + " " + path + " HTTP/1.1\r\n";
        if (extraHeaders.compare(0, 5, "Host:") != 0)
            r += "Host: 127.0.0.1:" + std::to_string(port_) + "\r\n";
        r += extraHeaders;
        if (!contentType.empty()) r += "Content-Type: " + contentType + "\r\n";
        if (!body.empty() || method == "POST")
            r += "Content-Length: " + std::to_string(body.size()) + "\r\n";
        r += "\r\n" + body;
        // A kept-alive connection the server has meanwhile closed is opened again once.
        if (fd_ >= 0 && !sendRaw(r)) disconnect();
        if (fd_ < 0 && !sendRaw(r)) return false;
        return readReply(reply);
    }

    bool readReply(HttpReply *reply) {
        *reply = HttpReply{};
        deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs_);
        std::string line;
        if (!readLine(&line) || line.compare(0, 5, "HTTP/") != 0) return false;
        reply->status = atoi(line.c_str() + line.find(' ') + 1);
        while (readLine(&line) && !line.empty()) {
            size_t colon = line.find(':');
            if (colon == std::string::npos) return false;
            std::string name = line.substr(0, colon);
            for (char &c : name) c = char(tolower(static_cast<unsigned char>(c)));
            size_t v = line.find_first_not_of(' ', colon + 1);
            reply->headers[name] = v == std::string::npos ? "" : line.substr(v);
        }
        if (!line.empty()) return false;
        bool closes = reply->header("connection") == "close";
        if (reply->header("transfer-encoding") == "chunked") {
            reply->chunked = true;
            for (;;) {
                if (!readLine(&line)) return false;
                size_t size = strtoul(line.c_str(), nullptr, 16);
                if (size == 0) {
                    while (readLine(&line) && !line.empty()) {
                    }
                    break;
                }
                if (!readBytes(size, &reply->body) || !readLine(&line)) return false;
            }
        } else if (!readBytes(strtoul(reply->header("content-length").c_str(), nullptr, 10),
                              &reply->body)) {  // webd sends a length where it does not chunk
            return false;
        }
        if (closes) disconnect();
        return true;
    }

    // Reads whatever arrives within timeoutMs, at most `limit` bytes (for tests that
    // leave in the middle of a reply).
    size_t readSome(size_t limit, int timeoutMs) {
        deadline_ = std::chrono::steady_clock::now() + std::chrono::milliseconds(timeoutMs);
        while (buffered_.size() < limit && fill()) {
        }
        return buffered_.size();
    }

private:
    bool fill() {
        if (fd_ < 0) return false;
        auto left = std::chrono::duration_cast<std::chrono::milliseconds>(
                        deadline_ - std::chrono::steady_clock::now())
                        .count();
        if (left <= 0) return false;
        pollfd p = {fd_, POLLIN, 0};
        if (poll(&p, 1, int(left)) <= 0) return false;
        char chunk[65536];
        ssize_t n = ::recv(fd_, chunk, sizeof chunk, 0);
        if (n <= 0) return false;
        buffered_.append(chunk, size_t(n));
        return true;
    }
    bool readLine(std::string *line) {
        size_t end;
        while ((end = buffered_.find("\r\n")) == std::string::npos)
            if (!fill()) return false;
        *line = buffered_.substr(0, end);
        buffered_.erase(0, end + 2);
        return true;
    }
    bool readBytes(size_t n, std::string *out) {
        while (buffered_.size() < n)
            if (!fill()) return false;
        out->append(buffered_, 0, n);
        buffered_.erase(0, n);
        return true;
    }

    int port_;
    int timeoutMs_;
    int fd_ = -1;
    std::string buffered_;
    std::chrono::steady_clock::time_point deadline_;
};
