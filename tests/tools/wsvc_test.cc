// The wsvc program: against a scripted daemon (exit status and messages when the daemon
// misbehaves) and, when the switch's programs are built, end to end against a switch.
#include <fcntl.h>
#include <signal.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <fstream>
#include <sstream>
#include <thread>

#include "tests/support/switch_harness.h"
#include "tests/tools/fake_daemon.h"

namespace {

const uint16_t kLink = 4712;

struct WsvcRun {
    int status = -1;  // exit status, or -1 when it did not exit normally in time
    std::string out, err;
};

std::string slurp(const std::string &path) {
    std::ifstream f(path, std::ios::binary);
    std::stringstream s;
    s << f.rdbuf();
    return s.str();
}

// Runs wsvc with `args`, `input` on its standard input; kills it after 20 s.
WsvcRun runWsvc(const std::string &dir, std::vector<std::string> args, const std::string &input) {
    std::string in = dir + "/in", out = dir + "/out", err = dir + "/err";
    std::ofstream(in, std::ios::binary) << input;
    args.insert(args.begin(), std::string(WSVD_BIN_DIR) + "/wsvc");
    pid_t pid = fork();
    if (pid == 0) {
        int i = open(in.c_str(), O_RDONLY),
            o = open(out.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600),
            e = open(err.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0600);
        dup2(i, 0);
        dup2(o, 1);
        dup2(e, 2);
        std::vector<char *> argv;
        for (std::string &a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        execv(argv[0], argv.data());
        _exit(127);
    }
    WsvcRun r;
    int status = 0;
    auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(20);
    while (waitpid(pid, &status, WNOHANG) != pid) {
        if (std::chrono::steady_clock::now() > deadline) {
            kill(pid, SIGKILL);
            waitpid(pid, &status, 0);
            ADD_FAILURE() << "wsvc did not end in time";
            break;
        }
        std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    if (WIFEXITED(status)) r.status = WEXITSTATUS(status);
    r.out = slurp(out);
    r.err = slurp(err);
    return r;
}

std::string pattern(size_t n) {
    std::string s;
    for (size_t i = 0; i < n; i++) s += char('A' + (i * 7) % 26);
    return s;
}

class WsvcTest : public ::testing::Test {
protected:
    void SetUp() override {
        char tmpl[] = "/tmp/wt.XXXXXX";
        ASSERT_NE(mkdtemp(tmpl), nullptr);
        dir_ = tmpl;
        setenv("KARN_RUN_LOCATION", dir_.c_str(), 1);
    }
    void TearDown() override {
        std::error_code ignored;
        std::filesystem::remove_all(dir_, ignored);
    }
    std::string dir_;
};

TEST_F(WsvcTest, SendsFragmentsWithTheHeaderAndPrintsTheReply) {
    const std::string text = pattern(1000);
    std::vector<uint32_t> types;
    std::string received, user, password;
    {
        FakeDaemon daemon(kLink, [&](int fd) {
            acceptHello(fd, "thttpd");
            PeerMessage m;
            while (readPeerMessage(fd, &m)) {
                types.push_back(m.type);
                received += m.text;
                user = m.header.userName;
                password = m.header.password;
                if (m.type == WSVD_MSG_REQUEST_LAST) break;
            }
            writeFrame(fd, encodeReply(8, m.header.seqnum, 0, "re: "));
            writeFrame(fd, encodeReply(10, m.header.seqnum, 4, received));
        });
        setenv("WSVC_PASSWORD", "s3cret", 1);
        WsvcRun r = runWsvc(dir_, {"-l", "4712", "-s", "300", "-n", "thttpd", "-u", "admin"}, text);
        unsetenv("WSVC_PASSWORD");
        EXPECT_EQ(r.status, 0) << r.err;
        EXPECT_EQ(r.out, "re: " + text);
        EXPECT_EQ(r.err, "");
    }
    EXPECT_EQ(types, (std::vector<uint32_t>{4, 5, 5, 6}));
    EXPECT_EQ(received, text);
    EXPECT_EQ(user, "admin");
    EXPECT_EQ(password, "s3cret");
}

TEST_F(WsvcTest, FailsWithAClearMessage) {
    struct Case {
        const char *name;
        std::function<void(int)> script;  // null: no daemon at all
        std::vector<std::string> args;
        int status;
        const char *message;
    };
    const Case cases[] = {
        {"no daemon", nullptr, {"-l", "4712"}, 1, "wsvc: cannot reach wsvd: cannot connect"},
        {"daemon goes away",
         [](int fd) {
             acceptHello(fd);
             PeerMessage m;
             readPeerMessage(fd, &m);
             writeFrame(fd, encodeReply(8, m.header.seqnum, 0, "partial"));
         },
         {"-l", "4712"},
         1,
         "wsvc: wsvd closed the connection"},
        {"no answer",
         [](int fd) {
             acceptHello(fd);
             usleep(2500 * 1000);
         },
         {"-l", "4712", "-t", "1"},
         1,
         "wsvc: timed out waiting for wsvd"},
        {"bad fragment size", nullptr, {"-s", "0"}, 2, "wsvc: bad fragment size \"0\""},
        {"bad timeout", nullptr, {"-t", "soon"}, 2, "wsvc: bad timeout \"soon\""},
        {"stray argument", nullptr, {"extra"}, 2, "usage: wsvc"},
        {"missing file", nullptr, {"-f", "/nonexistent/x"}, 2, "wsvc: cannot open /nonexistent/x"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.name);
        std::unique_ptr<FakeDaemon> daemon;
        if (c.script) daemon = std::make_unique<FakeDaemon>(kLink, c.script);
        auto start = std::chrono::steady_clock::now();
        WsvcRun r = runWsvc(dir_, c.args, "echo hi");
        EXPECT_LT(std::chrono::steady_clock::now() - start, std::chrono::seconds(5));
        EXPECT_EQ(r.status, c.status);
        EXPECT_EQ(r.err.rfind(c.message, 0), 0u) << r.err;
        EXPECT_EQ(r.out, "");
    }
}

bool switchBuilt() {
    return access((std::string(WSVD_BIN_DIR) + "/platformd").c_str(), X_OK) == 0 &&
           access((std::string(WSVD_BIN_DIR) + "/wsvd_testserve").c_str(), X_OK) == 0;
}

TEST(WsvcSwitchTest, LargeRequestInSmallFragmentsComesBackIntact) {
    if (!switchBuilt()) GTEST_SKIP() << "platformd or wsvd_testserve not built";
    SwitchHarness sw;
    ASSERT_TRUE(sw.start());
    // Several of the daemon's own reply pieces, sent in 100-byte request fragments.
    const std::string text = "echo " + pattern(20000);
    WsvcRun r = runWsvc(sw.dir(), {"-s", "100"}, text);
    EXPECT_EQ(r.status, 0) << r.err;
    EXPECT_EQ(r.out.size(), text.size());
    EXPECT_TRUE(r.out == text);
}

TEST(WsvcSwitchTest, ReportsTheDaemonMissing) {
    if (!switchBuilt()) GTEST_SKIP() << "platformd or wsvd_testserve not built";
    // A switch whose only process is not wsvd: the directory service does not know it.
    SwitchHarness sw(std::vector<std::string>{});
    ASSERT_TRUE(sw.start());
    WsvcRun r = runWsvc(sw.dir(), {"-t", "1"}, "echo hi");
    EXPECT_EQ(r.status, 1);
    EXPECT_EQ(r.err, "wsvc: cannot reach wsvd: not registered with the directory service\n");
}

}  // namespace
