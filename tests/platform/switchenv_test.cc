// The state directory's env file, as the platform process writes it and the
// tools read it.
#include "platform/switchenv.h"

#include <gtest/gtest.h>

#include <string>

#include "tests/support/scratch.h"

namespace {

class SwitchEnv : public ::testing::Test {
protected:
    ScratchDir scratch_{"senv"};
    std::string dir_ = scratch_.path();
};

TEST_F(SwitchEnv, ValuesSurviveTheShellQuotingWhateverTheyHold) {
    const char *values[] = {"/plain/path", "it's", "'", "a b\tc", "$HOME `x` \\ \"q\"", ""};
    ScopedEnv env;
    for (const char *value : values) {
        env.set("WSVD_TEST_VALUE", value);
        ASSERT_EQ(switchWriteEnv(dir_), 0);
        std::string text = readFile(dir_ + "/env");
        auto vars = switchParseEnv(text);
        EXPECT_EQ(vars["WSVD_TEST_VALUE"], value) << text;
        // The shell reads it the same way.
        std::string echo = "sh -c '. " + dir_ + "/env && printf %s \"$WSVD_TEST_VALUE\"'";
        FILE *p = popen(echo.c_str(), "r");
        ASSERT_TRUE(p);
        char buf[256] = {0};
        size_t n = fread(buf, 1, sizeof buf - 1, p);
        pclose(p);
        EXPECT_EQ(std::string(buf, n), value);
    }
    // Only the switch's own variables are taken, and only from lines it writes.
    auto vars = switchParseEnv(
        "export PATH='/evil'\nKARN_ROOT=/x\nexport KARN_ROOT='/ok'\n"
        "export KARN_RUN_LOCATION='unterminated\n");
    EXPECT_EQ(vars.size(), 1u);
    EXPECT_EQ(vars["KARN_ROOT"], "/ok");
}

}  // namespace
