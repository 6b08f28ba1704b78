// cfgmgr through the protocol: the real process under platformd, reached with the
// frontend library from this test process (its dispatcher driven by dispatchRunOnce).
#include <fcntl.h>
#include <signal.h>
#include <sys/mman.h>
#include <unistd.h>

#include <chrono>
#include <cstring>
#include <map>
#include <memory>
#include <string>
#include <thread>
#include <vector>

#include <gtest/gtest.h>

#include <poll.h>

#include "cmclient/cm.h"
#include "cmclient/cmclient.h"
#include "cmclient/cmlink.h"
#include "platform/dispatch.h"
#include "platform/plink.h"
#include "tests/support/pump.h"
#include "tests/support/scratch.h"
#include "tests/support/switch_harness.h"

namespace {

struct Reply {
    uint32_t status = 0;
    std::string message, data;
    bool hasData = false;  // the reply handed over a data text, even an empty one
    int deliveries = 0;
    std::thread::id thread;  // where the callback ran
};

std::map<uint32_t, Reply> gReplies;
std::vector<std::pair<int, uint32_t>> gEvents;  // lock-out events: (event, value)
uint32_t gSeq = 1;

void onEvent(int event, cmEventData_t *d) {
    if (event == CM_EVENT_REPLY) {
        Reply &r = gReplies[d->seqnum];
        r.deliveries++;
        r.thread = std::this_thread::get_id();
        r.status = d->status;
        r.message = d->message ? d->message : "";
        r.data = d->data ? d->data : "";
        r.hasData = d->data != nullptr;
    } else {
        gEvents.emplace_back(event, d->value);
    }
}

using Clock = std::chrono::steady_clock;

uint32_t sendAsync(const std::string &module, const std::string &text, uint32_t op,
                   uint32_t flags = 0) {
    cmRequest_t r{};
    r.operation = op;
    r.getFlags = flags;
    r.text = text.c_str();
    r.seqnum = gSeq++;
    strncpy(r.module, module.c_str(), sizeof r.module - 1);
    EXPECT_GE(cmSendRequest(&r), 1) << text;
    return r.seqnum;
}

Reply request(const std::string &text, uint32_t op, uint32_t flags = 0, int timeoutMs = 5000) {
    std::string module = text.substr(8, text.find('>') - 8);
    uint32_t seq = sendAsync(module, text, op, flags);
    EXPECT_TRUE(pumpUntil([&] { return gReplies.count(seq) > 0; }, timeoutMs)) << text;
    Reply r = gReplies[seq];
    gReplies.erase(seq);
    return r;
}
Reply get(const std::string &text, uint32_t flags) {
    return request(text, CM_OP_GET, flags);
}
Reply set(const std::string &text) {
    return request(text, CM_OP_SET);
}
// A set that must succeed.
bool changed(const std::string &text) {
    Reply r = set(text);
    EXPECT_EQ(r.status, 1u) << text << ": " << r.message;
    return r.status == 1;
}

std::string vlanText(const std::string &vr, const std::string &name, const std::string &extra,
                     const char *op = "set") {
    return std::string("<module_vlan><") + op + "><vlan><vrName>" + vr + "</vrName><name>" + name +
           "</name>" + extra + "</vlan></" + op + "></module_vlan>";
}

const std::string kAllVlans = "<module_vlan><get><vlan/></get></module_vlan>";

// The name of the VLAN a reply holds.
std::string nameIn(const Reply &r) {
    size_t a = r.data.find("<name><![CDATA[") + 15;
    return r.data.substr(a, r.data.find("]]>", a) - a);
}
// The name of the VLAN of VR-Default after `name`.
std::string nameAfter(const std::string &name) {
    return nameIn(get(vlanText("VR-Default", name, "", "get"), CM_GET_NEXT));
}

const std::string kSave =
    "<module_cfgmgr><setop><saveConfig><set_def>0</set_def></saveConfig></setop></module_cfgmgr>";

class CfgmgrTest : public ::testing::Test {
protected:
    void TearDown() override {
        sw.reset();
        cmFrontendShutdown();
        dispatchShutdown();
        plinkDisconnect();
        gReplies.clear();
        gEvents.clear();
    }
    // Starts a switch running `processes` (made beforehand when `sw` is already set) and
    // connects to it.
    bool up(std::vector<std::string> processes = {"cfgmgr"}) {
        if (!sw) sw = std::make_unique<SwitchHarness>(processes);
        return sw->start() && connect();
    }
    // Starts the frontend and waits for the connect event (event 1).
    bool connect() {
        size_t before = gEvents.size();
        if (!cmFrontendConnected() && !cmFrontendInit("cfgtest", onEvent)) return false;
        return pumpUntil([&] { return gEvents.size() > before; }, 10000);
    }
    // After cfgmgr was killed: wait until it serves again and we are connected anew.
    bool reconnect() {
        size_t before = gEvents.size();
        EXPECT_TRUE(pumpUntil([] { return !cmFrontendConnected(); }, 5000));
        EXPECT_TRUE(sw->waitForProcess("cfgmgr"));
        return pumpUntil([&] { return gEvents.size() > before; }, 10000);
    }
    ScopedEnv env;
    std::unique_ptr<SwitchHarness> sw;
};

// Another frontend of cfgmgr, on a link of its own: a set it makes is done once
// it has its reply.
bool setFromAnotherFrontend(const std::string &text) {
    std::shared_ptr<cmLinkClient> link = cmLinkConnect(2000);
    if (!link) return false;
    cmLinkMessage hello(CMLINK_HELLO);
    hello.u32(CMLINK_TAG_ROLE, CMLINK_ROLE_FRONTEND).text(CMLINK_TAG_NAME, "other");
    cmLinkMessage set(CMLINK_REQUEST);
    set.u32(CMLINK_TAG_ID, 1)
        .u32(CMLINK_TAG_OPERATION, CM_OP_SET)
        .u32(CMLINK_TAG_FLAGS, 0)
        .text(CMLINK_TAG_MODULE, "vlan")
        .text(CMLINK_TAG_TEXT, text.c_str());
    uint32_t status = 0;
    bool replied = false;
    if (link->send(hello) == 0 && link->send(set) == 0) {
        auto end = Clock::now() + std::chrono::seconds(5);
        while (!replied && Clock::now() < end) {
            pollfd p{link->fd, POLLIN, 0};
            poll(&p, 1, 100);
            int rc = link->readAvailable([&](const uint8_t *bytes, uint32_t length) {
                uint32_t kind = 0;
                tlv_t t;
                tlvInit(&t, const_cast<uint8_t *>(bytes), length);
                if (cmLinkDecodeKind(bytes, length, &kind) == 0 && kind == CMLINK_REPLY)
                    replied =
                        tlvDecode(&t, CMLINK_TAG_STATUS, TLV_DEC_U32, &status, TLV_DEC_END) == 0;
            });
            if (rc != 0) break;
        }
    }
    link->close();
    return replied && status == 1;
}

// Moves cfgmgr's change count, as a change whose news has not come yet does.
bool moveChangeCount(const std::string &runDir) {
    int fd = open((runDir + "/" + CMLINK_CHANGES_FILE).c_str(), O_RDWR | O_CLOEXEC);
    if (fd < 0) return false;
    void *page =
        mmap(nullptr, sizeof(cmLinkChangesPage), PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
    close(fd);
    if (page == MAP_FAILED) return false;
    static_cast<cmLinkChangesPage *>(page)->count.fetch_add(1);
    munmap(page, sizeof(cmLinkChangesPage));
    return true;
}

// Sends the get-next after VLAN `name` of VR-Default; true when its answer came from
// the rows read ahead (before the send returned, on this, the dispatcher's, thread),
// false when cfgmgr was asked. `*after` gets the name answered.
bool nextWasHeld(const std::string &name, std::string *after) {
    uint32_t seq =
        sendAsync("vlan", vlanText("VR-Default", name, "", "get"), CM_OP_GET, CM_GET_NEXT);
    bool held = gReplies.count(seq) > 0;
    EXPECT_TRUE(pumpUntil([&] { return gReplies.count(seq) > 0; })) << name;
    *after = nameIn(gReplies[seq]);
    gReplies.erase(seq);
    return held;
}

// What only the process shows, on one start: the status and data of replies, the lock-out events,
// and walks that see every change made before them.
TEST_F(CfgmgrTest, OneStartServesDefaultsRepliesEventsAndFreshWalks) {
    ASSERT_TRUE(up());
    ASSERT_EQ(gEvents.size(), 1u);
    EXPECT_EQ(gEvents[0], std::make_pair(int(CM_EVENT_LOCKOUT_THRESHOLD), 3u));

    Reply r = get(vlanText("VR-Mgmt", "Mgmt", "", "get"), CM_GET_NEXT);
    EXPECT_EQ(r.status, 1u);
    EXPECT_TRUE(r.hasData);  // after the last row: success with empty data, not none
    EXPECT_EQ(r.data, "");
    r = request("<module_wsvdbe><get><wsvdConfig/></get></module_wsvdbe>", CM_OP_GET);
    EXPECT_EQ(r.message, "Backend wsvdbe is not connected.");

    // Answers read ahead of a walk never hide a change made before the request that would
    // get them: neither this process's set nor another frontend's.
    for (const char *name : {"a1", "a3", "a5"})
        ASSERT_TRUE(changed(vlanText("VR-Default", name, "<rowStatus>create</rowStatus>")));
    EXPECT_NE(get(kAllVlans, CM_GET_NEXT).data.find("Default"), std::string::npos);
    EXPECT_EQ(nameAfter("Default"), "a1");
    // The news of it may still be unread when the next request is made.
    ASSERT_TRUE(
        setFromAnotherFrontend(vlanText("VR-Default", "a2", "<rowStatus>create</rowStatus>")));
    EXPECT_EQ(nameAfter("a1"), "a2");
    EXPECT_EQ(nameAfter("a2"), "a3");
    ASSERT_TRUE(changed(vlanText("VR-Default", "a4", "<rowStatus>create</rowStatus>")));
    EXPECT_EQ(nameAfter("a3"), "a4");

    const std::string setTo5 =
        "<module_cfgmgr><set><loginLockout><failures>5</failures></loginLockout></set></"
        "module_cfgmgr>";
    ASSERT_TRUE(changed(setTo5));
    ASSERT_TRUE(pumpUntil([] { return gEvents.size() == 2; }));
    EXPECT_EQ(gEvents[1], std::make_pair(int(CM_EVENT_LOCKOUT_CHANGED), 5u));
    ASSERT_TRUE(changed(setTo5));  // the same value again is no change
    dispatchRunOnce(100);
    EXPECT_EQ(gEvents.size(), 2u);
}

TEST_F(CfgmgrTest, AnswerReadAheadGoesToItsOwnWalkOnTheSendersThread) {
    ASSERT_TRUE(up());
    for (const char *name : {"a1", "a3", "a5"})
        ASSERT_TRUE(changed(vlanText("VR-Default", name, "<rowStatus>create</rowStatus>")));
    ASSERT_EQ(nameIn(get(kAllVlans, CM_GET_NEXT)), "Default");  // reads a1, a3... ahead

    // Nobody runs the dispatcher meanwhile: only the sender's thread can answer.
    uint32_t seq = 0;
    std::thread sender([&] {
        seq =
            sendAsync("vlan", vlanText("VR-Default", "Default", "", "get"), CM_OP_GET, CM_GET_NEXT);
    });
    sender.join();
    ASSERT_EQ(gReplies.count(seq), 1u);
    EXPECT_EQ(gReplies[seq].deliveries, 1);
    EXPECT_NE(gReplies[seq].thread, std::this_thread::get_id());
    EXPECT_EQ(nameIn(gReplies[seq]), "a1");

    // Held next: the row after a1. A walk named by the name alone asks after a3.
    uint32_t other =
        sendAsync("vlan", "<module_vlan><get><vlan><name>a3</name></vlan></get></module_vlan>",
                  CM_OP_GET, CM_GET_NEXT);
    EXPECT_EQ(gReplies.count(other), 0u);
    ASSERT_TRUE(pumpUntil([&] { return gReplies.count(other) > 0; }));
    EXPECT_EQ(nameIn(gReplies[other]), "a5");
    pumpFor(50);
    EXPECT_EQ(gReplies[seq].deliveries, 1);
    EXPECT_EQ(gReplies[other].deliveries, 1);
}

// A request sent off the dispatcher's thread is answered on the sender's thread before
// the send returns (nobody runs the dispatcher meanwhile); nothing cfgmgr sent is lost,
// and the dispatcher reads the link again afterwards.
TEST_F(CfgmgrTest, SenderOffTheDispatcherGetsItsReplyBeforeTheSendReturns) {
    ASSERT_TRUE(up());
    uint32_t seq = 0;
    std::thread sender([&] {
        seq = sendAsync("cfgmgr",
                        "<module_cfgmgr><set><loginLockout><failures>4</failures></loginLockout>"
                        "</set></module_cfgmgr>",
                        CM_OP_SET);
    });
    sender.join();
    ASSERT_EQ(gReplies.count(seq), 1u);
    EXPECT_EQ(gReplies[seq].status, 1u);
    EXPECT_NE(gReplies[seq].thread, std::this_thread::get_id());
    // The new threshold follows the reply: whoever reads it, it comes once.
    ASSERT_TRUE(pumpUntil([] { return gEvents.size() == 2; }));
    EXPECT_EQ(gEvents[1], std::make_pair(int(CM_EVENT_LOCKOUT_CHANGED), 4u));

    uint32_t other =
        sendAsync("vlan", vlanText("VR-Default", "Default", "", "get"), CM_OP_GET, CM_GET_EXACT);
    ASSERT_TRUE(pumpUntil([&] { return gReplies.count(other) > 0; }));
    EXPECT_EQ(nameIn(gReplies[other]), "Default");
    EXPECT_EQ(gReplies[other].thread, std::this_thread::get_id());
    pumpFor(50);
    EXPECT_EQ(gReplies[seq].deliveries, 1);
    EXPECT_EQ(gEvents.size(), 2u);
}

// A request pending when cfgmgr stalls gets its failure in time, also one whose sender
// waits inside its send; what was saved comes back with the restarted process, what
// was not does not.
TEST_F(CfgmgrTest, PendingRequestsFailAndSavedConfigurationSurvivesKill) {
    env.set("KARN_CM_TIMEOUT_SECONDS", "1");
    ASSERT_TRUE(up());
    ASSERT_TRUE(
        changed(vlanText("VR-Default", "kept", "<tag>30</tag><rowStatus>create</rowStatus>")));
    ASSERT_EQ(request(kSave, CM_OP_SETOP).status, 1u);
    ASSERT_TRUE(changed(vlanText("VR-Default", "lost", "<rowStatus>create</rowStatus>")));

    sw->expectDeaths();
    ASSERT_TRUE(sw->kill("cfgmgr", SIGSTOP));
    auto started = Clock::now();
    Reply r = request(kAllVlans, CM_OP_GET, CM_GET_PLAIN, 4000);
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(r.message, CM_TEXT_NO_ANSWER);
    EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(2500));
    // A sender off the dispatcher's thread waits inside its send, as long and no longer.
    uint32_t stalled = 0;
    started = Clock::now();
    std::thread sender([&] { stalled = sendAsync("vlan", kAllVlans, CM_OP_GET, CM_GET_PLAIN); });
    sender.join();
    EXPECT_LT(Clock::now() - started, std::chrono::milliseconds(2500));
    ASSERT_EQ(gReplies.count(stalled), 1u);
    EXPECT_EQ(gReplies[stalled].message, CM_TEXT_NO_ANSWER);
    ASSERT_TRUE(sw->kill("cfgmgr", SIGKILL));

    ASSERT_TRUE(reconnect());
    EXPECT_NE(
        get(vlanText("VR-Default", "kept", "", "get"), CM_GET_EXACT).data.find("<tag>30</tag>"),
        std::string::npos);
    EXPECT_EQ(get(vlanText("VR-Default", "lost", "", "get"), CM_GET_EXACT).data, "");
}

// A sender waiting inside its send gives up at once when the library is shut down (as
// the CLI does when it stops), however long cfgmgr would take.
TEST_F(CfgmgrTest, ShutdownEndsTheWaitOfASenderAtOnce) {
    ASSERT_TRUE(up());
    sw->expectDeaths();
    ASSERT_TRUE(sw->kill("cfgmgr", SIGSTOP));
    uint32_t seq = 0;
    std::thread sender([&] { seq = sendAsync("vlan", kAllVlans, CM_OP_GET, CM_GET_PLAIN); });
    std::this_thread::sleep_for(std::chrono::milliseconds(200));  // into its wait
    auto stopped = Clock::now();
    cmFrontendShutdown();
    sender.join();
    EXPECT_LT(Clock::now() - stopped, std::chrono::seconds(2));
    ASSERT_EQ(gReplies.count(seq), 1u);
    EXPECT_EQ(gReplies[seq].message, CM_TEXT_WENT_AWAY);
    EXPECT_EQ(gReplies[seq].deliveries, 1);
    ASSERT_TRUE(sw->kill("cfgmgr", SIGKILL));
}

// cfgmgr computes a walk's next batch before the walk asks for it; a change made
// meanwhile, by whoever, still shows in that batch.
TEST_F(CfgmgrTest, BatchPreparedAheadOfAWalkShowsAChangeMadeBeforeItIsAskedFor) {
    ASSERT_TRUE(up());
    for (int i = 1; i <= 12; i++) {
        char name[8];
        snprintf(name, sizeof name, "v%02d", i);
        ASSERT_TRUE(changed(vlanText("VR-Default", name, "<rowStatus>create</rowStatus>")));
    }
    // The first batch: Default and four rows read ahead; the next (after v04) is
    // prepared once it is sent.
    ASSERT_NE(get(kAllVlans, CM_GET_NEXT).data.find("Default"), std::string::npos);
    EXPECT_EQ(nameAfter("Default"), "v01");
    EXPECT_EQ(nameAfter("v01"), "v02");
    EXPECT_EQ(nameAfter("v02"), "v03");
    EXPECT_EQ(nameAfter("v03"), "v04");
    ASSERT_TRUE(
        setFromAnotherFrontend(vlanText("VR-Default", "v05", "<rowStatus>delete</rowStatus>")));
    // The news is not read before the walk asks on: it asks for the prepared batch.
    EXPECT_EQ(nameAfter("v04"), "v06");
    EXPECT_EQ(nameAfter("v06"), "v07");
}

TEST_F(CfgmgrTest, DamagedSavedFileIsKeptAsideAndDefaultsUsed) {
    sw = std::make_unique<SwitchHarness>(std::vector<std::string>{"cfgmgr"});
    // Cut short by a crash of a writer.
    writeFile(sw->configDir() + "/cfgmgr.cfg", "cfgmgr-config 1\nR vlan 7 12\n<vlan></vla");
    ASSERT_TRUE(up());
    EXPECT_NE(get(vlanText("VR-Default", "Default", "", "get"), CM_GET_EXACT).data, "");
    EXPECT_NE(readFile(sw->configDir() + "/cfgmgr.cfg.damaged"), "");
}

// The daemon is the backend of module wsvdbe: a restarted daemon starts from its
// defaults and gets the saved configuration when cfgmgr (re)loads it.
TEST_F(CfgmgrTest, BackendGetsItsSavedConfigurationBack) {
    ASSERT_TRUE(up({"cfgmgr", "wsvd"}));
    auto maxSessionsIs = [](const char *value) {
        return pumpUntil(
            [&] {
                return get("<module_wsvdbe><get><wsvdConfig/></get></module_wsvdbe>", CM_GET_EXACT)
                           .data.find(std::string("<maxSessions>") + value) != std::string::npos;
            },
            10000);
    };
    ASSERT_TRUE(maxSessionsIs("6"));
    ASSERT_TRUE(
        changed("<module_wsvdbe><set><wsvdConfig><maxSessions>10</maxSessions></wsvdConfig></set>"
                "</module_wsvdbe>"));
    Reply r =
        set("<module_wsvdbe><set><wsvdConfig><maxSessions>33</maxSessions></wsvdConfig></set>"
            "</module_wsvdbe>");
    EXPECT_EQ(r.status, 0u);
    EXPECT_EQ(r.message, "Session exceeded max sessions");
    ASSERT_EQ(request(kSave, CM_OP_SETOP).status, 1u);
    sw->expectDeaths();
    ASSERT_TRUE(sw->kill("wsvd", SIGKILL));
    EXPECT_TRUE(maxSessionsIs("6"));
    ASSERT_TRUE(sw->kill("cfgmgr", SIGKILL));
    ASSERT_TRUE(reconnect());
    EXPECT_TRUE(maxSessionsIs("10"));
}

// A row read ahead is handed over only while cfgmgr's change count stands where it stood
// when the row was computed, be it in the first batch or in one cfgmgr prepared before
// it was asked for: a count that moved is enough, before any news of a change has come,
// also on the link to a restarted cfgmgr.
TEST_F(CfgmgrTest, RowReadAheadIsTakenOnlyWhileTheChangeCountStands) {
    ASSERT_TRUE(up());
    for (const char *name : {"a1", "a2", "a3", "a4", "a5", "a6", "a7"})
        ASSERT_TRUE(changed(vlanText("VR-Default", name, "<rowStatus>create</rowStatus>")));
    ASSERT_EQ(request(kSave, CM_OP_SETOP).status, 1u);
    // The first batch holds a1-a4; a5 comes with the next, which holds a6 and a7.
    const struct {
        const char *from, *next;
        bool held;
    } walk[] = {{"Default", "a1", true}, {"a1", "a2", true},  {"a2", "a3", true},
                {"a3", "a4", true},      {"a4", "a5", false}, {"a5", "a6", true}};
    for (int start = 1; start <= 2; start++) {
        SCOPED_TRACE(start);
        ASSERT_EQ(nameIn(get(kAllVlans, CM_GET_NEXT)), "Default");
        std::string after;
        for (const auto &step : walk) {
            EXPECT_EQ(nextWasHeld(step.from, &after), step.held) << step.from;
            EXPECT_EQ(after, step.next);
        }
        ASSERT_TRUE(moveChangeCount(sw->runDir()));
        EXPECT_FALSE(nextWasHeld("a6", &after));
        EXPECT_EQ(after, "a7");
        if (start == 1) {
            sw->expectDeaths();
            ASSERT_TRUE(sw->kill("cfgmgr", SIGKILL));
            ASSERT_TRUE(reconnect());
        }
    }
}

// Where the change count cannot be read (here the file in its place is not the one
// cfgmgr named), rows read ahead are still handed over, but not while news of a change
// is unread.
TEST_F(CfgmgrTest, WithoutTheChangeCountUnreadNewsStillHoldsBackRowsReadAhead) {
    sw = std::make_unique<SwitchHarness>(std::vector<std::string>{"cfgmgr"});
    ASSERT_TRUE(sw->start());
    const std::string path = sw->runDir() + "/" + CMLINK_CHANGES_FILE;
    writeFile(path + ".other", std::string(sizeof(cmLinkChangesPage), '\0'));
    ASSERT_EQ(rename((path + ".other").c_str(), path.c_str()), 0);
    ASSERT_TRUE(connect());
    for (const char *name : {"a1", "a3", "a5"})
        ASSERT_TRUE(changed(vlanText("VR-Default", name, "<rowStatus>create</rowStatus>")));
    ASSERT_EQ(nameIn(get(kAllVlans, CM_GET_NEXT)), "Default");
    std::string after;
    EXPECT_TRUE(nextWasHeld("Default", &after));
    EXPECT_EQ(after, "a1");
    ASSERT_TRUE(
        setFromAnotherFrontend(vlanText("VR-Default", "a2", "<rowStatus>create</rowStatus>")));
    EXPECT_FALSE(nextWasHeld("a1", &after));
    EXPECT_EQ(after, "a2");
}

}  // namespace
