#include "platform/wsvd_link.h"

#include <cstring>

#include "platform/wsvdreq.h"

namespace {

void putU32(uint8_t *out, uint32_t offset, uint32_t v) { memcpy(out + offset, &v, 4); }
uint32_t getU32(const uint8_t *in, uint32_t offset) {
    uint32_t v;
    memcpy(&v, in + offset, 4);
    return v;
}
// Copies at most `width` bytes of text; the wire field is NUL-padded.
void putText(uint8_t *out, uint32_t offset, const char *text, size_t width) {
    size_t n = strnlen(text, width);
    memcpy(out + offset, text, n);
}
void getText(const uint8_t *in, uint32_t offset, size_t width, char *dst) {
    size_t n = strnlen(reinterpret_cast<const char *>(in + offset), width);
    memcpy(dst, in + offset, n);
    dst[n] = 0;
}

}  // namespace

void wsvdHeaderPack(const wsvdRequest *r, uint8_t *out) {
    memset(out, 0, WSVD_HDR_SIZE);
    putU32(out, WSVD_HDR_SEQNUM, r->seqnum);
    putU32(out, WSVD_HDR_REPLY_STATUS, r->replyStatus);
    putU32(out, WSVD_HDR_PEER_REQUEST_ID, r->peerRequestId);
    putU32(out, WSVD_HDR_WORD, r->headerWord);
    putText(out, WSVD_HDR_USER, r->userName, 32);
    putText(out, WSVD_HDR_PASSWORD, r->password, 32);
    memcpy(out + WSVD_HDR_ADDRESS, r->clientAddress, 16);
    putText(out, WSVD_HDR_TEXT, r->headerText, 32);
    putU32(out, WSVD_HDR_PEER_ID, r->peerId);
    putU32(out, WSVD_HDR_REPLY_OFFSET, r->replyOffset);
    putU32(out, WSVD_HDR_CLIENT_KIND, r->clientKind);
    putU32(out, WSVD_HDR_CONNECTION_KIND, r->connectionKind);
}

void wsvdHeaderUnpack(const uint8_t *in, wsvdRequest *r) {
    r->seqnum = getU32(in, WSVD_HDR_SEQNUM);
    r->replyStatus = getU32(in, WSVD_HDR_REPLY_STATUS);
    r->peerRequestId = getU32(in, WSVD_HDR_PEER_REQUEST_ID);
    r->headerWord = getU32(in, WSVD_HDR_WORD);
    getText(in, WSVD_HDR_USER, 32, r->userName);
    getText(in, WSVD_HDR_PASSWORD, 32, r->password);
    memcpy(r->clientAddress, in + WSVD_HDR_ADDRESS, 16);
    getText(in, WSVD_HDR_TEXT, 32, r->headerText);
    r->peerId = getU32(in, WSVD_HDR_PEER_ID);
    r->replyOffset = getU32(in, WSVD_HDR_REPLY_OFFSET);
    r->clientKind = getU32(in, WSVD_HDR_CLIENT_KIND);
    r->connectionKind = getU32(in, WSVD_HDR_CONNECTION_KIND);
}
