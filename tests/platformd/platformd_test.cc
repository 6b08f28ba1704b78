// platformd and the platform-link client libraries, end to end: the real platformd
// runs on a private run directory; this process is one client (through dm, ds, lm),
// and raw sockets play other processes or misbehaving peers.
#include <fcntl.h>
#include <gtest/gtest.h>
#include <poll.h>
#include <signal.h>
#include <stdlib.h>
#include <netinet/in.h>
#include <sys/socket.h>
#include <sys/un.h>
#include <sys/wait.h>
#include <time.h>
#include <unistd.h>

#include <algorithm>
#include <cstring>
#include <fstream>
#include <functional>
#include <regex>
#include <string>
#include <vector>

#include "platform/dispatch.h"
#include "platform/dm.h"
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
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return uint64_t(ts.tv_sec) * 1000 + uint64_t(ts.tv_nsec) / 1000000;
}

// Starts platformd with `args` and waits for its ready line.
pid_t startPlatformd(std::vector<std::string> args) {
    int out[2];
    if (pipe(out) != 0) return -1;
    pid_t pid = fork();
    if (pid == 0) {
        dup2(out[1], 1);
        close(out[0]);
        close(out[1]);
        std::string prog = std::string(WSVD_BIN_DIR) + "/platformd";
        std::vector<char *> argv{prog.data()};
        for (std::string &a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(prog.c_str(), argv.data());
        _exit(127);
    }
    close(out[1]);
    std::string text;
    uint64_t end = nowMs() + 5000;
    while (text.find("platformd: ready\n") == std::string::npos && nowMs() < end) {
        pollfd p{out[0], POLLIN, 0};
        if (poll(&p, 1, 100) <= 0) continue;
        char buf[256];
        ssize_t n = read(out[0], buf, sizeof buf);
        if (n <= 0) break;
        text.append(buf, size_t(n));
    }
    close(out[0]);
    if (text.find("platformd: ready\n") == std::string::npos) {
        kill(pid, SIGKILL);
        waitpid(pid, nullptr, 0);
        return -1;
    }
    return pid;
}

// Signals platformd and returns its exit status (128 + signal when killed, -1 when it
// did not end in time).
int stopPlatformd(pid_t pid, int sig = SIGTERM, int ms = 8000) {
    kill(pid, sig);
    uint64_t end = nowMs() + uint64_t(ms);
    for (;;) {
        int status;
        if (waitpid(pid, &status, WNOHANG) == pid)
            return WIFEXITED(status) ? WEXITSTATUS(status) : 128 + WTERMSIG(status);
        if (nowMs() >= end) {
            kill(pid, SIGKILL);
            waitpid(pid, nullptr, 0);
            return -1;
        }
        usleep(10000);
    }
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
    void sendBytes(const void *data, size_t n) { ASSERT_EQ(write(fd, data, n), ssize_t(n)); }
    void sendFrame(const tlv_t &t) { plinkWriteFrame(fd, t.buf, tlvLength(&t), 1000); }
    // The next frame, or nothing after `ms` or when platformd closed the connection.
    std::vector<uint8_t> readFrame(int ms = 2000) {
        uint32_t length = 0;
        if (!readAll(&length, sizeof length, ms) || length > PLINK_MAX_FRAME) return {};
        std::vector<uint8_t> frame(length);
        if (!readAll(frame.data(), length, ms)) return {};
        return frame;
    }
    bool readAll(void *out, size_t n, int ms) {
        size_t got = 0;
        while (got < n) {
            pollfd p{fd, POLLIN, 0};
            if (poll(&p, 1, ms) <= 0) return false;
            ssize_t r = read(fd, static_cast<uint8_t *>(out) + got, n - got);
            if (r <= 0) return false;
            got += size_t(r);
        }
        return true;
    }
    // Sends one message of the given tag/encoding/value items.
    template <typename... Items>
    void send(Items... items) {
        uint8_t buf[128];
        tlv_t t;
        tlvInit(&t, buf, sizeof buf);
        tlvEncode(&t, items..., TLV_ENC_END);
        sendFrame(t);
    }
    bool hello(const char *name) {
        send(PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_HELLO), PLINK_TAG_ID, TLV_ENC_U32, 77u,
             PLINK_TAG_NAME, TLV_ENC_STRING, name, PLINK_TAG_PID, TLV_ENC_U32, 1u);
        std::vector<uint8_t> reply = readFrame();
        return !reply.empty() && kindOf(reply) == PLINK_HELLO_ACK;
    }
    void setState(int state) {
        send(PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_SET_STATE), PLINK_TAG_STATE, TLV_ENC_U32,
             uint32_t(state));
    }
    static uint32_t kindOf(std::vector<uint8_t> &frame) {
        tlv_t t;
        tlvInit(&t, frame.data(), uint32_t(frame.size()));
        return plinkKindOf(&t);
    }
    // Names of the events 64 this peer receives until `ms` pass without a message.
    std::vector<std::string> upEvents(int ms) {
        std::vector<std::string> names;
        for (std::vector<uint8_t> f; !(f = readFrame(ms)).empty();) {
            tlv_t t;
            tlvInit(&t, f.data(), uint32_t(f.size()));
            uint32_t event = 0;
            const char *name = nullptr;
            if (plinkKindOf(&t) == PLINK_EVENT &&
                tlvDecode(&t, PLINK_TAG_EVENT, TLV_DEC_U32, &event, PLINK_TAG_NAME, TLV_DEC_STRING,
                          &name, static_cast<uint32_t *>(nullptr), TLV_DEC_END) == 0 &&
                event == DM_EVENT_PROCESS_UP)
                names.push_back(name);
        }
        return names;
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

TEST_F(PlatformdTest, LookupFailsOnceTheRegisteringProcessIsGone) {
    RawClient peer;
    ASSERT_TRUE(peer.open());
    ASSERT_TRUE(peer.hello("peer"));
    peer.send(PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_DS_REGISTER), PLINK_TAG_ID, TLV_ENC_U32,
              5u, PLINK_TAG_NAME, TLV_ENC_STRING, "peersvc");
    ASSERT_FALSE(peer.readFrame().empty());  // the result
    int link = dsLookup("peersvc", 1000);
    EXPECT_GE(link, 1000);
    peer.closeNow();
    EXPECT_TRUE(pumpUntil([] { return dsLookup("peersvc", 1000) == -1; }));
    // Registered again, by whoever: the same number.
    EXPECT_EQ(registerName("peersvc").result.linkNumber, link);
}

TEST_F(PlatformdTest, StatesFollowTheirProcesses) {
    EXPECT_EQ(dmSetProcessState(0, DM_STATE_INITIALISED), 0);
    EXPECT_EQ(dmGetProcessState("pdtest"), DM_STATE_INITIALISED);
    EXPECT_EQ(dmGetProcessState("nosuch"), 0);
    EXPECT_NE(dmInSync(), 0);

    RawClient peer;
    ASSERT_TRUE(peer.open());
    ASSERT_TRUE(peer.hello("peer"));
    peer.setState(7);
    EXPECT_TRUE(pumpUntil([] { return dmGetProcessState("peer") == 7; }));
    peer.closeNow();
    EXPECT_TRUE(pumpUntil([] { return dmGetProcessState("peer") == 0; }));
}

TEST_F(PlatformdTest, ProcessUpReachesClientsConnectedBeforeAndAfter) {
    ASSERT_EQ(dmGetProcessState("x"), 0);  // connects this process
    RawClient cfgmgr;
    ASSERT_TRUE(cfgmgr.open());
    ASSERT_TRUE(cfgmgr.hello("cfgmgr"));
    cfgmgr.setState(DM_STATE_INITIALISED);
    cfgmgr.setState(DM_STATE_RUNNING);
    cfgmgr.setState(DM_STATE_READY);  // still up: no second event
    EXPECT_TRUE(pumpUntil([] { return countEvents(DM_EVENT_PROCESS_UP, "cfgmgr") > 0; }));
    pumpFor(100);
    EXPECT_EQ(countEvents(DM_EVENT_PROCESS_UP, "cfgmgr"), 1);

    // A peer that connects later is told about what is already up.
    RawClient late;
    ASSERT_TRUE(late.open());
    ASSERT_TRUE(late.hello("late"));
    std::vector<std::string> seen = late.upEvents(200);
    EXPECT_NE(std::find(seen.begin(), seen.end(), "cfgmgr"), seen.end());

    // So is this process after it lost its link and came back.
    gEvents.clear();
    plinkDisconnect();
    ASSERT_EQ(dmGetProcessState("cfgmgr"), DM_STATE_READY);
    EXPECT_TRUE(pumpUntil([] { return countEvents(DM_EVENT_PROCESS_UP, "cfgmgr") == 1; }));

    // Down and up again is a new start-up.
    cfgmgr.setState(0);
    cfgmgr.setState(DM_STATE_RUNNING);
    EXPECT_TRUE(pumpUntil([] { return countEvents(DM_EVENT_PROCESS_UP, "cfgmgr") == 2; }));
}

TEST_F(PlatformdTest, LoadRequestIsBroadcast) {
    ASSERT_EQ(dmSendLoadRequest("wsvdbe"), 0);
    EXPECT_TRUE(pumpUntil([] { return countEvents(DM_EVENT_LOAD, "wsvdbe") == 1; }));

    // The same from the command line.
    pid_t pid = fork();
    if (pid == 0) {
        std::string prog = std::string(WSVD_BIN_DIR) + "/platformd";
        execl(prog.c_str(), prog.c_str(), "-l", "cli", static_cast<char *>(nullptr));
        _exit(127);
    }
    int status = -1;
    waitpid(pid, &status, 0);
    EXPECT_EQ(WEXITSTATUS(status), 0);
    EXPECT_TRUE(pumpUntil([] { return countEvents(DM_EVENT_LOAD, "cli") == 1; }));
}

std::vector<std::pair<int, uint32_t>> gPortEvents;
void onPortEvent(int event, uint32_t port) {
    gPortEvents.emplace_back(event, port);
}

int runSwitchctl(std::vector<const char *> args) {
    pid_t pid = fork();
    if (pid == 0) {
        std::string prog = std::string(WSVD_BIN_DIR) + "/switchctl";
        args.insert(args.begin(), prog.c_str());
        args.push_back(nullptr);
        int null = open("/dev/null", O_WRONLY);
        dup2(null, 2);
        execv(prog.c_str(), const_cast<char **>(args.data()));
        _exit(127);
    }
    int status = -1;
    waitpid(pid, &status, 0);
    return WIFEXITED(status) ? WEXITSTATUS(status) : -1;
}

// Port events raised from outside reach every process's port-event handler (and not
// its device-manager callback); anything but an event on a front port is refused.
TEST_F(PlatformdTest, PortEventsAreBroadcast) {
    gPortEvents.clear();
    dmSetPortEventHandler(onPortEvent);
    EXPECT_EQ(dmRaisePortEvent(DM_PORT_USER_AUTHENTICATE, plPortId(2, 48)), 0);
    EXPECT_EQ(runSwitchctl({"event", "device-remove", "1:7"}), 0);
    EXPECT_TRUE(pumpUntil([] { return gPortEvents.size() == 2; }));
    EXPECT_EQ(gPortEvents[0], std::make_pair(int(DM_PORT_USER_AUTHENTICATE), plPortId(2, 48)));
    EXPECT_EQ(gPortEvents[1], std::make_pair(int(DM_PORT_DEVICE_REMOVE), plPortId(1, 7)));

    EXPECT_EQ(dmRaisePortEvent(5, plPortId(1, 1)), -1);
    EXPECT_EQ(dmRaisePortEvent(DM_PORT_DEVICE_DETECT, plPortId(3, 25)), -1);  // a 24-port card
    EXPECT_EQ(dmRaisePortEvent(DM_PORT_DEVICE_DETECT, PL_MGMT_PORT), -1);
    EXPECT_EQ(runSwitchctl({"event", "device-detect", "9:1"}), 1);
    EXPECT_EQ(runSwitchctl({"event", "device-detect", "mgmt"}), 1);
    EXPECT_EQ(runSwitchctl({"event", "reboot", "1:1"}), 2);
    EXPECT_EQ(runSwitchctl({"event", "device-detect"}), 2);
    pumpFor(50);
    EXPECT_EQ(gPortEvents.size(), 2u);
    for (auto &e : gEvents) EXPECT_NE(e.first, DM_EVENT_PORT);
    dmSetPortEventHandler(nullptr);
}

std::vector<std::string> gIdentities;
void onIdentity(const char *user, const char *domain, const char *mac, uint32_t port) {
    gIdentities.push_back(std::string(user) + "@" + domain + " " + mac + " " +
                          std::to_string(port >> 16) + ":" + std::to_string(port & 0xFFFF));
}

// Identities raised from outside reach every process's identity handler; names that
// are empty, too long or hold blanks, MAC addresses that are none and ports the switch
// has not got are refused.
TEST_F(PlatformdTest, IdentitiesAreBroadcast) {
    gIdentities.clear();
    dmSetIdentityHandler(onIdentity);
    EXPECT_EQ(dmRaiseIdentity("alice", "corp", "00:01:02:03:04:0a", plPortId(2, 48)), 0);
    EXPECT_EQ(runSwitchctl({"identity", "add", "bob", "00:00:00:00:00:0b", "1:7"}), 0);
    EXPECT_TRUE(pumpUntil([] { return gIdentities.size() == 2; }));
    EXPECT_EQ(gIdentities, (std::vector<std::string>{"alice@corp 00:01:02:03:04:0a 2:48",
                                                     "bob@default 00:00:00:00:00:0b 1:7"}));

    const std::string tooLong(DM_IDENTITY_NAME_MAX + 1, 'u');
    const char *mac = "00:00:00:00:00:01";
    EXPECT_EQ(dmRaiseIdentity("", "corp", mac, plPortId(1, 1)), -1);
    EXPECT_EQ(dmRaiseIdentity("a b", "corp", mac, plPortId(1, 1)), -1);
    EXPECT_EQ(dmRaiseIdentity(tooLong.c_str(), "corp", mac, plPortId(1, 1)), -1);
    EXPECT_EQ(dmRaiseIdentity("eve", "corp", "00:00:00:00:00", plPortId(1, 1)), -1);
    EXPECT_EQ(dmRaiseIdentity("eve", "corp", "00:00:00:00:00:0g", plPortId(1, 1)), -1);
    EXPECT_EQ(dmRaiseIdentity("eve", "corp", mac, plPortId(3, 25)), -1);
    EXPECT_EQ(runSwitchctl({"identity", "add", "eve", mac, "mgmt"}), 1);
    EXPECT_EQ(runSwitchctl({"identity", "add", "eve", mac}), 2);
    pumpFor(50);
    EXPECT_EQ(gIdentities.size(), 2u);
    dmSetIdentityHandler(nullptr);
}

struct Watch {
    int events = 0;
    bool cancelInside = false;
};
Watch *gWatch;
void watchCallBack(int event, void *group) {
    if (event != LM_EVENT_ALL_UP) return;
    gWatch->events++;
    if (gWatch->cancelInside) lmCancelGroup(group);
}

void *watch(std::vector<const char *> names) {
    char slots[4][LM_NAME_SLOT] = {};
    for (size_t i = 0; i < names.size(); i++) strlcpy(slots[i], names[i], LM_NAME_SLOT);
    return lmWatchGroup(slots, int(names.size()), 3, watchCallBack, 0, 0);
}

TEST_F(PlatformdTest, LibraryGroupsComeUpOnce) {
    struct Case {
        std::vector<const char *> names;
        bool cancelInside;
    } cases[] = {
        {{"epmlib", "dslib", "dmlib", "emslib"}, false},
        {{"epmlib", "dslib", "dmlib", "emslib"}, true},
        {{"cliSubagent", "cmFrontend"}, true},
    };
    for (const Case &c : cases) {
        Watch w{0, c.cancelInside};
        gWatch = &w;
        void *group = watch(c.names);
        ASSERT_NE(group, nullptr);
        EXPECT_TRUE(pumpUntil([&] { return w.events == 1; })) << c.names[0];
        pumpFor(50);
        EXPECT_EQ(w.events, 1) << c.names[0];
        if (!c.cancelInside) lmCancelGroup(group);
    }
    // Cancelled before its event: never called.
    Watch w;
    gWatch = &w;
    lmCancelGroup(watch({"cmFrontend"}));
    pumpFor(50);
    EXPECT_EQ(w.events, 0);
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
    Watch w;
    gWatch = &w;
    void *group = watch({"epmlib", "dslib", "dmlib", "emslib"});
    pumpFor(100);
    EXPECT_EQ(w.events, 0);

    // ...which comes back by itself once platformd does, with the state said again.
    dmSetProcessState(0, DM_STATE_READY);
    pid_ = startPlatformd({"-n"});
    ASSERT_GT(pid_, 0);
    EXPECT_TRUE(pumpUntil([&] { return w.events == 1; }, 4000));
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

std::vector<uint8_t> framed(const void *p, uint32_t n) {
    std::vector<uint8_t> v(sizeof n + n);
    memcpy(v.data(), &n, sizeof n);
    if (n) memcpy(v.data() + sizeof n, p, n);
    return v;
}

std::vector<uint8_t> framedMessage(uint32_t kind, bool withKind) {
    uint8_t buf[64];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    if (withKind)
        tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, kind, TLV_ENC_END);
    else
        tlvEncode(&t, PLINK_TAG_NAME, TLV_ENC_STRING, "x", TLV_ENC_END);
    return framed(buf, tlvLength(&t));
}

TEST_F(PlatformdTest, BadInputIsDroppedNotFatal) {
    uint8_t truncated[] = {1, 0, 0, 0, 4, 0, 0, 0, 9, 9};
    uint32_t huge = PLINK_MAX_FRAME + 1;
    enum After { STILL_SERVED, CLOSED_BY_PLATFORMD, WE_LEAVE };
    struct Case {
        const char *what;
        std::vector<uint8_t> bytes;
        After after;
    } cases[] = {
        {"unknown kind", framedMessage(999, true), STILL_SERVED},
        {"no kind", framedMessage(0, false), STILL_SERVED},
        {"hello without fields", framedMessage(PLINK_HELLO, true), STILL_SERVED},
        {"state before hello", framedMessage(PLINK_SET_STATE, true), STILL_SERVED},
        {"truncated item", framed(truncated, sizeof truncated), STILL_SERVED},
        {"zero length", framed(nullptr, 0), CLOSED_BY_PLATFORMD},
        {"oversized length", framed(&huge, 0), CLOSED_BY_PLATFORMD},
        {"half a frame", {200, 0, 0, 0, 1, 2}, WE_LEAVE},
    };
    memcpy(cases[6].bytes.data(), &huge, sizeof huge);
    for (Case &c : cases) {
        RawClient bad;
        ASSERT_TRUE(bad.open());
        bad.sendBytes(c.bytes.data(), c.bytes.size());
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

std::vector<std::string> lines(const std::string &path) {
    std::ifstream in(path);
    std::vector<std::string> out;
    for (std::string l; std::getline(in, l);) out.push_back(l);
    return out;
}

class PlatformdChildrenTest : public PlatformdTest {
protected:
    void SetUp() override {
        gEvents.clear();
        file_ = runDir() / ("starts." + std::to_string(getpid()));
        unlink(file_.c_str());
    }
    void TearDown() override {
        PlatformdTest::TearDown();
        unlink(file_.c_str());
    }
    // A -p entry running the helper under `name`.
    std::string helper(const char *name, int lifetimeMs) {
        return std::string(name) + "=" + WSVD_BIN_DIR + "/plink_helper " + name + " 6 " +
               std::to_string(lifetimeMs) + " " + file_;
    }
    std::string file_;
};

TEST_F(PlatformdChildrenTest, RestartsAProcessThatDies) {
    pid_ = startPlatformd({"-n", "-p", helper("flaky", 300)});
    ASSERT_GT(pid_, 0);
    dmGetProcessState("flaky");  // connect now, so as to see its start-ups
    // It comes up, dies after 0.3 s and is back a second later: two starts, and an
    // event 64 for each start seen (the first may come before this process connects).
    EXPECT_TRUE(pumpUntil([&] { return lines(file_).size() >= 2; }, 4000));
    EXPECT_TRUE(pumpUntil([] { return countEvents(DM_EVENT_PROCESS_UP, "flaky") >= 2; }, 4000));
    std::vector<std::string> starts = lines(file_);
    ASSERT_GE(starts.size(), 2u);
    EXPECT_NE(starts[0], starts[1]);
}

TEST_F(PlatformdChildrenTest, StopsItsProcessesOnTerm) {
    pid_ = startPlatformd({"-n", "-p", helper("steady", 0)});
    ASSERT_GT(pid_, 0);
    ASSERT_TRUE(pumpUntil([] { return dmGetProcessState("steady") == 6; }));
    std::vector<std::string> starts = lines(file_);
    ASSERT_EQ(starts.size(), 1u);
    EXPECT_EQ(stopPlatformd(pid_), 0);
    pid_ = -1;
    EXPECT_NE(kill(atoi(starts[0].c_str()), 0), 0);  // reaped, gone
}

TEST_F(PlatformdChildrenTest, ReadsTheProcessListFile) {
    std::string list = runDir() / "list";
    std::string entry = helper("listed", 0);
    entry[entry.find('=')] = ' ';
    std::ofstream(list) << "# comment\n\n  " << entry << "  # trailing\n";
    pid_ = startPlatformd({"-f", list});
    ASSERT_GT(pid_, 0);
    EXPECT_TRUE(pumpUntil([] { return dmGetProcessState("listed") == 6; }));
    unlink(list.c_str());
}

// A process that keeps dying as it starts is given up after a few tries, and says so
// in platformd's log file.
TEST_F(PlatformdChildrenTest, GivesUpAProcessThatKeepsDyingAtStart) {
    std::string logDir = runDir() / "log";
    {
        ScopedEnv env;
        env.set("KARN_RESTART_DELAY_MS", "10").set("KARN_LOG_LOCATION", logDir);
        pid_ = startPlatformd({"-n", "-p", helper("doomed", 50)});
    }
    ASSERT_GT(pid_, 0);
    std::string log = logDir + "/platformd.log";
    auto logHas = [&](const std::string &text) {
        for (const std::string &line : lines(log))
            if (line.find(text) != std::string::npos) return true;
        return false;
    };
    EXPECT_TRUE(pumpUntil([&] {
        return logHas("doomed died at start 5 times in a row; not restarting it");
    })) << "log: "
        << lines(log).size() << " lines";
    EXPECT_EQ(lines(file_).size(), 5u);
    pumpFor(200);
    EXPECT_EQ(lines(file_).size(), 5u) << "not started again";
    EXPECT_TRUE(std::regex_search(
        lines(log)[0],
        std::regex("^[0-9]{4}-[0-9]{2}-[0-9]{2} [0-9:.]{12} info  platformd: started doomed")))
        << lines(log)[0];
    EXPECT_EQ(kill(pid_, 0), 0) << "platformd runs on";
}

// A port that another program holds stops the switch at once with a message that says
// what to do, instead of a loop of restarts.
TEST_F(PlatformdChildrenTest, BusyPortStopsTheSwitchWithTheRemedy) {
    int holder = socket(AF_INET, SOCK_STREAM, 0);
    sockaddr_in addr{};
    addr.sin_family = AF_INET;
    addr.sin_addr.s_addr = htonl(INADDR_LOOPBACK);
    socklen_t length = sizeof addr;
    ASSERT_EQ(bind(holder, reinterpret_cast<sockaddr *>(&addr), sizeof addr), 0);
    ASSERT_EQ(listen(holder, 1), 0);
    ASSERT_EQ(getsockname(holder, reinterpret_cast<sockaddr *>(&addr), &length), 0);
    std::string busy = std::to_string(ntohs(addr.sin_port));

    std::string certDir = runDir() / "cert";
    bool https = system(("command -v openssl >/dev/null && " WSVD_SOURCE_DIR "/scripts/make-cert " +
                         certDir + " >/dev/null")
                            .c_str()) == 0;
    struct {
        const char *what;
        std::vector<std::pair<std::string, std::string>> env;
        std::string message;
    } cases[] = {
        {"http", {{"WSVD_HTTP_PORT", busy}}, "port " + busy + " is in use; set WSVD_HTTP_PORT"},
        {"https",
         {{"WSVD_HTTP_PORT", "0"},
          {"WSVD_HTTPS_PORT", busy},
          {"WSVD_HTTPS_CERT", certDir + "/webd-cert.pem"},
          {"WSVD_HTTPS_KEY", certDir + "/webd-key.pem"}},
         "port " + busy + " is in use; set WSVD_HTTPS_PORT"},
    };
    for (auto &c : cases) {
        if (std::string(c.what) == "https" && !https) continue;
        if (std::string(c.what) == "https") {
            // a free HTTP port, so that only the HTTPS one is busy
            int probe = socket(AF_INET, SOCK_STREAM, 0);
            sockaddr_in any{};
            any.sin_family = AF_INET;
            socklen_t n = sizeof any;
            bind(probe, reinterpret_cast<sockaddr *>(&any), sizeof any);
            getsockname(probe, reinterpret_cast<sockaddr *>(&any), &n);
            c.env[0].second = std::to_string(ntohs(any.sin_port));
            close(probe);
        }
        uint64_t start = nowMs();
        ToolRun r = runTool("platformd", {"-n", "-p", "webd"}, "", c.env, 5000);
        EXPECT_LT(nowMs() - start, 5000u) << c.what;
        EXPECT_EQ(r.status, 1) << c.what << "\n" << r.err;
        EXPECT_NE(r.err.find("webd: " + c.message), std::string::npos) << c.what << "\n" << r.err;
        EXPECT_NE(r.err.find("webd cannot run as configured"), std::string::npos) << r.err;
        EXPECT_EQ(r.err.find("restarting"), std::string::npos) << r.err;
    }
    close(holder);
}

}  // namespace
