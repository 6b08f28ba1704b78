// The integration-test harness itself: that it notices a process dying behind the
// test's back (a clean stop and a restart are what other integration tests do).
#include <signal.h>
#include <unistd.h>

#include <gtest/gtest-spi.h>

#include "tests/support/switch_harness.h"

namespace {

bool switchBuilt() {
    return access((SwitchHarness::binDir() + "/platformd").c_str(), X_OK) == 0 &&
           access((SwitchHarness::binDir() + "/wsvd_testserve").c_str(), X_OK) == 0;
}

TEST(SwitchHarnessTest, AnUnexpectedDeathFailsTheTest) {
    if (!switchBuilt()) GTEST_SKIP() << "platformd or wsvd_testserve not built";
    EXPECT_NONFATAL_FAILURE(
        {
            SwitchHarness sw;
            ASSERT_TRUE(sw.start());
            ::kill(sw.pidOf("wsvd_testserve"), SIGKILL);
            ASSERT_TRUE(sw.waitForLog("restarting wsvd"));
        },
        "a process of the switch failed");
}

}  // namespace
