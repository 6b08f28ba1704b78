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

TEST(SchemaStartup, MetadataIsReadFromTheRoot) {
    SwitchHarness sw({"wsvd=wsvd_testserve"}, SwitchHarness::Root::empty);
    std::string dir = sw.rootDir();
    for (const char *sub : {"/config", "/www", "/api", "/xsd"}) mkdir((dir += sub).c_str(), 0700);
    std::ofstream(dir + "/xsdlist.lst") << "objects.xsd\n";
    std::ofstream(dir + "/objects.xsd") << "<schema xmlns='http://www.w3.org/2001/XMLSchema'/>";
    ASSERT_TRUE(sw.start());
    EXPECT_EQ(sw.log().find(kMessage), std::string::npos) << sw.log();
}

// The metadata the build installs is read whole: no file of it is refused.
TEST(SchemaStartup, TheInstalledMetadataIsRead) {
    SwitchHarness sw({"wsvd=wsvd_testserve"});
    ASSERT_TRUE(sw.start());
    EXPECT_EQ(sw.log().find(kMessage), std::string::npos) << sw.log();
    EXPECT_EQ(sw.log().find("refused"), std::string::npos) << sw.log();
}

}  // namespace
