// The wsvc program: against a scripted daemon (exit status and messages when the daemon
// misbehaves) and, when the switch's programs are built, end to end against a switch.
#include <unistd.h>

#include <chrono>
#include <memory>

#include "tests/support/run_tool.h"
#include "tests/support/scratch.h"
#include "tests/support/switch_harness.h"
#include "tests/tools/fake_daemon.h"

namespace {

const uint16_t kLink = 4712;

std::string pattern(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; i++) s += char('A' + (i * 7) % 26);
    return s;
}

// The scripted daemon's link and wsvc meet under a scratch directory.
class WsvcTest : public ::testing::Test {
protected:
    void SetUp() override { env_.set("KARN_RUN_LOCATION", dir_.path()); }
    ScratchDir dir_{"wt"};
    ScopedEnv env_;
};

TEST_F(WsvcTest, FailsWithAClearMessage) {
    struct Case {
        const char *name;
        std::function<void(int)> script;  // null: no daemon at all
        std::vector<std::string> args;
        int status;
        const char *message;
    };
    const Case cases[] = {
        {"no answer",
         [](int fd) {
             acceptHello(fd);
             PeerMessage m;
             readPeerMessage(fd, &m);
             readPeerMessage(fd, &m);  // silent until wsvc gives up and closes
         },
         {"-l", "4712", "-t", "1"},
         1,
         "wsvc: timed out waiting for wsvd"},
        {"bad timeout", nullptr, {"-t", "soon"}, 2, "wsvc: bad timeout \"soon\""},
        {"missing file", nullptr, {"-f", "/nonexistent/x"}, 2, "wsvc: cannot open /nonexistent/x"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<FakeDaemon> daemon;
        if (c.script) daemon = std::make_unique<FakeDaemon>(kLink, c.script);
        auto start = std::chrono::steady_clock::now();
        ToolRun r = runTool("wsvc", c.args, "echo hi");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
        EXPECT_EQ(r.out, "");
    }
    // A request cut short at a NUL byte would be another request: it is refused.
    ToolRun nul = runTool("wsvc", {"-l", "4712"}, std::string("echo \0more", 10));
    EXPECT_EQ(nul.status, 2);
    EXPECT_EQ(nul.err, "wsvc: the request contains a NUL byte\n");
}

bool switchBuilt() {
    return access((std::string(WSVD_BIN_DIR) + "/platformd").c_str(), X_OK) == 0 &&
           access((std::string(WSVD_BIN_DIR) + "/wsvd_testserve").c_str(), X_OK) == 0;
}

TEST(WsvcSwitchTest, LargeRequestInSmallFragmentsAndCredentialsArrive) {
    if (!switchBuilt()) GTEST_SKIP() << "platformd or wsvd_testserve not built";
    SwitchHarness sw;
    ASSERT_TRUE(sw.start());
    // Several of the daemon's own reply pieces, sent in 100-byte request fragments.
    const std::string text = "echo " + pattern(20000);
    ToolRun r = runTool("wsvc", {"-s", "100"}, text);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.size(), text.size());
    EXPECT_TRUE(r.out == text);
    // The user from the options and the password from the environment reach the daemon.
    r = runTool("wsvc", {"-u", "admin", "-n", "thttpd"}, "user", {{"WSVC_PASSWORD", "s3cret"}});
    EXPECT_EQ(r.out, "user=admin password=s3cret") << r.err;
}

TEST(WsvcSwitchTest, ReportsTheDaemonMissing) {
    if (!switchBuilt()) GTEST_SKIP() << "platformd or wsvd_testserve not built";
    // A switch whose only process is not wsvd: the directory service does not know it.
    SwitchHarness sw(std::vector<std::string>{});
    ASSERT_TRUE(sw.start());
    ToolRun r = runTool("wsvc", {"-t", "1"}, "echo hi");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "wsvc: cannot reach wsvd: not registered with the directory service\n");
}

}  // namespace
