#include "tests/support/switch_harness.h"

#include <fcntl.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <cstdlib>
#include <cstring>
#include <filesystem>
#include <sstream>
#include <thread>

#include <gtest/gtest.h>

#include "platform/dm.h"
#include "platform/ds.h"
#include "tests/support/run_tool.h"

namespace {

const char *const kEnvNames[] = {"KARN_RUN_LOCATION", "KARN_CONFIG_LOCATION",
                                 "KARN_SCRATCH_LOCATION", "KARN_ROOT", "KARN_LOG_LOCATION"};

// Texts in the log that mean a process broke.
const char *const kSanitizerMarks[] = {"AddressSanitizer", "LeakSanitizer",
                                       "runtime error:", "UndefinedBehaviorSanitizer",
                                       "ThreadSanitizer"};

// Harness waits poll in real time: the processes under test run on their own clocks.
using Clock = std::chrono::steady_clock;
void napBriefly() {
    std::this_thread::sleep_for(std::chrono::milliseconds(20));
}

}  // namespace

std::string SwitchHarness::binDir() {
    return WSVD_BIN_DIR;
}

SwitchHarness::SwitchHarness(std::vector<std::string> processes, Root root)
    : processes_(std::move(processes)) {
    // A process that dies while we write to it must give an error, not end the test.
    signal(SIGPIPE, SIG_IGN);
    for (const char *sub : {"run", "config", "scratch", "root"}) mkdir((dir_ / sub).c_str(), 0700);
    if (root == Root::installed) {
        std::error_code error;
        for (const char *from : {WSVD_SOURCE_DIR "/data", WSVD_DATA_DIR})
            std::filesystem::copy(from, rootDir(),
                                  std::filesystem::copy_options::recursive |
                                      std::filesystem::copy_options::overwrite_existing,
                                  error);
        if (error)
            ADD_FAILURE() << "cannot install the data into " << rootDir() << ": "
                          << error.message();
    }
    const std::string values[] = {runDir(), configDir(), scratchDir(), rootDir(), logDir()};
    for (size_t i = 0; i < std::size(values); i++) env_.set(kEnvNames[i], values[i]);
}

SwitchHarness::~SwitchHarness() {
    if (running()) {
        int status = stop();
        if (!(WIFEXITED(status) && WEXITSTATUS(status) == 0))
            ADD_FAILURE() << "platformd did not exit cleanly (wait status " << status << ")\n"
                          << log();
    }
    checkLog();  // the tree goes with dir_, the environment comes back with env_
}

bool SwitchHarness::start(int timeoutMs) {
    if (running()) return true;
    // -n: only the processes given here, whatever process list the root may hold.
    std::vector<std::string> args = {binDir() + "/platformd", "-n", "-s", dir()};
    for (const std::string &p : processes_) {
        args.push_back("-p");
        args.push_back(p);
    }
    int logFd = open(logPath().c_str(), O_WRONLY | O_CREAT | O_APPEND | O_CLOEXEC, 0600);
    if (logFd < 0) {
        ADD_FAILURE() << "cannot open " << logPath() << ": " << strerror(errno);
        return false;
    }
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        close(logFd);
        ADD_FAILURE() << "fork: " << strerror(errno);
        return false;
    }
    if (pid == 0) {
        // The switch must not outlive a test process that crashed.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(127);
        execProgram(open("/dev/null", O_RDONLY), logFd, logFd, args);
    }
    close(logFd);
    platformdPid_ = pid;

    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    auto left = [&] {
        auto ms = std::chrono::duration_cast<std::chrono::milliseconds>(deadline - Clock::now());
        return int(ms.count() > 0 ? ms.count() : 0);
    };
    if (!waitForLog("platformd: ready", left())) {
        ADD_FAILURE() << "platformd did not become ready\n" << log();
        return false;
    }
    for (const std::string &p : processes_) {
        std::string name = p.substr(0, p.find('='));
        if (!waitForProcess(name, left())) {
            ADD_FAILURE() << name << " did not come up within " << timeoutMs << " ms\n" << log();
            return false;
        }
    }
    return true;
}

int SwitchHarness::stop() {
    if (!running()) return -1;
    int status = -1;
    ::kill(platformdPid_, SIGTERM);
    // platformd gives its children 5 s before it kills them; allow for that.
    auto deadline = Clock::now() + std::chrono::seconds(8);
    while (waitpid(platformdPid_, &status, WNOHANG) != platformdPid_) {
        if (Clock::now() > deadline) {
            ::kill(platformdPid_, SIGKILL);
            waitpid(platformdPid_, &status, 0);
            ADD_FAILURE() << "platformd did not stop on SIGTERM";
            break;
        }
        napBriefly();
    }
    platformdPid_ = -1;
    return status;
}

bool SwitchHarness::waitForProcess(const std::string &name, int timeoutMs) {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        int status;
        if (running() && waitpid(platformdPid_, &status, WNOHANG) == platformdPid_) {
            platformdPid_ = -1;
            ADD_FAILURE() << "platformd ended (wait status " << status << ")";
            return false;
        }
        // A process registers its name before it serves its link and says it is
        // running only once it does, so both are needed before a test may use it.
        if (dsLookup(name.c_str(), 200) >= 0 &&
            dmGetProcessState(name.c_str()) >= DM_STATE_RUNNING) {
            if (name != "wsvd") return true;
            std::string error;
            wsvcConn_t *conn = wsvcConnect("wsvc", -1, 1000, &error);
            if (conn) {
                wsvcClose(conn);
                return true;
            }
        }
        napBriefly();
    } while (Clock::now() < deadline);
    return false;
}

WsvcConn SwitchHarness::connect(const char *peerName, int timeoutMs) {
    std::string error;
    WsvcConn conn(wsvcConnect(peerName, -1, timeoutMs, &error));
    if (!conn) ADD_FAILURE() << "connect as " << peerName << ": " << error;
    return conn;
}

pid_t SwitchHarness::pidOf(const std::string &program) const {
    if (!running()) return -1;
    for (const std::string &p : processes_) {
        size_t eq = p.find('=');
        std::string name = p.substr(0, eq);
        std::string command = eq == std::string::npos ? p : p.substr(eq + 1);
        if (std::filesystem::path(command.substr(0, command.find(' '))).filename() != program)
            continue;
        // platformd logs each start with the pid; the last one is the running child.
        std::string text = log(), mark = "started " + name + " (pid ";
        size_t at = text.rfind(mark);
        if (at == std::string::npos) return -1;
        pid_t pid = pid_t(atol(text.c_str() + at + mark.size()));
        return ::kill(pid, 0) == 0 ? pid : -1;
    }
    return -1;
}

int SwitchHarness::wsvdLink(int timeoutMs) const {
    return dsLookup("wsvd", timeoutMs);
}

bool SwitchHarness::kill(const std::string &program, int sig) {
    pid_t pid = pidOf(program);
    if (pid <= 0) return false;
    expectDeaths();
    return ::kill(pid, sig) == 0;
}

std::string SwitchHarness::log() const {
    return readFile(logPath());
}

bool SwitchHarness::waitForLog(const std::string &text, int timeoutMs) const {
    auto deadline = Clock::now() + std::chrono::milliseconds(timeoutMs);
    do {
        if (log().find(text) != std::string::npos) return true;
        napBriefly();
    } while (Clock::now() < deadline);
    return false;
}

void SwitchHarness::checkLog() {
    std::string text = log();
    for (const char *mark : kSanitizerMarks) {
        if (text.find(mark) != std::string::npos) {
            ADD_FAILURE() << "sanitizer report in the switch's log:\n" << text;
            return;
        }
    }
    // platformd logs every start, death and restart. While the switch runs, any death
    // is a fault; when it is being stopped, only a clean exit or SIGTERM is normal.
    std::istringstream lines(text);
    std::string line;
    while (std::getline(lines, line)) {
        // Lines carry a time stamp and a level before the process's name.
        size_t from = line.find("platformd: ");
        if (from == std::string::npos) continue;
        line.erase(0, from);
        bool broke = line.find("cannot run") != std::string::npos ||
                     line.find("cannot start") != std::string::npos ||
                     line.find("did not stop") != std::string::npos;
        if (!deathsExpected_) {
            size_t at;
            broke = broke || line.find(": restarting ") != std::string::npos;
            if ((at = line.find(" killed by signal ")) != std::string::npos)
                broke = broke || atoi(line.c_str() + at + 18) != SIGTERM;
            if ((at = line.find(" exited with status ")) != std::string::npos)
                broke = broke || atoi(line.c_str() + at + 20) != 0;
        }
        if (broke) {
            ADD_FAILURE() << "a process of the switch failed: " << line << "\n" << text;
            return;
        }
    }
}
