// The AAA and session-manager clients against the real platformd: results arrive
// exactly once per request, also when platformd goes away. The
// lock-out rule itself is the accounts' own test; listing and ending sessions from
// outside is switchctl's.
#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "platformd/aaa_accounts.h"
#include "tests/support/platform_clients.h"
#include "tests/support/switch_harness.h"

namespace {

using PC = PlatformClients;

class AaaSmTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sw.start());
        PC::start("aaatest");
    }
    SwitchHarness sw{{}};
};

// Every failure reaches platformd, also for a user whose password was accepted before
// (and is remembered): the failures lock the account, and the lock holds against the
// remembered password; a failure flagged by the caller locks at once; other accounts go on.
TEST_F(AaaSmTest, LockoutCountsEveryFailureBesideRememberedCredentials) {
    ASSERT_NE(PC::authenticate("admin", "").authenResult, 0);
    EXPECT_EQ(PC::authenticate("admin", "wrong").authenError, AAA_ERR_BAD_CREDENTIALS);
    EXPECT_EQ(PC::authenticate("admin", "wrong").authenError, AAA_ERR_BAD_CREDENTIALS);
    EXPECT_EQ(PC::authenticate("admin", "wrong").authenError, AAA_ERR_LOCKED_OUT);
    aaaResult_t r = PC::authenticate("admin", "");
    EXPECT_EQ(r.authenResult, 0);
    EXPECT_EQ(r.authenError, AAA_ERR_LOCKED_OUT);
    EXPECT_NE(PC::authenticate("user", "").authenResult, 0);
    EXPECT_EQ(PC::authenticate("user", "wrong", 1).authenError, AAA_ERR_LOCKED_OUT);
    EXPECT_EQ(PC::authenticate("user", "").authenResult, 0) << "locked for the period";
}

// Accepted credentials are answered from memory (to the caller's own request, before
// the call returns), but a change of the accounts made by another process holds from
// the next request on, once that process has told platformd (as switchctl does after
// saving).
TEST_F(AaaSmTest, ChangedPasswordHoldsFromTheNextRequest) {
    // The first request makes the link, which forgets what was remembered before it.
    ASSERT_NE(PC::authenticate("admin", "").authenResult, 0);
    ASSERT_NE(PC::authenticate("admin", "").authenResult, 0);
    int marker = 7;
    aaaRequest_t req{};
    strlcpy(req.userName, "admin", sizeof req.userName);
    req.userdata = &marker;
    ASSERT_EQ(aaaAuthenticateClient(&req), 0);
    ASSERT_EQ(PC::results.size(), 3u) << "answered from memory, at once";
    EXPECT_NE(PC::results[2].authenResult, 0);
    EXPECT_EQ(PC::results[2].userdata, &marker) << "a remembered answer is the caller's own";
    EXPECT_TRUE(PC::results[2].flags & AAA_FLAG_READ_WRITE);

    aaaAccountStore store(sw.configDir() + "/accounts");
    ASSERT_EQ(store.load(), 0);
    ASSERT_EQ(store.setPassword("admin", "changed"), 0);
    ASSERT_EQ(store.save(), 0);
    ASSERT_EQ(aaaAccountsChanged(), 0);
    EXPECT_EQ(PC::authenticate("admin", "").authenResult, 0);
    EXPECT_NE(PC::authenticate("admin", "changed").authenResult, 0);
}

TEST_F(AaaSmTest, EveryRequestGetsOneResultWhenPlatformdIsGone) {
    sw.stop();
    aaaRequest_t req{};
    strlcpy(req.userName, "admin", sizeof req.userName);
    int marker = 42;
    req.userdata = &marker;
    ASSERT_EQ(aaaAuthenticateClient(&req), 0);
    ASSERT_TRUE(pumpUntil([] { return !PC::results.empty(); }));
    EXPECT_EQ(PC::results[0].authenResult, 0);
    EXPECT_EQ(PC::results[0].userdata, &marker);
    pumpFor(200);
    EXPECT_EQ(PC::results.size(), 1u) << "exactly one result";
}

TEST_F(AaaSmTest, SessionsAreRecordedOnceAndEndedOnce) {
    smSession_t s{};
    strlcpy(s.userName, "admin", sizeof s.userName);
    strlcpy(s.cookie, "WSVDSession:0:0", sizeof s.cookie);
    ASSERT_EQ(smStartOfSession(&s), 0);
    EXPECT_NE(smStartOfSession(&s), 0) << "a cookie is recorded once";
    EXPECT_EQ(smEndOfSession("WSVDSession:0:0"), 0);
    EXPECT_NE(smEndOfSession("WSVDSession:0:0"), 0);
    EXPECT_EQ(smStartOfSession(&s), 0) << "an ended session's cookie is free again";
}

}  // namespace
