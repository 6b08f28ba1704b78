#include "platform/wsvc_client.h"

#include <poll.h>
#include <unistd.h>

#include <cerrno>
#include <chrono>
#include <cstring>
#include <deque>
#include <vector>

#include "platform/ds.h"
#include "platform/ipml.h"
#include "platform/tlv.h"
#include "platform/wsvd_link.h"

struct wsvcConn_t {
    int fd = -1;
    uint32_t fragmentSize = WSVC_DEFAULT_FRAGMENT;
    std::string error;
    std::deque<wsvcMessage_t> cliRequests;  // type 11 messages seen while reading a reply
    std::vector<uint8_t> frame = std::vector<uint8_t>(IPML_MAX_FRAME);
};

namespace {

int fail(wsvcConn_t *conn, std::string why) {
    conn->error = std::move(why);
    return -1;
}

// Socket waits are bounded in real time, not on the process clock: a test that drives
// that clock by hand would otherwise never see them expire. A negative timeout counts
// as zero, so no wait here is ever unbounded.
using Deadline = std::chrono::steady_clock::time_point;
Deadline deadlineAfter(int timeoutMs) {
    return std::chrono::steady_clock::now() +
           std::chrono::milliseconds(timeoutMs > 0 ? timeoutMs : 0);
}
int msLeft(Deadline deadline) {
    auto left = deadline - std::chrono::steady_clock::now();
    auto ms = std::chrono::ceil<std::chrono::milliseconds>(left).count();
    return ms > 0 ? int(ms) : 0;
}

void copyField(char *dst, const std::string &src) {
    size_t n = src.size() < 32 ? src.size() : 32;
    memcpy(dst, src.data(), n);
    dst[n] = 0;
}

int sendEncoded(wsvcConn_t *conn, tlv_t *t) {
    if (ipmlWriteFrame(conn->fd, t->buf, tlvLength(t)) != 0)
        return fail(conn, "cannot send to wsvd: " + std::string(strerror(errno)));
    return 0;
}

// Decodes one frame into msg; the frame's bytes must outlive nothing (all is copied).
int decode(wsvcConn_t *conn, uint8_t *bytes, uint32_t length, wsvcMessage_t *msg) {
    tlv_t t;
    tlvInit(&t, bytes, length);
    uint32_t type = 0;
    if (tlvDecode(&t, WSVD_TAG_TYPE, TLV_DEC_U32, &type, TLV_DEC_END) != 0)
        return fail(conn, "undecodable message from wsvd (no type)");
    *msg = wsvcMessage_t{};
    msg->type = type;
    if (type >= WSVD_MSG_REPLY && type <= WSVD_MSG_REPLY_LAST) {
        const void *header = nullptr, *piece = nullptr;
        uint32_t headerLength = 0, pieceLength = 0;
        if (tlvDecode(&t, WSVD_TAG_HEADER, TLV_DEC_BLOCK, &header, &headerLength, WSVD_TAG_PIECE,
                      TLV_DEC_BLOCK, &piece, &pieceLength, TLV_DEC_END) != 0 ||
            headerLength != WSVD_HDR_SIZE)
            return fail(conn,
                        "undecodable reply message from wsvd (type " + std::to_string(type) + ")");
        wsvdHeaderUnpack(static_cast<const uint8_t *>(header), &msg->record);
        const char *text = static_cast<const char *>(piece);
        // A piece may travel with its terminating NUL; the text is what precedes it.
        if (pieceLength > 0 && text[pieceLength - 1] == 0) pieceLength--;
        msg->text.assign(text, pieceLength);
    } else if (type == WSVD_MSG_CLI_REQUEST) {
        const char *text = nullptr;
        uint32_t seqnum = 0;
        if (tlvDecode(&t, WSVD_TAG_CLI_TEXT, TLV_DEC_STRING, &text, nullptr, WSVD_TAG_SEQNUM,
                      TLV_DEC_U32, &seqnum, TLV_DEC_END) != 0)
            return fail(conn, "undecodable CLI request from wsvd");
        msg->text = text;
        msg->seqnum = seqnum;
    }
    return 0;
}

}  // namespace

wsvcConn_t *wsvcConnect(const char *peerName, int linkNumber, int timeoutMs, std::string *error) {
    Deadline deadline = deadlineAfter(timeoutMs);
    auto refuse = [&](std::string why) -> wsvcConn_t * {
        if (error) *error = "cannot reach wsvd: " + why;
        return nullptr;
    };
    if (!peerName || strlen(peerName) > 32) return refuse("bad peer name");
    if (linkNumber < 0) {
        linkNumber = dsLookup("wsvd", msLeft(deadline));
        if (linkNumber < 0) return refuse("not registered with the directory service");
    }
    if (linkNumber > 65535) return refuse("bad link number " + std::to_string(linkNumber));
    int fd = ipmlConnect(uint16_t(linkNumber));
    if (fd < 0)
        return refuse("cannot connect to link " + std::to_string(linkNumber) + ": " +
                      strerror(errno));
    auto *conn = new wsvcConn_t;
    conn->fd = fd;

    uint8_t buf[64];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    wsvcMessage_t ack;
    if (tlvEncode(&t, WSVD_TAG_TYPE, TLV_ENC_U32, uint32_t(WSVD_MSG_HELLO), WSVD_TAG_NAME,
                  TLV_ENC_STRING, peerName, TLV_ENC_END) != 0 ||
        sendEncoded(conn, &t) != 0) {
        wsvcClose(conn);
        return refuse("cannot send hello");
    }
    for (;;) {
        if (wsvcReadMessage(conn, &ack, msLeft(deadline)) != 0) {
            std::string why = "no acknowledgement of hello (" + conn->error + ")";
            wsvcClose(conn);
            return refuse(why);
        }
        if (ack.type == WSVD_MSG_HELLO_ACK) return conn;
    }
}

void wsvcClose(wsvcConn_t *conn) {
    if (!conn) return;
    if (conn->fd >= 0) close(conn->fd);
    delete conn;
}

const char *wsvcError(const wsvcConn_t *conn) {
    return conn ? conn->error.c_str() : "no connection";
}
int wsvcFd(const wsvcConn_t *conn) {
    return conn ? conn->fd : -1;
}

void wsvcSetFragmentSize(wsvcConn_t *conn, uint32_t bytes) {
    const uint32_t largest = uint32_t(IPML_MAX_FRAME) - uint32_t(WSVC_MSG_OVERHEAD);
    conn->fragmentSize = bytes < 1 ? 1 : bytes > largest ? largest : bytes;
}

int wsvcSendRequest(wsvcConn_t *conn, const wsvcRequest_t &request) {
    if (request.text.find('\0') != std::string_view::npos)
        return fail(conn, "request text contains a NUL byte");
    wsvdRequest header{};
    header.seqnum = request.requestId;
    header.headerWord = request.headerWord;
    copyField(header.userName, request.userName);
    copyField(header.password, request.password);
    copyField(header.headerText, request.headerText);
    memcpy(header.clientAddress, request.clientAddress, sizeof header.clientAddress);
    header.connectionKind = request.connectionKind;
    uint8_t wire[WSVD_HDR_SIZE];
    wsvdHeaderPack(&header, wire);

    const std::string_view text = request.text;
    const size_t step = conn->fragmentSize;
    std::vector<uint8_t> out(WSVC_MSG_OVERHEAD + step);
    std::string fragment;
    size_t at = 0;
    do {
        size_t n = text.size() - at < step ? text.size() - at : step;
        bool first = at == 0, last = at + n == text.size();
        uint32_t type = first && last ? WSVD_MSG_REQUEST
                        : first       ? WSVD_MSG_REQUEST_FIRST
                        : last        ? WSVD_MSG_REQUEST_LAST
                                      : WSVD_MSG_REQUEST_MORE;
        fragment.assign(text.substr(at, n));
        tlv_t t;
        tlvInit(&t, out.data(), uint32_t(out.size()));
        if (tlvEncode(&t, WSVD_TAG_TYPE, TLV_ENC_U32, type, WSVD_TAG_HEADER, TLV_ENC_BLOCK,
                      static_cast<const void *>(wire), uint32_t(WSVD_HDR_SIZE), WSVD_TAG_TEXT,
                      TLV_ENC_STRING, fragment.c_str(), TLV_ENC_END) != 0)
            return fail(conn, "cannot encode request fragment");
        if (sendEncoded(conn, &t) != 0) return -1;
        at += n;
    } while (at < text.size());
    return 0;
}

int wsvcReadMessage(wsvcConn_t *conn, wsvcMessage_t *msg, int timeoutMs) {
    Deadline deadline = deadlineAfter(timeoutMs);
    struct pollfd p = {conn->fd, POLLIN, 0};
    int ready;
    do {
        ready = poll(&p, 1, msLeft(deadline));
    } while (ready < 0 && errno == EINTR);
    if (ready < 0) return fail(conn, "cannot wait for wsvd: " + std::string(strerror(errno)));
    if (ready == 0) return fail(conn, "timed out waiting for wsvd");
    // Once the first bytes are there the rest of the frame follows at once, unless the
    // daemon died half-way; a short bound then keeps us from hanging on it.
    int wait = msLeft(deadline);
    int n = ipmlReadFrame(conn->fd, conn->frame.data(), uint32_t(conn->frame.size()),
                          wait < 1000 ? 1000 : wait);
    if (n == 0) return fail(conn, "wsvd closed the connection");
    if (n < 0) return fail(conn, "bad or truncated message from wsvd");
    return decode(conn, conn->frame.data(), uint32_t(n), msg);
}

int wsvcReadReply(wsvcConn_t *conn, std::string *text, uint32_t *requestId, int timeoutMs) {
    Deadline deadline = deadlineAfter(timeoutMs);
    text->clear();
    bool started = false;
    uint32_t id = 0;
    wsvcMessage_t msg;
    for (;;) {
        if (wsvcReadMessage(conn, &msg, msLeft(deadline)) != 0) return -1;
        if (msg.type == WSVD_MSG_CLI_REQUEST) {
            conn->cliRequests.push_back(std::move(msg));
            continue;
        }
        if (msg.type < WSVD_MSG_REPLY || msg.type > WSVD_MSG_REPLY_LAST) continue;
        // The daemon flushes its held text before a large write even when nothing is
        // held, so a reply may open with an empty type 8 followed by another 7 or 8.
        bool opens = msg.type == WSVD_MSG_REPLY || msg.type == WSVD_MSG_REPLY_FIRST;
        if (opens && started && !text->empty())
            return fail(conn,
                        "reply message of type " + std::to_string(msg.type) + " inside a reply");
        if (!opens && !started)
            return fail(conn, "reply message of type " + std::to_string(msg.type) +
                                  " without a first fragment");
        if (started && msg.record.peerRequestId != id)
            return fail(conn, "reply fragments of requests " + std::to_string(id) + " and " +
                                  std::to_string(msg.record.peerRequestId) + " interleaved");
        if (msg.record.replyOffset != text->size())
            return fail(conn, "reply fragment at offset " + std::to_string(msg.record.replyOffset) +
                                  ", expected " + std::to_string(text->size()));
        started = true;
        id = msg.record.peerRequestId;
        text->append(msg.text);
        if (msg.type == WSVD_MSG_REPLY || msg.type == WSVD_MSG_REPLY_LAST) break;
    }
    if (requestId) *requestId = id;
    return 0;
}

int wsvcRoundTrip(wsvcConn_t *conn, const wsvcRequest_t &request, std::string *reply,
                  int timeoutMs) {
    uint32_t id = 0;
    if (wsvcSendRequest(conn, request) != 0) return -1;
    if (wsvcReadReply(conn, reply, &id, timeoutMs) != 0) return -1;
    if (id != request.requestId)
        return fail(conn, "reply to request " + std::to_string(id) + " instead of " +
                              std::to_string(request.requestId));
    return 0;
}

int wsvcWaitCliRequest(wsvcConn_t *conn, std::string *text, uint32_t *seqnum, int timeoutMs) {
    Deadline deadline = deadlineAfter(timeoutMs);
    while (conn->cliRequests.empty()) {
        wsvcMessage_t msg;
        if (wsvcReadMessage(conn, &msg, msLeft(deadline)) != 0) return -1;
        if (msg.type == WSVD_MSG_CLI_REQUEST) conn->cliRequests.push_back(std::move(msg));
    }
    *text = std::move(conn->cliRequests.front().text);
    *seqnum = conn->cliRequests.front().seqnum;
    conn->cliRequests.pop_front();
    return 0;
}

int wsvcSendCliAnswer(wsvcConn_t *conn, uint32_t seqnum, uint32_t status, std::string_view text) {
    if (text.find('\0') != std::string_view::npos)
        return fail(conn, "answer text contains a NUL byte");
    std::string copy(text);
    std::vector<uint8_t> out(copy.size() + 64);
    tlv_t t;
    tlvInit(&t, out.data(), uint32_t(out.size()));
    if (tlvEncode(&t, WSVD_TAG_TYPE, TLV_ENC_U32, uint32_t(WSVD_MSG_CLI_ANSWER), WSVD_TAG_SEQNUM,
                  TLV_ENC_U32, seqnum, WSVD_TAG_STATUS, TLV_ENC_U32, status, WSVD_TAG_CLI_REPLY,
                  TLV_ENC_STRING, copy.c_str(), TLV_ENC_END) != 0)
        return fail(conn, "cannot encode CLI answer");
    return sendEncoded(conn, &t);
}
