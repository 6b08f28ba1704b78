// Connection deadlines on hand-moved time: activity does not move them, each phase has
// its own, and a cut connection's peer sees the end of the stream.
#include "web/deadlines.h"

#include <gtest/gtest.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>

namespace {

const uint64_t kSecond = 1000000;

struct Pair {
    int server = -1, client = -1;
    Pair() {
        int fds[2];
        if (socketpair(AF_UNIX, SOCK_STREAM, 0, fds) == 0) {
            server = fds[0];
            client = fds[1];
        }
    }
    ~Pair() {
        close(server);
        close(client);
    }
    // True when the client end reads the end of the stream at once.
    bool cut() const {
        pollfd p{client, POLLIN, 0};
        char c;
        return poll(&p, 1, 0) == 1 && read(client, &c, 1) == 0;
    }
};

TEST(WebDeadlines, EachPhaseEndsOnTimeWhateverTheTraffic) {
    webDeadlines d(10 * kSecond, 60 * kSecond);
    Pair trickler, answered, kept;
    uint64_t t = 1000 * kSecond;
    webDeadlines::Conn *a = d.add(trickler.server, t);
    webDeadlines::Conn *b = d.add(answered.server, t);
    webDeadlines::Conn *c = d.add(kept.server, t);
    ASSERT_TRUE(a && b && c);
    EXPECT_EQ(d.count(), 3u);

    // The trickler sends a byte now and then: nothing moves its deadline.
    for (int i = 0; i < 9; i++) ASSERT_EQ(write(trickler.client, "x", 1), 1);
    d.answering(b, t + 5 * kSecond);  // its request came whole after 5 s
    d.answering(c, t + 1 * kSecond);
    d.reading(c, t + 8 * kSecond);  // replied; the next request may take 10 s from here

    EXPECT_EQ(d.sweep(t + 10 * kSecond - 1), 0u);
    EXPECT_EQ(d.sweep(t + 10 * kSecond), 1u);
    EXPECT_TRUE(trickler.cut());
    EXPECT_FALSE(answered.cut());
    EXPECT_FALSE(kept.cut());
    EXPECT_EQ(d.sweep(t + 11 * kSecond), 0u) << "each is cut once";
    EXPECT_EQ(d.sweep(t + 18 * kSecond), 1u);
    EXPECT_TRUE(kept.cut());
    EXPECT_EQ(d.sweep(t + 65 * kSecond - 1), 0u);
    EXPECT_EQ(d.sweep(t + 65 * kSecond), 1u) << "the reply's deadline";
    EXPECT_TRUE(answered.cut());

    d.remove(a);
    d.remove(b);
    d.remove(nullptr);
    EXPECT_EQ(d.count(), 1u);
    d.remove(c);
}

// The duplicate keeps the socket: cutting after the server closed its descriptor (and
// the number was given to a new socket) touches the old connection only.
TEST(WebDeadlines, CutsTheConnectionNotTheDescriptorNumber) {
    webDeadlines d(kSecond, kSecond);
    Pair old;
    webDeadlines::Conn *c = d.add(old.server, 0);
    ASSERT_NE(c, nullptr);
    close(old.server);
    Pair fresh;  // may get the old descriptor number
    old.server = -1;
    EXPECT_EQ(d.sweep(kSecond), 1u);
    EXPECT_TRUE(old.cut());
    EXPECT_FALSE(fresh.cut());
    d.remove(c);
}

}  // namespace
