// A backend application for the tests: registers as "cmbeapp", starts the backend
// library for module "wsvdbe" once cfgmgr is up, and serves one object:
//   <testConfig><name>..</name><count>..</count></testConfig>
// get answers the current values (result 1; a get-next answers result 2), set stores the
// fields given; a set of the name "refuse" fails with "refused by the application".
#include <unistd.h>

#include <cstdio>
#include <cstring>

#include "cfgmgmt/cmBackend/src/buffer.h"
#include "cfgmgmt/cmBackend/src/cm_object.h"
#include "cfgmgmt/objdefs/objdef_module.h"
#include "cmclient/cmbe.h"
#include "platform/dispatch.h"
#include "platform/dm.h"
#include "platform/ds.h"
#include "platform/util.h"

namespace {

struct testConfig_t {
    char name[33];
    uint32_t count;
    testConfig_t *next;
    uint8_t valid[1];
};

const cmTag_t kTags[] = {
    {"count", 1, cmTagKind_leaf, 0},           {"get", 2, cmTagKind_action, 0},
    {"module_wsvdbe", 3, cmTagKind_module, 0}, {"name", 4, cmTagKind_leaf, 0},
    {"set", 5, cmTagKind_action, 0},           {"testConfig", 6, cmTagKind_object, 1},
};
const cmFieldDesc_t kFields[] = {
    CM_STRING(testConfig_t, name, 4),
    CM_FIELD(testConfig_t, count, cmType_uint32, 1),
};
const cmObjectDesc_t kDesc = CM_DESC(testConfig_t, kFields);
const cmObjectDesc_t *const kDescs[] = {nullptr, &kDesc};
const cmModuleDef_t kModule = {"wsvdbe", kTags, 6, kDescs, 2};

testConfig_t gConfig = {"", 0, nullptr, {0x3}};
bool gStarted;

void onDm(void *handle, int event, int flags, void *data) {
    if (event == DM_EVENT_PROCESS_UP && !gStarted &&
        strcmp(static_cast<char *>(data), "cfgmgr") == 0)
        gStarted = cmBackendInit("wsvdbe", 0) != 0;
    if (event == DM_EVENT_LOAD) cmBackEndSendLoadRequest(handle, event, flags, data);
}

void registerName(void *);
void onRegistered(void *, dsRegistration_t *, int status) {
    if (status < 0) dispatchExecuteWorkItem(registerName, nullptr, 0, {1, 0}, DISPATCH_WORK_ONCE);
}
void registerName(void *) {
    if (dsNBRegister("cmbeapp", onRegistered, nullptr) != 0)
        dispatchExecuteWorkItem(registerName, nullptr, 0, {1, 0}, DISPATCH_WORK_ONCE);
}

}  // namespace

int cmBackendApplicationInit(cmBackendApp_t *app) {
    app->tags = kTags;
    app->tagCount = 6;
    return 1;
}
void cmBackendApplicationTerminate(cmBackendApp_t *app) {
    app->tags = nullptr;
    app->tagCount = 0;
}
cmObject_t *cmObjectAlloc(const cmTag_t *tag) {
    return cmModuleAlloc(&kModule, tag);
}
void cmObjectFree(cmObject_t *object, int mode) {
    cmModuleFree(&kModule, object, mode);
}
int cmObjectSetData(cmObject_t *target, cmObject_t *item) {
    return cmModuleSetData(&kModule, target, item);
}

int cmBackendAction(cmBackendRequest_t *request, cmObject_t *object) {
    auto *in = static_cast<testConfig_t *>(object->data);
    if (!object->action || !in) return 0;
    if (strcmp(object->action->name, "get") == 0) {
        auto *out = static_cast<testConfig_t *>(cmObjectAllocCore(&kDesc, 1));
        memcpy(out, &gConfig, sizeof gConfig);
        out->next = nullptr;
        request->reply->tag = object->tag;
        request->reply->data = out;
        request->result = (request->flags & CM_BE_FLAG_GET_NEXT) ? 2 : 1;
        return 1;
    }
    if (cmObjectCheckValidCore(in, kDesc.validOffset, 0) && strcmp(in->name, "refuse") == 0) {
        bufferPuts(request->message, "refused by the application");
        request->result = 0;
        return 1;
    }
    if (cmObjectCheckValidCore(in, kDesc.validOffset, 0)) strlcpy(gConfig.name, in->name, 33);
    if (cmObjectCheckValidCore(in, kDesc.validOffset, 1)) gConfig.count = in->count;
    request->result = 1;
    return 1;
}

int cmBackendConvert(cmBackendRequest_t *request, cmObject_t *first) {
    bufferReset(request->out);
    cmFormatContext_t context{request->flags, request->out};
    for (cmObject_t *o = first; o; o = o->next)
        cmObjectFormatList(kTags, &kDesc, &context, o->tag, o->data);
    return 1;
}

int main() {
    karnSetProcessName("cmbeapp");
    setvbuf(stderr, nullptr, _IOLBF, 0);
    if (dmInit(64, onDm) != 0) return 1;
    dispatchThread_t mainThread{pthread_self(), 10, getpid(), "main"};
    if (dispatchInit("cmbeapp", 0, 1, &mainThread, 1) != 0) return 1;
    dmConnect();
    registerName(nullptr);
    dmSetProcessState(0, DM_STATE_RUNNING);
    return dispatchHandler();
}
