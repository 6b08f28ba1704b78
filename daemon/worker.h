// The worker: one long-lived thread serves complete requests one after another, in
// the order their last fragment arrived, and sleeps while none waits. The serve step itself (the
// SOAP engine) is plugged in through wsvdServeOps.
#pragma once
#include <cstddef>

struct emsTrace_t;
struct wsvdRequest;

// How long requests waited for the worker: one plain entry per request it takes, the
// microseconds from intake queueing it to the worker taking it. Made at start-up
// ("wsvd_queue"); null: not kept.
extern emsTrace_t *gWsvdQueueTrace;

struct wsvdServeOps {
    void *(*threadInit)();  // once per worker thread (and serve step): a context or nullptr
    void (*serve)(void *context,
                  wsvdRequest *r);      // reads with wsvdRequestRead, writes with wsvdResponseWrite
    void (*requestEnd)(void *context);  // frees per-request temporaries
    void (*threadEnd)(void *context);   // frees the context
};

// Installs the serve step. Any member may be null; the default serves nothing, so every
// request gets an empty reply. The worker takes up a new serve step at its next request.
void wsvdSetServeOps(const wsvdServeOps *ops);

// Appends reply text. Once more than 4000 bytes would be held, the text buffered so far
// (even when empty) first goes to the peer as a non-final reply and to the trace file,
// and the buffer is emptied; a single write larger than that is buffered whole.
// Returns 0.
int wsvdResponseWrite(wsvdRequest *r, const char *data, size_t n);
// Reads the next bytes of the request text, walking its pieces; 0 at the end.
size_t wsvdRequestRead(wsvdRequest *r, char *buffer, size_t size);

// Queues `r` for the worker, starting its thread the first time. 0, or -1 when the
// thread cannot be created. Called under gWsvdMutex by intake when the worker is idle;
// intake then counts it as running, and the worker counts itself idle again once
// nothing waits.
int wsvdWorkerStartLocked(wsvdRequest *r);
// Wakes the worker for what wsvdWorkerStartLocked queued. Called once gWsvdMutex has
// been given up: a worker woken under it would only wake to wait for it.
void wsvdWorkerWake();
