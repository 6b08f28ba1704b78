#include "platform/ipml.h"

#include <gtest/gtest.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <functional>
#include <string>
#include <vector>

#include "platform/bm.h"
#include "platform/dispatch.h"
#include "tests/support/scratch.h"

namespace {

const uint16_t kLink = 4711;

struct Seen {
    std::vector<std::pair<int, uint32_t>> events;  // (event, peer)
    std::vector<std::pair<uint32_t, std::string>> frames;
};
Seen *gSeen;

void onPeer(ipmlLink_t *, int event, uint32_t peer) {
    gSeen->events.emplace_back(event, peer);
}

void onReceive(ipmlLink_t *, uint32_t peer, void *packet, int length) {
    auto *p = static_cast<bmPacket_t *>(packet);
    EXPECT_EQ(p->length, static_cast<uint32_t>(length));
    gSeen->frames.emplace_back(peer, std::string(reinterpret_cast<char *>(p->data), p->length));
    bmFree(p);
}

std::string frame(const std::string &body) {
    uint32_t n = static_cast<uint32_t>(body.size());
    return std::string(reinterpret_cast<char *>(&n), 4) + body;
}

void writeRaw(int fd, const std::string &bytes) {
    ASSERT_EQ(write(fd, bytes.data(), bytes.size()), static_cast<ssize_t>(bytes.size()));
}

std::pair<int, uint32_t> leave(uint32_t peer) {
    return {IPML_PEER_LEAVE, peer};
}

class Ipml : public ::testing::Test {
protected:
    void SetUp() override {
        env.set("KARN_RUN_LOCATION", runDir.path());
        gSeen = &seen;
        link = ipmlInitServerClient(0, kLink, 1, onPeer, nullptr);
        ASSERT_NE(link, nullptr);
        dispatchServer_t server{link, "test", onReceive};
        ASSERT_EQ(dispatchAddServer(&server), 0);
    }
    void TearDown() override {
        if (link) {
            dispatchRemove(link);
            ipmlClose(link);
        }
        dispatchShutdown();
        ipmlSetSendStallMs(0);
    }
    // Runs the loop until `done` holds (at most about five seconds).
    bool pump(const std::function<bool()> &done) {
        for (int i = 0; i < 500 && !done(); i++) dispatchRunOnce(10);
        return done();
    }
    uint32_t connectPeer(int *fd) {
        *fd = ipmlConnect(kLink);
        EXPECT_GE(*fd, 0);
        size_t before = seen.events.size();
        EXPECT_TRUE(pump([&] { return seen.events.size() > before; }));
        EXPECT_EQ(seen.events.back().first, IPML_PEER_CONNECT);
        return seen.events.back().second;
    }
    ScratchDir runDir{"wsvdt"};
    ScopedEnv env;
    ipmlLink_t *link = nullptr;
    Seen seen;
};

TEST_F(Ipml, FramesArriveWholeHoweverTheBytesAreSplit) {
    int fd;
    uint32_t peer = connectPeer(&fd);
    // Three frames: the first in pieces of one byte, the other two in one write.
    std::string first = frame("hello");
    for (char c : first) writeRaw(fd, std::string(1, c));
    writeRaw(fd, frame(std::string(IPML_MAX_FRAME, 'm')) + frame("x"));
    ASSERT_TRUE(pump([&] { return seen.frames.size() == 3; }));
    EXPECT_EQ(seen.frames[0], std::make_pair(peer, std::string("hello")));
    EXPECT_EQ(seen.frames[1].second, std::string(IPML_MAX_FRAME, 'm'));
    EXPECT_EQ(seen.frames[2].second, "x");

    // And back: a packet's bytes in use reach the client as one frame.
    bmPacket_t *p = bmAllocPacket(64, 16, 1);
    memcpy(p->data, "reply", 5);
    bmTrimPacket(p, 5);
    EXPECT_EQ(ipmlSend(peer, p, 0), 5);
    char buf[16];
    EXPECT_EQ(ipmlReadFrame(fd, buf, sizeof buf, 1000), 5);
    EXPECT_EQ(std::string(buf, 5), "reply");
    bmFree(p);

    // Frames laid out ahead go in one write, and only when every length word fits.
    std::string burst = frame("one") + frame("two");
    auto bytes = [](const std::string &s) { return reinterpret_cast<const uint8_t *>(s.data()); };
    for (const std::string &bad :
         {burst.substr(0, burst.size() - 1), frame("") + frame("x"), burst + "\x01\x00"})
        EXPECT_EQ(ipmlSendFrames(peer, bytes(bad), bad.size()), -1);
    EXPECT_EQ(ipmlSendFrames(peer, bytes(burst), burst.size()), long(burst.size()));
    for (const char *expected : {"one", "two"}) {
        EXPECT_EQ(ipmlReadFrame(fd, buf, sizeof buf, 1000), 3);
        EXPECT_EQ(std::string(buf, 3), expected);
    }

    close(fd);
}

TEST_F(Ipml, ProtocolViolationsDisconnectThePeer) {
    struct Case {
        const char *what;
        std::string bytes;
        bool closeAfter;
    } cases[] = {
        {"frame too long", frame(std::string(IPML_MAX_FRAME + 1, 'x')), false},
        {"empty frame", frame(""), false},
        {"closed inside a frame", frame("abcdef").substr(0, 6), true},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.what);
        int fd;
        uint32_t peer = connectPeer(&fd);
        size_t events = seen.events.size();
        testing::internal::CaptureStderr();
        // The peer may be cut off before all its bytes are written; that is fine.
        (void)!send(fd, c.bytes.data(), c.bytes.size(), MSG_NOSIGNAL);
        if (c.closeAfter) shutdown(fd, SHUT_WR);
        EXPECT_TRUE(pump([&] { return seen.events.size() > events; }));
        std::string log = testing::internal::GetCapturedStderr();
        EXPECT_NE(log.find(c.what), std::string::npos) << log;
        EXPECT_EQ(seen.events.back(), leave(peer));
        EXPECT_TRUE(seen.frames.empty());
        char buf[8];
        // The server closed its end (a reset when it left bytes unread).
        EXPECT_LE(ipmlReadFrame(fd, buf, sizeof buf, 1000), 0);
        close(fd);
    }
}

TEST_F(Ipml, PeerIdsAreNeverReusedAndCloseAnnouncesEveryLeave) {
    int a, b;
    uint32_t pa = connectPeer(&a);
    close(a);
    ASSERT_TRUE(pump([&] { return seen.events.size() == 2; }));
    EXPECT_EQ(seen.events[1], leave(pa));
    bmPacket_t *q = bmAllocPacket(4, 0, 1);
    EXPECT_EQ(ipmlSend(pa, q, 0), -1);  // gone
    bmFree(q);
    uint32_t pb = connectPeer(&b);
    EXPECT_NE(pa, pb);
    dispatchRemove(link);
    ipmlClose(link);
    link = nullptr;
    ASSERT_EQ(seen.events.size(), 4u);
    EXPECT_EQ(seen.events[3], leave(pb));
    EXPECT_EQ(ipmlConnect(kLink), -1);  // the socket file went with the link
    close(b);
}

TEST_F(Ipml, ReadFrameTimesOutAndRefusesFramesLargerThanTheBuffer) {
    int fd;
    uint32_t peer = connectPeer(&fd);
    char buf[4];
    auto start = std::chrono::steady_clock::now();
    EXPECT_EQ(ipmlReadFrame(fd, buf, sizeof buf, 50), -1);
    EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(2));
    bmPacket_t *p = bmAllocPacket(5, 0, 1);
    memcpy(p->data, "12345", 5);
    ASSERT_EQ(ipmlSend(peer, p, 0), 5);
    EXPECT_EQ(ipmlReadFrame(fd, buf, sizeof buf, 1000), -1);
    bmFree(p);
    close(fd);
}

TEST_F(Ipml, PeerThatStopsReadingIsCutOffInsteadOfBlockingTheSender) {
    ipmlSetSendStallMs(50);
    int fd;
    uint32_t peer = connectPeer(&fd);
    bmPacket_t *p = bmAllocPacket(IPML_MAX_FRAME, 0, 1);
    memset(p->data, 'z', p->size);
    testing::internal::CaptureStderr();
    int result, sends = 0;
    auto start = std::chrono::steady_clock::now();
    do {
        result = ipmlSend(peer, p, 0);
    } while (result > 0 && ++sends < 1000);
    auto took = std::chrono::steady_clock::now() - start;
    std::string log = testing::internal::GetCapturedStderr();
    EXPECT_EQ(result, -1);
    EXPECT_NE(log.find("stalled or failed while sending"), std::string::npos) << log;
    // One stall bound, not the default: the socket buffers fill well before it.
    EXPECT_LT(took, std::chrono::seconds(2));
    EXPECT_TRUE(pump([&] { return seen.events.size() == 2; }));
    EXPECT_EQ(seen.events.back(), leave(peer));
    bmFree(p);
    close(fd);
}

}  // namespace
