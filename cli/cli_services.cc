#include "cli/cli_services.h"

#include <chrono>
#include <condition_variable>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>

#include "cmclient/cm.h"
#include "cmclient/cmclient.h"
#include "platform/dispatch.h"
#include "platform/plink.h"
#include "platform/tlv.h"

namespace {

struct Waiter {
    bool done = false;
    cliCmReply_t reply;
};

std::mutex gMutex;
std::condition_variable gCond;
std::map<uint32_t, Waiter *> gWaiters;  // by sequence number
uint32_t gNextSeq = 1;
bool gStopping = false;
bool gFrontendUp = false;

// The library answers every accepted request within its own bound; ours only covers
// a library that broke that promise.
std::chrono::seconds replyBound() {
    long seconds = 30;
    if (const char *v = getenv("KARN_CM_TIMEOUT_SECONDS"); v && *v) seconds = atol(v);
    if (seconds <= 0) seconds = 30;
    return std::chrono::seconds(seconds + 5);
}

void cmCallBack(int event, cmEventData_t *data) {
    if (event != CM_EVENT_REPLY || !data) return;
    std::lock_guard<std::mutex> lock(gMutex);
    auto it = gWaiters.find(data->seqnum);
    if (it == gWaiters.end()) return;
    Waiter *w = it->second;
    w->reply.status = data->status;
    w->reply.message = data->message ? data->message : "";
    w->reply.data = data->data ? data->data : "";
    w->done = true;
    gWaiters.erase(it);
    gCond.notify_all();
}

void startFrontend(void *) {
#ifdef CLI_WITHOUT_CM
    // Built before the configuration manager's client library existed: every
    // configuration command reports that cfgmgr is not available.
    return;
#endif
    if (cmFrontendInit("cli", cmCallBack) != 0) {
        std::lock_guard<std::mutex> lock(gMutex);
        gFrontendUp = true;
        return;
    }
    dispatchExecuteWorkItem(startFrontend, nullptr, 0, {1, 0}, DISPATCH_WORK_ONCE);
}

bool cmExchange(uint32_t operation, uint32_t getFlags, const char *module, const std::string &text,
                cliCmReply_t *reply) {
    Waiter w;
    cmRequest_t req{};
    req.operation = operation;
    req.getFlags = operation == CM_OP_GET ? getFlags : 0;
    req.text = text.c_str();
    snprintf(req.module, sizeof req.module, "%s", module);
    {
        std::lock_guard<std::mutex> lock(gMutex);
        if (!gFrontendUp) {
            reply->message = "The configuration manager is not available.";
            return false;
        }
        req.seqnum = gNextSeq++;
        gWaiters[req.seqnum] = &w;
    }
#ifdef CLI_WITHOUT_CM
    int sent = 0;
#else
    int sent = cmSendRequest(&req);
#endif
    if (sent < 1) {
        std::lock_guard<std::mutex> lock(gMutex);
        gWaiters.erase(req.seqnum);
        reply->message = "Unable to send message to cfgmgr.";
        return false;
    }
    std::unique_lock<std::mutex> lock(gMutex);
    gCond.wait_for(lock, replyBound(), [&] { return w.done || gStopping; });
    if (!w.done) {
        gWaiters.erase(req.seqnum);
        reply->message = "cfgmgr did not answer.";
        return false;
    }
    *reply = std::move(w.reply);
    return true;
}

// One request to the session manager in platformd; the reply's status and text.
bool smRequest(uint32_t kind, const std::string *cookie, uint32_t *status, std::string *text,
               std::string *error) {
    if (plinkConnect() != 0) {
        *error = "The platform process is not available.";
        return false;
    }
    int rc = plinkAskKind(kind, cookie ? cookie->c_str() : nullptr, status, text);
    if (rc == -2)
        *error = "The request does not fit.";
    else if (rc != 0)
        *error = "The session manager did not answer.";
    return rc == 0;
}

bool smList(std::string *list, std::string *error) {
    uint32_t status;
    return smRequest(PLINK_SM_LIST, nullptr, &status, list, error);
}

bool smKill(const std::string &cookie, std::string *error) {
    uint32_t status;
    std::string text;
    if (!smRequest(PLINK_SM_KILL, &cookie, &status, &text, error)) return false;
    if (status != 0) {
        *error = "No session has the cookie \"" + cookie + "\".";
        return false;
    }
    return true;
}

}  // namespace

void cliServicesStart() {
    startFrontend(nullptr);
}

const cliServices_t &cliServices() {
    static const cliServices_t services{cmExchange, smList, smKill};
    return services;
}

void cliServicesStop() {
    {
        std::lock_guard<std::mutex> lock(gMutex);
        gStopping = true;
        gCond.notify_all();
    }
#ifndef CLI_WITHOUT_CM
    // A job may wait for cfgmgr inside its send (off the dispatcher's thread): dropping
    // the link fails its request at once.
    cmFrontendShutdown();
#endif
}
