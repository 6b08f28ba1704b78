// The session operations in-process, against the real AAA service and session manager
// of platformd: the test thread runs the dispatcher, as the daemon's main thread does,
// and the operations run on a thread of their own, as on the worker.
#include <gtest/gtest.h>

#include <array>
#include <atomic>
#include <cstring>
#include <functional>
#include <string>
#include <thread>

#include "base/counters.h"
#include "base/log.h"
#include "platform/ems.h"
#include "session/session_auth.h"
#include "session/session_ops.h"
#include "session/session_table.h"
#include "tests/support/platform_clients.h"
#include "tests/support/switch_harness.h"

namespace {

class SessionFlowTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sw.start());
        PlatformClients::start("sessionflow", wsvdAAACallBack, wsvdSessionMgmtCallBack);
        if (!gWsvdTraceHandle)
            gWsvdTraceHandle = emsInitTraceBuffer("sessionflow", 100000, EMS_TRACE_PLAIN, nullptr);
        wsvdSessionTableReset();
        wsvdLockoutReset();
        wsvdSetLockoutThreshold(0);
        // Counter 6 never goes below 0: give the decrements something to take.
        for (int i = 0; i < 20; i++) wsvdCounterIncrement(WSVD_CNT_SCHEMA_ERRORS);
    }

    // Runs `work` on a thread of its own while this thread drives the dispatcher.
    void onWorker(const std::function<void()> &work) {
        std::atomic<bool> done{false};
        std::thread worker([&] {
            work();
            done = true;
        });
        EXPECT_TRUE(pumpUntil([&] { return done.load(); }, 20000));
        worker.join();
    }
    // openSession as the SOAP handler calls it: the fault text, "" on success.
    std::string open(const char *user, const char *password, wsvdOpenSessionResult *out = nullptr,
                     const char *version = nullptr, const uint32_t *timeout = nullptr) {
        wsvdOpenSessionArgs args{};
        args.username = user;
        args.password = password;
        args.xmlApiVersion = version;
        args.timeout = timeout;
        wsvdOpenSessionResult result{};
        const char *fault = nullptr;
        onWorker([&] { fault = wsvdOpenSession(&args, &result); });
        if (out) *out = result;
        return fault ? fault : "";
    }
    // One attempt of the lock-out flow: whether it carried the lock-out flag.
    bool attempt(const char *user, const char *password) {
        aaaRequest_t request{};
        strlcpy(request.userName, user, sizeof request.userName);
        strlcpy(request.password, password, sizeof request.password);
        onWorker([&] { wsvdAuthenticate(&request); });
        return request.lockout != 0;
    }
    // What the trace gained while `action` ran.
    std::string traced(const std::function<void()> &action) {
        size_t before = emsTraceText(gWsvdTraceHandle).size();
        action();
        return emsTraceText(gWsvdTraceHandle).substr(before);
    }

    SwitchHarness sw{{}};
};

// What openSession answers, and its faults.
TEST_F(SessionFlowTest, OpenSessionAnswersAndFaults) {
    const uint32_t ten = 10;
    struct {
        const char *name, *user, *password, *version;
        const uint32_t *timeout;
        const char *fault;
        uint32_t timeoutGiven;
        int access;
    } cases[] = {
        {"a timeout too short", "admin", "", nullptr, &ten, "", 30, 2},
        {"version 10", "admin", "", "10.1.0.0", nullptr, "XML API not supported in this release", 0,
         0},
        {"read-only", "user", "", nullptr, nullptr, "", 900, 1},
        {"wrong password", "admin", "wrong", nullptr, nullptr, "Authetication Failed", 0, 0},
        {"empty user name", "", "", nullptr, nullptr, "Missing parameter", 0, 0},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.name);
        wsvdOpenSessionResult r{};
        ASSERT_EQ(open(c.user, c.password, &r, c.version, c.timeout), c.fault);
        if (*c.fault) continue;
        EXPECT_EQ(r.timeout, c.timeoutGiven);
        EXPECT_EQ(r.accessRight, c.access);
        EXPECT_STREQ(r.xmlApiVersion, "12.0.0.0");
        EXPECT_EQ(strlen(r.sessionId), 14u);
        EXPECT_EQ(wsvdCloseSession(r.sessionId), nullptr);
    }
}

// One slot stays for read-write accounts: the read-only account (which ships without a
// password) cannot fill the table, and the seventh session finds no slot.
TEST_F(SessionFlowTest, ReadOnlyAccountsLeaveOneSlotForReadWriteOnes) {
    for (int i = 0; i < 5; i++) EXPECT_EQ(open("user", ""), "") << i;
    EXPECT_EQ(open("user", ""), "No session is free");
    EXPECT_EQ(open("admin", ""), "");
    EXPECT_EQ(open("admin", ""), "No session is free");
}

// When platformd locks an account, new logins are refused but the sessions opened before
// go on: their checks do not ask the AAA service again.
TEST_F(SessionFlowTest, LockoutRefusesNewLoginsOnly) {
    wsvdOpenSessionResult before{};
    ASSERT_EQ(open("admin", "", &before), "");
    for (int i = 0; i < 3; i++) EXPECT_EQ(open("admin", "guess"), "Authetication Failed");
    EXPECT_EQ(open("admin", ""), "Authetication Failed") << "locked";
    EXPECT_EQ(wsvdSessionCheck(before.sessionId, WSVD_CLIENT_WEB, 1), 1);
}

// A configured 3 makes the threshold 2: the third attempt after two failures in a row of
// the same user carries the flag. Another user's failure starts that user's count at 1,
// and any success clears the count.
TEST_F(SessionFlowTest, LockoutFlagsTheAttemptAfterThresholdFailuresOfOneUser) {
    wsvdSetLockoutThreshold(2);
    struct {
        const char *user, *password;
        bool flagged;
        uint32_t count;
        const char *lastUser;
    } steps[] = {
        {"admin", "bad", false, 1, "admin"}, {"admin", "bad", false, 2, "admin"},
        {"admin", "bad", true, 3, "admin"},  {"ghost", "bad", false, 1, "ghost"},
        {"user", "", false, 0, ""},
    };
    int n = 0;
    for (auto &s : steps) {
        SCOPED_TRACE(testing::Message() << "step " << ++n << " " << s.user);
        EXPECT_EQ(attempt(s.user, s.password), s.flagged);
        EXPECT_EQ(wsvdLockoutFailureCount(), s.count);
        EXPECT_STREQ(wsvdLockoutLastUser(), s.lastUser);
    }
}

// Each event moves the counters it should and no other.
TEST_F(SessionFlowTest, EachEventMovesItsCounters) {
    wsvdOpenSessionResult held{};
    ASSERT_EQ(open("admin", "", &held), "");
    struct Row {
        const char *event;
        std::function<void()> action;
        std::array<int, WSVD_COUNTER_COUNT> delta;  // by counter number
    } rows[] = {
        {"openSession", [&] { open("user", ""); }, {0, 0, 1, 0, 0, 0, -1, 0, 0}},
        {"openSession refused", [&] { open("user", "bad"); }, {0, 0, 1, 1, 0, 0, -1, 0, 0}},
        {"openSession the session manager refuses",
         [&] {
             smSession_t clash{};
             wsvdSessionFormatCookie(wsvdSessionFindFreeSlot(), wsvdSessionCookieCounter(),
                                     clash.cookie);
             ASSERT_EQ(smStartOfSession(&clash), 0);
             EXPECT_EQ(open("admin", ""), "Unable to create session, Internal error.");
             smEndOfSession(clash.cookie);
         },
         {0, 0, 1, 0, 0, 0, -1, 1, 0}},
        {"session check",
         [&] { wsvdSessionCheck(held.sessionId, WSVD_CLIENT_WEB, 1); },
         {0, 0, 0, 0, 0, 0, -1, 0, 0}},
        {"request authentication",
         [&] { onWorker([] { EXPECT_EQ(wsvdRequestAuthenticate("admin", "", 1), 1); }); },
         {0, 0, 0, 0, 0, 0, -1, 0, 0}},
        {"request authentication refused",
         [&] { onWorker([] { EXPECT_EQ(wsvdRequestAuthenticate("user", "x", 1), -1); }); },
         {0, 0, 0, 0, 0, 0, -1, 0, 1}},
        {"closeSession", [&] { wsvdCloseSession(held.sessionId); }, {0, 0, 0, 0, 0, 0, -1, 0, 0}},
        {"idle time-out",
         [&] { wsvdSessionLogout(reinterpret_cast<void *>(intptr_t(1000))); },
         {0, 0, 0, 0, 1, 0, 0, 0, 0}},
    };
    for (auto &row : rows) {
        SCOPED_TRACE(row.event);
        std::array<uint64_t, WSVD_COUNTER_COUNT> before;
        for (int c = 0; c < WSVD_COUNTER_COUNT; c++) before[size_t(c)] = wsvdCounterGet(c);
        row.action();
        for (int c = 0; c < WSVD_COUNTER_COUNT; c++)
            EXPECT_EQ(int64_t(wsvdCounterGet(c) - before[size_t(c)]), row.delta[size_t(c)])
                << "counter " << c;
    }
}

// The cookie carries the counter before the increase; a session the manager will not
// record leaves its slot free; one it has already forgotten cannot be closed cleanly; its
// action 1 ends the session, other actions do not.
TEST_F(SessionFlowTest, TheSessionManagerKnowsEverySessionByItsCookie) {
    uint32_t counter = wsvdSessionCookieCounter();
    wsvdOpenSessionResult a{};
    ASSERT_EQ(open("admin", "", &a), "");
    std::string cookie = wsvdSessionSlot(0)->cookie;  // the table was empty
    EXPECT_EQ(cookie, "WSVDSession:0:" + std::to_string(counter));
    EXPECT_EQ(wsvdSessionCookieCounter(), counter + 1);
    smSession_t clash{};
    strlcpy(clash.cookie, cookie.c_str(), sizeof clash.cookie);
    EXPECT_NE(smStartOfSession(&clash), 0) << "openSession recorded it";

    EXPECT_EQ(wsvdSessionMgmtCallBack(2, cookie.c_str()), 0);
    EXPECT_TRUE(wsvdSessionSlot(0)->inUse) << "only action 1 ends a session";
    EXPECT_EQ(wsvdSessionMgmtCallBack(SM_ACTION_END_SESSION, cookie.c_str()), 0);
    EXPECT_FALSE(wsvdSessionSlot(0)->inUse);
    EXPECT_NE(smEndOfSession(cookie.c_str()), 0) << "ended in the session manager too";

    wsvdOpenSessionResult b{};
    ASSERT_EQ(open("admin", "", &b), "");
    ASSERT_EQ(smEndOfSession(wsvdSessionSlot(0)->cookie), 0);  // forgotten behind its back
    EXPECT_STREQ(wsvdCloseSession(b.sessionId), "Unable to delete session, Internal error");
}

// The trace lines of the session operations, as operators grep for them.
TEST_F(SessionFlowTest, OperationsLeaveTheirTraceLines) {
    wsvdOpenSessionResult s{};
    struct {
        const char *what;
        std::function<void()> action;
        std::vector<std::string> lines;
    } rows[] = {
        {"openSession",
         [&] { open("admin", "", &s); },
         {"Func: openConnection \n", "Func: wsvdAAACallBack \n", "ptr->readWrite:       1 \n",
          "ptr->username: admin \n", "ptr->authenResult: 1 \n", "ptr->userdata: set \n"}},
        {"failures",
         [&] { attempt("admin", "bad"), attempt("admin", "bad"); },
         {"Failure count for [admin] = 1\n", "Locking out on failure\n",
          "Failure count for [admin] = 2\n"}},
        {"session check",
         [&] { wsvdSessionCheck(s.sessionId, WSVD_CLIENT_WEB, 1); },
         {"Index 0 client Index 0 is used: 1 \n"}},
        {"local client",
         [&] {
             wsvdSessionCheck(nullptr, WSVD_CLIENT_LOCAL, 1);
             wsvdRequestAuthenticate("", "", WSVD_CLIENT_LOCAL);
         },
         {"This is CLI process\n", "Process : 2 \n"}},
        {"unknown cookie",
         [] { wsvdSessionEnd("WSVDSession:3:77"); },
         {"wsvdCheckCookie return: NULL\n"}},
        {"idle time-out",
         [] { wsvdSessionLogout(reinterpret_cast<void *>(intptr_t(1000))); },
         {"Function: wsvdSessionLogout called 1000 6 \n", "Closing session, session Index 0\n",
          "smEndOfSession return: 0\n"}},
        {"closeSession of an ended session",
         [&] { wsvdCloseSession(s.sessionId); },
         {"Check sesession failed\n"}},
        {"session manager",
         [] { wsvdSessionMgmtCallBack(1, "WSVDSession:1:2"); },
         {"wsvdSessionMgmtCallBack: action:1 cookie:WSVDSession:1:2\n"}},
    };
    for (auto &row : rows) {
        std::string trace = traced(row.action);
        for (const std::string &line : row.lines)
            EXPECT_NE(trace.find(line), std::string::npos) << row.what << ": " << line << "\n"
                                                           << trace;
    }
}

}  // namespace
