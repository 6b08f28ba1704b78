#include "daemon/answers.h"

#include <cstdlib>

#include "base/log.h"
#include "cfgmgmt/cmBackend/src/buffer.h"
#include "cmclient/cm.h"
#include "daemon/intake.h"
#include "platform/cli/clisub.h"
#include "platform/wsvdreq.h"
#include "session/session_auth.h"

namespace {

void takeReply(wsvdRequest *r, void *arg) {
    cmEventData_t *data = static_cast<cmEventData_t *>(arg);
    free(r->replyData);
    free(r->replyMessage);
    r->replyData = data->data;
    r->replyMessage = data->message;
    data->data = nullptr;
    data->message = nullptr;
    r->replyStatus = data->status;
}

void appendOutput(wsvdRequest *r, void *arg) {
    const cliEventData_t *data = static_cast<const cliEventData_t *>(arg);
    if (r->response && data->text && data->length)
        bufferPutn(r->response, data->text, static_cast<int>(data->length));
}

void nothing(wsvdRequest *, void *) {}

}  // namespace

void wsvdCmFrontendCallBack(int event, cmEventData_t *data) {
    if (!data) return;
    switch (event) {
        case CM_EVENT_REPLY:
            wsvdAnswerActiveRequest(data->seqnum, takeReply, data, true);
            break;
        case CM_EVENT_LOCKOUT_THRESHOLD:
        case CM_EVENT_LOCKOUT_CHANGED:
            // Unsigned on purpose: a configured 0 gives 4294967295, so nobody is locked out.
            wsvdSetLockoutThreshold(data->value - 1);
            WSVD_LOG("Set graceFailures to %d", static_cast<int>(data->value - 1));
            break;
        default:
            break;
    }
}

void wsvdCliCallBack(int event, cliEventData_t *data) {
    if (!data) return;
    if (event == CLI_EVENT_OUTPUT)
        wsvdAnswerActiveRequest(data->seqnum, appendOutput, data, false);
    else if (event == CLI_EVENT_END)
        wsvdAnswerActiveRequest(data->seqnum, nothing, nullptr, true);
}
