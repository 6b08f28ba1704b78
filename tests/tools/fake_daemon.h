// A stand-in for wsvd's end of the request link: listens on a link's socket, accepts one
// peer and runs a script against it on a thread of its own, so that tests can send the
// client exactly the bytes they want (odd fragments, garbage, a close mid-reply).
#pragma once
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <cstring>
#include <functional>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include "platform/ipml.h"
#include "platform/tlv.h"
#include "platform/wsvd_link.h"
#include "platform/wsvdreq.h"

using Bytes = std::vector<uint8_t>;

// One message read by the fake daemon, decoded far enough for the tests.
struct PeerMessage {
    uint32_t type = 0;
    wsvdRequest header{};
    std::string text;
    uint32_t seqnum = 0, status = 0;
};

inline bool readPeerMessage(int fd, PeerMessage *m, int timeoutMs = 5000) {
    Bytes buf(IPML_MAX_FRAME);
    int n = ipmlReadFrame(fd, buf.data(), uint32_t(buf.size()), timeoutMs);
    if (n <= 0) return false;
    tlv_t t;
    tlvInit(&t, buf.data(), uint32_t(n));
    *m = PeerMessage{};
    if (tlvDecode(&t, WSVD_TAG_TYPE, TLV_DEC_U32, &m->type, TLV_DEC_END) != 0) return false;
    const char *text = nullptr;
    switch (m->type) {
        case WSVD_MSG_HELLO:
            if (tlvDecode(&t, WSVD_TAG_NAME, TLV_DEC_STRING, &text, nullptr, TLV_DEC_END) != 0)
                return false;
            m->text = text;
            return true;
        case WSVD_MSG_CLI_ANSWER:
            if (tlvDecode(&t, WSVD_TAG_SEQNUM, TLV_DEC_U32, &m->seqnum, WSVD_TAG_STATUS,
                          TLV_DEC_U32, &m->status, WSVD_TAG_CLI_REPLY, TLV_DEC_STRING, &text,
                          nullptr, TLV_DEC_END) != 0)
                return false;
            m->text = text;
            return true;
        default: {
            const void *header = nullptr;
            uint32_t headerLength = 0;
            if (tlvDecode(&t, WSVD_TAG_HEADER, TLV_DEC_BLOCK, &header, &headerLength, WSVD_TAG_TEXT,
                          TLV_DEC_STRING, &text, nullptr, TLV_DEC_END) != 0 ||
                headerLength != WSVD_HDR_SIZE)
                return false;
            wsvdHeaderUnpack(static_cast<const uint8_t *>(header), &m->header);
            m->text = text;
            return true;
        }
    }
}

inline void writeFrame(int fd, const Bytes &bytes) {
    EXPECT_EQ(ipmlWriteFrame(fd, bytes.data(), uint32_t(bytes.size())), 0);
}

inline Bytes encodeAck() {
    Bytes out(64);
    tlv_t t;
    tlvInit(&t, out.data(), uint32_t(out.size()));
    tlvEncode(&t, WSVD_TAG_TYPE, TLV_ENC_U32, uint32_t(WSVD_MSG_HELLO_ACK), TLV_ENC_END);
    out.resize(tlvLength(&t));
    return out;
}

// A reply message as the daemon sends it: its record (with the peer's request id and the
// running offset) and one piece of text.
inline Bytes encodeReply(uint32_t type, uint32_t requestId, uint32_t offset,
                         const std::string &piece) {
    wsvdRequest record{};
    record.seqnum = 77;
    record.peerRequestId = requestId;
    record.replyOffset = offset;
    uint8_t wire[WSVD_HDR_SIZE];
    wsvdHeaderPack(&record, wire);
    Bytes out(piece.size() + 256);
    tlv_t t;
    tlvInit(&t, out.data(), uint32_t(out.size()));
    EXPECT_EQ(tlvEncode(&t, WSVD_TAG_TYPE, TLV_ENC_U32, type, WSVD_TAG_HEADER, TLV_ENC_BLOCK,
                        static_cast<const void *>(wire), uint32_t(WSVD_HDR_SIZE), WSVD_TAG_PIECE,
                        TLV_ENC_BUFFER, static_cast<const void *>(piece.data()),
                        uint32_t(piece.size()), TLV_ENC_END),
              0);
    out.resize(tlvLength(&t));
    return out;
}

inline Bytes encodeCliRequest(const std::string &text, uint32_t seqnum) {
    Bytes out(text.size() + 64);
    tlv_t t;
    tlvInit(&t, out.data(), uint32_t(out.size()));
    tlvEncode(&t, WSVD_TAG_TYPE, TLV_ENC_U32, uint32_t(WSVD_MSG_CLI_REQUEST), WSVD_TAG_CLI_TEXT,
              TLV_ENC_STRING, text.c_str(), WSVD_TAG_SEQNUM, TLV_ENC_U32, seqnum, TLV_ENC_END);
    out.resize(tlvLength(&t));
    return out;
}

class FakeDaemon {
public:
    // Listens on the socket of `link` (in the current KARN_RUN_LOCATION) and runs
    // `script` with the first peer that connects within 5 s; the peer is closed after.
    FakeDaemon(uint16_t link, std::function<void(int fd)> script) {
        char path[108];
        ipmlSocketPath(link, path, sizeof path);
        unlink(path);
        listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        memcpy(addr.sun_path, path, strnlen(path, sizeof addr.sun_path - 1));
        EXPECT_EQ(bind(listener_, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0) << path;
        EXPECT_EQ(listen(listener_, 4), 0);
        path_ = path;
        thread_ = std::thread([this, script = std::move(script)] {
            pollfd p = {listener_, POLLIN, 0};
            if (poll(&p, 1, 5000) != 1) return;
            int fd = accept(listener_, nullptr, nullptr);
            if (fd < 0) return;
            script(fd);
            close(fd);
        });
    }
    ~FakeDaemon() {
        thread_.join();
        close(listener_);
        unlink(path_.c_str());
    }

private:
    int listener_ = -1;
    std::string path_;
    std::thread thread_;
};

// The usual opening: read the hello and acknowledge it.
inline void acceptHello(int fd, const char *expectedName = "wsvc") {
    PeerMessage hello;
    ASSERT_TRUE(readPeerMessage(fd, &hello));
    EXPECT_EQ(hello.type, uint32_t(WSVD_MSG_HELLO));
    EXPECT_EQ(hello.text, expectedName);
    writeFrame(fd, encodeAck());
}
