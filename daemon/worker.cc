#include "daemon/worker.h"

#include <fcntl.h>
#include <pthread.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdio>
#include <algorithm>
#include <cstdlib>
#include <cstring>
#include <string>

#include "base/counters.h"
#include "base/log.h"
#include "cfgmgmt/cmBackend/src/buffer.h"
#include "daemon/intake.h"
#include "daemon/intake_internal.h"
#include "daemon/trace_file.h"
#include "platform/bm.h"
#include "platform/clock.h"
#include "platform/ems.h"
#include "platform/wsvd_link.h"
#include "platform/wsvdreq.h"
#include "session/session_auth.h"

emsTrace_t *gWsvdQueueTrace = nullptr;

namespace {

void traceQueueWait(const wsvdRequest *r) {
    if (!gWsvdQueueTrace) return;
    uint64_t now = clockNowUs();
    char line[24];
    int n = snprintf(line, sizeof line, "%llu\n",
                     static_cast<unsigned long long>(now > r->queuedUs ? now - r->queuedUs : 0));
    emsTraceLog(gWsvdQueueTrace, 1, line, static_cast<uint32_t>(n));
}

// Guarded by gWsvdMutex.
wsvdServeOps gServeOps = {nullptr, nullptr, nullptr, nullptr};
uint64_t gServeOpsGeneration = 1;
bool gWorkerStarted = false;
pthread_cond_t gWork = PTHREAD_COND_INITIALIZER;  // a request was handed over
// The request given to the idle worker. Not on the waiting list, so that the list
// holds only requests that wait behind one being served, as when a thread was started
// per request.
wsvdRequest *gHandedOver = nullptr;

// Reply text held before it is streamed to the peer.
enum { RESPONSE_FLUSH_BYTES = 4000 };

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Test hook: a request whose first line is "<exec> [file]" is replaced by the contents
// of that file ("xmlTest.xml" by default), so that stored requests can be replayed
// through the real path. A relative name is looked up in KARN_CONFIG_LOCATION when that
// is set, else in the working directory; messages name the file as given. Returns the
// new text (caller frees) or nullptr to keep the request text.
char *execHookText(const char *text) {
    if (!strstr(text, "<exec>")) return nullptr;
    enum { MAX_WORDS = 10, WORD_CHARS = 29, NAME_CHARS = 99 };
    char words[MAX_WORDS][WORD_CHARS + 1];
    int count = 0;
    const char *p = text;
    while (*p && *p != '\n' && count < MAX_WORDS) {
        while (*p == ' ' || *p == '\t') p++;
        if (!*p || *p == '\n') break;
        size_t n = 0;
        while (*p && *p != '\n' && *p != ' ' && *p != '\t') {
            if (n < WORD_CHARS) words[count][n++] = *p;
            p++;
        }
        words[count][n] = 0;
        count++;
    }
    if (count == 0 || strcmp(words[0], "<exec>") != 0) return nullptr;

    char name[NAME_CHARS + 1];
    strlcpy(name, count > 1 ? words[1] : "xmlTest.xml", sizeof name);
    printf("Reading from file : %s\n", name);
    std::string path = name;
    const char *config = getenv("KARN_CONFIG_LOCATION");
    if (config && config[0] && name[0] != '/') path = std::string(config) + "/" + name;

    int fd = open(path.c_str(), O_RDONLY);
    if (fd < 0) {
        printf("Could not open file : %s, Line No: %d\n", name, 1686);
        fflush(stdout);
        // The process ends from the worker thread while the dispatcher thread still
        // runs: _exit, so that no global is destroyed under its feet.
        _exit(1);
    }
    char *contents = nullptr;
    struct stat st;
    if (fstat(fd, &st) == 0 && st.st_size >= 0 && st.st_size < WSVD_MAX_REQUEST_BYTES) {
        size_t size = static_cast<size_t>(st.st_size);
        contents = static_cast<char *>(malloc(size + 1));
        if (contents) {
            ssize_t got = read(fd, contents, size);
            if (got < 0) {
                printf("Return from freed was negative %d\n", static_cast<int>(got));
                free(contents);
                contents = nullptr;
            } else {
                contents[got] = 0;
            }
        }
    }
    close(fd);
    return contents;
}

struct WorkerThread {
    wsvdAnswer_t answer;
    bool haveAnswer;
    void *context;
    buffer_t *response;
    bmPacket_t *replyPacket;
};

// A request that names a session (its first "<sessionId>", in the first piece of the
// text as received) runs with that session's user name and password; empty ones when
// no session has the id.
void lendSessionCredentials(wsvdRequest *r) {
    const char *first =
        (r->pieces && r->pieces->head && r->pieces->head->text) ? r->pieces->head->text : "";
    const char *open = strstr(first, "<sessionId>");
    const char *close = strstr(first, "</sessionId>");
    if (!open || !close) {
        wsvdSessionLend(nullptr, r->userName, r->password, r->clientAddress);
        return;
    }
    open += strlen("<sessionId>");
    char id[18] = "";
    if (close > open) {
        size_t n = std::min<size_t>(size_t(close - open), 17);
        memcpy(id, open, n);
        id[n] = 0;
    }
    wsvdSessionLend(id, r->userName, r->password, r->clientAddress);
}

void serveOne(WorkerThread *w, const wsvdServeOps &ops, wsvdRequest *r) {
    r->worker = pthread_self();
    const char *text =
        (r->pieces && r->pieces->head && r->pieces->head->text) ? r->pieces->head->text : "";
    while (isBlank(*text)) text++;
    char *execText = execHookText(text);
    if (execText) text = execText;

    pthread_mutex_lock(&gWsvdMutex);
    wsvdClient *client = wsvdClientAcquireLocked(r->peerId);
    if (!client) {
        // The peer left while the request waited: nobody to answer.
        pthread_mutex_unlock(&gWsvdMutex);
        free(execText);
        return;
    }
    wsvdRequestEnque(&gWsvdActive, r);
    pthread_mutex_unlock(&gWsvdMutex);
    bufferReset(w->response);

    lendSessionCredentials(r);

    r->readPos = text;
    r->currentPiece = r->pieces ? r->pieces->head : nullptr;
    r->response = w->response;
    r->replyPacket = w->replyPacket;
    r->answer = w->haveAnswer ? &w->answer : nullptr;

    wsvdCounterIncrement(WSVD_CNT_SCHEMA_ERRORS);
    int traceNumber = static_cast<int>(wsvdCounterIncrement(WSVD_CNT_REQUESTS));
    wsvdTraceRequestBegin();
    wsvdTraceWrite("[BEGIN:%d->", traceNumber);
    wsvdTraceWrite("%s\n", text);

    if (ops.serve) ops.serve(w->context, r);

    const char *reply = w->response->data ? w->response->data : "";
    wsvdTraceWrite("%s<-%d:END]\n", reply, traceNumber);
    wsvdSendReply(r, reply, 1);

    r->readPos = nullptr;  // may point into the exec text
    free(execText);
    pthread_mutex_lock(&gWsvdMutex);
    wsvdRequestRemove(&gWsvdActive, r);
    wsvdClientReleaseLocked(client);
    pthread_mutex_unlock(&gWsvdMutex);
}

// The worker thread's own state: made once, and again only when the serve step changes.
struct ServeState {
    wsvdServeOps ops;
    uint64_t opsGeneration;
};

void *wsvdWorker(void *) {
    WorkerThread w;
    memset(&w, 0, sizeof w);
    w.haveAnswer = wsvdAnswerInit(&w.answer) == 0;
    w.response = bufferAlloc(512);
    w.replyPacket = bmAllocPacket(WSVD_PACKET_SIZE, 32, 1);
    bool ready = w.response && w.replyPacket;
    if (!ready) WSVD_LOG("wsvd: worker out of memory; requests are dropped");

    ServeState state{{nullptr, nullptr, nullptr, nullptr}, 0};
    pthread_mutex_lock(&gWsvdMutex);
    for (;;) {
        wsvdRequest *r = gHandedOver ? gHandedOver : wsvdRequestDeque(&gWsvdWaiting);
        gHandedOver = nullptr;
        if (!r) {
            // Idle: the count reads 0 until intake hands over the next request.
            gWsvdRunningWorkers = 0;
            pthread_cond_wait(&gWork, &gWsvdMutex);
            continue;
        }
        bool opsChanged = state.opsGeneration != gServeOpsGeneration;
        wsvdServeOps previous = state.ops;
        state.ops = gServeOps;
        state.opsGeneration = gServeOpsGeneration;
        pthread_mutex_unlock(&gWsvdMutex);

        traceQueueWait(r);
        if (opsChanged) {
            if (previous.threadEnd) previous.threadEnd(w.context);
            w.context = state.ops.threadInit ? state.ops.threadInit() : nullptr;
        }
        if (ready) serveOne(&w, state.ops, r);
        if (state.ops.requestEnd) state.ops.requestEnd(w.context);

        pthread_mutex_lock(&gWsvdMutex);
        wsvdRequestFree(r);
    }
    return nullptr;
}

}  // namespace

void wsvdSetServeOps(const wsvdServeOps *ops) {
    pthread_mutex_lock(&gWsvdMutex);
    gServeOps = ops ? *ops : wsvdServeOps{nullptr, nullptr, nullptr, nullptr};
    gServeOpsGeneration++;
    pthread_mutex_unlock(&gWsvdMutex);
}

int wsvdWorkerStartLocked(wsvdRequest *r) {
    if (!gWorkerStarted) {
        // One thread for the life of the process: a thread per request cost a clone,
        // a fresh stack and a scheduling delay on every request.
        pthread_attr_t attr;
        if (pthread_attr_init(&attr) != 0) return -1;
        pthread_attr_setdetachstate(&attr, PTHREAD_CREATE_DETACHED);
        pthread_t tid;
        int rc = pthread_create(&tid, &attr, wsvdWorker, nullptr);
        pthread_attr_destroy(&attr);
        if (rc != 0) return -1;
        gWorkerStarted = true;
    }
    if (gHandedOver)
        wsvdRequestEnque(&gWsvdWaiting, r);  // intake was reset under a busy worker
    else
        gHandedOver = r;
    return 0;
}

void wsvdWorkerWake() {
    pthread_cond_signal(&gWork);
}

int wsvdResponseWrite(wsvdRequest *r, const char *data, size_t n) {
    buffer_t *b = r->response;
    if (!b) return 0;
    if (b->length + n > RESPONSE_FLUSH_BYTES) {
        const char *held = b->data ? b->data : "";
        wsvdSendReply(r, held, 0);
        wsvdTraceWrite("%s", held);
        bufferReset(b);
    }
    // The buffer takes an int count; a write that large is cut into slices.
    while (n > 0) {
        int slice = n > (1u << 30) ? (1 << 30) : static_cast<int>(n);
        if (bufferPutn(b, data, slice) < 0) break;
        data += slice;
        n -= static_cast<size_t>(slice);
    }
    return 0;
}

size_t wsvdRequestRead(wsvdRequest *r, char *buffer, size_t size) {
    if (size == 0) return 0;
    // Empty pieces (an empty middle fragment) are stepped over rather than taken as the end.
    while (!r->readPos || *r->readPos == 0) {
        r->readPos = nullptr;
        r->currentPiece = r->currentPiece ? r->currentPiece->next : nullptr;
        if (!r->currentPiece || !r->currentPiece->text) return 0;
        r->readPos = r->currentPiece->text;
    }
    size_t n = strnlen(r->readPos, size);
    memcpy(buffer, r->readPos, n);
    r->readPos += n;
    if (*r->readPos == 0) r->readPos = nullptr;
    return n;
}
