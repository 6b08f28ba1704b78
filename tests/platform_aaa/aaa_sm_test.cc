// The AAA and session-manager clients against the real platformd: results arrive on
// the dispatcher thread, exactly once per request, also when platformd goes away.
#include <gtest/gtest.h>
#include <signal.h>
#include <time.h>

#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/aaa.h"
#include "platform/dispatch.h"
#include "platform/plink.h"
#include "platform/sm.h"
#include "platform/util.h"
#include "platformd/aaa_accounts.h"
#include "tests/support/pump.h"
#include "tests/support/switch_harness.h"

namespace {

std::vector<aaaResult_t> gResults;
void onResult(aaaResult_t *r) {
    gResults.push_back(*r);
}

std::vector<std::string> gActions;
int onAction(int action, const char *cookie) {
    gActions.push_back(std::to_string(action) + " " + cookie);
    return 0;
}

class AaaSmTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sw.start());
        static bool once = false;
        if (!once) {
            dispatchThread_t main{};
            dispatchInit("aaatest", 0, 1, &main, 1);
            ASSERT_EQ(aaaRegister(onResult, 0), 0);
            ASSERT_EQ(smInit(onAction), 0);
            once = true;
        }
        plinkDisconnect();  // each test talks to its own platformd
        gResults.clear();
        gActions.clear();
    }
    const aaaResult_t &authenticate(const char *user, const char *password, uint32_t lockout = 0) {
        aaaRequest_t req{};
        strlcpy(req.userName, user, sizeof req.userName);
        strlcpy(req.password, password, sizeof req.password);
        req.service = 7;
        req.lockout = lockout;
        size_t before = gResults.size();
        EXPECT_EQ(aaaAuthenticateClient(&req), 0);
        EXPECT_TRUE(pumpUntil([&] { return gResults.size() > before; }));
        if (gResults.size() <= before) gResults.resize(before + 1);
        return gResults.back();
    }
    SwitchHarness sw{{}};
};

TEST_F(AaaSmTest, LockoutFlagLocksOnlyThatAccount) {
    EXPECT_EQ(authenticate("admin", "wrong", 1).authenError, AAA_ERR_LOCKED_OUT);
    EXPECT_EQ(authenticate("admin", "").authenResult, 0) << "locked for the period";
    EXPECT_NE(authenticate("user", "").authenResult, 0);
}

// Accepted credentials are answered from memory, but a change of the accounts made by
// another process holds from the next request on, once that process has told platformd
// (as switchctl does after saving).
TEST_F(AaaSmTest, ChangedPasswordHoldsFromTheNextRequest) {
    ASSERT_NE(authenticate("admin", "").authenResult, 0);
    int marker = 7;
    aaaRequest_t req{};
    strlcpy(req.userName, "admin", sizeof req.userName);
    req.userdata = &marker;
    ASSERT_EQ(aaaAuthenticateClient(&req), 0);
    ASSERT_TRUE(pumpUntil([] { return gResults.size() == 2; }));
    EXPECT_NE(gResults[1].authenResult, 0);
    EXPECT_EQ(gResults[1].userdata, &marker) << "a remembered answer is the caller's own";
    EXPECT_TRUE(gResults[1].flags & AAA_FLAG_READ_WRITE);

    aaaAccountStore store(sw.configDir() + "/accounts");
    ASSERT_EQ(store.load(), 0);
    ASSERT_EQ(store.setPassword("admin", "changed"), 0);
    ASSERT_EQ(store.save(), 0);
    ASSERT_EQ(aaaAccountsChanged(), 0);
    EXPECT_EQ(authenticate("admin", "").authenResult, 0);
    EXPECT_NE(authenticate("admin", "changed").authenResult, 0);
    EXPECT_NE(authenticate("admin", "changed").authenResult, 0);

    ASSERT_EQ(store.remove("admin"), 0);
    ASSERT_EQ(store.save(), 0);
    ASSERT_EQ(aaaAccountsChanged(), 0);
    EXPECT_EQ(authenticate("admin", "changed").authenResult, 0);
}

// Every failure reaches platformd, also for a user whose password was accepted before:
// the failures lock the account, and the lock holds against the remembered password.
TEST_F(AaaSmTest, LockoutCountsEveryFailureBesideRememberedCredentials) {
    ASSERT_NE(authenticate("admin", "").authenResult, 0);
    ASSERT_NE(authenticate("admin", "").authenResult, 0);
    EXPECT_EQ(authenticate("admin", "wrong").authenError, AAA_ERR_BAD_CREDENTIALS);
    EXPECT_EQ(authenticate("admin", "wrong").authenError, AAA_ERR_BAD_CREDENTIALS);
    EXPECT_EQ(authenticate("admin", "wrong").authenError, AAA_ERR_LOCKED_OUT);
    const aaaResult_t &r = authenticate("admin", "");
    EXPECT_EQ(r.authenResult, 0);
    EXPECT_EQ(r.authenError, AAA_ERR_LOCKED_OUT);
    EXPECT_NE(authenticate("user", "").authenResult, 0);
}

TEST_F(AaaSmTest, EveryRequestGetsOneResultWhenPlatformdIsGone) {
    sw.stop();
    aaaRequest_t req{};
    strlcpy(req.userName, "admin", sizeof req.userName);
    int marker = 42;
    req.userdata = &marker;
    ASSERT_EQ(aaaAuthenticateClient(&req), 0);
    ASSERT_TRUE(pumpUntil([] { return !gResults.empty(); }));
    EXPECT_EQ(gResults[0].authenResult, 0);
    EXPECT_EQ(gResults[0].userdata, &marker);
    pumpUntil([] { return false; }, 200);
    EXPECT_EQ(gResults.size(), 1u) << "exactly one result";
}

TEST_F(AaaSmTest, SessionsAreRecordedListedAndEndedFromOutside) {
    smSession_t s{};
    strlcpy(s.userName, "admin", sizeof s.userName);
    strlcpy(s.cookie, "WSVDSession:0:0", sizeof s.cookie);
    s.clientAddress[0] = 127;
    s.clientAddress[3] = 1;
    s.sessionType = 5;
    s.active = 1;
    ASSERT_EQ(smStartOfSession(&s), 0);
    EXPECT_NE(smStartOfSession(&s), 0) << "a cookie is recorded once";

    // The operator's view and action, as switchctl asks for them.
    auto request = [](uint32_t kind, const char *cookie, std::string *text) {
        uint32_t id = plinkNextId();
        uint8_t buf[256];
        tlv_t t;
        tlvInit(&t, buf, sizeof buf);
        if (cookie) {
            tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, kind, PLINK_TAG_ID, TLV_ENC_U32, id,
                      PLINK_TAG_COOKIE, TLV_ENC_STRING, cookie, TLV_ENC_END);
        } else {
            tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, kind, PLINK_TAG_ID, TLV_ENC_U32, id,
                      TLV_ENC_END);
        }
        static uint8_t reply[PLINK_MAX_FRAME];
        int n = plinkRequest(&t, id, reply, sizeof reply, PLINK_TIMEOUT_MS);
        if (n < 0) return -1;
        tlv_t r;
        tlvInit(&r, reply, uint32_t(n));
        uint32_t status = 1;
        const char *out = "";
        tlvDecode(&r, PLINK_TAG_STATUS, TLV_DEC_U32, &status, TLV_DEC_END);
        tlvDecode(&r, PLINK_TAG_TEXT, TLV_DEC_STRING, &out, static_cast<uint32_t *>(nullptr),
                  TLV_DEC_END);
        if (text) *text = out;
        return int(status);
    };
    std::string list;
    ASSERT_EQ(request(PLINK_SM_LIST, nullptr, &list), 0);
    EXPECT_NE(list.find("WSVDSession:0:0"), std::string::npos) << list;
    EXPECT_NE(list.find("127.0.0.1"), std::string::npos) << list;

    EXPECT_EQ(request(PLINK_SM_KILL, "WSVDSession:9:9", nullptr), -1);
    ASSERT_EQ(request(PLINK_SM_KILL, "WSVDSession:0:0", nullptr), 0);
    ASSERT_TRUE(pumpUntil([] { return !gActions.empty(); }));
    EXPECT_EQ(gActions[0], "1 WSVDSession:0:0");

    EXPECT_EQ(smEndOfSession("WSVDSession:0:0"), 0);
    EXPECT_NE(smEndOfSession("WSVDSession:0:0"), 0);
    ASSERT_EQ(request(PLINK_SM_LIST, nullptr, &list), 0);
    EXPECT_EQ(list.find("WSVDSession:0:0"), std::string::npos);
}

}  // namespace
