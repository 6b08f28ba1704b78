// The request library: the request record that follows one SOAP request from its
// first fragment to its final reply, the lists that hold records, and piece lists
// (request and reply text cut into pieces that each fit in one link message).
#pragma once
#include <pthread.h>
#include <semaphore.h>
#include <cstdint>

struct bmPacket_t;
struct buffer_t;

// One answer that a worker awaits from another process (the configuration manager, the
// CLI, AAA): the worker sends and waits; the dispatcher thread delivers the answer.
// Answers are delivered only while a worker waits, so one that comes after its wait
// gave up is dropped: it can neither end a later wait early nor write into a record
// its worker has moved on from. Set up with wsvdAnswerInit.
struct wsvdAnswer_t {
    sem_t posted;
    pthread_mutex_t mutex;
    bool awaited;  // between the start of wsvdAnswerAwait and its end
};

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
    wsvdAnswer_t *answer;     // where the worker awaits answers for this request
    const char *readPos;      // next unread character of the request text
    wsvdBuf_t *currentPiece;  // piece holding readPos
    buffer_t *response;       // the worker's reply text buffer
    wsvdBuf_t *sending;       // reply piece carried by the message being built
    uint32_t replyOffset;     // reply bytes already sent
    bmPacket_t *replyPacket;  // the worker's packet for replies
    uint32_t clientKind;      // 1 web server, 2 CLI or local client
    uint32_t connectionKind;  // from the header: 1 HTTP, 2 HTTPS
    uint64_t queuedUs;        // clockNowUs() when intake handed it to the worker's queue

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

// ---- waiting for an answer
enum wsvdAwait_t { WSVD_ANSWERED, WSVD_NOT_SENT, WSVD_NO_ANSWER };

// 0, or -1 when the semaphore cannot be made.
int wsvdAnswerInit(wsvdAnswer_t *answer);
void wsvdAnswerDestroy(wsvdAnswer_t *answer);

// The one way to wait for an answer: takes back anything delivered before, calls
// send(arg) (true when the work was handed over; it may already deliver the answer),
// and waits until the answer is delivered or `guardSeconds` have passed on the process
// clock (platform/clock.h, which tests may replace). NOT_SENT without a wait when
// `send` fails or `answer` is null.
wsvdAwait_t wsvdAnswerAwait(wsvdAnswer_t *answer, unsigned guardSeconds, bool (*send)(void *arg),
                            void *arg);
// Dispatcher thread: when a worker awaits `answer`, calls fill(arg) (may be null) and,
// when `final`, ends the wait. False when no one waits: the answer is dropped.
bool wsvdAnswerDeliver(wsvdAnswer_t *answer, void (*fill)(void *arg), void *arg, bool final);

// The guard for a peer library that promises an answer within the seconds in the
// environment variable `variable` (or `librarySeconds` when it is not a number from 1
// to 86399): twice that, plus 5, so that only a broken library meets the guard.
unsigned wsvdAnswerGuardSeconds(const char *variable, unsigned librarySeconds);

// Cuts `length` bytes of text into pieces of at most WSVD_PIECE_SIZE bytes; an empty
// text gives one empty piece. nullptr when memory runs out.
wsvdBuflist_t *wsvdBufferToBuflist(const char *text, uint32_t length);
// Moves every piece of `from` to the end of `to` and frees `from`.
void wsvdBuflistAppend(wsvdBuflist_t *to, wsvdBuflist_t *from);
void wsvdBuflistFree(wsvdBuflist_t *list);
