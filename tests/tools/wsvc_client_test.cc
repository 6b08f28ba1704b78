// The client library against a scripted daemon: fragmentation of requests, reassembly
// and checking of replies, and what the caller sees when the daemon misbehaves.
#include <chrono>
#include <cstdlib>

#include "platform/wsvc_client.h"
#include "tests/support/scratch.h"
#include "tests/tools/fake_daemon.h"

namespace {

const uint16_t kLink = 4711;

class WsvcClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        env_.set("KARN_RUN_LOCATION", dir_.path());
        signal(SIGPIPE, SIG_IGN);
    }
    wsvcConn_t *connect(int timeoutMs = 2000, const char *name = "wsvc") {
        wsvcConn_t *c = wsvcConnect(name, kLink, timeoutMs, &error_);
        EXPECT_NE(c, nullptr) << error_;
        return c;
    }
    ScratchDir dir_{"wc"};
    ScopedEnv env_;
    std::string error_;
};

struct FragmentCase {
    size_t textLength;
    uint32_t fragmentSize;
    std::vector<uint32_t> types;
};

TEST_F(WsvcClientTest, RequestsAreCutIntoFragmentsThatCarryTheHeader) {
    const FragmentCase cases[] = {
        {0, 100, {3}},
        {100, 100, {3}},
        {101, 100, {4, 6}},
        {250, 100, {4, 5, 6}},
    };
    for (const FragmentCase &c : cases) {
        SCOPED_TRACE("length " + std::to_string(c.textLength) + " fragment " +
                     std::to_string(c.fragmentSize));
        std::string text;
        for (size_t i = 0; i < c.textLength; i++) text += char('a' + i % 26);
        std::vector<PeerMessage> got;
        {
            FakeDaemon daemon(kLink, [&](int fd) {
                acceptHello(fd);
                PeerMessage m;
                while (readPeerMessage(fd, &m, 2000)) {
                    got.push_back(m);
                    if (m.type == WSVD_MSG_REQUEST || m.type == WSVD_MSG_REQUEST_LAST) break;
                }
            });
            wsvcConn_t *conn = connect();
            ASSERT_NE(conn, nullptr);
            wsvcSetFragmentSize(conn, c.fragmentSize);
            wsvcRequest_t r;
            r.text = text;
            r.requestId = 4242;
            r.userName = "admin";
            r.password = std::string(40, 'p');  // longer than its field: cut to 32
            r.connectionKind = WSVD_CONN_HTTPS;
            r.headerWord = 0xfeedf00d;
            r.headerText = "carried";
            r.clientAddress[0] = 10;
            r.clientAddress[15] = 9;
            EXPECT_EQ(wsvcSendRequest(conn, r), 0) << wsvcError(conn);
            wsvcClose(conn);
        }
        std::vector<uint32_t> types;
        std::string joined;
        for (const PeerMessage &m : got) {
            types.push_back(m.type);
            joined += m.text;
            EXPECT_LE(m.text.size(), c.fragmentSize);
            EXPECT_EQ(m.header.seqnum, 4242u);
            EXPECT_STREQ(m.header.userName, "admin");
            EXPECT_EQ(std::string(m.header.password), std::string(32, 'p'));
            EXPECT_EQ(m.header.connectionKind, uint32_t(WSVD_CONN_HTTPS));
            EXPECT_EQ(m.header.headerWord, 0xfeedf00du);
            EXPECT_STREQ(m.header.headerText, "carried");
            EXPECT_EQ(m.header.clientAddress[0], 10);
            EXPECT_EQ(m.header.clientAddress[15], 9);
        }
        EXPECT_EQ(types, c.types);
        EXPECT_EQ(joined, text);
    }
}

struct ReplyMsg {
    uint32_t type, requestId, offset;
    std::string piece;
};
struct ReplyCase {
    const char *name;
    std::vector<ReplyMsg> messages;
    const char *expected;  // the reassembled reply, or nullptr when reading must fail
    const char *error;     // part of the error text when it fails
};

TEST_F(WsvcClientTest, RepliesAreReassembledOrRejected) {
    const ReplyCase cases[] = {
        {"empty", {{7, 5, 0, ""}}, "", ""},
        {"fragments",
         {{8, 5, 0, "abc"}, {9, 5, 3, "de"}, {9, 5, 5, ""}, {10, 5, 5, "f"}},
         "abcdef",
         ""},
        // An empty flush ahead of a large write opens the reply a second time.
        {"empty flush then fragments",
         {{8, 5, 0, ""}, {8, 5, 0, "ab"}, {10, 5, 2, "c"}},
         "abc",
         ""},
        {"acknowledgement skipped", {{2, 0, 0, ""}, {7, 5, 0, "x"}}, "x", ""},
        {"wrong offset", {{8, 5, 0, "abc"}, {10, 5, 2, "d"}}, nullptr, "offset 2, expected 3"},
        {"continuation first", {{9, 5, 0, "abc"}}, nullptr, "without a first fragment"},
        {"second start", {{8, 5, 0, "a"}, {7, 5, 1, "b"}}, nullptr, "inside a reply"},
        {"interleaved", {{8, 5, 0, "a"}, {10, 6, 1, "b"}}, nullptr, "interleaved"},
        {"unfinished", {{8, 5, 0, "a"}, {9, 5, 1, "b"}}, nullptr, "wsvd closed the connection"},
    };
    for (const ReplyCase &c : cases) {
        SCOPED_TRACE(c.name);
        FakeDaemon daemon(kLink, [&](int fd) {
            acceptHello(fd);
            for (const ReplyMsg &m : c.messages) {
                if (m.type == WSVD_MSG_HELLO_ACK)
                    writeFrame(fd, encodeAck());
                else
                    writeFrame(fd, encodeReply(m.type, m.requestId, m.offset, m.piece));
            }
        });
        wsvcConn_t *conn = connect();
        ASSERT_NE(conn, nullptr);
        std::string text;
        uint32_t id = 0;
        int rc = wsvcReadReply(conn, &text, &id, 2000);
        if (c.expected) {
            EXPECT_EQ(rc, 0) << wsvcError(conn);
            EXPECT_EQ(text, c.expected);
            EXPECT_EQ(id, 5u);
        } else {
            EXPECT_EQ(rc, -1);
            EXPECT_NE(std::string(wsvcError(conn)).find(c.error), std::string::npos)
                << wsvcError(conn);
        }
        wsvcClose(conn);
    }
}

TEST_F(WsvcClientTest, UndecodableMessagesAreErrors) {
    Bytes shortHeader = encodeReply(7, 1, 0, "x");
    // Tag 300's length field sits after the type item (12 bytes) and the tag (4 bytes):
    // claim a header shorter than a record, and the message no longer decodes.
    uint32_t badLength = 100;
    memcpy(shortHeader.data() + 16, &badLength, 4);
    Bytes noType = {1, 2, 3};
    Bytes noPiece(64);
    {
        tlv_t t;
        tlvInit(&t, noPiece.data(), uint32_t(noPiece.size()));
        tlvEncode(&t, WSVD_TAG_TYPE, TLV_ENC_U32, uint32_t(WSVD_MSG_REPLY), TLV_ENC_END);
        noPiece.resize(tlvLength(&t));
    }
    for (const Bytes &bad : {noType, shortHeader, noPiece}) {
        FakeDaemon daemon(kLink, [&](int fd) {
            acceptHello(fd);
            writeFrame(fd, bad);
        });
        wsvcConn_t *conn = connect();
        ASSERT_NE(conn, nullptr);
        std::string text;
        EXPECT_EQ(wsvcReadReply(conn, &text, nullptr, 2000), -1);
        EXPECT_NE(std::string(wsvcError(conn)).find("undecodable"), std::string::npos)
            << wsvcError(conn);
        wsvcClose(conn);
    }
}

TEST_F(WsvcClientTest, EveryWaitIsBounded) {
    using std::chrono::steady_clock;
    // Nobody listening.
    std::string error;
    EXPECT_EQ(wsvcConnect("wsvc", kLink, 500, &error), nullptr);
    EXPECT_EQ(error.rfind("cannot reach wsvd: cannot connect to link 4711", 0), 0u) << error;

    // A daemon that never acknowledges the hello.
    {
        FakeDaemon daemon(kLink, [](int fd) {
            PeerMessage m;
            readPeerMessage(fd, &m);
            readPeerMessage(fd, &m);  // silent until the client gives up and closes
        });
        auto start = steady_clock::now();
        EXPECT_EQ(wsvcConnect("wsvc", kLink, 300, &error), nullptr);
        EXPECT_LT(steady_clock::now() - start, std::chrono::milliseconds(1200));
        EXPECT_NE(error.find("no acknowledgement of hello"), std::string::npos) << error;
    }
    // A daemon that never replies.
    {
        FakeDaemon daemon(kLink, [](int fd) {
            acceptHello(fd);
            PeerMessage m;
            readPeerMessage(fd, &m);  // silent until the client gives up and closes
        });
        wsvcConn_t *conn = connect();
        ASSERT_NE(conn, nullptr);
        std::string text;
        auto start = steady_clock::now();
        EXPECT_EQ(wsvcReadReply(conn, &text, nullptr, 300), -1);
        EXPECT_LT(steady_clock::now() - start, std::chrono::milliseconds(1200));
        EXPECT_STREQ(wsvcError(conn), "timed out waiting for wsvd");
        wsvcClose(conn);
    }
}

TEST_F(WsvcClientTest, CliPeerAnswersRequestsEvenWhenTheyArriveDuringAReply) {
    PeerMessage answers[2];
    {
        FakeDaemon daemon(kLink, [&](int fd) {
            acceptHello(fd, "cli");
            writeFrame(fd, encodeReply(8, 1, 0, "he"));
            writeFrame(fd, encodeCliRequest("show vlan", 31));
            writeFrame(fd, encodeReply(10, 1, 2, "llo"));
            writeFrame(fd, encodeCliRequest("save", 32));
            for (PeerMessage &a : answers) EXPECT_TRUE(readPeerMessage(fd, &a));
        });
        wsvcConn_t *conn = connect(2000, "cli");
        ASSERT_NE(conn, nullptr);
        std::string text;
        ASSERT_EQ(wsvcReadReply(conn, &text, nullptr, 2000), 0) << wsvcError(conn);
        EXPECT_EQ(text, "hello");
        uint32_t seqnum = 0;
        ASSERT_EQ(wsvcWaitCliRequest(conn, &text, &seqnum, 2000), 0) << wsvcError(conn);
        EXPECT_EQ(text, "show vlan");
        EXPECT_EQ(seqnum, 31u);
        EXPECT_EQ(wsvcSendCliAnswer(conn, seqnum, 0, "vlan 1"), 0);
        ASSERT_EQ(wsvcWaitCliRequest(conn, &text, &seqnum, 2000), 0) << wsvcError(conn);
        EXPECT_EQ(text, "save");
        EXPECT_EQ(wsvcSendCliAnswer(conn, seqnum, 1, "failed"), 0);
        wsvcClose(conn);
    }
    EXPECT_EQ(answers[0].type, uint32_t(WSVD_MSG_CLI_ANSWER));
    EXPECT_EQ(answers[0].seqnum, 31u);
    EXPECT_EQ(answers[0].status, 0u);
    EXPECT_EQ(answers[0].text, "vlan 1");
    EXPECT_EQ(answers[1].seqnum, 32u);
    EXPECT_EQ(answers[1].status, 1u);
    EXPECT_EQ(answers[1].text, "failed");
}

TEST_F(WsvcClientTest, RoundTripRejectsAReplyToAnotherRequest) {
    FakeDaemon daemon(kLink, [](int fd) {
        acceptHello(fd);
        PeerMessage m;
        EXPECT_TRUE(readPeerMessage(fd, &m));
        writeFrame(fd, encodeReply(7, m.header.seqnum + 1, 0, "not yours"));
    });
    wsvcConn_t *conn = connect();
    ASSERT_NE(conn, nullptr);
    wsvcRequest_t r;
    r.text = "echo hi";
    r.requestId = 3;
    std::string reply;
    EXPECT_EQ(wsvcRoundTrip(conn, r, &reply, 2000), -1);
    EXPECT_STREQ(wsvcError(conn), "reply to request 4 instead of 3");
    wsvcClose(conn);
}

}  // namespace
