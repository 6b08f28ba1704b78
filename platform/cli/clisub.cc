// The CLI subagent library: hands command lists to the CLI process and turns its
// answers into output and end events on the dispatcher thread.
//
// Every call gets exactly one end event, unless its caller cancels it. The ways to it:
// the CLI's end message; the connection breaking (every call still open ends); the
// timer noticing a call older than the time-out; or the call failing before it was
// sent. Failures are always delivered through dispatchPost, never from inside
// karnExecuteCLI, so a caller is not re-entered.
#include <sys/socket.h>
#include <poll.h>
#include <unistd.h>

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/cli/clilink.h"
#include "platform/cli/clisub.h"
#include "platform/clock.h"
#include "platform/dispatch.h"
#include "platform/ds.h"
#include "platform/ipml.h"
#include "platform/tlv.h"

namespace {

struct Pending {
    uint32_t seqnum;
    uint64_t deadlineUs;
    int fd;  // the connection it was sent on
};

std::mutex gMutex;  // guards everything below
cliCallBack_t gCallBack = nullptr;
int gFd = -1;            // the connection new calls use
std::set<int> gRetired;  // broken connections the dispatcher has not closed yet
uint32_t gNextId = 1;
std::map<uint32_t, Pending> gPending;  // by the id sent on the link
dispatchWork_t gTimer = nullptr;

const int kLookupMs = 1000;
const int kFrameReadMs = 2000;  // a frame the CLI has begun arrives whole at once

uint64_t timeoutUs() {
    long seconds = CLI_DEFAULT_TIMEOUT_S;
    if (const char *v = getenv("KARN_CLI_TIMEOUT_SECONDS"); v && *v) {
        char *end;
        long n = strtol(v, &end, 10);
        if (*end == 0 && n > 0) seconds = n;
    }
    return uint64_t(seconds) * 1000000u;
}

// Delivers an explanation and the end event of one call.
void deliverFailure(cliCallBack_t callBack, uint32_t seqnum, const std::string &why) {
    if (!callBack) return;
    cliEventData_t d{seqnum, why.c_str(), uint32_t(why.size()), 0};
    callBack(CLI_EVENT_OUTPUT, &d);
    d.text = nullptr;
    d.length = 0;
    d.status = 1;
    callBack(CLI_EVENT_END, &d);
}

struct Failure {
    uint32_t seqnum;
    std::string why;
};

void runFailure(void *arg) {
    auto *f = static_cast<Failure *>(arg);
    cliCallBack_t cb;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        cb = gCallBack;
    }
    deliverFailure(cb, f->seqnum, f->why);
    delete f;
}

void postFailure(uint32_t seqnum, std::string why) {
    auto *f = new Failure{seqnum, std::move(why)};
    if (dispatchPost(runFailure, f) != 0) {
        // Without a dispatcher nobody could receive the event anyway.
        delete f;
    }
}

void onReadable(int fd, void *arg);

// Caller holds gMutex; dispatcher thread only, so that no callback of the dispatcher
// is reading the descriptor while it is closed. Ends the connection and every call
// still open on it.
void closeLocked(int fd, const char *why) {
    dispatchRemoveFd(fd);
    close(fd);
    if (fd == gFd) gFd = -1;
    gRetired.erase(fd);
    for (auto it = gPending.begin(); it != gPending.end();) {
        if (it->second.fd == fd) {
            postFailure(it->second.seqnum, why);
            it = gPending.erase(it);
        } else {
            ++it;
        }
    }
}

// Caller holds gMutex; any thread. New calls stop using the current connection; the
// dispatcher sees its end and closes it, ending the calls sent on it.
void retireLocked() {
    if (gFd < 0) return;
    shutdown(gFd, SHUT_RDWR);
    gRetired.insert(gFd);
    gFd = -1;
}

// Caller holds gMutex. True when the CLI process has closed the current connection
// (it died or restarted) and the dispatcher has not noticed yet.
bool hungUpLocked() {
    pollfd p{gFd, POLLRDHUP, 0};
    return poll(&p, 1, 0) > 0 && (p.revents & (POLLRDHUP | POLLHUP | POLLERR));
}

// Caller holds gMutex. 0 when connected.
int connectLocked() {
    if (gFd >= 0 && hungUpLocked()) retireLocked();
    if (gFd >= 0) return 0;
    int link = dsLookup("cli", kLookupMs);
    if (link < 0) return -1;
    int fd = ipmlConnect(uint16_t(link));
    if (fd < 0) return -1;
    if (dispatchAddFd(fd, onReadable, nullptr) != 0) {
        close(fd);
        return -1;
    }
    gFd = fd;
    return 0;
}

void onReadable(int fd, void *) {
    static std::vector<uint8_t> buf(IPML_MAX_FRAME);
    int n = ipmlReadFrame(fd, buf.data(), uint32_t(buf.size()), kFrameReadMs);
    std::unique_lock<std::mutex> lock(gMutex);
    if (fd != gFd && !gRetired.count(fd)) return;  // not ours (any more)
    if (n <= 0) {
        closeLocked(fd, "Error: The CLI process went away before the commands finished.\n");
        return;
    }
    tlv_t t;
    tlvInit(&t, buf.data(), uint32_t(n));
    uint32_t kind = 0, id = 0;
    if (tlvDecode(&t, CLI_TAG_KIND, TLV_DEC_U32, &kind, CLI_TAG_ID, TLV_DEC_U32, &id,
                  TLV_DEC_END) != 0) {
        fprintf(stderr, "cli subagent: undecodable message from the CLI process; reconnecting\n");
        closeLocked(fd, "Error: The CLI process sent a message that could not be read.\n");
        return;
    }
    auto it = gPending.find(id);
    if (it == gPending.end()) return;  // a call that already ended (timed out)
    uint32_t seqnum = it->second.seqnum;
    cliCallBack_t cb = gCallBack;
    if (kind == CLI_MSG_OUTPUT) {
        const char *text = nullptr;
        uint32_t length = 0;
        if (tlvDecode(&t, CLI_TAG_TEXT, TLV_DEC_STRING, &text, &length, TLV_DEC_END) != 0) return;
        lock.unlock();
        cliEventData_t d{seqnum, text, length, 0};
        if (cb) cb(CLI_EVENT_OUTPUT, &d);
    } else if (kind == CLI_MSG_END) {
        uint32_t status = 1;
        tlvDecode(&t, CLI_TAG_STATUS, TLV_DEC_U32, &status, TLV_DEC_END);
        gPending.erase(it);
        lock.unlock();
        cliEventData_t d{seqnum, nullptr, 0, status};
        if (cb) cb(CLI_EVENT_END, &d);
    }
}

void onTimer(void *) {
    std::vector<uint32_t> expired;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        uint64_t now = clockNowUs();
        for (auto it = gPending.begin(); it != gPending.end();) {
            if (now >= it->second.deadlineUs) {
                expired.push_back(it->second.seqnum);
                it = gPending.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (uint32_t seqnum : expired)
        runFailure(new Failure{seqnum, "Error: The CLI did not finish the commands in time.\n"});
}

}  // namespace

int cliSubagentInit(const char * /*processName*/, cliCallBack_t callBack) {
    if (!callBack) return -1;
    std::lock_guard<std::mutex> lock(gMutex);
    gCallBack = callBack;
    // A new timer each time: the process's clock or dispatcher may have been replaced
    // since the last call (tests do both).
    if (gTimer) dispatchWorkCancel(gTimer);
    gTimer = dispatchExecuteWorkItem(onTimer, nullptr, 0, {1, 0}, DISPATCH_WORK_REPEAT);
    if (!gTimer) return -1;
    dispatchWorkRegisterAttr(gTimer, "cliSubagentTimer");
    // Not being able to reach the CLI now is no failure: each call connects again.
    connectLocked();
    return 0;
}

int karnExecuteCLI(const char *client, char **commands, int flags, uint32_t seqnum) {
    return karnExecuteCLIWithVariables(client, commands, nullptr, flags, seqnum);
}

int karnExecuteCLIWithVariables(const char *client, char **commands, char **variables,
                                int /*flags*/, uint32_t seqnum) {
    std::vector<char> block, variableBlock;
    uint32_t count = 0, variableCount = 0;
    if (!cliPackCommands(commands, &block, &count)) {
        postFailure(seqnum, "Error: Too many commands in one list.\n");
        return -1;
    }
    if (!cliPackCommands(variables, &variableBlock, &variableCount)) {
        postFailure(seqnum, "Error: Too many variables.\n");
        return -1;
    }
    char name[CLI_CLIENT_NAME_MAX + 1] = "";
    if (client) snprintf(name, sizeof name, "%s", client);

    std::unique_lock<std::mutex> lock(gMutex);
    if (!gCallBack) return CLI_NOT_STARTED;  // there is nobody to tell
    uint32_t id = gNextId++;
    if (gNextId == 0) gNextId = 1;
    std::vector<uint8_t> frame(block.size() + variableBlock.size() + 256);
    tlv_t t;
    tlvInit(&t, frame.data(), uint32_t(frame.size()));
    // An empty block still needs an address for the encoder.
    const char *blockData = block.empty() ? "" : block.data();
    int rc =
        tlvEncode(&t, CLI_TAG_KIND, TLV_ENC_U32, uint32_t(CLI_MSG_EXEC), CLI_TAG_ID, TLV_ENC_U32,
                  id, CLI_TAG_CLIENT, TLV_ENC_STRING, name, CLI_TAG_COUNT, TLV_ENC_U32, count,
                  CLI_TAG_COMMANDS, TLV_ENC_BLOCK, blockData, uint32_t(block.size()), TLV_ENC_END);
    if (rc == 0 && variableCount > 0)
        rc = tlvEncode(&t, CLI_TAG_VARIABLE_COUNT, TLV_ENC_U32, variableCount, CLI_TAG_VARIABLES,
                       TLV_ENC_BLOCK, variableBlock.data(), uint32_t(variableBlock.size()),
                       TLV_ENC_END);
    if (rc != 0 || tlvLength(&t) > IPML_MAX_FRAME) {
        postFailure(seqnum, "Error: The command list is too long.\n");
        return -1;
    }
    if (connectLocked() != 0) {
        postFailure(seqnum, "Error: The CLI process is not available.\n");
        return -1;
    }
    gPending[id] = Pending{seqnum, clockNowUs() + timeoutUs(), gFd};
    if (ipmlWriteFrame(gFd, frame.data(), tlvLength(&t)) != 0) {
        // The dispatcher sees the broken stream and ends the calls sent on it, this one too.
        retireLocked();
        return -1;
    }
    return 0;
}

void karnCancelCLI(uint32_t seqnum) {
    std::lock_guard<std::mutex> lock(gMutex);
    for (auto it = gPending.begin(); it != gPending.end();) {
        if (it->second.seqnum != seqnum) {
            ++it;
            continue;
        }
        // Only the connection the call went out on knows it; a broken one is ending anyway.
        if (it->second.fd == gFd) {
            uint8_t frame[64];
            tlv_t t;
            tlvInit(&t, frame, sizeof frame);
            if (tlvEncode(&t, CLI_TAG_KIND, TLV_ENC_U32, uint32_t(CLI_MSG_CANCEL), CLI_TAG_ID,
                          TLV_ENC_U32, it->first, TLV_ENC_END) == 0 &&
                ipmlWriteFrame(gFd, frame, tlvLength(&t)) != 0)
                retireLocked();
        }
        it = gPending.erase(it);
    }
}
