#include "platform/wsvdreq.h"

#include <algorithm>
#include <cerrno>
#include <cstdlib>
#include <cstring>
#include <ctime>

#include "platform/clock.h"

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

// ---- waiting for an answer

namespace {

// The guard runs on the process clock, which a test may replace: the wait looks at it
// at least this often, so moving a test clock past the guard ends the wait promptly.
constexpr uint64_t kGuardCheckUs = 50000;

struct AnswerLock {
    explicit AnswerLock(wsvdAnswer_t *a) : answer(a) { pthread_mutex_lock(&answer->mutex); }
    ~AnswerLock() { pthread_mutex_unlock(&answer->mutex); }
    wsvdAnswer_t *answer;
};

// Takes back posts that no wait consumed.
void drainLocked(wsvdAnswer_t *answer) {
    while (sem_trywait(&answer->posted) == 0) {
    }
}

bool waitForPost(sem_t *posted, uint64_t deadlineUs) {
    for (;;) {
        uint64_t now = clockNowUs();
        if (now >= deadlineUs) return false;
        uint64_t slice = std::min(deadlineUs - now, kGuardCheckUs);
        timespec until;
        clock_gettime(CLOCK_MONOTONIC, &until);
        until.tv_sec += time_t(slice / 1000000);
        until.tv_nsec += long(slice % 1000000) * 1000;
        if (until.tv_nsec >= 1000000000) {
            until.tv_sec++;
            until.tv_nsec -= 1000000000;
        }
        if (sem_clockwait(posted, CLOCK_MONOTONIC, &until) == 0) return true;
        if (errno != ETIMEDOUT && errno != EINTR) return false;
    }
}

}  // namespace

int wsvdAnswerInit(wsvdAnswer_t *answer) {
    if (sem_init(&answer->posted, 0, 0) != 0) return -1;
    pthread_mutex_init(&answer->mutex, nullptr);
    answer->awaited = false;
    return 0;
}

void wsvdAnswerDestroy(wsvdAnswer_t *answer) {
    sem_destroy(&answer->posted);
    pthread_mutex_destroy(&answer->mutex);
}

wsvdAwait_t wsvdAnswerAwait(wsvdAnswer_t *answer, unsigned guardSeconds, bool (*send)(void *),
                            void *arg) {
    if (!answer) return WSVD_NOT_SENT;
    uint64_t deadlineUs = clockNowUs() + uint64_t(guardSeconds) * 1000000u;
    {
        AnswerLock lock(answer);
        drainLocked(answer);
        answer->awaited = true;
    }
    bool sent = send(arg);
    bool answered = sent && waitForPost(&answer->posted, deadlineUs);
    AnswerLock lock(answer);
    // An answer delivered between the guard and this lock still counts.
    if (sent && !answered) answered = sem_trywait(&answer->posted) == 0;
    answer->awaited = false;
    if (!sent) return WSVD_NOT_SENT;
    return answered ? WSVD_ANSWERED : WSVD_NO_ANSWER;
}

bool wsvdAnswerDeliver(wsvdAnswer_t *answer, void (*fill)(void *), void *arg, bool final) {
    if (!answer) return false;
    AnswerLock lock(answer);
    if (!answer->awaited) return false;
    if (fill) fill(arg);
    if (final) {
        answer->awaited = false;
        sem_post(&answer->posted);
    }
    return true;
}

unsigned wsvdAnswerGuardSeconds(const char *variable, unsigned librarySeconds) {
    unsigned seconds = librarySeconds;
    if (const char *text = variable ? getenv(variable) : nullptr) {
        char *end = nullptr;
        unsigned long value = strtoul(text, &end, 10);
        if (end != text && *end == 0 && value > 0 && value < 86400) seconds = unsigned(value);
    }
    return 2 * seconds + 5;
}
