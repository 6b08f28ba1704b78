// The integration-test harness itself: that it notices a process dying behind the
// test's back, lets a test kill and wait for a restarted process, and leaves no trace.
#include <signal.h>
#include <unistd.h>

#include <cstdlib>
#include <filesystem>

#include <gtest/gtest-spi.h>

#include "tests/support/switch_harness.h"

namespace {

bool switchBuilt() {
    return access((SwitchHarness::binDir() + "/platformd").c_str(), X_OK) == 0 &&
           access((SwitchHarness::binDir() + "/wsvd_testserve").c_str(), X_OK) == 0;
}

std::string echo(SwitchHarness &sw, const char *text) {
    WsvcConn c = sw.connect();
    std::string reply;
    if (!c) return "";
    wsvcRequest_t r;
    r.text = text;
    EXPECT_EQ(wsvcRoundTrip(c.get(), r, &reply, 5000), 0) << wsvcError(c.get());
    return reply;
}

TEST(SwitchHarnessTest, AnUnexpectedDeathFailsTheTest) {
    if (!switchBuilt()) GTEST_SKIP() << "platformd or wsvd_testserve not built";
    EXPECT_NONFATAL_FAILURE(
        {
            SwitchHarness sw;
            ASSERT_TRUE(sw.start());
            pid_t pid = sw.pidOf("wsvd_testserve");
            ASSERT_GT(pid, 0);
            ::kill(pid, SIGKILL);
            ASSERT_TRUE(sw.waitForLog("restarting wsvd"));
        },
        "a process of the switch failed");
}

// (Killing a process and waiting for its restart is what many tests do.)
TEST(SwitchHarnessTest, StartsAgainAfterStopAndLeavesNoTrace) {
    if (!switchBuilt()) GTEST_SKIP() << "platformd or wsvd_testserve not built";
    std::string dir;
    {
        SwitchHarness sw;
        ASSERT_TRUE(sw.start());
        dir = sw.dir();
        const char *run = getenv("KARN_RUN_LOCATION");
        EXPECT_EQ(std::string(run ? run : ""), sw.runDir());
        EXPECT_EQ(echo(sw, "echo one"), "echo one");
        int status = sw.stop();
        EXPECT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << status;
        EXPECT_EQ(sw.pidOf("wsvd_testserve"), -1);
        ASSERT_TRUE(sw.start());
        EXPECT_EQ(echo(sw, "echo three"), "echo three");
    }
    EXPECT_FALSE(std::filesystem::exists(dir));
}

}  // namespace
