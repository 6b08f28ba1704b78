#include "cli/wsvd_peer.h"

#include <poll.h>
#include <sys/stat.h>
#include <unistd.h>

#include <atomic>
#include <cerrno>
#include <chrono>
#include <condition_variable>
#include <cstdio>
#include <cstring>
#include <mutex>
#include <thread>

#include "cfgmgmt/rules/rule_lang.h"
#include "platform/log.h"
#include "platform/util.h"
#include "platform/wsvc_client.h"

namespace {

std::atomic<bool> gStop{false};
std::mutex gMutex;
std::condition_variable gCond;
std::thread gThread;

const int kConnectMs = 2000;
const int kPollMs = 500;
const int kReadMs = 2000;

// Sleeps up to `ms` or until asked to stop.
void pause(int ms) {
    std::unique_lock<std::mutex> lock(gMutex);
    gCond.wait_for(lock, std::chrono::milliseconds(ms), [] { return gStop.load(); });
}

void serve(wsvcConn_t *conn) {
    while (!gStop) {
        pollfd p{wsvcFd(conn), POLLIN, 0};
        int r = poll(&p, 1, kPollMs);
        if (r < 0 && errno == EINTR) continue;
        if (r < 0) return;
        if (r == 0) continue;
        wsvcMessage_t msg;
        if (wsvcReadMessage(conn, &msg, kReadMs) != 0) return;  // wsvd went away
        if (msg.type != 11) continue;
        std::string message;
        int status = cliCheckConfigFile(karnConfigDir(), msg.text, &message);
        if (wsvcSendCliAnswer(conn, msg.seqnum, uint32_t(status), message) != 0) return;
    }
}

void run() {
    bool announced = false;
    while (!gStop) {
        std::string error;
        wsvcConn_t *conn = wsvcConnect("cli", -1, kConnectMs, &error);
        if (!conn) {
            pause(1000);
            continue;
        }
        if (!announced) logInfo("connected to wsvd");
        announced = true;
        serve(conn);
        wsvcClose(conn);
        if (!gStop) pause(200);
    }
}

}  // namespace

int cliCheckConfigFile(const std::string &configDir, const std::string &name,
                       std::string *message) {
    message->clear();
    if (name.empty() || name.find('/') != std::string::npos || name == "." || name == ".." ||
        name.size() > 255) {
        *message = "Invalid configuration file name \"" + name + "\".";
        return 1;
    }
    std::string path = (configDir.empty() ? std::string(".") : configDir) + "/" + name;
    struct stat st;
    if (stat(path.c_str(), &st) != 0) {
        *message = "Configuration file \"" + name + "\" does not exist.";
        return 1;
    }
    if (!S_ISREG(st.st_mode)) {
        *message = "\"" + name + "\" is not a configuration file.";
        return 1;
    }
    if (access(path.c_str(), R_OK) != 0) {
        *message = "Configuration file \"" + name + "\" cannot be read: " + strerror(errno) + ".";
        return 1;
    }
    // A policy must read as the switch will read it.
    const std::string suffix = ".pol";
    if (name.size() > suffix.size() &&
        name.compare(name.size() - suffix.size(), suffix.size(), suffix) == 0) {
        std::vector<ruleEntry_t> entries;
        std::string why;
        bool missing = false;
        if (rulePolicyRead(path, &entries, &why, &missing) != 0) {
            *message = "Policy file \"" + name + "\": " + why;
            return 1;
        }
    }
    return 0;
}

void wsvdPeerStart() {
    gThread = std::thread(run);
}

void wsvdPeerStop() {
    {
        std::lock_guard<std::mutex> lock(gMutex);
        gStop = true;
        gCond.notify_all();
    }
    if (gThread.joinable()) gThread.join();
}
