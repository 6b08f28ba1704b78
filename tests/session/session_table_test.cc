// The session table, the idle timer, keep-alive and the checks, driven by hand: the
// dispatcher's clock is moved forward instead of waiting, and no platform process runs
// (the session manager is unreachable, which ending a session tolerates).
#include "session/session_table.h"

#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>

#include "base/counters.h"
#include "cmclient/cm.h"
#include "daemon/answers.h"
#include "platform/clock.h"
#include "platform/dispatch.h"
#include "session/session_auth.h"
#include "session/session_ops.h"
#include "tests/support/scratch.h"

namespace {

constexpr uint64_t kSecond = 1000000;

class SessionTableTest : public ::testing::Test {
protected:
    void SetUp() override {
        env.set("KARN_RUN_LOCATION", runDir.path()).unset("KARN_SESSION_VAR");  // no platformd
        wsvdSessionTableReset();
    }
    ScratchDir runDir{"wsvd-st"};
    ScopedEnv env;
    // Stores a session in `slot` the way openSession does.
    wsvdSession_t open(int slot, int timeout = 0, uint32_t access = 1, const char *user = "admin") {
        wsvdSession_t e{};
        e.sessionIndex = uint32_t(slot);
        e.idleTimeout = timeout;
        e.accessRight = access;
        strcpy(e.userName, user);
        strcpy(e.password, "pw");
        wsvdSessionFormatCookie(slot, wsvdSessionCookieCounter(), e.cookie);
        EXPECT_TRUE(wsvdSessionNewId(slot, e.sessionId));
        wsvdSessionNextCookieCounter();
        wsvdSessionStore(&e);
        return e;
    }
};

// Ids parse back to their slot; odd ones never lead outside the table.
TEST_F(SessionTableTest, KeyFormatsAndParsingBackToTheSlot) {
    char cookie[33], id[17];
    wsvdSessionFormatCookie(17, 254, cookie);
    wsvdSessionFormatId(17, 255, id);
    EXPECT_STREQ(cookie, "WSVDSession:17:254");
    EXPECT_STREQ(id, "31af00000000ff");
    EXPECT_EQ(wsvdGetSessionIndexFromCookie(cookie), 17);
    for (int slot = 0; slot < WSVD_SESSION_SLOTS; slot++) {
        for (uint64_t number : {0ull, 1ull, 0xffffffffffull}) {
            wsvdSessionFormatId(slot, number, id);
            ASSERT_EQ(strlen(id), 14u) << id;
            wsvdSessionIdParsed_t p;
            wsvdSessionIdParse(id, &p);
            EXPECT_EQ(p.slotIndex, slot) << id;
            EXPECT_EQ(p.version, 1) << id;
        }
    }
    for (const char *odd : {"", "3", "zz", "3!af", "~~~~~~~~~~~~~~~~~~~~~~", "31af0000000123"}) {
        wsvdSessionIdParsed_t p;
        wsvdSessionIdParse(odd, &p);
        EXPECT_EQ(wsvdSessionCheckId(&p, odd), -1) << odd;
    }
}

// Ids carry ten random hexadecimal digits: nothing learnt from one id (or from the
// cookie counter) tells the next.
TEST_F(SessionTableTest, NewIdsAreRandomInTheirLastTenDigits) {
    std::set<std::string> seen;
    for (int i = 0; i < 2000; i++) {
        char id[17];
        ASSERT_TRUE(wsvdSessionNewId(5, id));
        ASSERT_EQ(std::string(id, 4), "25af");
        seen.insert(id);
    }
    EXPECT_EQ(seen.size(), 2000u) << "no repeats among 2000 draws of 40 bits";
    auto number = [](const std::string &id) { return std::stoull(id.substr(4), nullptr, 16); };
    EXPECT_GT(number(*seen.rbegin()) - number(*seen.begin()), 1u << 30) << "spread over the range";
}

TEST_F(SessionTableTest, TimeoutIsClamped) {
    struct {
        int asked, stored;
    } cases[] = {{0, 900}, {29, 30}, {30, 30}, {899, 899}, {900, 900}, {901, 900}, {-5, 900}};
    for (auto c : cases) {
        open(0, c.asked);
        EXPECT_EQ(wsvdSessionSlot(0)->idleTimeout, c.stored) << c.asked;
        EXPECT_EQ(wsvdSessionSlot(0)->remainingTime, c.stored);
    }
}

// (Six by default: SessionFlowTest.ReadOnlyAccountsLeaveOneSlotForReadWriteOnes.)
TEST_F(SessionTableTest, OnlyTheFirstMaxSessionsSlotsAreGivenOut) {
    EXPECT_EQ(wsvdSessionSetMax(33), WSVD_SESSION_MAX_REFUSED);
    EXPECT_EQ(wsvdSessionSetMax(32), 0);
    for (int i = 0; i < 32; i++) {
        ASSERT_EQ(wsvdSessionFindFreeSlot(), i);
        open(i);
    }
    EXPECT_EQ(wsvdSessionFindFreeSlot(), -1);
    EXPECT_EQ(wsvdSessionSetMax(0), 0);
    EXPECT_EQ(wsvdSessionFindFreeSlot(), -1);
}

TEST_F(SessionTableTest, LookupsBySessionId) {
    wsvdSession_t a = open(0, 60, 1, "admin");
    wsvdSession_t b = open(1, 60, 0, "user");
    char user[33], pw[33];
    EXPECT_EQ(wsvdSessionFindById(b.sessionId, user, pw), 1) << "its slot";
    EXPECT_STREQ(user, "user");
    EXPECT_STREQ(pw, "pw");
    EXPECT_EQ(wsvdSessionFindById("nosuchsession", user, pw), -1);
    EXPECT_STREQ(pw, "") << "no password of an earlier lookup stays";

    wsvdSessionIdParsed_t p;
    wsvdSessionIdParse(a.sessionId, &p);
    EXPECT_EQ(wsvdSessionCheckId(&p, a.sessionId), 1);
    wsvdSessionIdParse(b.sessionId, &p);
    EXPECT_EQ(wsvdSessionCheckId(&p, b.sessionId), 0);

    // A well-formed id of a slot whose session has another id.
    char forged[17];
    wsvdSessionFormatId(1, 9999, forged);
    wsvdSessionIdParse(forged, &p);
    EXPECT_EQ(wsvdSessionCheckId(&p, forged), -1);
}

TEST_F(SessionTableTest, CookieLookups) {
    wsvdSession_t a = open(3);
    EXPECT_STREQ(wsvdCheckCookie(a.cookie), a.cookie);
    EXPECT_EQ(wsvdCheckCookie("WSVDSession:3:999"), nullptr);
    EXPECT_EQ(wsvdCheckCookie("WSVDSession:40:1"), nullptr) << "outside the table";
    EXPECT_EQ(wsvdCheckCookie("WSVDSession:-1:1"), nullptr);
    EXPECT_EQ(wsvdGetSessionIndexFromCookie("WSVDSession:5"), 5) << "the index as far as read";
}

TEST_F(SessionTableTest, OperationsAreCountedByKind) {
    open(2);
    for (int kind : {1, 1, 6, 7, 8, 8, 8, 3, 42}) wsvdSessionCountOperation(2, kind);
    const uint64_t *c = wsvdSessionSlot(2)->opCounters;
    EXPECT_EQ(c[WSVD_OPC_GET], 2u);
    EXPECT_EQ(c[WSVD_OPC_SET], 1u);
    EXPECT_EQ(c[WSVD_OPC_CREATE], 1u);
    EXPECT_EQ(c[WSVD_OPC_DELETE], 3u);
    EXPECT_EQ(c[WSVD_OPC_OTHER], 2u);
}

// A burst of unknown ids from one address is logged once per window; other addresses
// and later windows count afresh.
TEST_F(SessionTableTest, BurstsOfUnknownIdsAreLoggedPerClient) {
    clockUseManual();
    const uint8_t guesser[16] = {10, 0, 0, 7}, other[16] = {10, 0, 0, 8};
    // The log lines `n` unknown ids from `address` leave.
    auto logged = [](const uint8_t *address, int n) {
        testing::internal::CaptureStderr();
        for (int i = 0; i < n; i++) wsvdSessionNoteUnknownId(address);
        return testing::internal::GetCapturedStderr();
    };
    EXPECT_EQ(logged(guesser, WSVD_UNKNOWN_ID_BURST - 1), "");
    EXPECT_EQ(logged(other, WSVD_UNKNOWN_ID_BURST - 1), "");
    std::string log = logged(guesser, 2 * WSVD_UNKNOWN_ID_BURST);
    EXPECT_EQ(log.find("unknown session ids from"), log.rfind("unknown session ids from")) << log;
    EXPECT_NE(log.find("from 10.0.0.7 within 10 seconds"), std::string::npos) << log;

    // A new window starts from nothing.
    clockAdvanceUs(uint64_t(WSVD_UNKNOWN_ID_WINDOW_S) * 1000000u);
    EXPECT_EQ(logged(guesser, WSVD_UNKNOWN_ID_BURST - 1), "");
    clockSetSource(nullptr);
}

TEST_F(SessionTableTest, KeepAliveRestoresTheFullTimeout) {
    wsvdSession_t s = open(2, 60);
    wsvdSessionLogout(reinterpret_cast<void *>(intptr_t(30)));  // a tick of the timer
    EXPECT_EQ(wsvdSessionSlot(2)->remainingTime, 30);
    EXPECT_EQ(wsvdKeepAlive(true, s.sessionId, WSVD_CLIENT_WEB), nullptr);
    EXPECT_EQ(wsvdSessionSlot(2)->remainingTime, 60);
    EXPECT_EQ(wsvdSessionSlot(2)->opCounters[WSVD_OPC_GET], 1u);
    EXPECT_STREQ(wsvdKeepAlive(false, s.sessionId, WSVD_CLIENT_WEB), "Invalid Packet");
    EXPECT_STREQ(wsvdKeepAlive(true, nullptr, WSVD_CLIENT_WEB), "Invalid session id");
}

// A session ends on the first tick that would take it below zero.
TEST_F(SessionTableTest, TheTimerIsARepeatingWorkItemOfThirtySeconds) {
    clockUseManual();
    dispatchThread_t main{};
    dispatchInit("sessiontest", 0, 1, &main, 1);
    wsvdSession_t s = open(3, 30);
    wsvdSessionTimerStart(30);
    clockAdvanceUs(29 * kSecond);
    dispatchRunOnce(0);
    EXPECT_EQ(wsvdSessionSlot(3)->remainingTime, 30);
    clockAdvanceUs(1 * kSecond);
    dispatchRunOnce(0);
    EXPECT_TRUE(wsvdSessionSlot(3)->inUse) << "0 seconds left";
    EXPECT_EQ(wsvdSessionSlot(3)->remainingTime, 0);
    clockAdvanceUs(30 * kSecond);
    dispatchRunOnce(0);
    EXPECT_FALSE(wsvdSessionSlot(3)->inUse);
    EXPECT_STREQ(wsvdCloseSession(s.sessionId), "Unknown session id");
    clockSetSource(nullptr);
}

// Counter 6 stands at 0 here: the checks' decrements must not wrap it.
TEST_F(SessionTableTest, LocalClientsPassWithoutASessionOrAaa) {
    while (wsvdCounterGet(WSVD_CNT_SCHEMA_ERRORS) > 0) wsvdCounterDecrement(WSVD_CNT_SCHEMA_ERRORS);
    EXPECT_EQ(wsvdRequestAuthenticate("", "", WSVD_CLIENT_LOCAL), 1) << "read-write, no AAA call";
    EXPECT_EQ(wsvdSessionCheck(nullptr, WSVD_CLIENT_LOCAL, 6), 0) << "read-only";
    EXPECT_EQ(wsvdSessionCheck(nullptr, WSVD_CLIENT_WEB, 6), -1);
    EXPECT_EQ(wsvdSessionCheck("", WSVD_CLIENT_WEB, 6), -1);
    EXPECT_EQ(wsvdCounterGet(WSVD_CNT_SCHEMA_ERRORS), 0u);
}

TEST_F(SessionTableTest, LockoutThresholdIsTheConfiguredNumberMinusOne) {
    struct {
        int event;
        uint32_t configured, threshold;
    } cases[] = {{CM_EVENT_LOCKOUT_THRESHOLD, 3, 2},
                 {CM_EVENT_LOCKOUT_THRESHOLD, 1, 0},
                 {CM_EVENT_LOCKOUT_THRESHOLD, 0, 4294967295u},
                 {CM_EVENT_LOCKOUT_CHANGED, 5, 4}};
    for (auto c : cases) {
        cmEventData_t event{};
        event.value = c.configured;
        wsvdCmFrontendCallBack(c.event, &event);
        EXPECT_EQ(wsvdLockoutThreshold(), c.threshold) << c.configured;
    }
    wsvdSetLockoutThreshold(0);
}

}  // namespace
