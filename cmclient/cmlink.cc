#include "cmclient/cmlink.h"

#include <errno.h>
#include <fcntl.h>
#include <sys/mman.h>
#include <sys/random.h>
#include <sys/socket.h>
#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <ctime>

#include "platform/ds.h"
#include "platform/ipml.h"

namespace {

void putWord(std::vector<uint8_t> &out, uint32_t value) {
    uint8_t b[4];
    memcpy(b, &value, 4);
    out.insert(out.end(), b, b + 4);
}

}  // namespace

cmLinkMessage &cmLinkMessage::block(uint32_t tag, const void *data, uint32_t length) {
    putWord(bytes_, tag);
    putWord(bytes_, length);
    const uint8_t *p = static_cast<const uint8_t *>(data);
    if (length) bytes_.insert(bytes_.end(), p, p + length);
    return *this;
}

cmLinkMessage &cmLinkMessage::u32(uint32_t tag, uint32_t value) {
    return block(tag, &value, 4);
}

cmLinkMessage &cmLinkMessage::text(uint32_t tag, const char *value) {
    if (!value) return *this;
    return block(tag, value, uint32_t(strlen(value) + 1));
}

int cmLinkSendPieces(const std::vector<uint8_t> &message,
                     const std::function<int(const uint8_t *, uint32_t)> &write) {
    size_t at = 0;
    std::vector<uint8_t> frame;
    do {
        size_t piece = std::min<size_t>(message.size() - at, CMLINK_PIECE);
        uint32_t more = at + piece < message.size() ? 1 : 0;
        frame.resize(4 + piece);
        memcpy(frame.data(), &more, 4);
        if (piece) memcpy(frame.data() + 4, message.data() + at, piece);
        if (write(frame.data(), uint32_t(frame.size())) != 0) return -1;
        at += piece;
    } while (at < message.size());
    return 0;
}

int cmLinkAssembler::add(const uint8_t *frame, uint32_t length) {
    if (complete_) {
        message_.clear();
        complete_ = false;
    }
    if (length < 4) return -1;
    uint32_t more;
    memcpy(&more, frame, 4);
    if (more > 1 || message_.size() + (length - 4) > CMLINK_MAX_MESSAGE) return -1;
    message_.insert(message_.end(), frame + 4, frame + length);
    if (more) return 0;
    complete_ = true;
    return 1;
}

int cmLinkClient::send(const cmLinkMessage &message) {
    std::lock_guard<std::mutex> lock(writeMutex);
    if (closed) return -1;
    return cmLinkSendPieces(message.bytes(), [this](const uint8_t *data, uint32_t length) {
        return ipmlWriteFrame(fd, data, length);
    });
}

int cmLinkClient::receiveSome() {
    uint8_t chunk[16384];
    for (;;) {
        ssize_t n = recv(fd, chunk, sizeof chunk, MSG_DONTWAIT);
        if (n > 0) {
            rx.insert(rx.end(), chunk, chunk + n);
            return int(n);
        }
        if (n == 0) return 0;
        if (errno == EINTR) continue;
        return (errno == EAGAIN || errno == EWOULDBLOCK) ? -2 : -1;
    }
}

int cmLinkClient::nextFrame(std::vector<uint8_t> &out) {
    if (rxAt + 4 > rx.size()) {
        compact();
        return 0;
    }
    uint32_t length;
    memcpy(&length, rx.data() + rxAt, 4);
    if (length == 0 || length > IPML_MAX_FRAME) return -1;
    if (rx.size() - rxAt - 4 < length) {
        compact();
        return 0;
    }
    out.assign(rx.begin() + long(rxAt + 4), rx.begin() + long(rxAt + 4 + length));
    rxAt += 4 + length;
    return 1;
}

void cmLinkClient::compact() {
    rx.erase(rx.begin(), rx.begin() + long(rxAt));
    rxAt = 0;
}

void cmLinkClient::close() {
    shutdown(fd, SHUT_RDWR);
    std::lock_guard<std::mutex> lock(writeMutex);
    if (closed) return;
    ::close(fd);
    closed = true;
}

std::shared_ptr<cmLinkClient> cmLinkConnect(int lookupTimeoutMs) {
    int link = dsLookup("cfgmgr", lookupTimeoutMs);
    if (link < 0) return nullptr;
    int fd = ipmlConnect(uint16_t(link));
    if (fd < 0) return nullptr;
    auto client = std::make_shared<cmLinkClient>();
    client->fd = fd;
    return client;
}

int cmLinkDecodeKind(const uint8_t *message, uint32_t length, uint32_t *kind) {
    tlv_t t;
    tlvInit(&t, const_cast<uint8_t *>(message), length);
    return tlvDecode(&t, CMLINK_TAG_KIND, TLV_DEC_U32, kind, TLV_DEC_END);
}

int cmLinkDecodeU64(tlv_t *t, uint32_t tag, uint64_t *value) {
    const void *data;
    uint32_t length;
    if (tlvDecode(t, tag, TLV_DEC_BLOCK, &data, &length, TLV_DEC_END) != 0 || length != 8)
        return -1;
    memcpy(value, data, 8);
    return 0;
}

namespace {

// The page of an open change-count file; null when it is no regular file of a page's size
// at least (a shorter one would fault on reading).
cmLinkChangesPage *mapPage(int fd, bool writable) {
    struct stat st;
    if (fstat(fd, &st) != 0 || !S_ISREG(st.st_mode) ||
        size_t(st.st_size) < sizeof(cmLinkChangesPage))
        return nullptr;
    void *page = mmap(nullptr, sizeof(cmLinkChangesPage),
                      writable ? PROT_READ | PROT_WRITE : PROT_READ, MAP_SHARED, fd, 0);
    return page == MAP_FAILED ? nullptr : static_cast<cmLinkChangesPage *>(page);
}

uint64_t newToken() {
    uint64_t token;
    if (getrandom(&token, sizeof token, GRND_NONBLOCK) == sizeof token) return token;
    timespec now;
    clock_gettime(CLOCK_REALTIME, &now);
    return (uint64_t(now.tv_sec) * 1000000000u + uint64_t(now.tv_nsec)) ^
           (uint64_t(getpid()) << 40);
}

}  // namespace

std::unique_ptr<cmLinkChanges> cmLinkChanges::publish(const std::string &dir) {
    std::string path = dir + "/" + CMLINK_CHANGES_FILE;
    // Not blocking: whatever stands at the path, opening it must not wait.
    int old = open(path.c_str(), O_RDWR | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (old >= 0) {
        if (cmLinkChangesPage *page = mapPage(old, true)) {
            page->count.fetch_add(1);
            munmap(page, sizeof *page);
        }
        close(old);
    }
    // Made whole under another name first: a frontend never maps a file without its token.
    std::string fresh = path + ".new";
    unlink(fresh.c_str());
    int fd = open(fresh.c_str(), O_RDWR | O_CREAT | O_EXCL | O_CLOEXEC | O_NOFOLLOW, 0644);
    if (fd < 0) return nullptr;
    cmLinkChangesPage *page =
        ftruncate(fd, sizeof(cmLinkChangesPage)) == 0 ? mapPage(fd, true) : nullptr;
    close(fd);
    if (page) page->token = newToken();
    if (!page || rename(fresh.c_str(), path.c_str()) != 0) {
        if (page) munmap(page, sizeof *page);
        unlink(fresh.c_str());
        return nullptr;
    }
    return std::unique_ptr<cmLinkChanges>(new cmLinkChanges(page, path, true));
}

std::unique_ptr<cmLinkChanges> cmLinkChanges::attach(const std::string &path, uint64_t token) {
    int fd = open(path.c_str(), O_RDONLY | O_CLOEXEC | O_NOFOLLOW | O_NONBLOCK);
    if (fd < 0) return nullptr;
    cmLinkChangesPage *page = mapPage(fd, false);
    close(fd);
    if (!page) return nullptr;
    if (page->token != token) {
        munmap(page, sizeof *page);
        return nullptr;
    }
    return std::unique_ptr<cmLinkChanges>(new cmLinkChanges(page, path, false));
}

cmLinkChanges::~cmLinkChanges() {
    munmap(page_, sizeof *page_);
}
