#include "platform/ipml.h"

#include <fcntl.h>
#include <poll.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <sys/un.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>
#include <map>
#include <memory>
#include <mutex>
#include <string>
#include <vector>

#include "platform/bm.h"
#include "platform/dispatch.h"
#include "platform/util.h"

// Threads: accepting, reading and disconnecting happen on the dispatcher thread;
// ipmlSend may come from any thread (the daemon's worker sends replies). A peer's
// descriptor is therefore closed only under its write mutex, after shutdown(2) has
// woken any sender still waiting on it, so a sender never writes to a descriptor
// number that has been closed and handed out again.

namespace {

// A peer that does not take any of our bytes for this long is cut off rather than
// holding a sending thread forever.
const int kDefaultSendStallMs = 5000;
std::atomic<int> gSendStallMs{kDefaultSendStallMs};
const size_t kReadChunk = 16384;

struct Peer {
    uint32_t id = 0;
    int fd = -1;
    ipmlLink_t *link = nullptr;
    std::vector<uint8_t> rx;  // bytes of frames not yet complete
    std::mutex writeMutex;
    bool closed = false;  // under writeMutex: fd is no longer ours
    std::map<int, int> options;
};

}  // namespace

struct ipmlLink_t {
    int listenFd = -1;
    uint16_t linkNumber = 0;
    std::string path;
    ipmlPeerCallBack_t peerCallBack = nullptr;
    dispatchReceive_t receive = nullptr;
    bool attached = false;
    std::map<uint32_t, std::shared_ptr<Peer>> peers;  // dispatcher thread only
};

namespace {

std::mutex gPeersMutex;  // guards gPeers (looked up by senders on any thread)
std::map<uint32_t, std::shared_ptr<Peer>> gPeers;
std::atomic<uint32_t> gNextPeerId{1};

std::shared_ptr<Peer> lookupPeer(uint32_t id) {
    std::lock_guard<std::mutex> lock(gPeersMutex);
    auto it = gPeers.find(id);
    return it == gPeers.end() ? nullptr : it->second;
}

// Waits until fd is ready for `events`; false on timeout or error.
bool waitFor(int fd, short events, int timeoutMs) {
    pollfd p{fd, events, 0};
    for (;;) {
        int r = poll(&p, 1, timeoutMs);
        if (r > 0) return true;
        if (r == 0 || errno != EINTR) return false;
    }
}

// Writes all of iov; false when the peer stalls for gSendStallMs or the write fails.
bool writeAll(int fd, iovec *iov, int count) {
    while (count > 0) {
        msghdr msg{};
        msg.msg_iov = iov;
        msg.msg_iovlen = static_cast<size_t>(count);
        ssize_t n = sendmsg(fd, &msg, MSG_NOSIGNAL | MSG_DONTWAIT);
        if (n < 0) {
            if (errno == EINTR) continue;
            if ((errno == EAGAIN || errno == EWOULDBLOCK) &&
                waitFor(fd, POLLOUT, gSendStallMs.load()))
                continue;
            return false;
        }
        size_t done = static_cast<size_t>(n);
        while (count > 0 && done >= iov->iov_len) {
            done -= iov->iov_len;
            iov++;
            count--;
        }
        if (count > 0) {
            iov->iov_base = static_cast<uint8_t *>(iov->iov_base) + done;
            iov->iov_len -= done;
        }
    }
    return true;
}

bool sendFrame(int fd, const void *data, uint32_t length) {
    iovec iov[2] = {{&length, 4}, {const_cast<void *>(data), length}};
    return writeAll(fd, iov, length ? 2 : 1);
}

// Takes the peer out of every table and closes its socket; the leave event follows when
// the connect event had been given.
void dropPeer(const std::shared_ptr<Peer> &peer, const char *why) {
    if (why)
        fprintf(stderr, "%s: ipml link %u: peer %u disconnected: %s\n", karnGetProcessName(),
                peer->link->linkNumber, peer->id, why);
    {
        std::lock_guard<std::mutex> lock(gPeersMutex);
        gPeers.erase(peer->id);
    }
    ipmlLink_t *link = peer->link;
    link->peers.erase(peer->id);
    dispatchRemoveFd(peer->fd);
    shutdown(peer->fd, SHUT_RDWR);
    {
        std::lock_guard<std::mutex> lock(peer->writeMutex);
        close(peer->fd);
        peer->closed = true;
    }
    if (link->peerCallBack) link->peerCallBack(link, IPML_PEER_LEAVE, peer->id);
}

// Delivers every complete frame in the peer's buffer. A callback may close the peer or
// even the whole link, so the peer is looked up again after each delivery.
void deliverFrames(const std::shared_ptr<Peer> &peer) {
    size_t pos = 0;
    for (;;) {
        std::vector<uint8_t> &rx = peer->rx;
        if (rx.size() - pos < 4) break;
        uint32_t length;
        memcpy(&length, rx.data() + pos, 4);
        if (length == 0 || length > IPML_MAX_FRAME) {
            dropPeer(peer, length == 0 ? "empty frame" : "frame too long");
            return;
        }
        if (rx.size() - pos - 4 < length) break;
        bmPacket_t *packet = bmAllocPacket(length, 0, 1);
        if (!packet) {
            dropPeer(peer, "out of memory");
            return;
        }
        memcpy(packet->data, rx.data() + pos + 4, length);
        pos += 4 + length;
        ipmlLink_t *link = peer->link;
        link->receive(link, peer->id, packet, static_cast<int>(length));
        if (lookupPeer(peer->id) != peer) return;  // dropped meanwhile
    }
    peer->rx.erase(peer->rx.begin(), peer->rx.begin() + static_cast<long>(pos));
}

void onPeerReadable(int fd, void *arg) {
    std::shared_ptr<Peer> peer =
        lookupPeer(static_cast<uint32_t>(reinterpret_cast<uintptr_t>(arg)));
    if (!peer || peer->fd != fd) return;
    uint8_t chunk[kReadChunk];
    ssize_t n = recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
    if (n < 0) {
        if (errno == EAGAIN || errno == EWOULDBLOCK || errno == EINTR) return;
        dropPeer(peer, strerror(errno));
        return;
    }
    if (n == 0) {
        dropPeer(peer, peer->rx.empty() ? nullptr : "closed inside a frame");
        return;
    }
    peer->rx.insert(peer->rx.end(), chunk, chunk + n);
    deliverFrames(peer);
}

// One connection per readiness event: the loop calls again while more are waiting,
// and the link may be closed by the connect callback.
void onListenReadable(int fd, void *arg) {
    auto *link = static_cast<ipmlLink_t *>(arg);
    int cfd = accept4(fd, nullptr, nullptr, SOCK_NONBLOCK | SOCK_CLOEXEC);
    if (cfd < 0) return;
    auto peer = std::make_shared<Peer>();
    peer->id = gNextPeerId.fetch_add(1);
    peer->fd = cfd;
    peer->link = link;
    if (dispatchAddFd(cfd, onPeerReadable,
                      reinterpret_cast<void *>(static_cast<uintptr_t>(peer->id))) != 0) {
        close(cfd);
        return;
    }
    {
        std::lock_guard<std::mutex> lock(gPeersMutex);
        gPeers[peer->id] = peer;
    }
    link->peers[peer->id] = peer;
    if (link->peerCallBack) link->peerCallBack(link, IPML_PEER_CONNECT, peer->id);
}

bool fillAddress(uint16_t linkNumber, sockaddr_un *addr) {
    memset(addr, 0, sizeof *addr);
    addr->sun_family = AF_UNIX;
    return ipmlSocketPath(linkNumber, addr->sun_path, sizeof addr->sun_path) == 0;
}

// A socket file left by a process that died is removed; one that still answers
// belongs to a live server and is left alone.
bool clearStaleSocket(const sockaddr_un &addr) {
    int probe = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (probe < 0) return false;
    int r = connect(probe, reinterpret_cast<const sockaddr *>(&addr), sizeof addr);
    int err = errno;
    close(probe);
    if (r == 0) return false;
    if (err == ECONNREFUSED) unlink(addr.sun_path);
    return true;
}

int64_t realNowMs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<int64_t>(ts.tv_sec) * 1000 + ts.tv_nsec / 1000000;
}

int attachLink(ipmlLink_t *link, dispatchReceive_t receive) {
    if (!link || !receive || link->attached) return -1;
    if (dispatchAddFd(link->listenFd, onListenReadable, link) != 0) return -1;
    for (auto &[id, peer] : link->peers)  // peers kept over a detach are served again
        dispatchAddFd(peer->fd, onPeerReadable,
                      reinterpret_cast<void *>(static_cast<uintptr_t>(id)));
    link->receive = receive;
    link->attached = true;
    return 0;
}

void detachLink(ipmlLink_t *link) {
    if (!link || !link->attached) return;
    dispatchRemoveFd(link->listenFd);
    for (auto &[id, peer] : link->peers) dispatchRemoveFd(peer->fd);
    link->attached = false;
}

// How the dispatcher serves this kind of link (dispatch.h).
const dispatchLinkOps_t kLinkOps = {attachLink, detachLink};

}  // namespace

int ipmlSocketPath(uint16_t linkNumber, char *out, size_t outSize) {
    if (!out || outSize == 0) return -1;
    int n = snprintf(out, outSize, "%s/ipml.%u", karnRunDir(), linkNumber);
    return (n < 0 || static_cast<size_t>(n) >= outSize) ? -1 : 0;
}

ipmlLink_t *ipmlInitServerClient(int /*instance*/, uint16_t linkNumber, int server,
                                 ipmlPeerCallBack_t peerCallBack, void * /*arg*/) {
    if (server != 1) return nullptr;  // peers connect with ipmlConnect
    sockaddr_un addr;
    if (!fillAddress(linkNumber, &addr)) return nullptr;
    mkdir(karnRunDir(), 0700);  // an existing directory is fine
    if (!clearStaleSocket(addr)) return nullptr;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_NONBLOCK | SOCK_CLOEXEC, 0);
    if (fd < 0) return nullptr;
    if (bind(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) < 0 || listen(fd, 64) < 0) {
        close(fd);
        return nullptr;
    }
    dispatchSetLinkOps(&kLinkOps);
    auto *link = new ipmlLink_t;
    link->listenFd = fd;
    link->linkNumber = linkNumber;
    link->path = addr.sun_path;
    link->peerCallBack = peerCallBack;
    return link;
}

void ipmlClose(ipmlLink_t *link) {
    if (!link) return;
    detachLink(link);
    // Each peer that was announced also leaves, so a user's peer table stays consistent.
    while (!link->peers.empty()) {
        std::shared_ptr<Peer> peer = link->peers.begin()->second;
        dropPeer(peer, nullptr);
    }
    close(link->listenFd);
    unlink(link->path.c_str());
    delete link;
}

void ipmlSetSendStallMs(int ms) {
    gSendStallMs.store(ms > 0 ? ms : kDefaultSendStallMs);
}

int ipmlSetPeerOption(uint32_t peer, int option, int value) {
    std::shared_ptr<Peer> p = lookupPeer(peer);
    if (!p) return -1;
    std::lock_guard<std::mutex> lock(p->writeMutex);
    p->options[option] = value;
    return 0;
}

namespace {

// Runs `write` on a peer's socket under its write lock; false when the peer is gone or
// the write fails (the peer is then cut off).
template <typename Write>
bool writeToPeer(uint32_t peer, Write write) {
    std::shared_ptr<Peer> p = lookupPeer(peer);
    if (!p) return false;
    std::lock_guard<std::mutex> lock(p->writeMutex);
    if (p->closed) return false;
    if (!write(p->fd)) {
        // The dispatcher sees the end of the stream and drops the peer there.
        fprintf(stderr, "%s: ipml: peer %u stalled or failed while sending; cutting it off\n",
                karnGetProcessName(), peer);
        shutdown(p->fd, SHUT_RDWR);
        return false;
    }
    return true;
}

}  // namespace

int ipmlSend(uint32_t peer, bmPacket_t *packet, int /*flags*/) {
    if (!packet || packet->length == 0 || packet->length > IPML_MAX_FRAME) return -1;
    bool sent =
        writeToPeer(peer, [packet](int fd) { return sendFrame(fd, packet->data, packet->length); });
    return sent ? static_cast<int>(packet->length) : -1;
}

long ipmlSendFrames(uint32_t peer, const uint8_t *frames, size_t length) {
    if (!frames || length == 0) return -1;
    // Frames the reader would refuse must not leave: it would cut the link.
    for (size_t at = 0; at < length;) {
        uint32_t frame;
        if (length - at < 4) return -1;
        memcpy(&frame, frames + at, 4);
        if (frame == 0 || frame > IPML_MAX_FRAME || length - at - 4 < frame) return -1;
        at += 4 + frame;
    }
    iovec iov = {const_cast<uint8_t *>(frames), length};
    if (!writeToPeer(peer, [&iov](int fd) { return writeAll(fd, &iov, 1); })) return -1;
    return long(length);
}

int ipmlConnect(uint16_t linkNumber) {
    sockaddr_un addr;
    if (!fillAddress(linkNumber, &addr)) return -1;
    int fd = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
    if (fd < 0) return -1;
    if (connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) < 0) {
        close(fd);
        return -1;
    }
    return fd;
}

int ipmlWriteFrame(int fd, const void *data, uint32_t length) {
    if (fd < 0 || length == 0 || length > IPML_MAX_FRAME || !data) return -1;
    return sendFrame(fd, data, length) ? 0 : -1;
}

int ipmlReadFrame(int fd, void *buf, uint32_t capacity, int timeoutMs) {
    if (fd < 0 || !buf) return -1;
    // Socket waits are bounded in real time: a test's manual clock would never let
    // them expire.
    int64_t deadline = timeoutMs < 0 ? -1 : realNowMs() + timeoutMs;
    auto readExactly = [&](uint8_t *out, uint32_t want, bool atBoundary) -> int {
        uint32_t got = 0;
        while (got < want) {
            // Read first: a reply is usually there already, and then needs no poll.
            ssize_t n = recv(fd, out + got, want - got, MSG_DONTWAIT);
            if (n > 0) {
                got += static_cast<uint32_t>(n);
                continue;
            }
            if (n == 0) return (atBoundary && got == 0) ? 0 : -1;
            if (errno == EINTR) continue;
            if (errno != EAGAIN && errno != EWOULDBLOCK) return -1;
            int wait = -1;
            if (deadline >= 0) {
                int64_t left = deadline - realNowMs();
                wait = left > 0 ? static_cast<int>(left) : 0;
            }
            pollfd p{fd, POLLIN, 0};
            int r = poll(&p, 1, wait);
            if (r < 0 && errno == EINTR) continue;
            if (r <= 0) return -1;
        }
        return 1;
    };
    uint32_t length;
    int r = readExactly(reinterpret_cast<uint8_t *>(&length), 4, true);
    if (r <= 0) return r;
    if (length == 0 || length > capacity || length > IPML_MAX_FRAME) return -1;
    if (readExactly(static_cast<uint8_t *>(buf), length, false) <= 0) return -1;
    return static_cast<int>(length);
}
