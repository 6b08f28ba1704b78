#include "tests/services/fake_peers.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cfgmgmt/cmBackend/src/buffer.h"
#include "cmclient/cm.h"
#include "platform/aaa.h"
#include "platform/cli/clisub.h"
#include "platform/wsvdreq.h"
#include "session/session_auth.h"

FakePeers gFake;

namespace {

// Answers reach the record the way the daemon's callbacks deliver them.
struct CmDelivery {
    wsvdRequest *r;
    const FakeCmReply *reply;
};
void fillCmReply(void *arg) {
    auto *d = static_cast<CmDelivery *>(arg);
    d->r->replyStatus = d->reply->status;
    d->r->replyMessage = d->reply->message ? strdup(d->reply->message->c_str()) : nullptr;
    d->r->replyData = d->reply->data ? strdup(d->reply->data->c_str()) : nullptr;
}
void fillCliOutput(void *arg) {
    auto *r = static_cast<wsvdRequest *>(arg);
    for (const std::string &piece : gFake.cliOutput) bufferPuts(r->response, piece.c_str());
}

}  // namespace

int cmSendRequest(const cmRequest_t *request) {
    FakeCmCall call{request->operation, request->getFlags, request->seqnum, request->module,
                    request->text ? request->text : ""};
    gFake.cmCalls.push_back(call);
    FakeCmReply reply = gFake.cmAnswer(call);
    if (reply.sendResult < 1) return reply.sendResult;
    wsvdRequest *r = gFake.active;
    if (!r || r->seqnum != request->seqnum) return 1;  // a reply no one waits for
    CmDelivery d{r, &reply};
    wsvdAnswerDeliver(r->answer, fillCmReply, &d, true);
    return 1;
}

int karnExecuteCLI(const char *, char **commands, int, uint32_t seqnum) {
    FakeCliCall call{{}, seqnum};
    for (char **c = commands; *c; c++) call.commands.push_back(*c);
    gFake.cliCalls.push_back(call);
    if (!gFake.cliStarted) return CLI_NOT_STARTED;
    wsvdRequest *r = gFake.active;
    if (r && r->seqnum == seqnum) wsvdAnswerDeliver(r->answer, fillCliOutput, r, true);
    return 0;
}

int aaaAuthenticateClient(aaaRequest_t *request) {
    gFake.aaaCalls++;
    aaaResult_t result;
    memset(&result, 0, sizeof result);
    snprintf(result.userName, sizeof result.userName, "%s", request->userName);
    result.authenResult = gFake.aaa != FakeAaa::refuse;
    result.flags = gFake.aaa == FakeAaa::readWrite ? AAA_FLAG_READ_WRITE : 0;
    wsvdAAACallBack(&result);
    return 0;
}
