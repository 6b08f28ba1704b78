// The daemon on a running switch: platformd starts wsvd_testserve, and peers talk to it
// over the real request link.
#include <gtest/gtest.h>

#include <fstream>
#include <string>
#include <vector>

#include "daemon/intake.h"
#include "platform/ipml.h"
#include "platform/tlv.h"
#include "platform/wsvd_link.h"
#include "tests/support/switch_harness.h"

namespace {

std::string pattern(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; i++) s += char('a' + i % 26);
    return s;
}

class LinkTest : public ::testing::Test {
protected:
    SwitchHarness sw{{"wsvd=wsvd_testserve"}};
    void SetUp() override { ASSERT_TRUE(sw.start()); }

    std::string roundTrip(wsvcConn_t *c, const std::string &text, uint32_t id = 1) {
        std::string reply;
        wsvcRequest_t r;
        r.text = text;
        r.requestId = id;
        EXPECT_EQ(wsvcRoundTrip(c, r, &reply, 10000), 0) << wsvcError(c);
        return reply;
    }
    // Reads one whole reply message by message, checking types and offsets.
    std::vector<wsvcMessage_t> readReplyMessages(wsvcConn_t *c) {
        std::vector<wsvcMessage_t> out;
        for (;;) {
            wsvcMessage_t m;
            if (wsvcReadMessage(c, &m, 10000) != 0) {
                ADD_FAILURE() << wsvcError(c);
                return out;
            }
            if (m.type < WSVD_MSG_REPLY || m.type > WSVD_MSG_REPLY_LAST) continue;
            out.push_back(m);
            if (m.type == WSVD_MSG_REPLY || m.type == WSVD_MSG_REPLY_LAST) return out;
        }
    }
};

TEST_F(LinkTest, RequestInThreeFragmentsIsServedOnceInOrder) {
    WsvcConn c = sw.connect();
    ASSERT_TRUE(c);
    wsvcSetFragmentSize(c.get(), 6);
    EXPECT_EQ(roundTrip(c.get(), "echo 123456abcdef"), "echo 123456abcdef");  // 4, 5, 6
    wsvcSetFragmentSize(c.get(), WSVC_DEFAULT_FRAGMENT);
    EXPECT_EQ(roundTrip(c.get(), "echo again"), "echo again");  // nothing left over
}

TEST_F(LinkTest, LongReplyIsStreamedWithRunningOffsets) {
    WsvcConn c = sw.connect();
    ASSERT_TRUE(c);
    wsvcRequest_t r;
    r.text = "reply 10000 7";
    ASSERT_EQ(wsvcSendRequest(c.get(), r), 0);
    std::vector<wsvcMessage_t> msgs = readReplyMessages(c.get());
    ASSERT_GE(msgs.size(), 3u);
    std::string all;
    for (size_t i = 0; i < msgs.size(); i++) {
        uint32_t want = i == 0                 ? WSVD_MSG_REPLY_FIRST
                        : i + 1 == msgs.size() ? WSVD_MSG_REPLY_LAST
                                               : WSVD_MSG_REPLY_MORE;
        EXPECT_EQ(msgs[i].type, want) << "message " << i;
        EXPECT_EQ(msgs[i].record.replyOffset, all.size()) << "message " << i;
        all += msgs[i].text;
    }
    EXPECT_EQ(all, pattern(10000));
}

TEST_F(LinkTest, EmptyReplyStillGetsAFinalMessage) {
    WsvcConn c = sw.connect();
    ASSERT_TRUE(c);
    wsvcRequest_t r;
    r.text = "empty";
    r.requestId = 77;
    ASSERT_EQ(wsvcSendRequest(c.get(), r), 0);
    std::vector<wsvcMessage_t> msgs = readReplyMessages(c.get());
    ASSERT_EQ(msgs.size(), 1u);
    EXPECT_EQ(msgs[0].type, (uint32_t)WSVD_MSG_REPLY);
    EXPECT_EQ(msgs[0].text, "");
    EXPECT_EQ(msgs[0].record.peerRequestId, 77u);
}

// The worker is held on a question to the CLI peer, which the test answers: the gate.
TEST_F(LinkTest, QueueOverflowIsRefusedAndTheRestServedInOrder) {
    WsvcConn c = sw.connect(), cli = sw.connect("cli");
    ASSERT_TRUE(c && cli);
    wsvcRequest_t r;
    r.text = "cli hold";
    r.requestId = 1;
    ASSERT_EQ(wsvcSendRequest(c.get(), r), 0);
    std::string text;
    uint32_t seqnum = 0;
    ASSERT_EQ(wsvcWaitCliRequest(cli.get(), &text, &seqnum, 10000), 0) << "the worker is busy";
    for (int i = 0; i <= WSVD_MAX_WAITING; i++) {
        wsvcRequest_t q;
        std::string echo = "echo " + std::to_string(i);
        q.text = echo;
        q.requestId = 1000 + i;
        ASSERT_EQ(wsvcSendRequest(c.get(), q), 0) << wsvcError(c.get());
    }
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

TEST_F(LinkTest, CliPeerIsUsedWhileConnectedAndForgottenAfter) {
    WsvcConn c = sw.connect();
    ASSERT_TRUE(c);
    EXPECT_EQ(roundTrip(c.get(), "cli show vlan"), "no cli");
    {
        WsvcConn cli = sw.connect("cli");
        ASSERT_TRUE(cli);
        wsvcRequest_t r;
        r.text = "cli show vlan";
        ASSERT_EQ(wsvcSendRequest(c.get(), r), 0);
        std::string text;
        uint32_t seqnum = 0;
        ASSERT_EQ(wsvcWaitCliRequest(cli.get(), &text, &seqnum, 10000), 0) << wsvcError(cli.get());
        EXPECT_EQ(text, "show vlan");
        ASSERT_EQ(wsvcSendCliAnswer(cli.get(), seqnum, 0, "all fine"), 0);
        std::string reply;
        ASSERT_EQ(wsvcReadReply(c.get(), &reply, nullptr, 10000), 0);
        EXPECT_EQ(reply, "status=1 all fine");  // status 0 from the CLI means success
    }
    // The daemon sees the leave asynchronously; give it a bounded number of tries.
    std::string reply;
    for (int i = 0; i < 50 && reply != "no cli"; i++) reply = roundTrip(c.get(), "cli x", 2 + i);
    EXPECT_EQ(reply, "no cli");
}

TEST_F(LinkTest, PeerLeavingMidRequestDoesNotDisturbOthers) {
    WsvcConn c = sw.connect(), cli = sw.connect("cli");
    ASSERT_TRUE(c && cli);
    uint32_t seqnum = 0;
    {
        WsvcConn gone = sw.connect();
        ASSERT_TRUE(gone);
        wsvcRequest_t r;
        r.text = "cli hold";
        ASSERT_EQ(wsvcSendRequest(gone.get(), r), 0);
        std::string text;
        ASSERT_EQ(wsvcWaitCliRequest(cli.get(), &text, &seqnum, 10000), 0);
        // A request left half-sent: only its first fragment arrives.
        uint8_t frame[1024];
        wsvdRequest header{};
        uint8_t packed[WSVD_HDR_SIZE];
        wsvdHeaderPack(&header, packed);
        tlv_t t;
        tlvInit(&t, frame, sizeof frame);
        tlvEncode(&t, WSVD_TAG_TYPE, TLV_ENC_U32, (uint32_t)WSVD_MSG_REQUEST_FIRST, WSVD_TAG_HEADER,
                  TLV_ENC_BLOCK, packed, (uint32_t)WSVD_HDR_SIZE, WSVD_TAG_TEXT, TLV_ENC_STRING,
                  "echo never finished", TLV_ENC_END);
        ASSERT_EQ(ipmlWriteFrame(wsvcFd(gone.get()), frame, tlvLength(&t)), 0);
    }
    ASSERT_EQ(wsvcSendCliAnswer(cli.get(), seqnum, 0, "late"), 0);  // served, not answered
    EXPECT_EQ(roundTrip(c.get(), "echo still here"), "echo still here");
}

TEST_F(LinkTest, HeaderFieldsComeBackWithTheReply) {
    WsvcConn c = sw.connect();
    ASSERT_TRUE(c);
    wsvcRequest_t r;
    r.text = "user";
    r.requestId = 5;
    r.userName = "admin";
    r.password = "secret";
    r.headerWord = 0x1234;
    r.headerText = "carried";
    ASSERT_EQ(wsvcSendRequest(c.get(), r), 0);
    std::vector<wsvcMessage_t> msgs = readReplyMessages(c.get());
    ASSERT_EQ(msgs.size(), 1u);
    // The text names no session, so the header's credentials stand.
    EXPECT_EQ(msgs[0].text, "user=admin password=secret");
    EXPECT_EQ(msgs[0].record.peerRequestId, 5u);
    EXPECT_EQ(msgs[0].record.headerWord, 0x1234u);
    EXPECT_STREQ(msgs[0].record.headerText, "carried");
    EXPECT_EQ(msgs[0].record.clientKind, 2u);
}

TEST_F(LinkTest, ExecHookReplaysAStoredRequest) {
    {
        std::ofstream f(sw.configDir() + "/stored.txt");
        f << "echo from a file";
    }
    WsvcConn c = sw.connect();
    ASSERT_TRUE(c);
    EXPECT_EQ(roundTrip(c.get(), "  <exec> stored.txt\nignored"), "echo from a file");
    EXPECT_TRUE(sw.waitForLog("Reading from file : stored.txt\n"));
}

TEST_F(LinkTest, ExecHookWithoutItsFileEndsTheProcess) {
    WsvcConn c = sw.connect();
    ASSERT_TRUE(c);
    sw.expectDeaths();
    wsvcRequest_t r;
    r.text = "<exec>";
    ASSERT_EQ(wsvcSendRequest(c.get(), r), 0);
    EXPECT_TRUE(sw.waitForLog("Could not open file : xmlTest.xml, Line No: 1686\n"));
    EXPECT_TRUE(sw.waitForLog("exited with status 1"));
}

TEST_F(LinkTest, CliPeerLeavingBeforeItAnswersFailsTheAskerAtOnce) {
    WsvcConn c = sw.connect();
    ASSERT_TRUE(c);
    WsvcConn cli = sw.connect("cli");
    ASSERT_TRUE(cli);
    wsvcRequest_t r;
    r.text = "cli policy.pol";
    ASSERT_EQ(wsvcSendRequest(c.get(), r), 0);
    std::string text;
    uint32_t seqnum = 0;
    ASSERT_EQ(wsvcWaitCliRequest(cli.get(), &text, &seqnum, 10000), 0) << wsvcError(cli.get());
    cli.reset();
    // Well before the asker's own guard of 5 s would give "timeout".
    std::string reply;
    ASSERT_EQ(wsvcReadReply(c.get(), &reply, nullptr, 10000), 0);
    EXPECT_EQ(reply, "status=0 Cli process is not available");
}

}  // namespace
