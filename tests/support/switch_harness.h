// A switch for integration tests: a short temporary directory tree, platformd started on
// it with a given process list, and helpers to reach and disturb the processes.
//
//   SwitchHarness sw({"wsvd=wsvd_testserve"});
//   ASSERT_TRUE(sw.start());                  // waits until wsvd answers a hello
//   WsvcConn c = sw.connect();                // a "wsvc" peer of wsvd
//   std::string reply;
//   ASSERT_EQ(wsvcRoundTrip(c.get(), {.text = "echo hi"}, &reply, 5000), 0)
//       << wsvcError(c.get());
//
// The tree is /tmp/sw.XXXXXX with run/ (sockets), config/, scratch/, root/ and log/; the
// test process's KARN_RUN_LOCATION, KARN_CONFIG_LOCATION, KARN_SCRATCH_LOCATION,
// KARN_ROOT and KARN_LOG_LOCATION point into it while the harness lives (the platform
// client libraries read them), and platformd and its children inherit them. platformd
// runs with the tree as its state directory (lock and env). Their standard output and
// error go to log.txt in the tree. root/ holds the installed data, as scripts/run
// installs it (data/ and what the build makes of it: the object metadata, cfgmgr's
// catalogue, the service description), unless the harness is made with an empty root.
//
// The destructor stops platformd (SIGTERM, then SIGKILL after a bounded wait), fails the
// running test when the log shows a sanitizer report or a process that died when nobody
// killed it, or when platformd itself did not exit cleanly, and removes the tree.
// Call expectDeaths() before killing a process on purpose.
#pragma once
#include <sys/types.h>

#include <memory>
#include <string>
#include <vector>

#include "platform/wsvc_client.h"
#include "tests/support/scratch.h"

struct WsvcCloser {
    void operator()(wsvcConn_t *conn) const { wsvcClose(conn); }
};
using WsvcConn = std::unique_ptr<wsvcConn_t, WsvcCloser>;

class SwitchHarness {
public:
    // Each entry is "name" (the program of that name from the build's bin directory) or
    // "name=program" (program from the bin directory, or an absolute path).
    enum class Root { installed, empty };
    explicit SwitchHarness(std::vector<std::string> processes = {"wsvd=wsvd_testserve"},
                           Root root = Root::installed);
    ~SwitchHarness();
    SwitchHarness(const SwitchHarness &) = delete;
    SwitchHarness &operator=(const SwitchHarness &) = delete;

    // Starts platformd and waits (at most timeoutMs) until every listed process has
    // registered with the directory service and, for "wsvd", answers a hello. False
    // (with a test failure that shows the log) otherwise. Can be called again after stop().
    bool start(int timeoutMs = 10000);
    // Stops platformd and its processes (bounded); its exit status as from waitpid, or -1.
    int stop();
    bool running() const { return platformdPid_ > 0; }

    // Waits until `name` is registered with the directory service and, for "wsvd",
    // acknowledges a hello. Useful after a process was killed and is being restarted.
    bool waitForProcess(const std::string &name, int timeoutMs = 10000);

    // A new peer of wsvd (found through the directory service); null with a test
    // failure when it cannot connect.
    WsvcConn connect(const char *peerName = "wsvc", int timeoutMs = 5000);
    // wsvd's link number, or -1.
    int wsvdLink(int timeoutMs = 2000) const;

    // Pid of the running child of platformd started from `program` (its file name, without
    // the arguments) as one of the listed processes, or -1.
    pid_t pidOf(const std::string &program) const;
    // Sends `sig` to that child; false when it is not running. Deaths are expected after.
    bool kill(const std::string &program, int sig);
    // From now on, processes dying (and being restarted) is not a failure.
    void expectDeaths() { deathsExpected_ = true; }

    // Everything written to the log so far.
    std::string log() const;
    // Waits (bounded) until the log contains `text`.
    bool waitForLog(const std::string &text, int timeoutMs = 5000) const;

    const std::string &dir() const { return dir_.path(); }  // the tree
    std::string runDir() const { return dir_ / "run"; }
    std::string configDir() const { return dir_ / "config"; }
    std::string scratchDir() const { return dir_ / "scratch"; }
    std::string rootDir() const { return dir_ / "root"; }
    std::string logDir() const { return dir_ / "log"; }  // the processes' log files
    std::string logPath() const { return dir_ / "log.txt"; }
    // The build's bin directory (where platformd, wsvd and wsvc are).
    static std::string binDir();

private:
    void checkLog();

    std::vector<std::string> processes_;
    ScratchDir dir_{"sw"};
    ScopedEnv env_;
    pid_t platformdPid_ = -1;
    bool deathsExpected_ = false;
};
