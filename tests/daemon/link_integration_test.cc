// The daemon on a running switch: platformd starts wsvd_testserve, and peers talk to it
// over the real request link. What the intake and the worker do alone is tested without
// sockets; here only what needs the processes talking.
#include <gtest/gtest.h>

#include <string>

#include "daemon/intake.h"
#include "platform/wsvd_link.h"
#include "tests/support/switch_harness.h"

namespace {

class LinkTest : public ::testing::Test {
protected:
    SwitchHarness sw{{"wsvd=wsvd_testserve"}};
    WsvcConn c;
    void SetUp() override {
        ASSERT_TRUE(sw.start());
        c = sw.connect();
        ASSERT_TRUE(c);
    }
    void send(const std::string &text, uint32_t id = 1) {
        wsvcRequest_t r;
        r.text = text;
        r.requestId = id;
        ASSERT_EQ(wsvcSendRequest(c.get(), r), 0) << wsvcError(c.get());
    }
    std::string roundTrip(const std::string &text, uint32_t id = 1) {
        send(text, id);
        std::string reply;
        EXPECT_EQ(wsvcReadReply(c.get(), &reply, nullptr, 10000), 0) << wsvcError(c.get());
        return reply;
    }
};

// The worker is held on a question to the CLI peer, which the test answers: the gate.
TEST_F(LinkTest, QueueOverflowIsRefusedAndTheRestServedInOrder) {
    WsvcConn cli = sw.connect("cli");
    ASSERT_TRUE(cli);
    send("cli hold");
    std::string text;
    uint32_t seqnum = 0;
    ASSERT_EQ(wsvcWaitCliRequest(cli.get(), &text, &seqnum, 10000), 0) << "the worker is busy";
    for (int i = 0; i <= WSVD_MAX_WAITING; i++) send("echo " + std::to_string(i), 1000 + i);
    // The refusal comes at once, before any queued request is served.
    std::string reply;
    uint32_t id = 0;
    ASSERT_EQ(wsvcReadReply(c.get(), &reply, &id, 10000), 0) << wsvcError(c.get());
    EXPECT_EQ(id, 1000u + WSVD_MAX_WAITING);
    EXPECT_EQ(reply,
              "<reply><status>ERROR</status><message>Too many oustanding SOAP "
              "requests.</message></reply>");
    ASSERT_EQ(wsvcSendCliAnswer(cli.get(), seqnum, 0, "open"), 0);
    ASSERT_EQ(wsvcReadReply(c.get(), &reply, &id, 10000), 0);
    EXPECT_EQ(id, 1u);
    EXPECT_EQ(reply, "status=1 open");  // status 0 from the CLI means success
    for (int i = 0; i < WSVD_MAX_WAITING; i++) {
        ASSERT_EQ(wsvcReadReply(c.get(), &reply, &id, 10000), 0) << i << wsvcError(c.get());
        ASSERT_EQ(id, 1000u + i);
        ASSERT_EQ(reply, "echo " + std::to_string(i));
    }
}

// The CLI peer is asked while it is connected; leaving before it answers fails the asker
// at once (well before the asker's own guard of 5 s would give "timeout"), and the
// daemon forgets it.
TEST_F(LinkTest, CliPeerIsUsedWhileConnectedAndForgottenWhenItLeaves) {
    EXPECT_EQ(roundTrip("cli show vlan"), "no cli");
    WsvcConn cli = sw.connect("cli");
    ASSERT_TRUE(cli);
    send("cli show vlan");
    std::string text, reply;
    uint32_t seqnum = 0;
    ASSERT_EQ(wsvcWaitCliRequest(cli.get(), &text, &seqnum, 10000), 0) << wsvcError(cli.get());
    EXPECT_EQ(text, "show vlan");
    cli.reset();
    ASSERT_EQ(wsvcReadReply(c.get(), &reply, nullptr, 10000), 0);
    EXPECT_EQ(reply, "status=0 Cli process is not available");
    for (int i = 0; i < 50 && reply != "no cli"; i++) reply = roundTrip("cli x", 2 + i);
    EXPECT_EQ(reply, "no cli");
}

// The exec hook replays a file of the configuration directory; without its file the
// process ends, as the original does.
// A peer is taken for a local client (no session or credentials asked) or for the web
// server by the name it gives in its hello; any other name is neither.
TEST_F(LinkTest, PeersAreClassedByTheirNames) {
    const struct {
        const char *name;
        const char *kind;
    } kCases[] = {{"wsvc", "kind=2"}, {"thttpd", "kind=1"}, {"tool", "kind=0"}};
    for (const auto &k : kCases) {
        SCOPED_TRACE(k.name);
        c = sw.connect(k.name);
        ASSERT_TRUE(c);
        EXPECT_EQ(roundTrip("kind"), k.kind);
    }
}

TEST_F(LinkTest, ExecHookReplaysAStoredRequestOrEndsTheProcess) {
    writeFile(sw.configDir() + "/stored.txt", "echo from a file");
    EXPECT_EQ(roundTrip("  <exec> stored.txt\nignored"), "echo from a file");
    EXPECT_TRUE(sw.waitForLog("Reading from file : stored.txt\n"));
    sw.expectDeaths();
    send("<exec>");
    EXPECT_TRUE(sw.waitForLog("Could not open file : xmlTest.xml, Line No: 1686\n"));
    EXPECT_TRUE(sw.waitForLog("exited with status 1"));
}

// Start-up builds the object registry from $KARN_ROOT/config/www/api/xsd; without usable
// metadata it says so and serves anyway.
TEST(SchemaStartup, WithoutMetadataTheDaemonStillRuns) {
    SwitchHarness sw({"wsvd=wsvd_testserve"}, SwitchHarness::Root::empty);
    ASSERT_TRUE(sw.start());  // wsvd answers
    EXPECT_TRUE(sw.waitForLog("Could not init XML Schema Parse"));
}

}  // namespace
