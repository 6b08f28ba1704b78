#include "platform/plink.h"

#include <errno.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <time.h>
#include <unistd.h>

#include <atomic>
#include <cstdio>
#include <cstring>
#include <deque>
#include <mutex>
#include <set>
#include <vector>

#include "platform/dispatch.h"
#include "platform/log.h"
#include "platform/util.h"

namespace {

// Socket waits are bounded in real time, not by the process clock: a test that
// freezes the process clock must still see a dead platformd fail within the bound.
uint64_t realNowUs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000000u + uint64_t(ts.tv_nsec) / 1000u;
}

int msUntil(uint64_t deadlineUs) {
    uint64_t now = realNowUs();
    if (now >= deadlineUs) return 0;
    return int((deadlineUs - now + 999) / 1000);
}

bool waitFor(int fd, short events, uint64_t deadlineUs) {
    int ms = msUntil(deadlineUs);
    if (ms <= 0) return false;
    pollfd p{fd, events, 0};
    int r = poll(&p, 1, ms);
    return r > 0 || (r < 0 && errno == EINTR);
}

int writeAll(int fd, const uint8_t *data, size_t length, uint64_t deadlineUs) {
    size_t done = 0;
    while (done < length) {
        ssize_t n = send(fd, data + done, length - done, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n > 0) {
            done += size_t(n);
            continue;
        }
        if (n < 0 && errno == EINTR) continue;
        if (n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK) && waitFor(fd, POLLOUT, deadlineUs))
            continue;
        return -1;
    }
    return 0;
}

// Reads exactly `length` bytes. 1 when read; 0 when the deadline passed before the
// first byte and `idleOk` (at once, without waiting, when `waitIdle` is false); -1 on
// close, error, or a deadline in the middle (the stream would be out of step).
int readAll(int fd, uint8_t *data, size_t length, uint64_t deadlineUs, bool idleOk,
            bool waitIdle = true) {
    size_t done = 0;
    while (done < length) {
        ssize_t n = read(fd, data + done, length - done);
        if (n > 0) {
            done += size_t(n);
            continue;
        }
        if (n == 0) return -1;
        if (errno == EINTR) continue;
        if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
        if (done == 0 && idleOk && !waitIdle) return 0;
        if (!waitFor(fd, POLLIN, deadlineUs)) return (done == 0 && idleOk) ? 0 : -1;
    }
    return 1;
}

// 1 with a frame in `out`, 0 when none arrived before the deadline (or none is there
// now, when `waitIdle` is false), -1 when the link is unusable.
int readFrame(int fd, std::vector<uint8_t> &out, uint64_t deadlineUs, bool waitIdle = true) {
    uint32_t length = 0;
    int r = readAll(fd, reinterpret_cast<uint8_t *>(&length), sizeof length, deadlineUs, true,
                    waitIdle);
    if (r <= 0) return r;
    if (length == 0 || length > PLINK_MAX_FRAME) {
        logWarn("platform link: bad frame length %u from platformd", length);
        return -1;
    }
    out.resize(length);
    return readAll(fd, out.data(), length, deadlineUs, false) == 1 ? 1 : -1;
}

bool replyToOf(std::vector<uint8_t> &frame, uint32_t *replyTo) {
    tlv_t t;
    tlvInit(&t, frame.data(), uint32_t(frame.size()));
    return tlvDecode(&t, PLINK_TAG_REPLY_TO, TLV_DEC_U32, replyTo, TLV_DEC_END) == 0;
}

// Everything below is guarded by gMutex.
std::mutex gMutex;
int gFd = -1;
bool gInSync = false;
bool gAttached = false;  // gFd is (being) registered with the dispatcher
// Sockets that were shut down while registered with the dispatcher; only the
// dispatcher thread unregisters and closes them, so their numbers are not reused
// under a live registration.
std::set<int> gZombies;
std::deque<std::vector<uint8_t>> gPending;  // asynchronous messages not yet handled
bool gPostQueued = false;
int gHandling = 0;     // messages taken from gPending whose handler has not returned
bool gWanted = false;  // someone uses the link: keep reconnecting
bool gTimerStarted = false;
std::vector<bool> gTransitions;  // link ups and downs not yet told to the hooks
std::vector<plinkLinkHook_t> gHooks;
plinkHandler_t gHandlers[PLINK_KIND_LIMIT];
std::atomic<uint32_t> gNextId{1};

void dropLocked(const char *why) {
    if (gFd < 0) return;
    if (why) logWarn("platform link: %s", why);
    if (gAttached) {
        shutdown(gFd, SHUT_RDWR);
        gZombies.insert(gFd);
    } else {
        close(gFd);
    }
    gFd = -1;
    gAttached = false;
    if (gInSync) gTransitions.push_back(false);
    gInSync = false;
}

int writeLocked(const void *data, uint32_t length, uint64_t deadlineUs) {
    if (gFd < 0) return -1;
    std::vector<uint8_t> frame(sizeof length + length);
    memcpy(frame.data(), &length, sizeof length);
    memcpy(frame.data() + sizeof length, data, length);
    if (writeAll(gFd, frame.data(), frame.size(), deadlineUs) == 0) return 0;
    dropLocked("write to platformd failed");
    return -1;
}

// Reads until the reply naming `id`; other messages are kept for the dispatcher.
int awaitReplyLocked(uint32_t id, std::vector<uint8_t> &reply, uint64_t deadlineUs) {
    while (gFd >= 0) {
        std::vector<uint8_t> frame;
        int r = readFrame(gFd, frame, deadlineUs);
        if (r == 0) return -1;  // timed out; a late reply is dropped as stale
        if (r < 0) {
            dropLocked("platformd closed the link");
            return -1;
        }
        uint32_t replyTo = 0;
        if (!replyToOf(frame, &replyTo)) {
            gPending.push_back(std::move(frame));
        } else if (replyTo == id) {
            reply = std::move(frame);
            return 0;
        }
    }
    return -1;
}

const char *helloName() {
    const char *name = karnGetProcessName();
    if (name && *name) return name;
    return program_invocation_short_name;
}

int connectLocked(uint64_t deadlineUs) {
    if (gFd >= 0 && gInSync) return 0;
    dropLocked(nullptr);
    sockaddr_un addr{};
    addr.sun_family = AF_UNIX;
    if (plinkSocketPath(addr.sun_path, sizeof addr.sun_path) != 0) return -1;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) != 0) {
        close(fd);
        return -1;
    }
    gFd = fd;
    char name[PLINK_NAME_MAX + 1];
    strlcpy(name, helloName(), sizeof name);
    uint32_t id = plinkNextId();
    uint8_t buf[128];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_HELLO), PLINK_TAG_ID, TLV_ENC_U32, id,
              PLINK_TAG_NAME, TLV_ENC_STRING, name, PLINK_TAG_PID, TLV_ENC_U32, uint32_t(getpid()),
              TLV_ENC_END);
    std::vector<uint8_t> reply;
    if (writeLocked(buf, tlvLength(&t), deadlineUs) != 0 ||
        awaitReplyLocked(id, reply, deadlineUs) != 0) {
        dropLocked(nullptr);
        return -1;
    }
    gInSync = true;  // told to the hooks once the dispatcher watches the socket
    return 0;
}

void deliverPending(void *);
void onReadable(int fd, void *);

void retryTick(void *) {
    if (!plinkInSync()) plinkConnect();
}

// Work that must run without the lock: registering the socket with the dispatcher,
// scheduling delivery, starting the reconnect timer, telling the hooks.
void settle() {
    int attach = -1;
    bool post = false, startTimer = false;
    std::vector<bool> transitions;
    std::vector<plinkLinkHook_t> hooks;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (gFd >= 0 && !gAttached) {
            gAttached = true;
            attach = gFd;
        }
        if (!gPending.empty() && !gPostQueued) post = gPostQueued = true;
        if (gWanted && !gTimerStarted) startTimer = gTimerStarted = true;
        transitions.swap(gTransitions);
        hooks = gHooks;
    }
    if (attach >= 0) {
        bool added = dispatchAddFd(attach, onReadable, nullptr) == 0;
        std::lock_guard<std::mutex> lock(gMutex);
        if (added) {
            // Up for the hooks only now: events can flow.
            if (gFd == attach && gInSync) transitions.push_back(true);
        } else if (gZombies.erase(attach)) {
            close(attach);
        } else if (gFd == attach) {
            gAttached = false;  // no dispatcher yet: try again on a later call
        }
    }
    if (post && dispatchPost(deliverPending, nullptr) != 0) {
        std::lock_guard<std::mutex> lock(gMutex);
        gPostQueued = false;
    }
    if (startTimer &&
        !dispatchExecuteWorkItem(retryTick, nullptr, 0, {1, 0}, DISPATCH_WORK_REPEAT)) {
        std::lock_guard<std::mutex> lock(gMutex);
        gTimerStarted = false;
    }
    for (bool up : transitions)
        for (plinkLinkHook_t hook : hooks) hook(up);
}

void handle(std::vector<uint8_t> &message) {
    tlv_t t;
    tlvInit(&t, message.data(), uint32_t(message.size()));
    uint32_t kind = plinkKindOf(&t);
    plinkHandler_t handler = nullptr;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (kind < PLINK_KIND_LIMIT) handler = gHandlers[kind];
    }
    // A process that did not ask for a kind of message (events, say) does not need it.
    if (handler)
        handler(&t);
    else
        logDebug("platform link: no handler for a message of kind %u; dropped", kind);
}

void deliverPending(void *) {
    {
        std::lock_guard<std::mutex> lock(gMutex);
        gPostQueued = false;
    }
    for (;;) {
        std::vector<uint8_t> message;
        {
            std::lock_guard<std::mutex> lock(gMutex);
            if (gPending.empty()) return;
            message = std::move(gPending.front());
            gPending.pop_front();
            gHandling++;
        }
        handle(message);
        std::lock_guard<std::mutex> lock(gMutex);
        gHandling--;
    }
}

void onReadable(int fd, void *) {
    bool cleanup = false;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (fd == gFd) {
            for (;;) {
                std::vector<uint8_t> frame;
                int r = readFrame(fd, frame, realNowUs() + PLINK_TIMEOUT_MS * 1000u, false);
                if (r < 0) dropLocked("platformd closed the link");
                if (r <= 0) break;
                uint32_t replyTo;
                if (!replyToOf(frame, &replyTo)) gPending.push_back(std::move(frame));
            }
        }
        // Either a socket dropped earlier or just now, or one we no longer know.
        if (fd != gFd) {
            gZombies.erase(fd);
            cleanup = true;
        }
    }
    if (cleanup) {
        dispatchRemoveFd(fd);
        close(fd);
    }
    settle();
    deliverPending(nullptr);
}

}  // namespace

int plinkSocketPath(char *out, size_t size) {
    int n = snprintf(out, size, "%s/platformd.sock", karnRunDir());
    return (n < 0 || size_t(n) >= size) ? -1 : 0;
}

int plinkWriteFrame(int fd, const void *data, uint32_t length, int timeoutMs) {
    std::vector<uint8_t> frame(sizeof length + length);
    memcpy(frame.data(), &length, sizeof length);
    if (length) memcpy(frame.data() + sizeof length, data, length);
    return writeAll(fd, frame.data(), frame.size(), realNowUs() + uint64_t(timeoutMs) * 1000u);
}

uint32_t plinkKindOf(tlv_t *message) {
    uint32_t kind = 0;
    if (tlvDecode(message, PLINK_TAG_KIND, TLV_DEC_U32, &kind, TLV_DEC_END) != 0) return 0;
    return kind;
}

void plinkSetHandler(uint32_t kind, plinkHandler_t handler) {
    std::lock_guard<std::mutex> lock(gMutex);
    if (kind < PLINK_KIND_LIMIT) gHandlers[kind] = handler;
}

void plinkAddLinkHook(plinkLinkHook_t hook) {
    std::lock_guard<std::mutex> lock(gMutex);
    for (plinkLinkHook_t h : gHooks)
        if (h == hook) return;
    gHooks.push_back(hook);
}

int plinkConnect() {
    int rc;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        gWanted = true;
        rc = connectLocked(realNowUs() + PLINK_TIMEOUT_MS * 1000u);
    }
    settle();
    return rc;
}

bool plinkInSync() {
    std::lock_guard<std::mutex> lock(gMutex);
    return gFd >= 0 && gInSync;
}

uint32_t plinkNextId() {
    uint32_t id = gNextId.fetch_add(1);
    return id ? id : gNextId.fetch_add(1);
}

int plinkSend(const tlv_t *message) {
    int rc = -1;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        gWanted = true;
        uint64_t deadline = realNowUs() + PLINK_TIMEOUT_MS * 1000u;
        if (connectLocked(deadline) == 0)
            rc = writeLocked(message->buf, tlvLength(message), deadline);
    }
    settle();
    return rc;
}

int plinkRequest(const tlv_t *request, uint32_t id, void *reply, uint32_t capacity, int timeoutMs) {
    if (timeoutMs <= 0 || timeoutMs > PLINK_TIMEOUT_MS) timeoutMs = PLINK_TIMEOUT_MS;
    int rc = -1;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        gWanted = true;
        uint64_t deadline = realNowUs() + uint64_t(timeoutMs) * 1000u;
        std::vector<uint8_t> answer;
        if (connectLocked(deadline) == 0 &&
            writeLocked(request->buf, tlvLength(request), deadline) == 0 &&
            awaitReplyLocked(id, answer, deadline) == 0 && answer.size() <= capacity) {
            memcpy(reply, answer.data(), answer.size());
            rc = int(answer.size());
        }
    }
    settle();
    return rc;
}

int plinkAsk(const tlv_t *request, uint32_t id, uint32_t *status, std::string *text) {
    static thread_local uint8_t reply[PLINK_MAX_FRAME];
    int n = plinkRequest(request, id, reply, sizeof reply, PLINK_TIMEOUT_MS);
    if (n < 0) return -1;
    tlv_t r;
    tlvInit(&r, reply, uint32_t(n));
    const char *body = "";
    *status = 1;
    tlvDecode(&r, PLINK_TAG_STATUS, TLV_DEC_U32, status, TLV_DEC_END);
    tlvDecode(&r, PLINK_TAG_TEXT, TLV_DEC_STRING, &body, static_cast<uint32_t *>(nullptr),
              TLV_DEC_END);
    *text = body;
    return 0;
}

int plinkAskKind(uint32_t kind, const char *cookie, uint32_t *status, std::string *text) {
    uint32_t id = plinkNextId();
    uint8_t buf[256];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    int rc = cookie ? tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, kind, PLINK_TAG_ID, TLV_ENC_U32,
                                id, PLINK_TAG_COOKIE, TLV_ENC_STRING, cookie, TLV_ENC_END)
                    : tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, kind, PLINK_TAG_ID, TLV_ENC_U32,
                                id, TLV_ENC_END);
    return rc == 0 ? plinkAsk(&t, id, status, text) : -2;
}

bool plinkCaughtUp() {
    std::lock_guard<std::mutex> lock(gMutex);
    if (gFd < 0 || !gInSync || !gPending.empty() || gHandling > 0) return false;
    char byte;
    ssize_t n = recv(gFd, &byte, 1, MSG_PEEK | MSG_DONTWAIT);
    return n < 0 && (errno == EAGAIN || errno == EWOULDBLOCK);
}

void plinkQueueLocal(const void *message, uint32_t length) {
    {
        std::lock_guard<std::mutex> lock(gMutex);
        const uint8_t *p = static_cast<const uint8_t *>(message);
        gPending.emplace_back(p, p + length);
    }
    settle();
}

void plinkDisconnect() {
    {
        std::lock_guard<std::mutex> lock(gMutex);
        dropLocked(nullptr);
    }
    settle();
}
