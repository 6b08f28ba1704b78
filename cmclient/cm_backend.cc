// Backend library: serves cfgmgr's requests for the application's module through the
// callbacks the application exports (cmclient/cmbe.h).
//
// Everything here runs on the dispatcher thread: the link is made by a periodic tick,
// requests are parsed, acted on and answered one at a time as they arrive.
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>

#include "cfgmgmt/cmBackend/src/buffer.h"
#include "cfgmgmt/cmBackend/src/cm_object.h"
#include "cfgmgmt/cmBackend/src/cm_print.h"
#include "cfgmgmt/objdefs/objdef_module.h"
#include "cmclient/cm.h"
#include "cmclient/cmclient.h"
#include "cmclient/cmlink.h"
#include "cmclient/cmbe.h"
#include "platform/dispatch.h"
#include "platform/dm.h"
#include "platform/tlv.h"
#include "platform/util.h"

namespace {

const long kTickUs = 200000;

cmBackendApp_t gApp;
char gAppName[CM_MODULE_NAME_SIZE];
bool gStarted;
bool gLoadWanted;  // a load event came; ask cfgmgr once the link is up
std::shared_ptr<cmLinkClient> gLink;
dispatchWork_t gTick;
cmObjectParser_t *gParser;

const cmTag_t *lookupTag(const char *name) {
    if (!name || !gApp.tags) return nullptr;
    uint32_t low = 0, high = gApp.tagCount;
    while (low < high) {
        uint32_t mid = (low + high) / 2;
        int cmp = strcmp(name, gApp.tags[mid].name);
        if (cmp == 0) return &gApp.tags[mid];
        if (cmp < 0)
            high = mid;
        else
            low = mid + 1;
    }
    return nullptr;
}

cmFuncTableEntry_t gEntry = {gAppName, lookupTag, cmObjectAlloc, cmObjectFree, cmObjectSetData};

void releaseObject(cmObject_t *object) {
    if (!object) return;
    if (object->tag)
        cmObjectFree(object, cmFree_all);
    else
        cmObject_t_free(object);
}

struct Answer {
    uint32_t status = 0;
    std::string message;
    std::string data;
};

// One request text through the application: parse, act, convert.
Answer serve(uint32_t operation, uint32_t flags, const char *text) {
    Answer answer;
    if (!gParser) gParser = cmObjectParserAlloc();
    if (!gParser) {
        answer.message = "Out of memory";
        return answer;
    }
    // The parser reads objects: it is given the operation's content, and the object
    // is told which operation it came with.
    cmRequestParts_t parts;
    if (cmRequestSplit(text, &parts) != 0) {
        answer.message = "The request is not well formed.";
        return answer;
    }
    std::string action(parts.operation, parts.operationLength);
    cmObject_t *object = cmObjectParse(gParser, gAppName, parts.body, uint32_t(parts.bodyLength));
    if (!object) {
        answer.message = gParser->errorCount && gParser->errorBuffer && gParser->errorBuffer->data
                             ? gParser->errorBuffer->data
                             : "The request holds no object.";
        return answer;
    }
    object->action = lookupTag(action.c_str());
    cmBackendRequest_t request{};
    request.flags =
        operation == CM_OP_GET && flags == CM_GET_NEXT ? uint32_t(CM_BE_FLAG_GET_NEXT) : 0u;
    request.out = bufferAlloc(256);
    request.message = bufferAlloc(128);
    request.reply = cmObject_t_alloc();
    request.tags = gApp.tags;
    if (!request.out || !request.message || !request.reply) {
        answer.message = "Out of memory";
    } else if (!cmBackendAction(&request, object)) {
        answer.message = request.message->length ? request.message->data : "";
        if (answer.message.empty())
            answer.message = std::string("Object ") + (object->tag ? object->tag->name : "?") +
                             " does not support method " +
                             (object->action ? object->action->name : "?") + ".";
    } else {
        if (request.reply->tag && request.reply->data) cmBackendConvert(&request, request.reply);
        answer.status = uint32_t(request.result);
        if (request.result == 0 && request.message->length) answer.message = request.message->data;
        if (request.out->length) answer.data = request.out->data;
    }
    releaseObject(request.reply);
    if (request.out) bufferFree(request.out);
    if (request.message) bufferFree(request.message);
    releaseObject(object);
    return answer;
}

void dropLink() {
    if (!gLink) return;
    dispatchRemoveFd(gLink->fd);
    gLink->close();
    gLink.reset();
}

void sendLoad() {
    if (!gLink || !gLoadWanted) return;
    cmLinkMessage load(CMLINK_LOAD);
    load.u32(CMLINK_TAG_ID, 0);
    if (gLink->send(load) == 0) gLoadWanted = false;
}

// The saved set requests of the module, one after another, NUL-separated.
void applyLoad(const char *texts, uint32_t length) {
    const char *end = texts + length;
    for (const char *p = texts; p < end;) {
        const char *nul = static_cast<const char *>(memchr(p, 0, size_t(end - p)));
        if (!nul) break;
        if (*p) {
            Answer a = serve(CM_OP_SET, 0, p);
            if (a.status == 0)
                fprintf(stderr, "%s: saved configuration not applied: %s\n", gAppName,
                        a.message.c_str());
        }
        p = nul + 1;
    }
}

void onMessage(const uint8_t *bytes, uint32_t length) {
    uint32_t kind = 0;
    if (cmLinkDecodeKind(bytes, length, &kind) != 0) return;
    tlv_t t;
    tlvInit(&t, const_cast<uint8_t *>(bytes), length);
    if (kind == CMLINK_BE_REQUEST) {
        uint32_t id, operation, flags;
        const char *text;
        if (tlvDecode(&t, CMLINK_TAG_ID, TLV_DEC_U32, &id, CMLINK_TAG_OPERATION, TLV_DEC_U32,
                      &operation, CMLINK_TAG_FLAGS, TLV_DEC_U32, &flags, CMLINK_TAG_TEXT,
                      TLV_DEC_STRING, &text, nullptr, TLV_DEC_END) != 0)
            return;
        Answer a = serve(operation, flags, text);
        cmLinkMessage reply(CMLINK_REPLY);
        reply.u32(CMLINK_TAG_ID, id).u32(CMLINK_TAG_STATUS, a.status);
        if (!a.message.empty()) reply.text(CMLINK_TAG_MESSAGE, a.message.c_str());
        if (!a.data.empty()) reply.text(CMLINK_TAG_DATA, a.data.c_str());
        if (gLink) gLink->send(reply);
    } else if (kind == CMLINK_LOAD_DATA) {
        const void *texts;
        uint32_t textsLength;
        if (tlvDecode(&t, CMLINK_TAG_TEXT, TLV_DEC_BLOCK, &texts, &textsLength, TLV_DEC_END) != 0)
            return;
        applyLoad(static_cast<const char *>(texts), textsLength);
    }
}

void onReadable(int fd, void *) {
    if (!gLink || gLink->fd != fd) {
        dispatchRemoveFd(fd);
        return;
    }
    std::shared_ptr<cmLinkClient> link = gLink;
    if (link->readAvailable(onMessage) != 0 && gLink == link) dropLink();
}

void onTick(void *) {
    if (gLink) return;
    std::shared_ptr<cmLinkClient> link = cmLinkConnect(200);
    if (!link) return;
    cmLinkMessage hello(CMLINK_HELLO);
    hello.u32(CMLINK_TAG_ROLE, CMLINK_ROLE_BACKEND).text(CMLINK_TAG_NAME, gAppName);
    if (link->send(hello) != 0 || dispatchAddFd(link->fd, onReadable, nullptr) != 0) {
        link->close();
        return;
    }
    gLink = link;
    sendLoad();
}

}  // namespace

int cmBackendInit(const char *appName, int) {
    if (!appName || !*appName || strlen(appName) >= sizeof gAppName) return 0;
    if (gStarted) return strcmp(appName, gAppName) == 0 ? 1 : 0;
    strlcpy(gAppName, appName, sizeof gAppName);
    memset(&gApp, 0, sizeof gApp);
    gApp.name = gAppName;
    if (!cmBackendApplicationInit(&gApp)) return 0;
    if (!cmFuncTableInit()) return 0;
    cmFuncTableEntryInsert(&gEntry);
    gTick = dispatchExecuteWorkItem(onTick, nullptr, 0, {0, kTickUs}, DISPATCH_WORK_REPEAT);
    if (!gTick) return 0;
    dispatchWorkRegisterAttr(gTick, "cmBackendTick");
    gStarted = true;
    if (dispatchOnThread()) onTick(nullptr);
    return 1;
}

void cmBackEndSendLoadRequest(void *, int event, int, void *data) {
    if (event != DM_EVENT_LOAD || !gStarted) return;
    const auto *load = static_cast<const dmLoadEvent_t *>(data);
    if (load && load->processName[0] && strcmp(load->processName, gAppName) != 0 &&
        strcmp(load->processName, karnGetProcessName()) != 0)
        return;
    gLoadWanted = true;
    sendLoad();
}

bool cmBackendConnected() {
    return gLink != nullptr;
}

void cmBackendShutdown() {
    if (!gStarted) return;
    dropLink();
    if (gTick) dispatchWorkCancel(gTick);
    gTick = nullptr;
    cmFuncTableEntryRemove(&gEntry);
    cmBackendApplicationTerminate(&gApp);
    if (gParser) cmObjectParserFree(gParser);
    gParser = nullptr;
    gStarted = false;
    gLoadWanted = false;
}
