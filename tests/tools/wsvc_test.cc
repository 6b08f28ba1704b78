// The wsvc program: its usage errors, and end to end against a switch, which is where
// requests cut into fragments are checked (the client library's reply checks and waits are
// tested on their own).
#include <gtest/gtest.h>

#include "tests/support/run_tool.h"
#include "tests/support/switch_harness.h"

namespace {

TEST(WsvcTest, UsageErrorsExitWithTwo) {
    const struct {
        std::vector<std::string> args;
        std::string input;
        const char *message;
    } cases[] = {
        {{"-t", "soon"}, "echo hi", "wsvc: bad timeout \"soon\"\n"},
        // A request cut short at a NUL byte would be another request.
        {{}, std::string("echo \0more", 10), "wsvc: the request contains a NUL byte\n"},
    };
    for (const auto &c : cases) {
        ToolRun r = runTool("wsvc", c.args, c.input);
        EXPECT_EQ(r.status, 2) << c.message;
        EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
    }
}

TEST(WsvcSwitchTest, LargeRequestInSmallFragmentsAndCredentialsArrive) {
    SwitchHarness sw;
    ASSERT_TRUE(sw.start());
    // Several of the daemon's own reply pieces, sent in 100-byte request fragments.
    std::string text = "echo ";
    for (size_t i = 0; i < 20000; i++) text += char('A' + (i * 7) % 26);
    ToolRun r = runTool("wsvc", {"-s", "100"}, text);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_TRUE(r.out == text);
    // The user from the options and the password from the environment reach the daemon.
    r = runTool("wsvc", {"-u", "admin", "-n", "thttpd"}, "user", {{"WSVC_PASSWORD", "s3cret"}});
    EXPECT_EQ(r.out, "user=admin password=s3cret") << r.err;
}

TEST(WsvcSwitchTest, ReportsTheDaemonMissing) {
    // A switch whose only process is not wsvd: the directory service does not know it.
    SwitchHarness sw(std::vector<std::string>{});
    ASSERT_TRUE(sw.start());
    ToolRun r = runTool("wsvc", {"-t", "1"}, "echo hi");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "wsvc: cannot reach wsvd: not registered with the directory service\n");
}

}  // namespace
