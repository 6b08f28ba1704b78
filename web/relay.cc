#include "web/relay.h"

#include <poll.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <mutex>
#include <vector>

#include "platform/wsvd_link.h"

struct webRelay_t {
    wsvcConn_t *conn = nullptr;
    uint32_t requestId = 0;
    uint64_t received = 0;  // reply bytes so far: the offset the next fragment must carry
    bool started = false;
    bool done = false;
};

namespace {

using Clock = std::chrono::steady_clock;
const int kSliceMs = 200;  // waits wake this often to notice webRelayStop

std::mutex gMutex;
std::condition_variable gFreed;
webRelayConfig_t gConfig;
std::vector<wsvcConn_t *> gIdle;
int gOpen = 0;  // connections in existence (idle and busy)
std::atomic<bool> gStopping{false};
std::atomic<uint32_t> gNextId{1};

int msUntil(Clock::time_point deadline) {
    auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
    return ms.count() > 0 ? int(ms.count()) : 0;
}

void discard(wsvcConn_t *conn) {
    wsvcClose(conn);
    std::lock_guard<std::mutex> lock(gMutex);
    gOpen--;
    gFreed.notify_one();
}

// An idle connection is sound when nothing is waiting to be read on it: anything
// readable there is either the daemon's close or bytes that belong to no request.
bool idleIsSound(wsvcConn_t *conn) {
    pollfd p = {wsvcFd(conn), POLLIN, 0};
    return poll(&p, 1, 0) == 0;
}

// A connection for one request: an idle sound one, or a new one while fewer than
// maxLinks are open, else waits for one to be freed.
wsvcConn_t *acquire(webRelayStatus *status, bool *reused) {
    auto deadline = Clock::now() + std::chrono::milliseconds(gConfig.timeoutMs);
    std::unique_lock<std::mutex> lock(gMutex);
    for (;;) {
        if (gStopping) {
            *status = WEB_RELAY_UNAVAILABLE;
            return nullptr;
        }
        while (!gIdle.empty()) {
            wsvcConn_t *conn = gIdle.back();
            gIdle.pop_back();
            if (idleIsSound(conn)) {
                *reused = true;
                return conn;
            }
            wsvcClose(conn);
            gOpen--;
        }
        if (gOpen < gConfig.maxLinks) {
            gOpen++;
            int connectMs = gConfig.connectTimeoutMs;
            lock.unlock();
            std::string error;
            wsvcConn_t *conn = wsvcConnect("thttpd", -1, connectMs, &error);
            if (!conn) {
                lock.lock();
                gOpen--;
                gFreed.notify_one();
                *status = WEB_RELAY_UNAVAILABLE;
                return nullptr;
            }
            *reused = false;
            return conn;
        }
        if (Clock::now() >= deadline) {
            *status = WEB_RELAY_TIMEOUT;
            return nullptr;
        }
        gFreed.wait_for(lock, std::chrono::milliseconds(kSliceMs));
    }
}

// Waits (bounded, in slices) until the connection has something to read.
webRelayStatus awaitReadable(wsvcConn_t *conn) {
    auto deadline = Clock::now() + std::chrono::milliseconds(gConfig.timeoutMs);
    for (;;) {
        if (gStopping) return WEB_RELAY_UNAVAILABLE;
        int left = msUntil(deadline);
        if (left == 0) return WEB_RELAY_TIMEOUT;
        pollfd p = {wsvcFd(conn), POLLIN, 0};
        int ready = poll(&p, 1, left < kSliceMs ? left : kSliceMs);
        if (ready > 0) return WEB_RELAY_OK;
        if (ready < 0 && errno != EINTR) return WEB_RELAY_UNAVAILABLE;
    }
}

// Reads messages until a reply fragment of this request arrives; checks that it fits
// the reply so far. Messages of other types are not for a web peer and are skipped.
webRelayStatus readFragment(webRelay_t *r, std::string *piece) {
    for (;;) {
        webRelayStatus s = awaitReadable(r->conn);
        if (s != WEB_RELAY_OK) return s;
        wsvcMessage_t msg;
        if (wsvcReadMessage(r->conn, &msg, 1000) != 0) {
            // The daemon closed the link (it died or restarted) or sent garbage.
            return WEB_RELAY_UNAVAILABLE;
        }
        if (msg.type < WSVD_MSG_REPLY || msg.type > WSVD_MSG_REPLY_LAST) continue;
        bool opens = msg.type == WSVD_MSG_REPLY || msg.type == WSVD_MSG_REPLY_FIRST;
        // The daemon may flush an empty first fragment and then open the reply again.
        if (opens ? (r->started && r->received > 0) : !r->started) return WEB_RELAY_BROKEN;
        if (msg.record.peerRequestId != r->requestId || msg.record.replyOffset != r->received)
            return WEB_RELAY_BROKEN;
        r->started = true;
        r->received += msg.text.size();
        r->done = msg.type == WSVD_MSG_REPLY || msg.type == WSVD_MSG_REPLY_LAST;
        *piece = std::move(msg.text);
        return WEB_RELAY_OK;
    }
}

}  // namespace

void webRelayConfigure(const webRelayConfig_t &config) {
    std::lock_guard<std::mutex> lock(gMutex);
    gConfig = config;
    if (gConfig.maxLinks < 1) gConfig.maxLinks = 1;
    if (gConfig.timeoutMs < 1) gConfig.timeoutMs = 1;
    if (gConfig.connectTimeoutMs < 1) gConfig.connectTimeoutMs = 1;
    gStopping = false;
}

void webRelayStop() {
    gStopping = true;
    std::lock_guard<std::mutex> lock(gMutex);
    for (wsvcConn_t *conn : gIdle) {
        wsvcClose(conn);
        gOpen--;
    }
    gIdle.clear();
    gFreed.notify_all();
}

webRelay_t *webRelayOpen(wsvcRequest_t request, std::string *first, bool *done,
                         webRelayStatus *status) {
    first->clear();
    *done = false;
    // A reused connection may have died since it was last used (the daemon restarted
    // between two requests): then one fresh connection is tried before giving up.
    for (int attempt = 0; attempt < 2; attempt++) {
        bool reused = false;
        wsvcConn_t *conn = acquire(status, &reused);
        if (!conn) return nullptr;
        auto *r = new webRelay_t;
        r->conn = conn;
        r->requestId = gNextId.fetch_add(1);
        if (r->requestId == 0) r->requestId = gNextId.fetch_add(1);
        request.requestId = r->requestId;
        if (wsvcSendRequest(conn, request) != 0) {
            webRelayClose(r);
            *status = WEB_RELAY_UNAVAILABLE;
            if (reused) continue;
            return nullptr;
        }
        std::string piece;
        do {
            webRelayStatus s = readFragment(r, &piece);
            if (s != WEB_RELAY_OK) {
                webRelayClose(r);
                *status = s;
                return nullptr;
            }
        } while (piece.empty() && !r->done);
        *first = std::move(piece);
        *done = r->done;
        *status = WEB_RELAY_OK;
        return r;
    }
    return nullptr;
}

webRelayStatus webRelayNext(webRelay_t *r, std::string *piece, bool *done) {
    piece->clear();
    while (!r->done) {
        webRelayStatus s = readFragment(r, piece);
        if (s != WEB_RELAY_OK) {
            *done = false;
            return s;
        }
        if (!piece->empty()) break;
    }
    *done = r->done;
    return WEB_RELAY_OK;
}

void webRelayClose(webRelay_t *r) {
    if (!r) return;
    if (r->done && !gStopping) {
        std::lock_guard<std::mutex> lock(gMutex);
        gIdle.push_back(r->conn);
        gFreed.notify_one();
    } else {
        discard(r->conn);
    }
    delete r;
}

int webRelayLinkCount() {
    std::lock_guard<std::mutex> lock(gMutex);
    return gOpen;
}
