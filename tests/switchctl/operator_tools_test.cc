// The operator's tools against a running switch, started as a person starts them: from
// a shell that knows nothing of the switch but its state directory.
#include <gtest/gtest.h>

#include <cstring>
#include <regex>
#include <string>
#include <vector>

#include "tests/support/platform_clients.h"
#include "tests/support/run_tool.h"
#include "tests/support/scratch.h"
#include "tests/support/switch_harness.h"

namespace {

// A shell with no KARN_* variable, in a project whose state directory is `state`.
std::vector<std::pair<std::string, std::string>> shellOf(const std::string &state) {
    return {{"KARN_RUN_LOCATION", ""},     {"KARN_CONFIG_LOCATION", ""}, {"KARN_ROOT", ""},
            {"KARN_SCRATCH_LOCATION", ""}, {"KARN_LOG_LOCATION", ""},    {"WSVD_STATE", state}};
}

TEST(OperatorTools, EveryToolFindsTheSwitchThroughItsEnvFile) {
    SwitchHarness sw({"wsvd=wsvd_testserve"});
    ASSERT_TRUE(sw.start());
    auto shell = shellOf(sw.dir());
    std::string env = readFile(sw.dir() + "/env");

    ToolRun sessions = runTool("switchctl", {"sessions", "list"}, "", shell);
    EXPECT_EQ(sessions.status, 0) << sessions.err;
    EXPECT_EQ(sessions.out.rfind("ID ", 0), 0u) << sessions.out;
    ToolRun cli = runTool("cli", {"-i"}, "show management sessions\nexit\n", shell);
    EXPECT_EQ(cli.status, 0) << cli.err;
    EXPECT_NE(cli.out.find("ID "), std::string::npos) << cli.out;

    // Stopped, the switch takes its env file along; one left behind by a switch that
    // died is recognised, since nobody holds the lock any more.
    sw.stop();
    for (bool leftBehind : {false, true}) {
        if (leftBehind) writeFile(sw.dir() + "/env", env);
        std::string why = leftBehind ? "is left from one that stopped" : "(no " + sw.dir() + "/env";
        for (auto &[tool, args] : std::vector<std::pair<std::string, std::vector<std::string>>>{
                 {"switchctl", {"sessions", "list"}}, {"wsvc", {}}, {"cli", {"-i"}}}) {
            ToolRun r = runTool(tool, args, "echo x\n", shell);
            EXPECT_EQ(r.status, 1) << tool;
            EXPECT_NE(r.err.find(tool + ": the switch is not running"), std::string::npos)
                << tool << ": " << r.err;
            EXPECT_NE(r.err.find(why), std::string::npos) << tool << ": " << r.err;
        }
    }
}

class WithPlatformClients : public ::testing::Test {
protected:
    void SetUp() override { PlatformClients::start("optest"); }
    static int authenticate(const char *user, const char *password) {
        return PlatformClients::authenticate(user, password).authenResult;
    }
};

TEST_F(WithPlatformClients, LockOutIsShownLoggedAndUndone) {
    SwitchHarness sw(std::vector<std::string>{});
    ASSERT_TRUE(sw.start());
    auto shell = shellOf(sw.dir());
    for (int i = 0; i < 3; i++) EXPECT_EQ(authenticate("admin", "wrong"), 0);
    EXPECT_EQ(authenticate("admin", ""), 0) << "locked: the right password fails too";

    ToolRun list = runTool("switchctl", {"users", "list"}, "", shell);
    EXPECT_EQ(list.status, 0) << list.err;
    // Time left, not time passed: a loaded machine may take a minute to get here.
    EXPECT_TRUE(std::regex_search(
        list.out, std::regex("\nadmin +read-write +locked, (2[4-9][0-9]|30[0-9]) s left\n")))
        << list.out;

    ToolRun unlock = runTool("switchctl", {"users", "unlock", "admin"}, "", shell);
    EXPECT_EQ(unlock.status, 0) << unlock.err;
    EXPECT_EQ(unlock.out, "account \"admin\" unlocked\n");
    EXPECT_NE(authenticate("admin", ""), 0);

    ToolRun again = runTool("switchctl", {"users", "unlock", "admin"}, "", shell);
    EXPECT_EQ(again.status, 1);
    EXPECT_EQ(again.err, "switchctl: account \"admin\" is not locked\n");
}

TEST_F(WithPlatformClients, SessionsListedReadablyAndEndedTogether) {
    SwitchHarness sw(std::vector<std::string>{});
    ASSERT_TRUE(sw.start());
    for (const char *cookie : {"s1", "s2"}) {
        smSession_t s{};
        strlcpy(s.userName, cookie[1] == '1' ? "admin" : "user", sizeof s.userName);
        strlcpy(s.cookie, cookie, sizeof s.cookie);
        s.privilege = cookie[1] == '1' ? 2 : 1;
        s.startTime = monotime(nullptr);
        ASSERT_EQ(smStartOfSession(&s), 0);
    }
    auto shell = shellOf(sw.dir());
    ToolRun list = runTool("switchctl", {"sessions", "list"}, "", shell);
    EXPECT_EQ(list.status, 0) << list.err;
    // The start is a date and time of day, the privilege a word.
    EXPECT_TRUE(std::regex_search(
        list.out, std::regex("\ns1 +admin +- +[^ ]+ +[0-9-]{10} [0-9:]{8} +read-write\n")))
        << list.out;
    EXPECT_TRUE(std::regex_search(list.out, std::regex("\ns2 +user .* read-only\n"))) << list.out;

    ToolRun end = runTool("switchctl", {"sessions", "end", "--all"}, "", shell);
    EXPECT_EQ(end.status, 0) << end.err;
    EXPECT_EQ(end.out, "sessions told to end: 2\n");
    EXPECT_TRUE(pumpUntil([] { return PlatformClients::actions.size() == 2; }));
    ToolRun unknown = runTool("switchctl", {"sessions", "end", "s9"}, "", shell);
    EXPECT_EQ(unknown.status, 1);
    EXPECT_EQ(unknown.err, "switchctl: no session has the id \"s9\"\n");
    // A command it cannot read is told apart from one that failed.
    ToolRun bad = runTool("switchctl", {"sessions", "end"}, "", shell);
    EXPECT_EQ(bad.status, 2);
    EXPECT_EQ(bad.err.rfind("usage: switchctl", 0), 0u) << bad.err;
}

}  // namespace
