// The client library against a scripted daemon that sends exactly the bytes a test wants
// (odd fragments, garbage, a close mid-reply): reassembly and checking of replies, and that
// every wait on the daemon is bounded. Requests cut into fragments are tested end to end.
#include <poll.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <functional>
#include <thread>

#include <gtest/gtest.h>

#include "platform/ipml.h"
#include "platform/tlv.h"
#include "platform/wsvc_client.h"
#include "platform/wsvd_link.h"
#include "platform/wsvdreq.h"
#include "tests/support/scratch.h"

namespace {

using Bytes = std::vector<uint8_t>;
const uint16_t kLink = 4711;

// Reads one frame from the client; false once it closed or the wait ran out.
bool readFrame(int fd, int timeoutMs = 5000) {
    Bytes buf(IPML_MAX_FRAME);
    return ipmlReadFrame(fd, buf.data(), uint32_t(buf.size()), timeoutMs) > 0;
}

void writeFrame(int fd, const Bytes &bytes) {
    EXPECT_EQ(ipmlWriteFrame(fd, bytes.data(), uint32_t(bytes.size())), 0);
}

// A message of its type alone: the hello's acknowledgement, or a reply with nothing in it.
Bytes typeOnly(uint32_t type) {
    Bytes out(64);
    tlv_t t;
    tlvInit(&t, out.data(), uint32_t(out.size()));
    tlvEncode(&t, WSVD_TAG_TYPE, TLV_ENC_U32, type, TLV_ENC_END);
    out.resize(tlvLength(&t));
    return out;
}

// A reply message as the daemon sends it: its record (with the peer's request id and the
// running offset) and one piece of text.
Bytes encodeReply(uint32_t type, uint32_t requestId, uint32_t offset = 0,
                  const std::string &piece = "") {
    wsvdRequest record{};
    record.peerRequestId = requestId;
    record.replyOffset = offset;
    uint8_t wire[WSVD_HDR_SIZE];
    wsvdHeaderPack(&record, wire);
    Bytes out(piece.size() + 256);
    tlv_t t;
    tlvInit(&t, out.data(), uint32_t(out.size()));
    EXPECT_EQ(tlvEncode(&t, WSVD_TAG_TYPE, TLV_ENC_U32, type, WSVD_TAG_HEADER, TLV_ENC_BLOCK,
                        static_cast<const void *>(wire), uint32_t(WSVD_HDR_SIZE), WSVD_TAG_PIECE,
                        TLV_ENC_BUFFER, static_cast<const void *>(piece.data()),
                        uint32_t(piece.size()), TLV_ENC_END),
              0);
    out.resize(tlvLength(&t));
    return out;
}

// Listens on the link's socket and runs `script` with the first peer that connects
// within 5 s, on a thread of its own; the peer is closed after.
class FakeDaemon {
public:
    explicit FakeDaemon(std::function<void(int fd)> script) {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        ipmlSocketPath(kLink, addr.sun_path, sizeof addr.sun_path);
        unlink(addr.sun_path);
        listener_ = socket(AF_UNIX, SOCK_STREAM | SOCK_CLOEXEC, 0);
        EXPECT_EQ(bind(listener_, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
        EXPECT_EQ(listen(listener_, 4), 0);
        thread_ = std::thread([this, script = std::move(script)] {
            pollfd p = {listener_, POLLIN, 0};
            int fd = poll(&p, 1, 5000) == 1 ? accept(listener_, nullptr, nullptr) : -1;
            if (fd < 0) return;
            script(fd);
            close(fd);
        });
    }
    ~FakeDaemon() {
        thread_.join();
        close(listener_);
    }

private:
    int listener_ = -1;
    std::thread thread_;
};

// The usual opening: read the hello and acknowledge it.
void acceptHello(int fd) {
    ASSERT_TRUE(readFrame(fd));
    writeFrame(fd, typeOnly(WSVD_MSG_HELLO_ACK));
}

class WsvcClientTest : public ::testing::Test {
protected:
    void SetUp() override {
        env_.set("KARN_RUN_LOCATION", dir_.path());
        signal(SIGPIPE, SIG_IGN);
    }
    wsvcConn_t *connect() {
        wsvcConn_t *c = wsvcConnect("wsvc", kLink, 2000, &error_);
        EXPECT_NE(c, nullptr) << error_;
        return c;
    }
    ScratchDir dir_{"wc"};
    ScopedEnv env_;
    std::string error_;
};

// A reply whose tag-300 length field (after the 12-byte type item and the tag) claims a
// header shorter than a record: it no longer decodes.
Bytes shortHeader() {
    Bytes b = encodeReply(7, 5, 0, "x");
    uint32_t badLength = 100;
    memcpy(b.data() + 16, &badLength, 4);
    return b;
}

TEST_F(WsvcClientTest, RepliesAreReassembledOrRejected) {
    const struct {
        const char *name;
        std::vector<Bytes> messages;
        const char *expected;  // the reassembled reply, or nullptr when reading must fail
        const char *error;     // part of the error text when it fails
    } cases[] = {
        {"empty", {encodeReply(7, 5)}, "", ""},
        {"fragments",
         {encodeReply(8, 5, 0, "abc"), encodeReply(9, 5, 3, "de"), encodeReply(10, 5, 5, "f")},
         "abcdef",
         ""},
        // An empty flush ahead of a large write opens the reply a second time.
        {"empty flush then fragments",
         {encodeReply(8, 5), encodeReply(8, 5, 0, "ab"), encodeReply(10, 5, 2, "c")},
         "abc",
         ""},
        {"acknowledgement skipped", {typeOnly(2), encodeReply(7, 5, 0, "x")}, "x", ""},
        {"wrong offset",
         {encodeReply(8, 5, 0, "abc"), encodeReply(10, 5, 2, "d")},
         nullptr,
         "offset 2, expected 3"},
        {"continuation first", {encodeReply(9, 5, 0, "abc")}, nullptr, "without a first fragment"},
        {"second start",
         {encodeReply(8, 5, 0, "a"), encodeReply(7, 5, 1, "b")},
         nullptr,
         "inside a reply"},
        {"interleaved",
         {encodeReply(8, 5, 0, "a"), encodeReply(10, 6, 1, "b")},
         nullptr,
         "interleaved"},
        {"unfinished", {encodeReply(8, 5, 0, "a")}, nullptr, "wsvd closed the connection"},
        {"no type", {{1, 2, 3}}, nullptr, "undecodable"},
        {"short header", {shortHeader()}, nullptr, "undecodable"},
        {"no piece", {typeOnly(WSVD_MSG_REPLY)}, nullptr, "undecodable"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        FakeDaemon daemon([&](int fd) {
            acceptHello(fd);
            for (const Bytes &m : c.messages) writeFrame(fd, m);
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

TEST_F(WsvcClientTest, EveryWaitIsBounded) {
    using std::chrono::steady_clock;
    // Nobody listening.
    std::string error;
    EXPECT_EQ(wsvcConnect("wsvc", kLink, 500, &error), nullptr);
    EXPECT_EQ(error.rfind("cannot reach wsvd: cannot connect to link 4711", 0), 0u) << error;

    // A daemon that never acknowledges the hello.
    {
        FakeDaemon daemon([](int fd) {
            readFrame(fd);
            readFrame(fd);  // silent until the client gives up and closes
        });
        auto start = steady_clock::now();
        EXPECT_EQ(wsvcConnect("wsvc", kLink, 300, &error), nullptr);
        EXPECT_LT(steady_clock::now() - start, std::chrono::milliseconds(1200));
        EXPECT_NE(error.find("no acknowledgement of hello"), std::string::npos) << error;
    }
    // A daemon that never replies.
    {
        FakeDaemon daemon([](int fd) {
            acceptHello(fd);
            readFrame(fd);  // silent until the client gives up and closes
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

}  // namespace
