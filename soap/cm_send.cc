#include "soap/cm_send.h"

#include <cstdlib>
#include <cstring>

#include "base/log.h"
#include "cmclient/cm.h"
#include "platform/util.h"
#include "platform/wsvdreq.h"

namespace {

// The client library answers every request it accepts within its own bound; this
// bound only keeps a broken library from holding the worker for good.
unsigned cmWaitSeconds() {
    return wsvdAnswerGuardSeconds("KARN_CM_TIMEOUT_SECONDS", 30);
}

bool sendToCfgmgr(void *request) {
    return cmSendRequest(static_cast<const cmRequest_t *>(request)) >= 1;
}

}  // namespace

uint32_t cmExchange(wsvdRequest *r, uint32_t operation, uint32_t getFlags, const char *module,
                    const char *text) {
    cmExchangeClear(r);
    cmRequest_t request;
    memset(&request, 0, sizeof request);
    request.operation = operation;
    request.getFlags = getFlags;
    request.text = text;
    request.seqnum = r->seqnum;
    strlcpy(request.module, module ? module : "", sizeof request.module);

    r->replyStatus = 0;
    wsvdAwait_t outcome = wsvdAnswerAwait(r->answer, cmWaitSeconds(), sendToCfgmgr, &request);
    if (outcome == WSVD_NOT_SENT) {
        r->replyMessage = strdup(CM_FAULT_CANNOT_SEND);
        return 0;
    }
    if (outcome == WSVD_NO_ANSWER) {
        WSVD_LOG("No reply from cfgmgr for request %u", r->seqnum);
        cmExchangeClear(r);
        r->replyStatus = 0;
    }
    return r->replyStatus;
}

void cmExchangeClear(wsvdRequest *r) {
    free(r->replyMessage);
    r->replyMessage = nullptr;
    free(r->replyData);
    r->replyData = nullptr;
}
