#include "platform/linkserver.h"

#include <cstdio>

#include "platform/ds.h"

namespace {

const dsLinkServer_t *gServer;
ipmlLink_t *gLink;
dispatchServer_t gRecord;

void registerName(void *);

void retryLater() { dispatchExecuteWorkItem(registerName, nullptr, 0, {1, 0}, DISPATCH_WORK_ONCE); }

void closeLink() {
    if (!gLink) return;
    dispatchRemove(gLink);
    ipmlClose(gLink);
    gLink = nullptr;
}

void onRegistered(void *, dsRegistration_t *result, int status) {
    if (!gServer) return;
    if (status < 0 || !result) {
        retryLater();
        return;
    }
    closeLink();
    gLink = ipmlInitServerClient(0, result->linkNumber, 1, gServer->peer, nullptr);
    gRecord = {gLink, gServer->serverName, gServer->receive};
    if (!gLink || dispatchAddServer(&gRecord) != 0) {
        fprintf(stderr, "%s: cannot serve link %u\n", gServer->name, unsigned(result->linkNumber));
        if (gLink) ipmlClose(gLink);
        gLink = nullptr;
        retryLater();
        return;
    }
    if (gServer->serving) gServer->serving(result->linkNumber);
}

void registerName(void *) {
    if (gServer && dsNBRegister(gServer->name, onRegistered, nullptr) != 0) retryLater();
}

}  // namespace

void dsServeLink(const dsLinkServer_t *server) {
    gServer = server;
    registerName(nullptr);
}

void dsStopLink() {
    gServer = nullptr;
    closeLink();
}
