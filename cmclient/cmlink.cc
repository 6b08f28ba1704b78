#include "cmclient/cmlink.h"

#include <errno.h>
#include <sys/socket.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>

#include "platform/ds.h"
#include "platform/ipml.h"
#include "platform/tlv.h"

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
