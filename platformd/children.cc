#include "platformd/children.h"

#include <errno.h>
#include <signal.h>
#include <sys/prctl.h>
#include <sys/wait.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <fstream>
#include <sstream>
#include <vector>

#include "platform/clock.h"
#include "platform/dm.h"
#include "platform/log.h"
#include "platform/plink.h"
#include "platformd/server.h"

namespace {

const uint64_t kSecond = 1000000;
const uint64_t kMaxBackoffS = 30;
const uint64_t kStableUs = 60 * kSecond;  // up this long: the next death restarts fast again
// A process that dies this soon after its start died starting; after so many of those
// in a row it is left down.
const uint64_t kStartWindowUs = 10 * kSecond;
const uint32_t kStartDeathsLimit = 5;

struct Child {
    std::string name;
    std::vector<std::string> argv;  // argv[0] is the program's path
    pid_t pid = 0;
    uint64_t startedUs = 0;
    uint64_t restartAtUs = 0;  // 0: no restart scheduled
    uint64_t backoffUs = 0;    // 0: the first delay
    uint32_t startDeaths = 0;
};

std::vector<Child> gChildren;
bool gStopping = false;
std::string gCannotRun;  // name of a process that exited DM_EXIT_CANNOT_RUN

// The first restart delay: KARN_RESTART_DELAY_MS (tests shorten it), else a second.
uint64_t firstDelayUs() {
    const char *v = getenv("KARN_RESTART_DELAY_MS");
    long ms = v ? atol(v) : 0;
    return ms > 0 && ms <= 30000 ? uint64_t(ms) * 1000 : kSecond;
}

std::string ownDir() {
    char path[4096];
    ssize_t n = readlink("/proc/self/exe", path, sizeof path - 1);
    if (n <= 0) return ".";
    path[n] = 0;
    char *slash = strrchr(path, '/');
    if (slash) *slash = 0;
    return path;
}

void start(Child &c) {
    c.restartAtUs = 0;
    pid_t parent = getpid();
    pid_t pid = fork();
    if (pid < 0) {
        logError("cannot start %s: %s", c.name.c_str(), strerror(errno));
        c.restartAtUs = clockNowUs() + firstDelayUs();
        return;
    }
    if (pid == 0) {
        // Die with platformd, even when it is killed outright.
        prctl(PR_SET_PDEATHSIG, SIGTERM);
        if (getppid() != parent) _exit(1);
        std::vector<char *> args;
        for (std::string &a : c.argv) args.push_back(a.data());
        args.push_back(nullptr);
        signal(SIGPIPE, SIG_DFL);
        sigset_t none;  // the child starts with no signal blocked, whatever platformd had
        sigemptyset(&none);
        sigprocmask(SIG_SETMASK, &none, nullptr);
        execv(args[0], args.data());
        logError("cannot run %s: %s", args[0], strerror(errno));
        _exit(127);
    }
    c.pid = pid;
    c.startedUs = clockNowUs();
    logInfo("started %s (pid %d)", c.name.c_str(), int(pid));
}

void died(Child &c, int status) {
    // Ending on request is news; anything else is a warning.
    bool normal =
        WIFEXITED(status) ? WEXITSTATUS(status) == 0 : gStopping && WTERMSIG(status) == SIGTERM;
    if (WIFSIGNALED(status))
        (normal ? logInfo : logWarn)("%s (pid %d) killed by signal %d", c.name.c_str(), int(c.pid),
                                     WTERMSIG(status));
    else
        (normal ? logInfo : logWarn)("%s (pid %d) exited with status %d", c.name.c_str(),
                                     int(c.pid), WEXITSTATUS(status));
    c.pid = 0;
    serverProcessDied(c.name.c_str());
    if (gStopping) return;
    if (WIFEXITED(status) && WEXITSTATUS(status) == DM_EXIT_CANNOT_RUN) {
        logError("%s cannot run as configured (its reason is above); stopping the switch",
                 c.name.c_str());
        if (gCannotRun.empty()) gCannotRun = c.name;
        return;
    }
    uint64_t now = clockNowUs();
    c.startDeaths = now - c.startedUs < kStartWindowUs ? c.startDeaths + 1 : 0;
    if (c.startDeaths >= kStartDeathsLimit) {
        logError("%s died at start %u times in a row; not restarting it", c.name.c_str(),
                 c.startDeaths);
        return;
    }
    if (now - c.startedUs >= kStableUs || c.backoffUs == 0) c.backoffUs = firstDelayUs();
    c.restartAtUs = now + c.backoffUs;
    logInfo("restarting %s in %.3g s", c.name.c_str(), double(c.backoffUs) / kSecond);
    c.backoffUs = std::min(c.backoffUs * 2, kMaxBackoffS * kSecond);
}

}  // namespace

int childrenAdd(const std::string &entry) {
    std::istringstream in(entry);
    std::vector<std::string> fields;
    for (std::string f; in >> f;) fields.push_back(f);
    if (fields.empty() || fields[0].size() > PLINK_NAME_MAX) return -1;
    Child c;
    c.name = fields[0];
    std::string program = fields.size() > 1 ? fields[1] : fields[0];
    if (program.find('/') == std::string::npos) program = ownDir() + "/" + program;
    c.argv.push_back(program);
    for (size_t i = 2; i < fields.size(); i++) c.argv.push_back(fields[i]);
    gChildren.push_back(c);
    return 0;
}

int childrenAddFile(const char *path) {
    std::ifstream in(path);
    if (!in) return -1;
    int lineNo = 0;
    for (std::string line; std::getline(in, line);) {
        lineNo++;
        size_t hash = line.find('#');
        if (hash != std::string::npos) line.erase(hash);
        if (line.find_first_not_of(" \t\r") == std::string::npos) continue;
        if (childrenAdd(line) != 0) logWarn("%s:%d: bad process entry, skipped", path, lineNo);
    }
    return 0;
}

void childrenStartAll() {
    for (Child &c : gChildren) start(c);
}

void childrenReap() {
    for (;;) {
        int status;
        pid_t pid = waitpid(-1, &status, WNOHANG);
        if (pid <= 0) return;
        for (Child &c : gChildren)
            if (c.pid == pid) died(c, status);
    }
}

void childrenTick() {
    if (gStopping) return;
    uint64_t now = clockNowUs();
    for (Child &c : gChildren)
        if (c.restartAtUs && c.pid == 0 && now >= c.restartAtUs) start(c);
}

uint64_t childrenNextDeadlineUs() {
    uint64_t next = 0;
    if (gStopping) return 0;
    for (Child &c : gChildren)
        if (c.restartAtUs && (!next || c.restartAtUs < next)) next = c.restartAtUs;
    return next;
}

void childrenStopAll() {
    gStopping = true;
    for (Child &c : gChildren)
        if (c.pid > 0) kill(c.pid, SIGTERM);
}

const std::string &childrenCannotRun() {
    return gCannotRun;
}

bool childrenAlive() {
    for (Child &c : gChildren)
        if (c.pid > 0) return true;
    return false;
}

void childrenKillAll() {
    for (Child &c : gChildren) {
        if (c.pid <= 0) continue;
        logWarn("%s (pid %d) did not stop; killing it", c.name.c_str(), int(c.pid));
        kill(c.pid, SIGKILL);
        int status;
        if (waitpid(c.pid, &status, 0) == c.pid) died(c, status);
    }
}
