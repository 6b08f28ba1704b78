// cli: the switch's command-line interface.
//
//   cli        started by platformd (standard input not a terminal): serves command lists
//              of subagent clients (platform/cli/clisub.h) and is wsvd's CLI peer
//   cli -i     (or on a terminal) an operator's prompt, "switch # ", one command a line;
//              on a terminal with line editing, history and completion (cli/prompt.h)
//
// The commands are described in cli/README.md ("help" lists them).
#include <poll.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <csignal>
#include <cstdio>
#include <cstring>
#include <string>
#include <thread>

#include "cli/cli_commands.h"
#include "cli/cli_server.h"
#include "cli/cli_services.h"
#include "cli/prompt.h"
#include "cli/wsvd_peer.h"
#include "platform/dispatch.h"
#include "platform/dm.h"
#include "platform/log.h"
#include "platform/switchenv.h"
#include "platform/util.h"

namespace {

const char *kPrompt = "switch # ";
std::atomic<bool> gStopReading{false};

void onDeviceEvent(void *, int, int, void *) {}

void writeOut(const std::string &text) {
    fwrite(text.data(), 1, text.size(), stdout);
    fflush(stdout);
}

// Reads standard input line by line (without blocking past a stop) and runs each line.
void readCommands() {
    std::string pending;
    char chunk[4096];
    writeOut(kPrompt);
    while (!gStopReading) {
        pollfd p{STDIN_FILENO, POLLIN, 0};
        int r = poll(&p, 1, 200);
        if (r < 0 && errno != EINTR) break;
        if (r <= 0) continue;
        ssize_t n = read(STDIN_FILENO, chunk, sizeof chunk);
        if (n < 0 && (errno == EINTR || errno == EAGAIN)) continue;
        if (n <= 0) break;
        pending.append(chunk, size_t(n));
        size_t nl;
        while ((nl = pending.find('\n')) != std::string::npos) {
            std::string line = pending.substr(0, nl);
            pending.erase(0, nl + 1);
            if (line == "exit" || line == "quit") {
                dispatchStop(0);
                return;
            }
            cliExecute(cliServices(), line, writeOut);
            writeOut(kPrompt);
        }
        if (pending.size() > 65536) {  // not a command line any more
            writeOut("\nError: Line too long.\n");
            pending.clear();
            writeOut(kPrompt);
        }
    }
    if (!pending.empty()) cliExecute(cliServices(), pending, writeOut);
    writeOut("\n");
    dispatchStop(0);
}

// The same on a terminal, with line editing, history and completion.
void promptCommands() {
    cliPromptRun(kPrompt, gStopReading, [](const std::string &line) {
        if (line == "exit" || line == "quit") return false;
        cliExecute(cliServices(), line, writeOut);
        return true;
    });
    writeOut("\n");
    dispatchStop(0);
}

dispatchThread_t mainThread() {
    dispatchThread_t t{};
    t.tid = pthread_self();
    t.priority = 10;
    t.pid = getpid();
    snprintf(t.name, sizeof t.name, "main");
    return t;
}

}  // namespace

int main(int argc, char **argv) {
    karnSetProcessName("cli");
    signal(SIGPIPE, SIG_IGN);
    bool interactive = isatty(STDIN_FILENO);
    int opt;
    while ((opt = getopt(argc, argv, "ih")) != -1) {
        if (opt == 'i') {
            interactive = true;
        } else {
            fprintf(stderr, "usage: cli [-i]\n");
            return opt == 'h' ? 0 : 2;
        }
    }
    if (interactive) {
        std::string envPath;
        switchFound found = switchUseEnv(&envPath);
        if (found == SWITCH_STOPPED || found == SWITCH_NONE) {
            fprintf(stderr, "cli: %s\n", switchMissingText(found, envPath).c_str());
            return 1;
        }
    }
    dispatchThread_t self = mainThread();
    if (dispatchInit("cli", 0, 1, &self, 1) != 0) {
        logError("cannot start the dispatcher");
        return 1;
    }
    cliServicesStart();
    if (interactive) {
        std::thread reader(isatty(STDIN_FILENO) ? promptCommands : readCommands);
        int status = dispatchHandler();
        gStopReading = true;
        cliServicesStop();
        reader.join();
        return status;
    }
    if (dmInit(64, onDeviceEvent) != 0) logWarn("no device manager; going on");
    cliServerStart();
    wsvdPeerStart();
    int status = dispatchHandler();
    wsvdPeerStop();
    cliServerStop();
    return status;
}
