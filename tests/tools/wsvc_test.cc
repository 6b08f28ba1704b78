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
    ToolRun wsvc(const std::vector<std::string> &args, const std::string &input,
                 const char *password = "") {
        return runTool("wsvc", args, input, {{"WSVC_PASSWORD", password}});
    }
    ScratchDir dir_{"wt"};
    ScopedEnv env_;
};

TEST_F(WsvcTest, SendsFragmentsWithTheHeaderAndPrintsTheReply) {
    const std::string text = pattern(1000);
    std::vector<uint32_t> types;
    std::string received, user, password;
    {
        FakeDaemon daemon(kLink, [&](int fd) {
            acceptHello(fd, "thttpd");
            PeerMessage m;
            while (readPeerMessage(fd, &m)) {
                types.push_back(m.type);
                received += m.text;
                user = m.header.userName;
                password = m.header.password;
                if (m.type == WSVD_MSG_REQUEST_LAST) break;
            }
            writeFrame(fd, encodeReply(8, m.header.seqnum, 0, "re: "));
            writeFrame(fd, encodeReply(10, m.header.seqnum, 4, received));
        });
        ToolRun r =
            wsvc({"-l", "4712", "-s", "300", "-n", "thttpd", "-u", "admin"}, text, "s3cret");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "re: " + text);
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(types, (std::vector<uint32_t>{4, 5, 5, 6}));
    EXPECT_EQ(received, text);
    EXPECT_EQ(user, "admin");
    EXPECT_EQ(password, "s3cret");
}

TEST_F(WsvcTest, FailsWithAClearMessage) {
    struct Case {
        const char *name;
        std::function<void(int)> script;  // null: no daemon at all
        std::vector<std::string> args;
        int status;
        const char *message;
    };
    const Case cases[] = {
        {"no daemon", nullptr, {"-l", "4712"}, 1, "wsvc: cannot reach wsvd: cannot connect"},
        {"daemon goes away",
         [](int fd) {
             acceptHello(fd);
             PeerMessage m;
             readPeerMessage(fd, &m);
             writeFrame(fd, encodeReply(8, m.header.seqnum, 0, "partial"));
         },
         {"-l", "4712"},
         1,
         "wsvc: wsvd closed the connection"},
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
        {"bad fragment size", nullptr, {"-s", "0"}, 2, "wsvc: bad fragment size \"0\""},
        {"bad timeout", nullptr, {"-t", "soon"}, 2, "wsvc: bad timeout \"soon\""},
        {"stray argument", nullptr, {"extra"}, 2, "usage: wsvc"},
        {"missing file", nullptr, {"-f", "/nonexistent/x"}, 2, "wsvc: cannot open /nonexistent/x"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<FakeDaemon> daemon;
        if (c.script) daemon = std::make_unique<FakeDaemon>(kLink, c.script);
        auto start = std::chrono::steady_clock::now();
        ToolRun r = wsvc(c.args, "echo hi");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
        EXPECT_EQ(r.out, "");
    }
    // A request cut short at a NUL byte would be another request: it is refused.
    ToolRun nul = wsvc({"-l", "4712"}, std::string("echo \0more", 10));
    EXPECT_EQ(nul.status, 2);
    EXPECT_EQ(nul.err, "wsvc: the request contains a NUL byte\n");
}

bool switchBuilt() {
    return access((std::string(WSVD_BIN_DIR) + "/platformd").c_str(), X_OK) == 0 &&
           access((std::string(WSVD_BIN_DIR) + "/wsvd_testserve").c_str(), X_OK) == 0;
}

TEST(WsvcSwitchTest, LargeRequestInSmallFragmentsComesBackIntact) {
    if (!switchBuilt()) GTEST_SKIP() << "platformd or wsvd_testserve not built";
    SwitchHarness sw;
    ASSERT_TRUE(sw.start());
    // Several of the daemon's own reply pieces, sent in 100-byte request fragments.
    const std::string text = "echo " + pattern(20000);
    ToolRun r = runTool("wsvc", {"-s", "100"}, text);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.size(), text.size());
    EXPECT_TRUE(r.out == text);
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
