// Deadlines of client connections. A connection that trickles its request a byte at a
// time is never idle, so an idle timer does not end it, and with enough of them every
// connection slot is taken: here each phase has a deadline that activity cannot move.
// A connection must bring a whole request (headers and body) within the request
// deadline, counted from its start or from the end of its previous reply, and take
// its reply within the reply deadline.
//
// A connection past its deadline is shut down (shutdown(2) of a duplicate of its socket,
// so the duplicate keeps the socket from being reused while it is cut); its server then
// sees the end of the stream and closes it. Thread-safe; times are clockNowUs values.
#pragma once
#include <cstddef>
#include <cstdint>
#include <mutex>
#include <set>

class webDeadlines {
public:
    webDeadlines(uint64_t requestUs, uint64_t replyUs) : requestUs_(requestUs), replyUs_(replyUs) {}
    ~webDeadlines();
    webDeadlines(const webDeadlines &) = delete;
    webDeadlines &operator=(const webDeadlines &) = delete;

    struct Conn;
    // A new connection on socket `fd`, reading its first request from now. Null when its
    // socket cannot be duplicated (then it has no deadline).
    Conn *add(int fd, uint64_t nowUs);
    // The request has come whole: the reply deadline runs from now.
    void answering(Conn *c, uint64_t nowUs);
    // The reply has gone: the next request's deadline runs from now.
    void reading(Conn *c, uint64_t nowUs);
    // The connection is closed; `c` is freed. Null is allowed.
    void remove(Conn *c);
    // Shuts down every connection past its deadline (each once); how many it cut.
    size_t sweep(uint64_t nowUs);
    size_t count() const;

private:
    uint64_t requestUs_, replyUs_;
    mutable std::mutex mutex_;
    std::set<Conn *> conns_;
};
