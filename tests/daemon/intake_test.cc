// Intake and the worker without sockets: fake peers are announced through the peer
// callback and messages handed straight to wsvdHandleMessage. Replies cannot reach
// these peers; what the worker served is recorded by the serve step below.
#include <gtest/gtest.h>

#include <unistd.h>

#include <condition_variable>
#include <cstring>
#include <functional>
#include <mutex>
#include <string>
#include <vector>

#include "base/counters.h"
#include "cmclient/cm.h"
#include "daemon/answers.h"
#include "daemon/intake.h"
#include "daemon/trace_file.h"
#include "daemon/worker.h"
#include "platform/clock.h"
#include "platform/ipml.h"
#include "platform/util.h"
#include "platform/tlv.h"
#include "platform/wsvd_link.h"
#include "platform/wsvdreq.h"
#include "session/session_table.h"
#include "tests/support/scratch.h"

namespace {

std::mutex gMutex;
std::condition_variable gChanged;
std::vector<std::string> gServed;
std::vector<std::string> gCredentials;  // "user/password" each request was served with
bool gHold = false;                     // while set, the serve step waits

void recordingServe(void *, wsvdRequest *r) {
    std::string text;
    char chunk[64];
    size_t n;
    while ((n = wsvdRequestRead(r, chunk, sizeof chunk)) > 0) text.append(chunk, n);
    wsvdResponseWrite(r, "ok", 2);
    std::unique_lock<std::mutex> lock(gMutex);
    gServed.push_back(text);
    gCredentials.push_back(std::string(r->userName) + "/" + r->password);
    gChanged.notify_all();
    gChanged.wait_for(lock, std::chrono::seconds(30), [] { return !gHold; });
}

wsvdIntakeStats_t stats() {
    wsvdIntakeStats_t s;
    wsvdIntakeGetStats(&s);
    return s;
}

// Bounded wait for the worker to finish everything queued.
bool waitIdle() {
    for (int i = 0; i < 10000; i++) {
        wsvdIntakeStats_t s = stats();
        if (s.runningWorkers == 0 && s.waiting == 0 && s.active == 0) return true;
        usleep(1000);
    }
    return false;
}

std::vector<uint8_t> requestMessage(uint32_t type, uint32_t requestId, const std::string &text,
                                    const char *user = "", const char *password = "",
                                    uint32_t headerBytes = WSVD_HDR_SIZE) {
    wsvdRequest header{};
    header.seqnum = requestId;
    strlcpy(header.userName, user, sizeof header.userName);
    strlcpy(header.password, password, sizeof header.password);
    uint8_t packed[WSVD_HDR_SIZE];
    wsvdHeaderPack(&header, packed);
    std::vector<uint8_t> buf(text.size() + 512);
    tlv_t t;
    tlvInit(&t, buf.data(), static_cast<uint32_t>(buf.size()));
    tlvEncode(&t, WSVD_TAG_TYPE, TLV_ENC_U32, type, WSVD_TAG_HEADER, TLV_ENC_BLOCK, packed,
              headerBytes, WSVD_TAG_TEXT, TLV_ENC_STRING, text.c_str(), TLV_ENC_END);
    buf.resize(tlvLength(&t));
    return buf;
}

void deliver(uint32_t peer, const std::vector<uint8_t> &m) {
    wsvdHandleMessage(peer, m.data(), static_cast<uint32_t>(m.size()));
}

class IntakeTest : public ::testing::Test {
protected:
    static inline uint32_t nextPeer = 1000;
    uint32_t peer = 0;
    void SetUp() override {
        static const int initialised = wsvdIntakeInit();  // once per process
        ASSERT_EQ(initialised, 0);
        static const wsvdServeOps ops = {nullptr, recordingServe, nullptr, nullptr};
        wsvdSetServeOps(&ops);
        std::lock_guard<std::mutex> lock(gMutex);
        gServed.clear();
        gCredentials.clear();
        gHold = false;
        peer = ++nextPeer;
        wsvdIpmlPeerCallBack(nullptr, IPML_PEER_CONNECT, peer);
    }
    void TearDown() override {
        hold(false);
        EXPECT_TRUE(waitIdle());
        wsvdIpmlPeerCallBack(nullptr, IPML_PEER_LEAVE, peer);
    }
    void hold(bool on) {
        std::lock_guard<std::mutex> lock(gMutex);
        gHold = on;
        gChanged.notify_all();
    }
    // Bounded wait for `done`, checked under the lock whenever the serve step moves.
    static bool waitFor(const std::function<bool()> &done) {
        std::unique_lock<std::mutex> lock(gMutex);
        return gChanged.wait_for(lock, std::chrono::seconds(10), done);
    }
    std::vector<std::string> served() {
        std::lock_guard<std::mutex> lock(gMutex);
        return gServed;
    }
};

TEST_F(IntakeTest, BadInputIsDroppedWithoutEffect) {
    struct {
        const char *why;
        uint32_t from;
        std::vector<uint8_t> message;
    } cases[] = {
        {"garbage", peer, {1, 2, 3, 4, 5}},
        {"header of 195 bytes", peer,
         requestMessage(WSVD_MSG_REQUEST, 1, "x", "", "", WSVD_HDR_SIZE - 1)},
        {"continuation without a start", peer, requestMessage(WSVD_MSG_REQUEST_MORE, 1, "x")},
        {"unknown peer", 999999, requestMessage(WSVD_MSG_REQUEST, 1, "x")},
        {"a type only the daemon sends", peer, requestMessage(WSVD_MSG_REPLY, 1, "x")},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.why);
        wsvdHandleMessage(c.from, c.message.data(), static_cast<uint32_t>(c.message.size()));
        EXPECT_EQ(stats().partial, 0u);
    }
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(served().empty());
}

// A peer that leaves takes its half-sent and its queued requests along, and only its own.
TEST_F(IntakeTest, PeerLeavingTakesItsPartialAndQueuedRequestsAlong) {
    uint32_t other = ++nextPeer;
    wsvdIpmlPeerCallBack(nullptr, IPML_PEER_CONNECT, other);
    hold(true);
    deliver(peer, requestMessage(WSVD_MSG_REQUEST, 1, "first"));
    ASSERT_TRUE(waitFor([] { return gServed.size() == 1; }));
    deliver(peer, requestMessage(WSVD_MSG_REQUEST_FIRST, 2, "mine"));
    deliver(other, requestMessage(WSVD_MSG_REQUEST_FIRST, 1, "theirs "));
    deliver(other, requestMessage(WSVD_MSG_REQUEST, 2, "orphan"));
    EXPECT_EQ(stats().partial, 2u);
    wsvdIpmlPeerCallBack(nullptr, IPML_PEER_LEAVE, other);
    EXPECT_EQ(stats().partial, 1u);
    deliver(other, requestMessage(WSVD_MSG_REQUEST_LAST, 1, "end"));  // unknown peer now
    deliver(peer, requestMessage(WSVD_MSG_REQUEST_LAST, 2, " end"));
    hold(false);
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(served(), (std::vector<std::string>{"first", "mine end"}));
}

TEST_F(IntakeTest, RequestGrowingPastTheLimitIsDropped) {
    std::string fragment(60000, 'z');
    deliver(peer, requestMessage(WSVD_MSG_REQUEST_FIRST, 3, fragment));
    size_t sent = fragment.size();
    while (sent <= WSVD_MAX_REQUEST_BYTES) {
        ASSERT_EQ(stats().partial, 1u);
        deliver(peer, requestMessage(WSVD_MSG_REQUEST_MORE, 3, fragment));
        sent += fragment.size();
    }
    EXPECT_EQ(stats().partial, 0u);
    deliver(peer, requestMessage(WSVD_MSG_REQUEST_LAST, 3, "end"));  // nothing to complete
    ASSERT_TRUE(waitIdle());
    EXPECT_TRUE(served().empty());
}

// A request that names a session runs with that session's credentials (empty ones for an
// unknown id, its own when it names none); the worker counts it as served and, until a
// handler says otherwise, as a schema error, and traces it and its reply under its number.
TEST_F(IntakeTest, RequestsBorrowTheirSessionsCredentialsAndAreTracedByNumber) {
    ScratchDir scratch("wsvd-it");
    ScopedEnv env;
    env.set("KARN_SCRATCH_LOCATION", scratch.path());
    wsvdTraceFileInit();
    wsvdTraceFileConfigure(WSVD_TRACE_SET_ENABLED | WSVD_TRACE_SET_MAX_SIZE, 1 << 20, 1);
    wsvdSessionTableReset();
    wsvdSession_t session{};
    session.sessionIndex = 3;
    strcpy(session.userName, "alice");
    strcpy(session.password, "pw1");
    wsvdSessionFormatId(3, 77, session.sessionId);
    wsvdSessionStore(&session);

    struct {
        const char *name;
        std::string text;
        const char *credentials;
    } cases[] = {
        {"a session's id", "<hdr><sessionId>" + std::string(session.sessionId) + "</sessionId>",
         "alice/pw1"},
        {"an unknown id", "<sessionId>23af000000004e</sessionId>", "/"},
        {"no id", "<getVlan/>", "bob/own"},
    };
    uint32_t id = 0;
    for (auto &c : cases) {
        SCOPED_TRACE(c.name);
        uint64_t schemaErrors = wsvdCounterGet(WSVD_CNT_SCHEMA_ERRORS);
        deliver(peer, requestMessage(WSVD_MSG_REQUEST, ++id, c.text, "bob", "own"));
        ASSERT_TRUE(waitIdle());
        EXPECT_EQ(gCredentials.back(), c.credentials);
        EXPECT_EQ(wsvdCounterGet(WSVD_CNT_SCHEMA_ERRORS), schemaErrors + 1);
        std::string n = std::to_string(wsvdCounterGet(WSVD_CNT_REQUESTS));
        EXPECT_NE(readFile(scratch / "intern/trace.wsvd")
                      .find("[BEGIN:" + n + "->" + c.text + "\nok<-" + n + ":END]\n"),
                  std::string::npos)
            << readFile(scratch / "intern/trace.wsvd");
    }
    wsvdTraceFileConfigure(WSVD_TRACE_SET_ENABLED, 0, 0);
    wsvdSessionTableReset();
}

// A handler's two exchanges with a peer that answers the first too late: the late reply
// comes between them, finds no one waiting and is dropped, its texts left to the sender;
// the second exchange is not ended by it.
struct Exchanges {
    uint32_t seqnum = 0;
    int sent = 0;
    bool gate = false;                  // the test lets the handler go on
    std::vector<wsvdAwait_t> outcomes;  // of each exchange
    std::vector<std::string> held;      // the request's reply data after each
} gExchanges;

bool noteSent(void *) {
    std::lock_guard<std::mutex> lock(gMutex);
    gExchanges.sent++;
    gChanged.notify_all();
    return true;
}

void twoExchanges(void *, wsvdRequest *r) {
    for (int i = 0; i < 2; i++) {
        wsvdAwait_t outcome = wsvdAnswerAwait(r->answer, 5, noteSent, nullptr);
        std::unique_lock<std::mutex> lock(gMutex);
        gExchanges.seqnum = r->seqnum;
        gExchanges.outcomes.push_back(outcome);
        gChanged.notify_all();
        gChanged.wait_for(lock, std::chrono::seconds(10), [] { return gExchanges.gate; });
        gExchanges.gate = false;
        gExchanges.held.push_back(r->replyData ? r->replyData : "");
    }
}

TEST_F(IntakeTest, AReplyAfterTheGuardIsDroppedNotTakenByTheNextExchange) {
    clockUseManual();
    static const wsvdServeOps ops = {nullptr, twoExchanges, nullptr, nullptr};
    wsvdSetServeOps(&ops);
    auto openGate = [] {
        std::lock_guard<std::mutex> lock(gMutex);
        gExchanges.gate = true;
        gChanged.notify_all();
    };
    deliver(peer, requestMessage(WSVD_MSG_REQUEST, 1, "x"));
    ASSERT_TRUE(waitFor([] { return gExchanges.sent == 1; }));
    clockAdvanceUs(5000000);
    ASSERT_TRUE(waitFor([] { return gExchanges.outcomes.size() == 1; }));

    cmEventData_t late{};
    late.seqnum = gExchanges.seqnum;
    late.status = 1;
    late.data = strdup("late");
    wsvdCmFrontendCallBack(CM_EVENT_REPLY, &late);
    EXPECT_NE(late.data, nullptr) << "the late reply was taken";
    free(late.data);
    openGate();

    ASSERT_TRUE(waitFor([] { return gExchanges.sent == 2; }));
    clockAdvanceUs(5000000);
    ASSERT_TRUE(waitFor([] { return gExchanges.outcomes.size() == 2; }));
    openGate();
    ASSERT_TRUE(waitIdle());
    EXPECT_EQ(gExchanges.outcomes, (std::vector<wsvdAwait_t>{WSVD_NO_ANSWER, WSVD_NO_ANSWER}));
    EXPECT_EQ(gExchanges.held, (std::vector<std::string>{"", ""}));
    clockSetSource(nullptr);
}

}  // namespace
