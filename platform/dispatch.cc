#include "platform/dispatch.h"

#include <sys/epoll.h>
#include <sys/eventfd.h>
#include <sys/signalfd.h>
#include <unistd.h>

#include <algorithm>
#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <deque>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <utility>
#include <vector>

#include "platform/clock.h"
#include "platform/util.h"

// One loop per process. The state is created on first use, so that platform libraries
// set up before dispatchInit (the device manager, for one) can already add their
// descriptors; nothing runs until the loop thread calls dispatchHandler or
// dispatchRunOnce.
//
// Work item handles are ids disguised as pointers: a handle of an item that has run or
// been cancelled is simply unknown afterwards, so cancelling it late is harmless and
// can never hit a newer item that happens to reuse the memory.

namespace {

struct FdWatch {
    dispatchFdCallback_t onReadable;
    void *arg;
    uint32_t generation;
};

struct WorkItem {
    dispatchWorkFn_t fn;
    void *arg;
    int kind;
    uint64_t periodUs;
    uint64_t dueUs;
    std::string name;
};

struct Loop {
    std::mutex mutex;  // guards everything below but the atomics
    int epollFd = -1;
    int wakeFd = -1;
    int signalFd = -1;
    std::map<int, FdWatch> fds;
    uint32_t nextGeneration = 1;
    std::map<uint64_t, WorkItem> work;
    uint64_t nextWorkId = 1;
    std::deque<std::pair<void (*)(void *), void *>> posted;
    std::set<ipmlLink_t *> servers;
    pthread_t thread{};
    bool haveThread = false;
};

Loop gLoop;
std::atomic<const dispatchLinkOps_t *> gLinkOps{nullptr};
std::atomic<int> gWakeFd{-1};  // read from signal handlers, hence outside the mutex
std::atomic<bool> gStopRequested{false};
std::atomic<int> gStopStatus{0};

// Descriptor numbers are tagged with a generation in the epoll data, so that an event
// of a descriptor that was removed (and perhaps reused) during this round is ignored.
uint64_t pack(int fd, uint32_t generation) {
    return (static_cast<uint64_t>(generation) << 32) | static_cast<uint32_t>(fd);
}

// Caller holds the mutex.
bool ensureLoopLocked() {
    if (gLoop.epollFd >= 0) return true;
    int ep = epoll_create1(EPOLL_CLOEXEC);
    if (ep < 0) return false;
    int wake = eventfd(0, EFD_NONBLOCK | EFD_CLOEXEC);
    if (wake < 0) {
        close(ep);
        return false;
    }
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = pack(wake, 0);
    if (epoll_ctl(ep, EPOLL_CTL_ADD, wake, &ev) < 0) {
        close(wake);
        close(ep);
        return false;
    }
    gLoop.epollFd = ep;
    gLoop.wakeFd = wake;
    gWakeFd.store(wake);
    return true;
}

bool ensureLoop() {
    std::lock_guard<std::mutex> lock(gLoop.mutex);
    return ensureLoopLocked();
}

// Async-signal-safe: only an atomic load and write(2).
void wake() {
    int fd = gWakeFd.load();
    if (fd >= 0) {
        uint64_t one = 1;
        ssize_t r = write(fd, &one, sizeof one);
        (void)r;  // a full counter already means "wake up"
    }
}

void wakeUnlessLoopThread() {
    if (!dispatchOnThread()) wake();
}

uint64_t toUs(dispatchTime_t t) {
    long sec = t.sec < 0 ? 0 : t.sec;
    long usec = t.usec < 0 ? 0 : t.usec;
    return static_cast<uint64_t>(sec) * 1000000u + static_cast<uint64_t>(usec);
}

// Milliseconds until the earliest work item is due, capped by `limitMs` (-1: none).
int waitMs(int limitMs) {
    std::lock_guard<std::mutex> lock(gLoop.mutex);
    if (!gLoop.posted.empty() || gStopRequested.load()) return 0;
    if (gLoop.work.empty()) return limitMs;
    uint64_t now = clockNowUs();
    uint64_t earliest = UINT64_MAX;
    for (auto &[id, w] : gLoop.work) earliest = std::min(earliest, w.dueUs);
    if (earliest <= now) return 0;
    uint64_t ms = (earliest - now + 999) / 1000;
    if (ms > 60000) ms = 60000;  // re-check now and then: the clock may be replaced
    if (limitMs >= 0 && static_cast<uint64_t>(limitMs) < ms) return limitMs;
    return static_cast<int>(ms);
}

int runPosted() {
    std::deque<std::pair<void (*)(void *), void *>> batch;
    {
        std::lock_guard<std::mutex> lock(gLoop.mutex);
        batch.swap(gLoop.posted);
    }
    for (auto &[fn, arg] : batch) fn(arg);
    return static_cast<int>(batch.size());
}

// One read takes the whole count of an eventfd.
void drainWake() {
    uint64_t count;
    ssize_t r = read(gLoop.wakeFd, &count, sizeof count);
    (void)r;
}

void readSignals() {
    signalfd_siginfo info;
    while (read(gLoop.signalFd, &info, sizeof info) == static_cast<ssize_t>(sizeof info)) {
        dispatchStop(0);
    }
}

int runFd(uint64_t data) {
    int fd = static_cast<int>(data & 0xffffffffu);
    uint32_t generation = static_cast<uint32_t>(data >> 32);
    FdWatch watch;
    {
        std::lock_guard<std::mutex> lock(gLoop.mutex);
        auto it = gLoop.fds.find(fd);
        if (it == gLoop.fds.end() || it->second.generation != generation) return 0;
        watch = it->second;
    }
    watch.onReadable(fd, watch.arg);
    return 1;
}

// Runs the items due at the start of this round, earliest first. Each is looked up
// again just before it runs, since an earlier callback may have cancelled it.
int runDueWork() {
    uint64_t now = clockNowUs();
    std::vector<std::pair<uint64_t, uint64_t>> due;  // (due time, id)
    {
        std::lock_guard<std::mutex> lock(gLoop.mutex);
        for (auto &[id, w] : gLoop.work)
            if (w.dueUs <= now) due.emplace_back(w.dueUs, id);
    }
    std::sort(due.begin(), due.end());
    int ran = 0;
    for (auto &[dueUs, id] : due) {
        dispatchWorkFn_t fn;
        void *arg;
        {
            std::lock_guard<std::mutex> lock(gLoop.mutex);
            auto it = gLoop.work.find(id);
            if (it == gLoop.work.end()) continue;
            fn = it->second.fn;
            arg = it->second.arg;
        }
        fn(arg);
        ran++;
        std::lock_guard<std::mutex> lock(gLoop.mutex);
        auto it = gLoop.work.find(id);
        if (it == gLoop.work.end()) continue;  // cancelled by its own callback
        WorkItem &w = it->second;
        if (w.kind == DISPATCH_WORK_ONCE) {
            gLoop.work.erase(it);
        } else {
            // Late rounds are not made up for: the next run is one period from now at most.
            w.dueUs += w.periodUs;
            uint64_t after = clockNowUs();
            if (w.dueUs <= after) w.dueUs = after + w.periodUs;
        }
    }
    return ran;
}

}  // namespace

int dispatchInit(const char * /*processName*/, int /*flags*/, int /*threadCount*/,
                 dispatchThread_t * /*mainThread*/, int /*mode*/) {
    std::lock_guard<std::mutex> lock(gLoop.mutex);
    if (!ensureLoopLocked()) return -1;
    gLoop.thread = pthread_self();
    gLoop.haveThread = true;
    if (gLoop.signalFd >= 0) return 0;
    // Blocked here, the two signals stay blocked in every thread created later and
    // arrive only through the descriptor, on the loop thread.
    sigset_t set;
    sigemptyset(&set);
    sigaddset(&set, SIGINT);
    sigaddset(&set, SIGTERM);
    if (pthread_sigmask(SIG_BLOCK, &set, nullptr) != 0) return -1;
    int sfd = signalfd(-1, &set, SFD_NONBLOCK | SFD_CLOEXEC);
    if (sfd < 0) return -1;
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = pack(sfd, 0);
    if (epoll_ctl(gLoop.epollFd, EPOLL_CTL_ADD, sfd, &ev) < 0) {
        close(sfd);
        return -1;
    }
    gLoop.signalFd = sfd;
    return 0;
}

int dispatchHandler() {
    if (!ensureLoop()) return -1;
    while (!gStopRequested.load()) dispatchRunOnce(-1);
    gStopRequested.store(false);
    return gStopStatus.load();
}

void dispatchStop(int status) {
    gStopStatus.store(status);
    gStopRequested.store(true);
    wake();
}

int dispatchRunOnce(int timeoutMs) {
    {
        std::lock_guard<std::mutex> lock(gLoop.mutex);
        if (!ensureLoopLocked()) return -1;
        gLoop.thread = pthread_self();
        gLoop.haveThread = true;
    }
    epoll_event events[64];
    int n = epoll_wait(gLoop.epollFd, events, 64, waitMs(timeoutMs));
    if (n < 0) n = 0;  // EINTR: just another round
    int ran = 0;
    for (int i = 0; i < n; i++) {
        int fd = static_cast<int>(events[i].data.u64 & 0xffffffffu);
        if (fd == gLoop.wakeFd && (events[i].data.u64 >> 32) == 0) {
            drainWake();
        } else if (fd == gLoop.signalFd && (events[i].data.u64 >> 32) == 0) {
            readSignals();
        } else {
            ran += runFd(events[i].data.u64);
        }
    }
    ran += runPosted();
    ran += runDueWork();
    return ran;
}

bool dispatchOnThread() {
    std::lock_guard<std::mutex> lock(gLoop.mutex);
    return gLoop.haveThread && pthread_equal(gLoop.thread, pthread_self());
}

int dispatchAddServer(dispatchServer_t *server) {
    if (!server || !server->link || !server->receive) return -1;
    {
        std::lock_guard<std::mutex> lock(gLoop.mutex);
        if (!ensureLoopLocked() || gLoop.servers.count(server->link)) return -1;
    }
    const dispatchLinkOps_t *ops = gLinkOps.load();
    if (!ops || ops->attach(server->link, server->receive) != 0) return -1;
    std::lock_guard<std::mutex> lock(gLoop.mutex);
    gLoop.servers.insert(server->link);
    return 0;
}

int dispatchRemove(ipmlLink_t *link) {
    {
        std::lock_guard<std::mutex> lock(gLoop.mutex);
        if (!gLoop.servers.erase(link)) return -1;
    }
    if (const dispatchLinkOps_t *ops = gLinkOps.load()) ops->detach(link);
    return 0;
}

void dispatchSetLinkOps(const dispatchLinkOps_t *ops) {
    gLinkOps.store(ops);
}

int dispatchAddFd(int fd, dispatchFdCallback_t onReadable, void *arg) {
    if (fd < 0 || !onReadable) return -1;
    std::lock_guard<std::mutex> lock(gLoop.mutex);
    if (!ensureLoopLocked() || gLoop.fds.count(fd)) return -1;
    uint32_t generation = gLoop.nextGeneration++;
    if (gLoop.nextGeneration == 0) gLoop.nextGeneration = 1;  // 0 marks the loop's own fds
    epoll_event ev{};
    ev.events = EPOLLIN;
    ev.data.u64 = pack(fd, generation);
    if (epoll_ctl(gLoop.epollFd, EPOLL_CTL_ADD, fd, &ev) < 0) return -1;
    gLoop.fds[fd] = FdWatch{onReadable, arg, generation};
    return 0;
}

int dispatchRemoveFd(int fd) {
    std::lock_guard<std::mutex> lock(gLoop.mutex);
    if (!gLoop.fds.erase(fd)) return -1;
    epoll_ctl(gLoop.epollFd, EPOLL_CTL_DEL, fd, nullptr);  // fails harmlessly if already closed
    return 0;
}

dispatchWork_t dispatchExecuteWorkItem(dispatchWorkFn_t fn, void *arg, int /*priority*/,
                                       dispatchTime_t delay, int kind) {
    if (!fn || (kind != DISPATCH_WORK_ONCE && kind != DISPATCH_WORK_REPEAT)) return nullptr;
    uint64_t us = toUs(delay);
    if (kind == DISPATCH_WORK_REPEAT && us == 0) return nullptr;  // would never yield
    uint64_t id;
    {
        std::lock_guard<std::mutex> lock(gLoop.mutex);
        if (!ensureLoopLocked()) return nullptr;
        id = gLoop.nextWorkId++;
        gLoop.work[id] = WorkItem{fn, arg, kind, us, clockNowUs() + us, ""};
    }
    wakeUnlessLoopThread();
    return reinterpret_cast<dispatchWork_t>(static_cast<uintptr_t>(id));
}

int dispatchWorkRegisterAttr(dispatchWork_t work, const char *name) {
    std::lock_guard<std::mutex> lock(gLoop.mutex);
    auto it = gLoop.work.find(reinterpret_cast<uintptr_t>(work));
    if (it == gLoop.work.end()) return -1;
    it->second.name = name ? name : "";
    return 0;
}

int dispatchWorkCancel(dispatchWork_t work) {
    std::lock_guard<std::mutex> lock(gLoop.mutex);
    return gLoop.work.erase(reinterpret_cast<uintptr_t>(work)) ? 0 : -1;
}

const char *dispatchWorkName(dispatchWork_t work) {
    std::lock_guard<std::mutex> lock(gLoop.mutex);
    auto it = gLoop.work.find(reinterpret_cast<uintptr_t>(work));
    // The name lives as long as the item; callers use it at once (tests, dumps).
    return it == gLoop.work.end() ? "" : it->second.name.c_str();
}

int dispatchPost(void (*fn)(void *arg), void *arg) {
    if (!fn) return -1;
    bool needWake;
    {
        std::lock_guard<std::mutex> lock(gLoop.mutex);
        if (!ensureLoopLocked()) return -1;
        // The loop runs posted work before it next waits, so a post from its own thread,
        // or one behind posts not yet run (whose poster woke it), needs no wake-up.
        bool onLoop = gLoop.haveThread && pthread_equal(gLoop.thread, pthread_self());
        needWake = !onLoop && gLoop.posted.empty();
        gLoop.posted.emplace_back(fn, arg);
    }
    if (needWake) wake();
    return 0;
}

void dispatchShutdown() {
    std::lock_guard<std::mutex> lock(gLoop.mutex);
    gWakeFd.store(-1);
    for (int fd : {gLoop.signalFd, gLoop.wakeFd, gLoop.epollFd})
        if (fd >= 0) close(fd);
    gLoop.signalFd = gLoop.wakeFd = gLoop.epollFd = -1;
    gLoop.fds.clear();
    gLoop.work.clear();
    gLoop.posted.clear();
    gLoop.servers.clear();
    gLoop.haveThread = false;
    gStopRequested.store(false);
}
