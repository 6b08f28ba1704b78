// The state directory's lock and env file, as the platform process writes them and the
// tools read them.
#include "platform/switchenv.h"

#include <gtest/gtest.h>
#include <sys/wait.h>
#include <unistd.h>

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

TEST_F(SwitchEnv, TheLockNamesItsHolderOnlyWhileItLives) {
    EXPECT_EQ(switchLockHolder(dir_), 0);
    int ready[2], done[2];
    ASSERT_EQ(pipe(ready), 0);
    ASSERT_EQ(pipe(done), 0);
    pid_t child = fork();
    if (child == 0) {
        close(done[1]);
        pid_t ignored;
        char c = switchLock(dir_, &ignored) >= 0 ? 'y' : 'n';
        if (write(ready[1], &c, 1) != 1) _exit(1);
        // Holds the lock until the test closes its end (or ends).
        if (read(done[0], &c, 1) < 0) _exit(1);
        _exit(0);
    }
    char c = 0;
    ASSERT_EQ(read(ready[0], &c, 1), 1);
    ASSERT_EQ(c, 'y');
    EXPECT_EQ(switchLockHolder(dir_), child);
    pid_t holder = 0;
    EXPECT_LT(switchLock(dir_, &holder), 0);
    EXPECT_EQ(holder, child);

    close(done[1]);
    waitpid(child, nullptr, 0);
    EXPECT_EQ(switchLockHolder(dir_), 0);
    int fd = switchLock(dir_, &holder);
    EXPECT_GE(fd, 0);
    close(fd);
    close(ready[0]);
    close(ready[1]);
    close(done[0]);
}

}  // namespace
