// The platform clients of a test process, held as a daemon's main thread holds them: a
// dispatcher on the test thread, registered with the AAA service and the session manager.
// The libraries take one registration per process, so the first call registers and later
// ones only forget what the previous test saw and the previous test's platformd.
//
//   PlatformClients::start("mytest");                // results and actions recorded
//   EXPECT_NE(PlatformClients::authenticate("admin", "").authenResult, 0);
#pragma once
#include <gtest/gtest.h>

#include <cstring>
#include <string>
#include <vector>

#include "platform/aaa.h"
#include "platform/dispatch.h"
#include "platform/plink.h"
#include "platform/sm.h"
#include "platform/util.h"
#include "tests/support/pump.h"

struct PlatformClients {
    static inline std::vector<aaaResult_t> results;  // of the recording callbacks
    static inline std::vector<std::string> actions;  // "action cookie"

    static void start(const char *name, aaaCallBack_t onResult = record,
                      smCallBack_t onAction = record) {
        static bool registered = false;
        if (!registered) {
            dispatchThread_t main{};
            ASSERT_EQ(dispatchInit(name, 0, 1, &main, 1), 0);
            ASSERT_EQ(aaaRegister(onResult, 0), 0);
            ASSERT_EQ(smInit(onAction), 0);
            registered = true;
        }
        plinkDisconnect();  // each test talks to its own platformd
        results.clear();
        actions.clear();
    }

    // One authentication through platformd, its result waited for on the dispatcher.
    static aaaResult_t authenticate(const char *user, const char *password, uint32_t lockout = 0) {
        aaaRequest_t req{};
        strlcpy(req.userName, user, sizeof req.userName);
        strlcpy(req.password, password, sizeof req.password);
        req.lockout = lockout;
        size_t before = results.size();
        EXPECT_EQ(aaaAuthenticateClient(&req), 0);
        EXPECT_TRUE(pumpUntil([&] { return results.size() > before; }));
        return results.size() > before ? results.back() : aaaResult_t{};
    }

    static void record(aaaResult_t *r) { results.push_back(*r); }
    static int record(int action, const char *cookie) {
        actions.push_back(std::to_string(action) + " " + cookie);
        return 0;
    }
};
