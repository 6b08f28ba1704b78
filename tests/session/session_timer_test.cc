// The idle timer, keep-alive and the checks, driven by hand: the dispatcher's clock is
// moved forward instead of waiting, and no platform process runs (the session manager
// is unreachable, which ending a session tolerates).
#include <gtest/gtest.h>

#include <atomic>
#include <cstdlib>
#include <cstring>
#include <thread>

#include "base/counters.h"
#include "cmclient/cm.h"
#include "daemon/answers.h"
#include "platform/clock.h"
#include "platform/dispatch.h"
#include "platform/sm.h"
#include "session/session_auth.h"
#include "session/session_ops.h"
#include "session/session_table.h"
#include "tests/support/scratch.h"

namespace {

constexpr uint64_t kSecond = 1000000;

class SessionTimerTest : public ::testing::Test {
protected:
    void SetUp() override {
        env.set("KARN_RUN_LOCATION", runDir.path()).unset("KARN_SESSION_VAR");  // no platformd
        wsvdSessionTableReset();
    }

    wsvdSession_t open(int slot, int timeout) {
        wsvdSession_t e{};
        e.sessionIndex = uint32_t(slot);
        e.idleTimeout = timeout;
        e.accessRight = 1;
        wsvdSessionFormatCookie(slot, wsvdSessionCookieCounter(), e.cookie);
        wsvdSessionFormatId(slot, wsvdSessionNextCookieCounter(), e.sessionId);
        wsvdSessionStore(&e);
        return e;
    }
    void tick() { wsvdSessionLogout(reinterpret_cast<void *>(intptr_t(30))); }
    ScratchDir runDir{"wsvd-st"};
    ScopedEnv env;
};

TEST_F(SessionTimerTest, ASessionEndsOnTheFirstTickThatWouldTakeItBelowZero) {
    wsvdSession_t s = open(0, 30);
    open(1, 60);
    uint64_t timedOut = wsvdCounterGet(WSVD_CNT_SESSIONS_TIMED_OUT);
    tick();
    EXPECT_TRUE(wsvdSessionSlot(0)->inUse) << "30 seconds survive the first tick with 0 left";
    EXPECT_EQ(wsvdSessionSlot(0)->remainingTime, 0);
    tick();
    EXPECT_FALSE(wsvdSessionSlot(0)->inUse);
    EXPECT_TRUE(wsvdSessionSlot(1)->inUse);
    EXPECT_EQ(wsvdCounterGet(WSVD_CNT_SESSIONS_TIMED_OUT), timedOut + 1);
    EXPECT_STREQ(wsvdCloseSession(s.sessionId), "Unknown session id");
}

TEST_F(SessionTimerTest, KeepAliveRestoresTheFullTimeout) {
    wsvdSession_t s = open(2, 60);
    tick();
    EXPECT_EQ(wsvdSessionSlot(2)->remainingTime, 30);
    EXPECT_EQ(wsvdKeepAlive(true, s.sessionId, WSVD_CLIENT_WEB), nullptr);
    EXPECT_EQ(wsvdSessionSlot(2)->remainingTime, 60);
    EXPECT_EQ(wsvdSessionSlot(2)->opCounters[WSVD_OPC_GET], 1u);
    EXPECT_STREQ(wsvdKeepAlive(false, s.sessionId, WSVD_CLIENT_WEB), "Invalid Packet");
    EXPECT_STREQ(wsvdKeepAlive(true, nullptr, WSVD_CLIENT_WEB), "Invalid session id");
}

TEST_F(SessionTimerTest, TheTimerIsARepeatingWorkItemOfThirtySeconds) {
    clockUseManual();
    dispatchThread_t main{};
    dispatchInit("sessiontest", 0, 1, &main, 1);
    open(3, 30);
    wsvdSessionTimerStart(30);
    clockAdvanceUs(29 * kSecond);
    dispatchRunOnce(0);
    EXPECT_EQ(wsvdSessionSlot(3)->remainingTime, 30);
    clockAdvanceUs(1 * kSecond);
    dispatchRunOnce(0);
    EXPECT_EQ(wsvdSessionSlot(3)->remainingTime, 0);
    clockAdvanceUs(30 * kSecond);
    dispatchRunOnce(0);
    EXPECT_FALSE(wsvdSessionSlot(3)->inUse);
    clockSetSource(nullptr);
}

// Counter 6 stands at 0 here: the checks' decrements must not wrap it.
TEST_F(SessionTimerTest, LocalClientsPassWithoutASessionOrAaa) {
    while (wsvdCounterGet(WSVD_CNT_SCHEMA_ERRORS) > 0) wsvdCounterDecrement(WSVD_CNT_SCHEMA_ERRORS);
    EXPECT_EQ(wsvdRequestAuthenticate("", "", WSVD_CLIENT_LOCAL), 1) << "read-write, no AAA call";
    EXPECT_EQ(wsvdSessionCheck(nullptr, WSVD_CLIENT_LOCAL, 6), 0) << "read-only";
    EXPECT_EQ(wsvdSessionCheck(nullptr, WSVD_CLIENT_WEB, 6), -1);
    EXPECT_EQ(wsvdSessionCheck("", WSVD_CLIENT_WEB, 6), -1);
    EXPECT_EQ(wsvdCounterGet(WSVD_CNT_SCHEMA_ERRORS), 0u);
}

TEST_F(SessionTimerTest, LockoutThresholdIsTheConfiguredNumberMinusOne) {
    struct {
        uint32_t configured, threshold;
    } cases[] = {{3, 2}, {1, 0}, {0, 4294967295u}};
    for (auto c : cases) {
        cmEventData_t event{};
        event.value = c.configured;
        wsvdCmFrontendCallBack(CM_EVENT_LOCKOUT_THRESHOLD, &event);
        EXPECT_EQ(wsvdLockoutThreshold(), c.threshold) << c.configured;
    }
    cmEventData_t event{};
    event.value = 5;
    wsvdCmFrontendCallBack(CM_EVENT_LOCKOUT_CHANGED, &event);
    EXPECT_EQ(wsvdLockoutThreshold(), 4u);
    wsvdSetLockoutThreshold(0);
}

// The worker opens, checks and closes sessions while the dispatcher thread's timer,
// session manager and backend end and read them. Nothing here can fail but the
// ThreadSanitizer tree, which sees every access the two threads make to the table.
TEST_F(SessionTimerTest, TheWorkerAndTheDispatcherShareTheTable) {
    std::atomic<bool> done{false};
    std::thread dispatcher([&] {
        while (!done) {
            tick();
            wsvdSessionMgmtCallBack(SM_ACTION_END_SESSION, "WSVDSession:1:0");
            pthread_mutex_lock(&gWsvdSessionMutex);
            for (const wsvdSession_t *s = wsvdSessionNext(0); s;
                 s = wsvdSessionNext(int(s->sessionIndex) + 1))
                EXPECT_EQ(strlen(s->sessionId), 14u);
            pthread_mutex_unlock(&gWsvdSessionMutex);
            wsvdSessionSetMax(6);
        }
    });
    for (int i = 0; i < 200; i++) {
        wsvdSession_t s = open(i % 3, 30);
        wsvdSessionCheck(s.sessionId, WSVD_CLIENT_WEB, WSVD_OP_GET);
        char user[33], password[33];
        wsvdSessionFindById(s.sessionId, user, password);
        wsvdCloseSession(s.sessionId);
        wsvdSessionFindFreeSlot();
    }
    done = true;
    dispatcher.join();
}

TEST_F(SessionTimerTest, BodyHeaderParseAndFormat) {
    wsvdClientHeader_t h;
    const char text[] =
        "<hdr><reqId>42</reqId><sessionId>31af00000000ff0123456789</sessionId></hdr>";
    ASSERT_EQ(wsvdHeaderParse(text, sizeof text - 1, &h), 0);
    EXPECT_EQ(h.reqId, 42u);
    EXPECT_STREQ(h.sessionId, "31af00000000ff01") << "the first 16 bytes";
    char out[128];
    wsvdHeaderFormat(&h, out, sizeof out);
    EXPECT_STREQ(out, "<hdr><reqId>42</reqId><sessionId>31af00000000ff01</sessionId></hdr>");
    const char noId[] = "<hdr><reqId>1</reqId></hdr>";
    EXPECT_EQ(wsvdHeaderParse(noId, sizeof noId - 1, &h), -1);
    EXPECT_EQ(wsvdHeaderParse("<hdr><reqId>", 12, &h), -1) << "not well-formed";
}

}  // namespace
