// platformd: the platform process. Serves the platform link (process states and
// start-up events, the directory of link numbers), starts the switch's processes
// from a process list, restarts one that dies, and stops them all on SIGINT/SIGTERM.
//
//   platformd [-f process-list] [-p name[=program [args...]]]... [-n] [-s state-dir]
//   platformd -l name      asks a running platformd to send load event 65
//
// With a state directory, only one platformd runs on it, and it tells the tools where
// the switch is (platform/switchenv.h).
#include <errno.h>
#include <fcntl.h>
#include <poll.h>
#include <signal.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/dm.h"
#include "platform/log.h"
#include "platform/switchenv.h"
#include "platform/util.h"
#include "platformd/children.h"
#include "platformd/server.h"

namespace {

const uint64_t kStopGraceUs = 5 * 1000000ull;
int gSignalPipe[2] = {-1, -1};

void onSignal(int sig) {
    int saved = errno;
    unsigned char b = static_cast<unsigned char>(sig);
    if (write(gSignalPipe[1], &b, 1) < 0) {
        // full pipe: a wake-up is already pending
    }
    errno = saved;
}

void usage() {
    fprintf(stderr,
            "usage: platformd [-f process-list] [-p name[=program [args...]]]... [-n] [-s "
            "state-dir]\n"
            "       platformd -l name\n"
            "  -f  process list (default $KARN_ROOT/platform/processes)\n"
            "  -p  start this process too\n"
            "  -n  read no process list (only -p entries are started)\n"
            "  -s  the switch's state directory: refuse a second switch on it, write its env\n"
            "  -l  ask the running platformd to send load event 65 for name\n");
}

int sendLoad(const char *name) {
    if (dmSendLoadRequest(name) != 0) {
        logError("no platformd to send the load request to");
        return 1;
    }
    return 0;
}

int timeoutMs(bool stopping, uint64_t stopAtUs) {
    uint64_t deadline = stopping ? stopAtUs : childrenNextDeadlineUs();
    if (!deadline) return 1000;
    uint64_t now = clockNowUs();
    if (deadline <= now) return 0;
    uint64_t ms = (deadline - now + 999) / 1000;
    return ms > 1000 ? 1000 : int(ms);
}

}  // namespace

int main(int argc, char **argv) {
    karnSetProcessName("platformd");
    signal(SIGPIPE, SIG_IGN);
    const char *listFile = nullptr;
    std::vector<std::string> extra;
    bool noList = false;
    std::string stateDir;
    int opt;
    while ((opt = getopt(argc, argv, "f:p:nl:s:h")) != -1) {
        switch (opt) {
            case 'f':
                listFile = optarg;
                break;
            case 'p': {
                std::string entry = optarg;
                size_t eq = entry.find('=');
                if (eq != std::string::npos) entry[eq] = ' ';
                extra.push_back(entry);
                break;
            }
            case 'n':
                noList = true;
                break;
            case 'l':
                return sendLoad(optarg);
            case 's':
                stateDir = optarg;
                break;
            case 'h':
                usage();
                return 0;
            default:
                usage();
                return 2;
        }
    }

    if (!noList) {
        std::string path;
        if (listFile) {
            path = listFile;
        } else if (const char *root = getenv("KARN_ROOT"); root && *root) {
            path = std::string(root) + "/platform/processes";
            if (access(path.c_str(), R_OK) != 0) path.clear();
        }
        if (!path.empty() && childrenAddFile(path.c_str()) != 0) {
            logError("cannot read process list %s", path.c_str());
            return 1;
        }
    }
    for (const std::string &entry : extra) {
        if (childrenAdd(entry) != 0) {
            logError("bad -p entry \"%s\"", entry.c_str());
            return 2;
        }
    }

    if (pipe2(gSignalPipe, O_CLOEXEC | O_NONBLOCK) != 0) return 1;
    struct sigaction sa {};
    sa.sa_handler = onSignal;
    sigemptyset(&sa.sa_mask);
    sa.sa_flags = SA_RESTART;
    sigaction(SIGCHLD, &sa, nullptr);
    sigaction(SIGINT, &sa, nullptr);
    sigaction(SIGTERM, &sa, nullptr);
    // Whoever started us may have blocked these (a process with a dispatcher does).
    sigset_t stopSignals;
    sigemptyset(&stopSignals);
    sigaddset(&stopSignals, SIGCHLD);
    sigaddset(&stopSignals, SIGINT);
    sigaddset(&stopSignals, SIGTERM);
    sigprocmask(SIG_UNBLOCK, &stopSignals, nullptr);

    if (!stateDir.empty()) {
        pid_t holder = 0;
        if (switchLock(stateDir, &holder) < 0) {
            if (holder)
                logError("a switch is already running on %s (platformd pid %d); stop it first",
                         stateDir.c_str(), int(holder));
            else
                logError("cannot lock %s/lock: %s", stateDir.c_str(), strerror(errno));
            return 1;
        }
    }
    if (serverListen() < 0) return 1;
    if (!stateDir.empty() && switchWriteEnv(stateDir) != 0)
        logError("cannot write %s/env; the tools will not find the switch", stateDir.c_str());
    // Whoever started platformd waits for this line on standard output.
    printf("platformd: ready\n");
    fflush(stdout);
    childrenStartAll();

    bool stopping = false;
    uint64_t stopAtUs = 0;
    auto beginStop = [&] {
        stopping = true;
        stopAtUs = clockNowUs() + kStopGraceUs;
        childrenStopAll();
    };
    for (;;) {
        std::vector<pollfd> fds;
        fds.push_back(pollfd{gSignalPipe[0], POLLIN, 0});
        serverPollFds(fds);
        int n = poll(fds.data(), fds.size(), timeoutMs(stopping, stopAtUs));
        if (n < 0 && errno != EINTR) {
            logError("poll: %s", strerror(errno));
            break;
        }
        if (n > 0 && fds[0].revents) {
            unsigned char sigs[64];
            ssize_t got;
            while ((got = read(gSignalPipe[0], sigs, sizeof sigs)) > 0) {
                for (ssize_t i = 0; i < got; i++) {
                    if ((sigs[i] == SIGINT || sigs[i] == SIGTERM) && !stopping) beginStop();
                }
            }
            childrenReap();
            if (!stopping && !childrenCannotRun().empty()) beginStop();
        }
        if (n > 0)
            for (size_t i = 1; i < fds.size(); i++) serverOnReady(fds[i]);
        childrenTick();
        serverTick();
        if (stopping && !childrenAlive()) break;
        if (stopping && clockNowUs() >= stopAtUs) {
            childrenKillAll();
            break;
        }
    }
    serverClose();
    if (!stateDir.empty()) switchRemoveEnv(stateDir);
    return childrenCannotRun().empty() ? 0 : 1;
}
