// Start-up builds the object registry from $KARN_ROOT/config/www/api/xsd; without usable
// metadata it says so and serves anyway.
#include <gtest/gtest.h>

#include <sys/stat.h>

#include <fstream>
#include <string>

#include "tests/support/switch_harness.h"

namespace {

const char kMessage[] = "Could not init XML Schema Parse";

TEST(SchemaStartup, WithoutMetadataTheDaemonStillRuns) {
    SwitchHarness sw({"wsvd=wsvd_testserve"}, SwitchHarness::Root::empty);
    ASSERT_TRUE(sw.start());  // wsvd answers
    EXPECT_TRUE(sw.waitForLog(kMessage));
}

// The metadata the build installs is read whole: no file of it is refused.
TEST(SchemaStartup, TheInstalledMetadataIsRead) {
    SwitchHarness sw({"wsvd=wsvd_testserve"});
    ASSERT_TRUE(sw.start());
    EXPECT_EQ(sw.log().find(kMessage), std::string::npos) << sw.log();
    EXPECT_EQ(sw.log().find("refused"), std::string::npos) << sw.log();
}

}  // namespace
