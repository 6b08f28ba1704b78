// platformd and the platform-link client libraries, end to end: the real platformd
// runs on a private run directory; this process is one client (through dm, ds, lm),
// and raw sockets play other processes or misbehaving peers.
#include <gtest/gtest.h>
#include <signal.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <vector>

#include "platform/dm.h"
#include "platform/ipml.h"
#include "platform/ds.h"
#include "platform/lm.h"
#include "platform/plink.h"
#include "platform/portlist.h"
#include "platform/util.h"
#include "tests/support/pump.h"
#include "tests/support/run_tool.h"
#include "tests/support/scratch.h"

namespace {

// One run directory for the whole program: the client libraries keep their connection
// state per process.
const ScratchDir &runDir() {
    static ScratchDir dir("pdt");
    return dir;
}

uint64_t nowMs() {
    using namespace std::chrono;
    return uint64_t(duration_cast<milliseconds>(steady_clock::now().time_since_epoch()).count());
}

// Starts platformd with `args` and waits for its ready line.
pid_t startPlatformd(std::vector<std::string> args) {
    std::string out = runDir() / "out";
    pid_t pid = fork();
    if (pid == 0) {
        std::string prog = std::string(WSVD_BIN_DIR) + "/platformd";
        std::vector<char *> argv{prog.data()};
        for (std::string &a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        if (freopen(out.c_str(), "w", stdout)) execv(prog.c_str(), argv.data());
        _exit(127);
    }
    if (pumpUntil([&] { return readFile(out).find("platformd: ready\n") != std::string::npos; }))
        return pid;
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

// Signals platformd and returns its exit status (128 + signal when killed, -1 when it
// did not end in time).
int stopPlatformd(pid_t pid, int sig = SIGTERM) {
    kill(pid, sig);
    int status = 0;
    if (pumpUntil([&] { return waitpid(pid, &status, WNOHANG) == pid; }, 8000))
        return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
    kill(pid, SIGKILL);
    waitpid(pid, nullptr, 0);
    return -1;
}

// A peer speaking the platform link by hand.
struct RawClient {
    int fd = -1;
    ~RawClient() { closeNow(); }
    void closeNow() {
        if (fd >= 0) close(fd);
        fd = -1;
    }
    bool open() {
        sockaddr_un addr{};
        addr.sun_family = AF_UNIX;
        plinkSocketPath(addr.sun_path, sizeof addr.sun_path);
        fd = socket(AF_UNIX, SOCK_STREAM, 0);
        return connect(fd, reinterpret_cast<sockaddr *>(&addr), sizeof addr) == 0;
    }
    void sendBytes(const std::vector<uint8_t> &b) {
        ASSERT_EQ(write(fd, b.data(), b.size()), ssize_t(b.size()));
    }
    // The next frame, or nothing after `ms` or when platformd closed the connection.
    std::vector<uint8_t> readFrame(int ms = 2000) {
        std::vector<uint8_t> frame(PLINK_MAX_FRAME);
        int n = ipmlReadFrame(fd, frame.data(), PLINK_MAX_FRAME, ms);
        frame.resize(n > 0 ? size_t(n) : 0);
        return frame;
    }
    // Sends one message of the given tag/encoding/value items.
    template <typename... Items>
    void send(Items... items) {
        uint8_t buf[128];
        tlv_t t;
        tlvInit(&t, buf, sizeof buf);
        tlvEncode(&t, items..., TLV_ENC_END);
        plinkWriteFrame(fd, t.buf, tlvLength(&t), 1000);
    }
    bool hello(const char *name) {
        send(PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_HELLO), PLINK_TAG_ID, TLV_ENC_U32, 77u,
             PLINK_TAG_NAME, TLV_ENC_STRING, name, PLINK_TAG_PID, TLV_ENC_U32, 1u);
        std::vector<uint8_t> reply = readFrame();
        tlv_t t;
        tlvInit(&t, reply.data(), uint32_t(reply.size()));
        return !reply.empty() && plinkKindOf(&t) == PLINK_HELLO_ACK;
    }
};

// What the device-manager callback of this process has seen.
std::vector<std::pair<int, std::string>> gEvents;
void dmCallBack(void *, int event, int, void *data) {
    if (event == DM_EVENT_LOAD)
        gEvents.emplace_back(event, static_cast<dmLoadEvent_t *>(data)->processName);
    else
        gEvents.emplace_back(event, static_cast<const char *>(data));
}
int countEvents(int event, const std::string &name) {
    int n = 0;
    for (auto &e : gEvents)
        if (e.first == event && e.second == name) n++;
    return n;
}

struct Registration {
    bool done = false;
    int status = 0;
    dsRegistration_t result{};
};
void registerCallBack(void *arg, dsRegistration_t *result, int status) {
    auto *r = static_cast<Registration *>(arg);
    r->done = true;
    r->status = status;
    r->result = *result;
}
Registration registerName(const char *name) {
    Registration r;
    EXPECT_EQ(dsNBRegister(name, registerCallBack, &r), 0);
    EXPECT_TRUE(pumpUntil([&] { return r.done; }));
    return r;
}

class PlatformdTest : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        static ScopedEnv env;
        static bool once = false;
        if (once) return;
        once = true;
        env.set("KARN_RUN_LOCATION", runDir().path());
        karnSetProcessName("pdtest");
        dmInit(64, dmCallBack);
    }
    void SetUp() override {
        pid_ = startPlatformd({"-n"});
        ASSERT_GT(pid_, 0);
        gEvents.clear();
    }
    void TearDown() override {
        if (pid_ > 0) {
            EXPECT_EQ(stopPlatformd(pid_), 0);
        }
        plinkDisconnect();
        pumpFor(20);
    }
    pid_t pid_ = -1;
};

TEST_F(PlatformdTest, RegistrationGivesStableLinkNumbers) {
    Registration a = registerName("svcA");
    ASSERT_EQ(a.status, 0);
    EXPECT_STREQ(a.result.name, "svcA");
    EXPECT_GE(a.result.linkNumber, 1000);
    Registration b = registerName("svcB");
    EXPECT_NE(b.result.linkNumber, a.result.linkNumber);
    EXPECT_EQ(registerName("svcA").result.linkNumber, a.result.linkNumber);

    EXPECT_EQ(dsLookup("svcA", 1000), a.result.linkNumber);
    EXPECT_EQ(dsLookup("nosuch", 1000), -1);
    EXPECT_EQ(dsDeregister("svcA", 1), 0);
    EXPECT_EQ(dsLookup("svcA", 1000), -1);
    EXPECT_EQ(registerName("svcA").result.linkNumber, a.result.linkNumber);

    // Names the link cannot carry are refused up front.
    EXPECT_NE(dsNBRegister("", registerCallBack, nullptr), 0);
    EXPECT_NE(dsNBRegister(std::string(40, 'x').c_str(), registerCallBack, nullptr), 0);
}

// What a process registered and the state it said go with it when it goes; its name,
// registered again by whoever, gets the same number.
TEST_F(PlatformdTest, NamesAndStatesFollowTheirProcesses) {
    EXPECT_EQ(dmSetProcessState(0, DM_STATE_INITIALISED), 0);
    EXPECT_EQ(dmGetProcessState("pdtest"), DM_STATE_INITIALISED);
    EXPECT_NE(dmInSync(), 0);
    RawClient peer;
    ASSERT_TRUE(peer.open());
    ASSERT_TRUE(peer.hello("peer"));
    peer.send(PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_DS_REGISTER), PLINK_TAG_ID, TLV_ENC_U32,
              5u, PLINK_TAG_NAME, TLV_ENC_STRING, "peersvc");
    ASSERT_FALSE(peer.readFrame().empty());  // the result
    peer.send(PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_SET_STATE), PLINK_TAG_STATE, TLV_ENC_U32,
              7u);
    int link = dsLookup("peersvc", 1000);
    EXPECT_GE(link, 1000);
    EXPECT_TRUE(pumpUntil([] { return dmGetProcessState("peer") == 7; }));
    peer.closeNow();
    EXPECT_TRUE(pumpUntil(
        [] { return dsLookup("peersvc", 1000) == -1 && dmGetProcessState("peer") == 0; }));
    EXPECT_EQ(registerName("peersvc").result.linkNumber, link);
}

TEST_F(PlatformdTest, LoadRequestIsBroadcast) {
    ASSERT_EQ(dmSendLoadRequest("wsvdbe"), 0);
    EXPECT_TRUE(pumpUntil([] { return countEvents(DM_EVENT_LOAD, "wsvdbe") == 1; }));
}

std::vector<std::string> gOutside;  // what the port-event and identity handlers saw
std::string portText(uint32_t port) {
    return std::to_string(port >> 16) + ":" + std::to_string(port & 0xFFFF);
}
void onPortEvent(int event, uint32_t port) {
    gOutside.push_back("event " + std::to_string(event) + " " + portText(port));
}
void onIdentity(const char *user, const char *domain, const char *mac, uint32_t port) {
    gOutside.push_back(std::string(user) + "@" + domain + " " + mac + " " + portText(port));
}

// Port events and identities raised from outside reach every process's handler (and
// not its device-manager callback); events on no front port, names that are empty,
// too long or hold blanks, MAC addresses that are none are refused.
TEST_F(PlatformdTest, PortEventsAndIdentitiesAreBroadcast) {
    gOutside.clear();
    dmSetPortEventHandler(onPortEvent);
    dmSetIdentityHandler(onIdentity);
    const char *mac = "00:00:00:00:00:0b";
    EXPECT_EQ(dmRaisePortEvent(DM_PORT_USER_AUTHENTICATE, plPortId(2, 48)), 0);
    EXPECT_EQ(runTool("switchctl", {"event", "device-remove", "1:7"}).status, 0);
    EXPECT_EQ(dmRaiseIdentity("alice", "corp", "00:01:02:03:04:0a", plPortId(2, 48)), 0);
    const std::vector<std::string> raised = {"event 3 2:48", "event 2 1:7",
                                             "alice@corp 00:01:02:03:04:0a 2:48"};
    EXPECT_TRUE(pumpUntil([] { return gOutside.size() == 3; }));
    EXPECT_EQ(gOutside, raised);

    EXPECT_EQ(dmRaisePortEvent(5, plPortId(1, 1)), -1);
    EXPECT_EQ(dmRaisePortEvent(DM_PORT_DEVICE_DETECT, plPortId(3, 25)), -1);  // a 24-port card
    EXPECT_EQ(dmRaisePortEvent(DM_PORT_DEVICE_DETECT, PL_MGMT_PORT), -1);
    const std::string tooLong(DM_IDENTITY_NAME_MAX + 1, 'u');
    for (const char *name : {"", "a b", tooLong.c_str()})
        EXPECT_EQ(dmRaiseIdentity(name, "corp", mac, plPortId(1, 1)), -1) << name;
    EXPECT_EQ(dmRaiseIdentity("eve", "corp", "00:00:00:00:00", plPortId(1, 1)), -1);
    EXPECT_EQ(dmRaiseIdentity("eve", "corp", mac, plPortId(3, 25)), -1);
    EXPECT_EQ(runTool("switchctl", {"event", "reboot", "1:1"}).status, 2);
    pumpFor(50);
    EXPECT_EQ(gOutside, raised);
    for (auto &e : gEvents) EXPECT_NE(e.first, DM_EVENT_PORT);
    dmSetPortEventHandler(nullptr);
    dmSetIdentityHandler(nullptr);
}

int gGroupUp;  // LM_EVENT_ALL_UP events seen
void watchCallBack(int event, void *) {
    if (event == LM_EVENT_ALL_UP) gGroupUp++;
}

void *watch(std::vector<const char *> names) {
    char slots[4][LM_NAME_SLOT] = {};
    for (size_t i = 0; i < names.size(); i++) strlcpy(slots[i], names[i], LM_NAME_SLOT);
    return lmWatchGroup(slots, int(names.size()), 3, watchCallBack, 0, 0);
}

TEST_F(PlatformdTest, ClientSurvivesPlatformdDeathAndReconnects) {
    Registration pending;
    ASSERT_EQ(dsNBRegister("svc", registerCallBack, &pending), 0);
    ASSERT_EQ(stopPlatformd(pid_, SIGKILL), 128 + SIGKILL);
    pid_ = -1;

    // A pending registration is answered either way (its result may have beaten the
    // kill); otherwise the daemon would wait for it for ever.
    EXPECT_TRUE(pumpUntil([&] { return pending.done; }));
    uint64_t start = nowMs();
    EXPECT_EQ(dmGetProcessState("pdtest"), 0);
    EXPECT_EQ(dsLookup("svc", 1000), -1);
    EXPECT_NE(dsNBRegister("svc", registerCallBack, &pending), 0);
    EXPECT_EQ(dmInSync(), 0);
    EXPECT_LT(nowMs() - start, 1000u);

    // A platform group waits for the link...
    gGroupUp = 0;
    void *group = watch({"epmlib", "dslib", "dmlib", "emslib"});
    pumpFor(100);
    EXPECT_EQ(gGroupUp, 0);

    // ...which comes back by itself once platformd does, with the state said again.
    dmSetProcessState(0, DM_STATE_READY);
    pid_ = startPlatformd({"-n"});
    ASSERT_GT(pid_, 0);
    EXPECT_TRUE(pumpUntil([&] { return gGroupUp == 1; }, 4000));
    EXPECT_NE(dmInSync(), 0);
    EXPECT_TRUE(pumpUntil([] { return dmGetProcessState("pdtest") == DM_STATE_READY; }));
    EXPECT_EQ(registerName("svc").status, 0);
    lmCancelGroup(group);
}

// The caller's bound holds against a platformd that does not answer.
TEST_F(PlatformdTest, HungPlatformdBoundsSynchronousCalls) {
    ASSERT_EQ(dmGetProcessState("x"), 0);
    kill(pid_, SIGSTOP);
    uint64_t start = nowMs();
    EXPECT_EQ(dsLookup("svc", 200), -1);
    uint64_t took = nowMs() - start;
    EXPECT_GE(took, 190u);
    EXPECT_LT(took, 2000u);
    kill(pid_, SIGCONT);
    // The late replies are told apart from the answers to new requests.
    EXPECT_EQ(dmSetProcessState(0, 6), 0);
    EXPECT_TRUE(pumpUntil([] { return dmGetProcessState("pdtest") == 6; }));
}

// A frame of 32-bit words, announcing `length` bytes (by default, what follows).
std::vector<uint8_t> frame(std::vector<uint32_t> words, uint32_t length = ~0u) {
    words.insert(words.begin(), length != ~0u ? length : uint32_t(4 * words.size()));
    auto *bytes = reinterpret_cast<const uint8_t *>(words.data());
    return std::vector<uint8_t>(bytes, bytes + 4 * words.size());
}

TEST_F(PlatformdTest, BadInputIsDroppedNotFatal) {
    enum After { STILL_SERVED, CLOSED_BY_PLATFORMD, WE_LEAVE };
    struct Case {
        const char *what;
        std::vector<uint8_t> bytes;
        After after;
    } cases[] = {
        {"unknown kind", frame({PLINK_TAG_KIND, 4, 999}), STILL_SERVED},
        {"no kind", frame({PLINK_TAG_NAME, 4, 'x'}), STILL_SERVED},
        {"hello without fields", frame({PLINK_TAG_KIND, 4, PLINK_HELLO}), STILL_SERVED},
        {"state before hello", frame({PLINK_TAG_KIND, 4, PLINK_SET_STATE}), STILL_SERVED},
        {"truncated item", frame({1, 8, 0x0909}), STILL_SERVED},
        {"zero length", frame({}), CLOSED_BY_PLATFORMD},
        {"oversized length", frame({}, PLINK_MAX_FRAME + 1), CLOSED_BY_PLATFORMD},
        {"half a frame", frame({1}, 200), WE_LEAVE},
    };
    for (Case &c : cases) {
        RawClient bad;
        ASSERT_TRUE(bad.open());
        bad.sendBytes(c.bytes);
        if (c.after == STILL_SERVED) {
            EXPECT_TRUE(bad.hello("bad")) << c.what;
        } else if (c.after == CLOSED_BY_PLATFORMD) {
            EXPECT_TRUE(bad.readFrame(1000).empty()) << c.what;
        }
        bad.closeNow();
        EXPECT_EQ(dmGetProcessState("x"), 0) << c.what;  // platformd still answers
    }
    EXPECT_EQ(waitpid(pid_, nullptr, WNOHANG), 0);
}

// These tests start platformd themselves, each with its own processes.
class PlatformdChildrenTest : public PlatformdTest {
protected:
    void SetUp() override {}
};

// A process that keeps dying as it starts is given up after five tries.
TEST_F(PlatformdChildrenTest, GivesUpAProcessThatKeepsDyingAtStart) {
    std::string file = runDir() / ("starts." + std::to_string(getpid()));
    unlink(file.c_str());
    {
        ScopedEnv env;
        env.set("KARN_RESTART_DELAY_MS", "10");
        pid_ = startPlatformd(
            {"-n", "-p",
             "doomed=" + std::string(WSVD_BIN_DIR) + "/plink_helper doomed 6 50 " + file});
    }
    ASSERT_GT(pid_, 0);
    auto starts = [&] {
        std::string s = readFile(file);
        return std::count(s.begin(), s.end(), '\n');
    };
    EXPECT_TRUE(pumpUntil([&] { return starts() == 5; }));
    pumpFor(300);
    EXPECT_EQ(starts(), 5) << "not started again";
    EXPECT_EQ(kill(pid_, 0), 0) << "platformd runs on";
    unlink(file.c_str());
}

}  // namespace
