// The dispatcher: one event loop per process, run on the thread that calls
// dispatchHandler. Every callback registered here (fd readiness, link messages,
// work items, posted work) runs on that thread, one at a time. Other threads hand
// work to it only through dispatchPost.
#pragma once
#include <pthread.h>
#include <sys/types.h>
#include <cstdint>

struct ipmlLink_t;

// The record a process passes to dispatchInit for its main thread.
struct dispatchThread_t {
    pthread_t tid;
    int priority;
    pid_t pid;
    char name[33];
};

int dispatchInit(const char *processName, int flags, int threadCount, dispatchThread_t *mainThread,
                 int mode);

// Runs the loop until dispatchStop; returns the status given to dispatchStop.
int dispatchHandler();
// Makes dispatchHandler return `status` (callable from any thread).
void dispatchStop(int status);

// Runs ready callbacks and due work items once, waiting at most timeoutMs (0: no wait).
// Returns the number of callbacks run. For tests and for loops of our own.
int dispatchRunOnce(int timeoutMs);

// ---- link servers: messages arriving on a message link are delivered here
typedef void (*dispatchReceive_t)(ipmlLink_t *link, uint32_t peer, void *packet, int length);
struct dispatchServer_t {
    ipmlLink_t *link;
    const char *name;
    dispatchReceive_t receive;
};
int dispatchAddServer(dispatchServer_t *server);  // 0 = added
int dispatchRemove(ipmlLink_t *link);             // 0 = removed

// The dispatcher knows no kind of link: the message link registers how its links are
// served (when it opens its first link), and dispatchAddServer and dispatchRemove go
// through that. attach starts delivering the link's messages to `receive` (0, or -1);
// detach stops it. Kept across dispatchShutdown.
struct dispatchLinkOps_t {
    int (*attach)(ipmlLink_t *link, dispatchReceive_t receive);
    void (*detach)(ipmlLink_t *link);
};
void dispatchSetLinkOps(const dispatchLinkOps_t *ops);

// ---- plain descriptors (used by the platform libraries themselves)
// The callback also runs on hang-up or error (level-triggered): a read then tells which,
// and the callback must remove the descriptor once it has seen the end.
typedef void (*dispatchFdCallback_t)(int fd, void *arg);
int dispatchAddFd(int fd, dispatchFdCallback_t onReadable, void *arg);
int dispatchRemoveFd(int fd);

// ---- work items
struct dispatchTime_t {
    long sec;
    long usec;
};
enum { DISPATCH_WORK_ONCE = 1, DISPATCH_WORK_REPEAT = 2 };
typedef void (*dispatchWorkFn_t)(void *arg);
typedef struct dispatchWork *dispatchWork_t;

// Runs fn(arg) on the dispatcher thread after `delay` (kind 1) or every `delay` (kind 2).
// Returns a handle, or nullptr on failure.
dispatchWork_t dispatchExecuteWorkItem(dispatchWorkFn_t fn, void *arg, int priority,
                                       dispatchTime_t delay, int kind);
int dispatchWorkRegisterAttr(dispatchWork_t work, const char *name);
int dispatchWorkCancel(dispatchWork_t work);
// The name given with dispatchWorkRegisterAttr, or "" (for tests and dumps).
const char *dispatchWorkName(dispatchWork_t work);

// ---- posting from other threads: fn(arg) runs on the dispatcher thread soon.
int dispatchPost(void (*fn)(void *arg), void *arg);

// True on the thread that runs the loop.
bool dispatchOnThread();

// Forgets every descriptor, work item and posted call and closes the loop's own
// descriptors; the next call of any dispatch function starts afresh. For tests, between
// cases (close message links with ipmlClose first).
void dispatchShutdown();
