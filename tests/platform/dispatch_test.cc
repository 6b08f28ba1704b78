#include "platform/dispatch.h"

#include <gtest/gtest.h>
#include <sys/eventfd.h>
#include <unistd.h>

#include <chrono>
#include <csignal>
#include <mutex>
#include <string>
#include <thread>
#include <vector>

#include "platform/clock.h"

namespace {

class Dispatch : public ::testing::Test {
protected:
    void SetUp() override { clockUseManual(); }
    void TearDown() override {
        dispatchShutdown();
        clockSetSource(nullptr);
    }
};

dispatchTime_t ms(long m) {
    return dispatchTime_t{m / 1000, (m % 1000) * 1000};
}

void count(void *arg) {
    ++*static_cast<int *>(arg);
}

// A once item fires when due and only then; a repeating one every period until
// cancelled, and one that could never rest is refused.
TEST_F(Dispatch, OnceAndRepeatingItemsFireWhenDue) {
    int once = 0, every = 0;
    dispatchWork_t o = dispatchExecuteWorkItem(count, &once, 0, ms(1500), DISPATCH_WORK_ONCE);
    dispatchWork_t w = dispatchExecuteWorkItem(count, &every, 0, {30, 0}, DISPATCH_WORK_REPEAT);
    clockAdvanceUs(1499999);
    dispatchRunOnce(0);
    EXPECT_EQ(once, 0);
    clockAdvanceUs(1);
    dispatchRunOnce(0);
    EXPECT_EQ(once, 1);
    clockAdvanceUs(28500000 - 1);
    dispatchRunOnce(0);
    EXPECT_EQ(every, 0);
    for (int i = 1; i <= 2; i++) {
        clockAdvanceUs(i == 1 ? 1 : 30000000);
        dispatchRunOnce(0);
        EXPECT_EQ(every, i);
    }
    EXPECT_EQ(once, 1);
    EXPECT_EQ(dispatchWorkCancel(o), -1);  // already gone: a late cancel is harmless
    EXPECT_EQ(dispatchWorkCancel(w), 0);
    clockAdvanceUs(60000000);
    dispatchRunOnce(0);
    EXPECT_EQ(every, 2);
    EXPECT_EQ(dispatchExecuteWorkItem(count, &every, 0, {0, 0}, DISPATCH_WORK_REPEAT), nullptr);
    EXPECT_EQ(dispatchExecuteWorkItem(count, &every, 0, {1, 0}, 3), nullptr);
}

struct Fired {
    std::vector<int> *log;
    int n;
};

void fired(void *arg) {
    auto *f = static_cast<Fired *>(arg);
    f->log->push_back(f->n);
}

// Items due in one round run earliest first, whatever order they were made in; a
// repeating item that fell behind runs once, then a whole period later.
TEST_F(Dispatch, DueItemsRunEarliestFirstAndMissedRoundsAreNotMadeUp) {
    std::vector<int> log;
    Fired late{&log, 3}, early{&log, 1}, every{&log, 10};
    dispatchExecuteWorkItem(fired, &late, 0, ms(3000), DISPATCH_WORK_ONCE);
    dispatchExecuteWorkItem(fired, &early, 0, ms(1000), DISPATCH_WORK_ONCE);
    dispatchWork_t w = dispatchExecuteWorkItem(fired, &every, 0, ms(2000), DISPATCH_WORK_REPEAT);
    clockAdvanceUs(9000000);
    dispatchRunOnce(0);
    dispatchRunOnce(0);
    EXPECT_EQ(log, (std::vector<int>{1, 10, 3}));
    clockAdvanceUs(1999999);
    dispatchRunOnce(0);
    EXPECT_EQ(log.size(), 3u);
    clockAdvanceUs(1);
    dispatchRunOnce(0);
    EXPECT_EQ(log.size(), 4u);
    dispatchWorkCancel(w);
}

struct Order {
    std::mutex m;
    std::vector<int> seen;
    bool wrongThread = false;
};
struct Posted {
    Order *order;
    int n;
};

void record(void *arg) {
    auto *p = static_cast<Posted *>(arg);
    std::lock_guard<std::mutex> lock(p->order->m);
    if (!dispatchOnThread()) p->order->wrongThread = true;
    p->order->seen.push_back(p->n);
}

TEST_F(Dispatch, PostedWorkRunsOnTheLoopThreadInOrder) {
    clockSetSource(nullptr);
    Order order;
    std::vector<Posted> items(200);
    for (int i = 0; i < 200; i++) items[i] = {&order, i};
    dispatchRunOnce(0);  // this thread becomes the loop thread
    std::thread poster([&] {
        for (auto &p : items) ASSERT_EQ(dispatchPost(record, &p), 0);
    });
    for (int round = 0; round < 1000; round++) {
        dispatchRunOnce(10);
        std::lock_guard<std::mutex> lock(order.m);
        if (order.seen.size() == items.size()) break;
    }
    poster.join();
    ASSERT_EQ(order.seen.size(), items.size());
    for (int i = 0; i < 200; i++) EXPECT_EQ(order.seen[i], i);
    EXPECT_FALSE(order.wrongThread);
}

// A post from the loop's own thread does not wake the loop through its descriptor;
// the loop must still run it before it waits again.
void postAnother(void *arg) {
    dispatchPost(count, arg);
}

TEST_F(Dispatch, PostFromTheLoopThreadRunsBeforeTheLoopWaits) {
    clockSetSource(nullptr);
    int runs = 0;
    dispatchRunOnce(0);  // this thread becomes the loop thread
    ASSERT_EQ(dispatchPost(postAnother, &runs), 0);
    EXPECT_EQ(dispatchRunOnce(0), 1);
    EXPECT_EQ(runs, 0);
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(dispatchRunOnce(20000), 1);
    EXPECT_EQ(runs, 1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(10));
}

struct FdPair {
    int a, b;
    int readsA = 0, readsB = 0;
};

void readA(int fd, void *arg) {
    auto *p = static_cast<FdPair *>(arg);
    uint64_t v;
    (void)!read(fd, &v, sizeof v);
    p->readsA++;
    dispatchRemoveFd(p->b);  // b's event of this same round must not be delivered
}
void readB(int fd, void *arg) {
    auto *p = static_cast<FdPair *>(arg);
    uint64_t v;
    (void)!read(fd, &v, sizeof v);
    p->readsB++;
    dispatchRemoveFd(p->a);
}

TEST_F(Dispatch, DescriptorRemovedByAnotherCallbackInTheSameRoundIsSkipped) {
    FdPair p{eventfd(1, EFD_NONBLOCK), eventfd(1, EFD_NONBLOCK)};
    ASSERT_EQ(dispatchAddFd(p.a, readA, &p), 0);
    ASSERT_EQ(dispatchAddFd(p.b, readB, &p), 0);
    EXPECT_EQ(dispatchAddFd(p.a, readA, &p), -1);  // once per descriptor
    EXPECT_EQ(dispatchRunOnce(0), 1);
    EXPECT_EQ(p.readsA + p.readsB, 1);
    close(p.a);
    close(p.b);
}

void stopFromAnotherThread(void *arg) {
    *static_cast<std::thread *>(arg) = std::thread([] { dispatchStop(7); });
}

// A stop from another thread ends the loop with its status; so does one given before
// the loop runs; a termination signal ends it with zero.
TEST_F(Dispatch, StopsAndTerminationEndTheHandler) {
    clockSetSource(nullptr);
    std::thread stopper;  // started by the loop itself, so the stop meets a running loop
    dispatchExecuteWorkItem(stopFromAnotherThread, &stopper, 0, ms(0), DISPATCH_WORK_ONCE);
    EXPECT_EQ(dispatchHandler(), 7);
    stopper.join();
    dispatchShutdown();
    dispatchThread_t main{pthread_self(), 10, getpid(), "main"};
    ASSERT_EQ(dispatchInit("test", 0, 1, &main, 1), 0);
    dispatchStop(5);
    EXPECT_EQ(dispatchHandler(), 5);
    kill(getpid(), SIGTERM);  // blocked, so it waits on the loop's descriptor
    EXPECT_EQ(dispatchHandler(), 0);
}

}  // namespace
