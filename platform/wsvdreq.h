// The request library: the request record that follows one SOAP request from its
// first fragment to its final reply, the lists that hold records, and piece lists
// (request and reply text cut into pieces that each fit in one link message).
#pragma once
#include <pthread.h>
#include <semaphore.h>
#include <cstdint>

struct bmPacket_t;
struct buffer_t;

// One piece of text. `text` is NUL-terminated after `length` bytes.
struct wsvdBuf_t {
    char *text;
    uint32_t length;
    wsvdBuf_t *next;
};
struct wsvdBuflist_t {
    wsvdBuf_t *head;
    wsvdBuf_t *tail;
    uint32_t count;
    uint64_t bytes;  // total text bytes of all pieces
};

// The packet that carries one message of the request link, and the largest piece of
// text: one piece and the request record fit in one packet.
enum { WSVD_PACKET_SIZE = 8028, WSVD_PIECE_SIZE = 4096 };

// Text fields are NUL-terminated and hold at most 32 characters.
struct wsvdRequest {
    uint32_t seqnum;         // daemon: from gWsvdSeqnum; peer header: its own request id
    wsvdBuflist_t *pieces;   // request text
    char *replyData;         // data text of a cfgmgr reply (owned)
    char *replyMessage;      // message text of a cfgmgr reply or CLI answer (owned)
    uint32_t replyStatus;    // 1 success, 0 failure
    uint32_t peerRequestId;  // offset 0 of the peer's header
    uint32_t headerWord;     // carried unchanged
    char userName[33];
    char password[33];
    uint8_t clientAddress[16];
    char headerText[33];  // carried unchanged (32 bytes on the wire)
    uint32_t peerId;      // link peer the request came from
    pthread_t worker;
    sem_t *semaphore;         // posted when an awaited answer arrives
    const char *readPos;      // next unread character of the request text
    wsvdBuf_t *currentPiece;  // piece holding readPos
    buffer_t *response;       // the worker's reply text buffer
    wsvdBuf_t *sending;       // reply piece carried by the message being built
    uint32_t replyOffset;     // reply bytes already sent
    bmPacket_t *replyPacket;  // the worker's packet for replies
    uint32_t clientKind;      // 1 web server, 2 CLI or local client
    uint32_t connectionKind;  // from the header: 1 HTTP, 2 HTTPS

    // Owned by the request library (list membership).
    wsvdRequest *listNext;
    wsvdRequest *listPrev;
    struct wsvdRequestList_t *list;
};

struct wsvdRequestList_t {
    wsvdRequest *head;
    wsvdRequest *tail;
    uint32_t count;
};

// A zero-filled record, or nullptr.
wsvdRequest *wsvdRequestAlloc();
// Frees the record with its pieces and reply texts; it must be on no list.
void wsvdRequestFree(wsvdRequest *request);

void wsvdRequestEnque(wsvdRequestList_t *list, wsvdRequest *request);  // at the tail
wsvdRequest *wsvdRequestDeque(wsvdRequestList_t *list);                // from the head
int wsvdRequestRemove(wsvdRequestList_t *list, wsvdRequest *request);  // 0, -1 if not on it
wsvdRequest *wsvdRequestLookupBySrcId(wsvdRequestList_t *list, uint32_t peerId,
                                      uint32_t peerRequestId);
wsvdRequest *wsvdRequestLookupBySeqnum(wsvdRequestList_t *list, uint32_t seqnum);
uint32_t wsvdRequestCount(const wsvdRequestList_t *list);

// Cuts `length` bytes of text into pieces of at most WSVD_PIECE_SIZE bytes; an empty
// text gives one empty piece. nullptr when memory runs out.
wsvdBuflist_t *wsvdBufferToBuflist(const char *text, uint32_t length);
// Moves every piece of `from` to the end of `to` and frees `from`.
void wsvdBuflistAppend(wsvdBuflist_t *to, wsvdBuflist_t *from);
void wsvdBuflistFree(wsvdBuflist_t *list);
