#include "platform/wsvdreq.h"

#include <algorithm>
#include <cstdlib>
#include <cstring>

wsvdRequest *wsvdRequestAlloc() {
    return static_cast<wsvdRequest *>(calloc(1, sizeof(wsvdRequest)));
}

void wsvdRequestFree(wsvdRequest *request) {
    if (!request) return;
    // A record still on a list would leave a dangling link behind; take it off first.
    if (request->list) wsvdRequestRemove(request->list, request);
    wsvdBuflistFree(request->pieces);
    free(request->replyData);
    free(request->replyMessage);
    free(request);
}

int wsvdRequestRemove(wsvdRequestList_t *list, wsvdRequest *request) {
    if (!list || !request || request->list != list) return -1;
    if (request->listPrev)
        request->listPrev->listNext = request->listNext;
    else
        list->head = request->listNext;
    if (request->listNext)
        request->listNext->listPrev = request->listPrev;
    else
        list->tail = request->listPrev;
    request->listNext = request->listPrev = nullptr;
    request->list = nullptr;
    list->count--;
    return 0;
}

void wsvdRequestEnque(wsvdRequestList_t *list, wsvdRequest *request) {
    if (!list || !request) return;
    if (request->list) wsvdRequestRemove(request->list, request);  // one list at a time
    request->listPrev = list->tail;
    request->listNext = nullptr;
    if (list->tail)
        list->tail->listNext = request;
    else
        list->head = request;
    list->tail = request;
    request->list = list;
    list->count++;
}

wsvdRequest *wsvdRequestDeque(wsvdRequestList_t *list) {
    if (!list || !list->head) return nullptr;
    wsvdRequest *request = list->head;
    wsvdRequestRemove(list, request);
    return request;
}

wsvdRequest *wsvdRequestLookupBySrcId(wsvdRequestList_t *list, uint32_t peerId,
                                      uint32_t peerRequestId) {
    if (!list) return nullptr;
    for (wsvdRequest *r = list->head; r; r = r->listNext)
        if (r->peerId == peerId && r->peerRequestId == peerRequestId) return r;
    return nullptr;
}

wsvdRequest *wsvdRequestLookupBySeqnum(wsvdRequestList_t *list, uint32_t seqnum) {
    if (!list) return nullptr;
    for (wsvdRequest *r = list->head; r; r = r->listNext)
        if (r->seqnum == seqnum) return r;
    return nullptr;
}

uint32_t wsvdRequestCount(const wsvdRequestList_t *list) {
    return list ? list->count : 0;
}

namespace {

wsvdBuf_t *newPiece(const char *text, uint32_t length) {
    auto *piece = static_cast<wsvdBuf_t *>(calloc(1, sizeof(wsvdBuf_t)));
    if (!piece) return nullptr;
    piece->text = static_cast<char *>(malloc(length + 1));
    if (!piece->text) {
        free(piece);
        return nullptr;
    }
    if (length) memcpy(piece->text, text, length);
    piece->text[length] = 0;
    piece->length = length;
    return piece;
}

void push(wsvdBuflist_t *list, wsvdBuf_t *piece) {
    if (list->tail)
        list->tail->next = piece;
    else
        list->head = piece;
    list->tail = piece;
    list->count++;
    list->bytes += piece->length;
}

}  // namespace

wsvdBuflist_t *wsvdBufferToBuflist(const char *text, uint32_t length) {
    if (!text && length) return nullptr;
    auto *list = static_cast<wsvdBuflist_t *>(calloc(1, sizeof(wsvdBuflist_t)));
    if (!list) return nullptr;
    uint32_t offset = 0;
    do {
        uint32_t n = std::min<uint32_t>(length - offset, WSVD_PIECE_SIZE);
        wsvdBuf_t *piece = newPiece(text ? text + offset : "", n);
        if (!piece) {
            wsvdBuflistFree(list);
            return nullptr;
        }
        push(list, piece);
        offset += n;
    } while (offset < length);
    return list;
}

void wsvdBuflistAppend(wsvdBuflist_t *to, wsvdBuflist_t *from) {
    if (!from) return;
    if (!to) {  // nowhere to put them: the pieces were handed over, so they go
        wsvdBuflistFree(from);
        return;
    }
    if (from->head) {
        if (to->tail)
            to->tail->next = from->head;
        else
            to->head = from->head;
        to->tail = from->tail;
        to->count += from->count;
        to->bytes += from->bytes;
    }
    free(from);
}

void wsvdBuflistFree(wsvdBuflist_t *list) {
    if (!list) return;
    for (wsvdBuf_t *p = list->head; p;) {
        wsvdBuf_t *next = p->next;
        free(p->text);
        free(p);
        p = next;
    }
    free(list);
}
