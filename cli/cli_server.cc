#include "cli/cli_server.h"

#include <condition_variable>
#include <cstdio>
#include <deque>
#include <mutex>
#include <set>
#include <string>
#include <thread>
#include <vector>

#include "cli/cli_commands.h"
#include "cli/cli_services.h"
#include "platform/bm.h"
#include "platform/cli/clilink.h"
#include "platform/dispatch.h"
#include "platform/dm.h"
#include "platform/ds.h"
#include "platform/ipml.h"
#include "platform/linkserver.h"
#include "platform/log.h"
#include "platform/tlv.h"

namespace {

struct Job {
    uint32_t peer = 0;
    uint32_t id = 0;
    std::vector<std::string> commands;
    bool hasVariables = false;
    cliVariables_t variables;
};

// Jobs waiting beyond this are refused at once rather than queued without end.
const size_t kMaxQueued = 1024;

std::mutex gMutex;  // guards the queue, the gone-peer set and the stop flag
std::condition_variable gCond;
std::deque<Job> gQueue;
std::set<uint32_t> gGonePeers;           // peers that left while their jobs were queued or running
std::pair<uint32_t, uint32_t> gRunning;  // (peer, id) of the job being run (ids are never 0)
bool gRunningCancelled = false;
bool gStop = false;
std::thread gExecutor;

// Sends one message of the subagent link to a peer; false when the peer is gone.
bool sendToPeer(uint32_t peer, uint32_t kind, uint32_t id, const std::string *text,
                uint32_t status) {
    bmPacket_t *packet = bmAllocPacket(CLI_OUTPUT_CHUNK + 256, 0, 1);
    if (!packet) return false;
    tlv_t t;
    tlvInit(&t, packet->data, packet->size);
    int rc = text ? tlvEncode(&t, CLI_TAG_KIND, TLV_ENC_U32, kind, CLI_TAG_ID, TLV_ENC_U32, id,
                              CLI_TAG_TEXT, TLV_ENC_STRING, text->c_str(), TLV_ENC_END)
                  : tlvEncode(&t, CLI_TAG_KIND, TLV_ENC_U32, kind, CLI_TAG_ID, TLV_ENC_U32, id,
                              CLI_TAG_STATUS, TLV_ENC_U32, status, TLV_ENC_END);
    bool ok = false;
    if (rc == 0 && bmTrimPacket(packet, tlvLength(&t)) == 0) ok = ipmlSend(peer, packet, 0) > 0;
    bmFree(packet);
    return ok;
}

// Output of one job, sent in chunks of at most CLI_OUTPUT_CHUNK bytes as it comes.
struct JobOutput {
    const Job &job;
    std::string pending;
    bool peerGone = false;

    void add(const std::string &text) {
        pending += text;
        while (pending.size() >= CLI_OUTPUT_CHUNK) flush(CLI_OUTPUT_CHUNK);
    }
    void flush(size_t bytes) {
        if (bytes == 0) return;
        std::string piece = pending.substr(0, bytes);
        pending.erase(0, bytes);
        // A NUL would cut the text short on the way; nothing the interpreter writes holds one.
        if (!peerGone && !sendToPeer(job.peer, CLI_MSG_OUTPUT, job.id, &piece, 0)) peerGone = true;
    }
};

// True when the job's peer has left or has cancelled it: nothing more is sent for it.
bool abandoned(const Job &job) {
    std::lock_guard<std::mutex> lock(gMutex);
    return gGonePeers.count(job.peer) != 0 || gRunningCancelled;
}

void runJob(const Job &job) {
    JobOutput out{job, {}, false};
    uint32_t failed = 0;
    const cliVariables_t *variables = job.hasVariables ? &job.variables : nullptr;
    for (const std::string &command : job.commands) {
        if (out.peerGone || abandoned(job)) return;
        if (!cliExecute(
                cliServices(), command, [&](const std::string &t) { out.add(t); }, variables))
            failed++;
        out.flush(out.pending.size());  // each command's output goes out when it ends
    }
    if (!out.peerGone && !abandoned(job))
        sendToPeer(job.peer, CLI_MSG_END, job.id, nullptr, failed);
}

void executor() {
    for (;;) {
        Job job;
        {
            std::unique_lock<std::mutex> lock(gMutex);
            gCond.wait(lock, [] { return gStop || !gQueue.empty(); });
            if (gStop) return;
            job = std::move(gQueue.front());
            gQueue.pop_front();
            gRunning = {job.peer, job.id};
            gRunningCancelled = false;
        }
        runJob(job);
        std::lock_guard<std::mutex> lock(gMutex);
        gRunning = {0, 0};
    }
}

// "NAME=value" texts into variables; false when one has no name.
bool readVariables(const std::vector<std::string> &texts, cliVariables_t *variables) {
    for (const std::string &text : texts) {
        size_t equals = text.find('=');
        if (equals == 0 || equals == std::string::npos) return false;
        (*variables)[text.substr(0, equals)] = text.substr(equals + 1);
    }
    return true;
}

// The commands of a cancelled job are dropped: queued ones at once, the running one
// before its next command.
void cancel(uint32_t peer, uint32_t id) {
    std::lock_guard<std::mutex> lock(gMutex);
    for (auto it = gQueue.begin(); it != gQueue.end();)
        it = it->peer == peer && it->id == id ? gQueue.erase(it) : it + 1;
    if (gRunning == std::make_pair(peer, id)) gRunningCancelled = true;
}

void onPeer(ipmlLink_t *, int event, uint32_t peer) {
    std::lock_guard<std::mutex> lock(gMutex);
    if (event == IPML_PEER_LEAVE) {
        gGonePeers.insert(peer);
        for (auto it = gQueue.begin(); it != gQueue.end();)
            it = it->peer == peer ? gQueue.erase(it) : it + 1;
    } else if (event == IPML_PEER_CONNECT) {
        gGonePeers.erase(peer);  // peer ids are not reused, but keep the set small
    }
}

// Reads an exec message into `job`; false when it is unreadable. Variables are
// optional; *variablesOk is false when they are there but not NAME=value texts.
bool readExec(tlv_t *t, Job *job, bool *variablesOk) {
    uint32_t count = 0, variableCount = 0;
    const char *client = nullptr;
    const void *block = nullptr;
    uint32_t blockLength = 0;
    if (tlvDecode(t, CLI_TAG_CLIENT, TLV_DEC_STRING, &client, static_cast<uint32_t *>(nullptr),
                  CLI_TAG_COUNT, TLV_DEC_U32, &count, CLI_TAG_COMMANDS, TLV_DEC_BLOCK, &block,
                  &blockLength, TLV_DEC_END) != 0 ||
        !cliUnpackCommands(block, blockLength, count, &job->commands))
        return false;
    *variablesOk = true;
    if (tlvDecode(t, CLI_TAG_VARIABLE_COUNT, TLV_DEC_U32, &variableCount, CLI_TAG_VARIABLES,
                  TLV_DEC_BLOCK, &block, &blockLength, TLV_DEC_END) == 0) {
        std::vector<std::string> texts;
        job->hasVariables = true;
        *variablesOk = cliUnpackCommands(block, blockLength, variableCount, &texts) &&
                       readVariables(texts, &job->variables);
    }
    return true;
}

void refuse(uint32_t peer, uint32_t id, const char *why) {
    std::string text = why;
    sendToPeer(peer, CLI_MSG_OUTPUT, id, &text, 0);
    sendToPeer(peer, CLI_MSG_END, id, nullptr, 1);
}

void onReceive(ipmlLink_t *, uint32_t peer, void *p, int length) {
    auto *packet = static_cast<bmPacket_t *>(p);
    if (length <= 0 || !packet) {
        if (packet) bmFree(packet);
        return;
    }
    tlv_t t;
    tlvInit(&t, packet->data, uint32_t(length));
    uint32_t kind = 0, id = 0;
    Job job;
    job.peer = peer;
    bool readable = tlvDecode(&t, CLI_TAG_KIND, TLV_DEC_U32, &kind, CLI_TAG_ID, TLV_DEC_U32, &id,
                              TLV_DEC_END) == 0;
    bool variablesOk = true;
    if (readable && kind == CLI_MSG_CANCEL) {
        bmFree(packet);
        cancel(peer, id);
        return;
    }
    readable = readable && kind == CLI_MSG_EXEC && readExec(&t, &job, &variablesOk);
    bmFree(packet);
    if (!readable) {
        logWarn("dropped an unreadable message from peer %u", peer);
        return;
    }
    if (!variablesOk) return refuse(peer, id, "Error: The variables are not NAME=value texts.\n");
    job.id = id;
    bool busy;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        busy = gQueue.size() >= kMaxQueued;
        if (!busy) {
            gQueue.push_back(std::move(job));
            gCond.notify_one();
        }
    }
    if (busy) refuse(peer, id, "Error: The CLI is busy; try again later.\n");
}

void onServing(uint16_t) {
    dmSetProcessState(0, DM_STATE_RUNNING);
}

const dsLinkServer_t kLinkServer = {"cli", "cliSubagentServer", onPeer, onReceive, onServing};

}  // namespace

void cliServerStart() {
    gExecutor = std::thread(executor);
    dsServeLink(&kLinkServer);
}

void cliServerStop() {
    {
        std::lock_guard<std::mutex> lock(gMutex);
        gStop = true;
        gCond.notify_all();
    }
    cliServicesStop();  // a job waiting for cfgmgr gives up
    if (gExecutor.joinable()) gExecutor.join();
    dsStopLink();
}
