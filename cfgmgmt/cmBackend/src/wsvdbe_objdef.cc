#include "cfgmgmt/cmBackend/src/wsvdbe_objdef.h"

#include <cstdarg>
#include <cstddef>
#include <cstdio>
#include <cstring>

#include "cfgmgmt/cmBackend/src/buffer.h"
#include "cfgmgmt/cmBackend/src/cm_backend_app.h"
#include "cfgmgmt/cmBackend/src/cm_print.h"
#include "platform/ems.h"
#include "platform/util.h"

const cmTag_t wsvdbeTags[] = {
    {"accessRight", 1, cmTagKind_leaf, 0},
    {"appName", 2, cmTagKind_leaf, 0},
    {"authFailure", 3, cmTagKind_leaf, 0},
    {"clientTimeout", 4, cmTagKind_leaf, 0},
    {"connectionType", 5, cmTagKind_leaf, 0},
    {"cookie", 6, cmTagKind_leaf, 0},
    {"createApi", 7, cmTagKind_leaf, 0},
    {"currentFileSize", 8, cmTagKind_leaf, 0},
    {"deleteApi", 9, cmTagKind_leaf, 0},
    {"fileName", 10, cmTagKind_leaf, 0},
    {"genericSetApi", 11, cmTagKind_leaf, 0},
    {"get", 12, cmTagKind_action, 0},
    {"getApi", 13, cmTagKind_leaf, 0},
    {"http", 14, cmTagKind_leaf, 0},
    {"https", 15, cmTagKind_leaf, 0},
    {"index", 16, cmTagKind_leaf, 0},
    {"ipAddress", 17, cmTagKind_leaf, 0},
    {"maxFileSize", 18, cmTagKind_leaf, 0},
    {"maxSessions", 19, cmTagKind_leaf, 0},
    {"module_wsvdbe", 20, cmTagKind_module, 0},
    {"password", 21, cmTagKind_leaf, 0},
    {"port", 22, cmTagKind_leaf, 0},
    {"process", 23, cmTagKind_leaf, 0},
    {"radius", 24, cmTagKind_leaf, 0},
    {"rollOver", 25, cmTagKind_leaf, 0},
    {"secondFileName", 26, cmTagKind_leaf, 0},
    {"sessionId", 27, cmTagKind_leaf, 0},
    {"sessionIndex", 28, cmTagKind_leaf, 0},
    {"set", 29, cmTagKind_action, 0},
    {"setApi", 30, cmTagKind_leaf, 0},
    {"startTracing", 31, cmTagKind_leaf, 0},
    {"status", 32, cmTagKind_leaf, 0},
    {"tacas", 33, cmTagKind_leaf, 0},
    {"timeout", 34, cmTagKind_leaf, 0},
    {"userName", 35, cmTagKind_leaf, 0},
    {"wsvdConfig", 36, cmTagKind_object, wsvdbeConfigIndex},
    {"wsvdGlobalCounter", 37, cmTagKind_object, wsvdbeGlobalCounterIndex},
    {"wsvdSession", 38, cmTagKind_object, wsvdbeSessionIndex},
    {"wsvdSessionStats", 39, cmTagKind_object, wsvdbeSessionStatsIndex},
    {"wsvdTraceConfig", 40, cmTagKind_object, wsvdbeTraceConfigIndex},
    {"xmlApiVersion", 41, cmTagKind_leaf, 0},
    {"xmlBackendError", 42, cmTagKind_leaf, 0},
    {"xmlError", 43, cmTagKind_leaf, 0},
    {"xmlInternalError", 44, cmTagKind_leaf, 0},
    {"xmlRequest", 45, cmTagKind_leaf, 0},
    {"xmlSchemaError", 46, cmTagKind_leaf, 0},
    {"xmlSessionDenied", 47, cmTagKind_leaf, 0},
    {"xmlSessionRequest", 48, cmTagKind_leaf, 0},
    {"xmlSessionTimedOut", 49, cmTagKind_leaf, 0},
};
const uint32_t wsvdbeTagCount = sizeof(wsvdbeTags) / sizeof(wsvdbeTags[0]);
static_assert(sizeof(wsvdbeTags) / sizeof(wsvdbeTags[0]) == 49);

namespace {

#define WSVDBE_FIELD(S, member, type, tagId) \
    { type, sizeof(S::member), 0, tagId, nullptr, static_cast<uint32_t>(offsetof(S, member)) }
#define WSVDBE_STRING(S, member, tagId)                                      \
    {                                                                        \
        cmType_string, sizeof(S::member), sizeof(S::member), tagId, nullptr, \
            static_cast<uint32_t>(offsetof(S, member))                       \
    }
#define WSVDBE_DESC(S, fields)                                                   \
    {                                                                            \
        sizeof(S), static_cast<uint16_t>(offsetof(S, next)),                     \
            static_cast<uint16_t>(offsetof(S, valid)),                           \
            static_cast<uint16_t>(sizeof(fields) / sizeof(fields[0])), 0, fields \
    }

const cmFieldDesc_t kConfigFields[] = {
    WSVDBE_FIELD(wsvdbeConfig_t, http, cmType_int32, wsvdbeTag_http),
    WSVDBE_FIELD(wsvdbeConfig_t, https, cmType_int32, wsvdbeTag_https),
    WSVDBE_FIELD(wsvdbeConfig_t, maxSessions, cmType_int32, wsvdbeTag_maxSessions),
    WSVDBE_FIELD(wsvdbeConfig_t, radius, cmType_int32, wsvdbeTag_radius),
    WSVDBE_FIELD(wsvdbeConfig_t, tacas, cmType_int32, wsvdbeTag_tacas),
};
enum { kConfigHttp, kConfigHttps, kConfigMaxSessions };

const cmFieldDesc_t kCounterFields[] = {
    WSVDBE_FIELD(wsvdbeGlobalCounter_t, authFailure, cmType_uint64, wsvdbeTag_authFailure),
    WSVDBE_FIELD(wsvdbeGlobalCounter_t, xmlBackendError, cmType_uint64, wsvdbeTag_xmlBackendError),
    WSVDBE_FIELD(wsvdbeGlobalCounter_t, xmlError, cmType_uint64, wsvdbeTag_xmlError),
    WSVDBE_FIELD(wsvdbeGlobalCounter_t, xmlInternalError, cmType_uint64,
                 wsvdbeTag_xmlInternalError),
    WSVDBE_FIELD(wsvdbeGlobalCounter_t, xmlRequest, cmType_uint64, wsvdbeTag_xmlRequest),
    WSVDBE_FIELD(wsvdbeGlobalCounter_t, xmlSchemaError, cmType_uint64, wsvdbeTag_xmlSchemaError),
    WSVDBE_FIELD(wsvdbeGlobalCounter_t, xmlSessionDenied, cmType_uint64,
                 wsvdbeTag_xmlSessionDenied),
    WSVDBE_FIELD(wsvdbeGlobalCounter_t, xmlSessionRequest, cmType_uint64,
                 wsvdbeTag_xmlSessionRequest),
    WSVDBE_FIELD(wsvdbeGlobalCounter_t, xmlSessionTimedOut, cmType_uint64,
                 wsvdbeTag_xmlSessionTimedOut),
};

const cmFieldDesc_t kSessionFields[] = {
    WSVDBE_STRING(wsvdbeSession_t, sessionId, wsvdbeTag_sessionId),
    WSVDBE_FIELD(wsvdbeSession_t, accessRight, cmType_int, wsvdbeTag_accessRight),
    WSVDBE_STRING(wsvdbeSession_t, appName, wsvdbeTag_appName),
    WSVDBE_FIELD(wsvdbeSession_t, clientTimeout, cmType_int, wsvdbeTag_clientTimeout),
    WSVDBE_FIELD(wsvdbeSession_t, connectionType, cmType_int, wsvdbeTag_connectionType),
    WSVDBE_STRING(wsvdbeSession_t, cookie, wsvdbeTag_cookie),
    WSVDBE_STRING(wsvdbeSession_t, ipAddress, wsvdbeTag_ipAddress),
    WSVDBE_STRING(wsvdbeSession_t, password, wsvdbeTag_password),
    WSVDBE_FIELD(wsvdbeSession_t, port, cmType_int, wsvdbeTag_port),
    WSVDBE_FIELD(wsvdbeSession_t, process, cmType_int, wsvdbeTag_process),
    WSVDBE_FIELD(wsvdbeSession_t, sessionIndex, cmType_int, wsvdbeTag_sessionIndex),
    WSVDBE_FIELD(wsvdbeSession_t, status, cmType_int, wsvdbeTag_status),
    WSVDBE_FIELD(wsvdbeSession_t, timeout, cmType_int, wsvdbeTag_timeout),
    WSVDBE_STRING(wsvdbeSession_t, userName, wsvdbeTag_userName),
    WSVDBE_STRING(wsvdbeSession_t, xmlApiVersion, wsvdbeTag_xmlApiVersion),
};
enum { kSessionId };  // field 0 of both session objects

const cmFieldDesc_t kStatsFields[] = {
    WSVDBE_STRING(wsvdbeSessionStats_t, sessionId, wsvdbeTag_sessionId),
    WSVDBE_FIELD(wsvdbeSessionStats_t, createApi, cmType_uint64, wsvdbeTag_createApi),
    WSVDBE_FIELD(wsvdbeSessionStats_t, deleteApi, cmType_uint64, wsvdbeTag_deleteApi),
    WSVDBE_FIELD(wsvdbeSessionStats_t, genericSetApi, cmType_uint64, wsvdbeTag_genericSetApi),
    WSVDBE_FIELD(wsvdbeSessionStats_t, getApi, cmType_uint64, wsvdbeTag_getApi),
    WSVDBE_FIELD(wsvdbeSessionStats_t, index, cmType_uint32, wsvdbeTag_index),
    WSVDBE_FIELD(wsvdbeSessionStats_t, setApi, cmType_uint64, wsvdbeTag_setApi),
};

const cmFieldDesc_t kTraceFields[] = {
    WSVDBE_FIELD(wsvdbeTraceConfig_t, currentFileSize, cmType_int, wsvdbeTag_currentFileSize),
    WSVDBE_STRING(wsvdbeTraceConfig_t, fileName, wsvdbeTag_fileName),
    WSVDBE_FIELD(wsvdbeTraceConfig_t, maxFileSize, cmType_int, wsvdbeTag_maxFileSize),
    WSVDBE_FIELD(wsvdbeTraceConfig_t, rollOver, cmType_int, wsvdbeTag_rollOver),
    WSVDBE_STRING(wsvdbeTraceConfig_t, secondFileName, wsvdbeTag_secondFileName),
    WSVDBE_FIELD(wsvdbeTraceConfig_t, startTracing, cmType_int, wsvdbeTag_startTracing),
};
enum { kTraceFileName = 1, kTraceMaxFileSize = 2, kTraceSecondFileName = 4, kTraceStart = 5 };
constexpr uint32_t kTraceFieldCount = sizeof(kTraceFields) / sizeof(kTraceFields[0]);

const cmObjectDesc_t kConfigDesc = WSVDBE_DESC(wsvdbeConfig_t, kConfigFields);
const cmObjectDesc_t kCounterDesc = WSVDBE_DESC(wsvdbeGlobalCounter_t, kCounterFields);
const cmObjectDesc_t kSessionDesc = WSVDBE_DESC(wsvdbeSession_t, kSessionFields);
const cmObjectDesc_t kStatsDesc = WSVDBE_DESC(wsvdbeSessionStats_t, kStatsFields);
const cmObjectDesc_t kTraceDesc = WSVDBE_DESC(wsvdbeTraceConfig_t, kTraceFields);

}  // namespace

const cmObjectDesc_t *const wsvdbeDescs[wsvdbeObjectCount + 1] = {
    nullptr, &kConfigDesc, &kCounterDesc, &kSessionDesc, &kStatsDesc, &kTraceDesc,
};

namespace {

// The two areas of the application's own data that the backend library keeps for it.
unsigned char gStorage[2][64];

// ---- incidents

// Reports with the source this module's incidents carry.
__attribute__((format(printf, 2, 3))) void incident(const char *function, const char *format, ...) {
    va_list args;
    va_start(args, format);
    cmIncidentV("wsvdbe_objdef", function, format, args);
    va_end(args);
}

// The descriptor of an object tag, or nullptr for any other tag or an unknown index.
const cmObjectDesc_t *descOf(const cmTag_t *tag) {
    if (!tag || tag->kind != cmTagKind_object || tag->objectIndex == 0 ||
        tag->objectIndex > wsvdbeObjectCount)
        return nullptr;
    return wsvdbeDescs[tag->objectIndex];
}

// ---- request helpers

// Replaces the message buffer's text (an all-zero buffer is valid: it grows on first use).
__attribute__((format(printf, 2, 3))) void setMessage(cmBackendRequest_t *request,
                                                      const char *format, ...) {
    if (!request->message) return;
    bufferReset(request->message);
    char text[256];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    bufferPuts(request->message, text);
}

// A new structure for a get's answer, every field valid; on failure the message says
// so in the words of the object and the result is 0.
void *newReply(cmBackendRequest_t *request, const cmObjectDesc_t *desc, const char *failure) {
    void *structure = cmObjectAllocCore(desc, 1);
    if (!structure) {
        setMessage(request, "%s", failure);
        request->result = 0;
    }
    return structure;
}

// Hangs the answer on the request's reply object, dropping anything hung there before.
void hangReply(cmBackendRequest_t *request, const cmTag_t *tag, void *structure) {
    if (!request->reply) {
        if (const cmObjectDesc_t *desc = descOf(tag)) cmObjectFreeList(desc, structure);
        return;
    }
    cmObjectFree(request->reply, cmFree_data);
    request->reply->tag = tag;
    request->reply->data = structure;
}

bool given(const void *structure, const cmObjectDesc_t *desc, uint32_t field) {
    return structure && cmObjectCheckValidCore(structure, desc->validOffset, field);
}

// ---- the daemon, as far as these objects see it

int noMaxSessions() {
    return 0;
}
int refuseMaxSessions(int) {
    return -1;
}
void endNoSessions(bool, bool) {}
int noSlot(const char *) {
    return -1;
}
bool noSession(int, wsvdbeSession_t *) {
    return false;
}
bool noSessionStats(int, wsvdbeSessionStats_t *) {
    return false;
}
void noCounters(wsvdbeGlobalCounter_t *) {}
void noTrace(wsvdbeTraceConfig_t *) {}
int refuseTrace(uint32_t, int32_t, uint32_t) {
    return 0;
}
const wsvdbeDaemonOps_t kNoDaemon = {noMaxSessions, refuseMaxSessions, endNoSessions,
                                     noSlot,        noSession,         noSessionStats,
                                     noCounters,    noTrace,           refuseTrace};
const wsvdbeDaemonOps_t *gDaemon = &kNoDaemon;

// The slot after the one named by the request's "sessionId" (0 without one).
int startSlot(const char *sessionId, bool isGiven) {
    if (!isGiven || !sessionId[0]) return 0;
    int slot = gDaemon->slotOfSessionId(sessionId);
    return slot < 0 ? 0 : slot + 1;
}

const char kMallocFailed[] = "Internal error --> Malloc failed!";
const char kAllocFailed[] = "Failed to allocate memory.";

// ---- the actions

void configGet(cmBackendRequest_t *request, const cmTag_t *tag) {
    auto *out = static_cast<wsvdbeConfig_t *>(newReply(request, &kConfigDesc, kAllocFailed));
    if (!out) return;
    out->maxSessions = gDaemon->maxSessions();
    hangReply(request, tag, out);
    request->result = 1;
}

void configSet(cmBackendRequest_t *request, const void *data) {
    const auto *in = static_cast<const wsvdbeConfig_t *>(data);
    if (given(in, &kConfigDesc, kConfigMaxSessions) &&
        gDaemon->setMaxSessions(in->maxSessions) != 0) {
        setMessage(request, "Session exceeded max sessions");
        request->result = 0;
        return;
    }
    request->result = 1;
    bool httpGiven = given(in, &kConfigDesc, kConfigHttp);
    bool httpsGiven = given(in, &kConfigDesc, kConfigHttps);
    // "https" decides when both are given: a non-zero value there keeps every session.
    if (!httpGiven && !httpsGiven) return;
    int32_t decisive = httpsGiven ? in->https : in->http;
    if (decisive != 0) return;
    gDaemon->endSessionsOfKinds(httpGiven && in->http == 0, httpsGiven && in->https == 0);
}

void countersGet(cmBackendRequest_t *request, const cmTag_t *tag) {
    auto *out =
        static_cast<wsvdbeGlobalCounter_t *>(newReply(request, &kCounterDesc, kMallocFailed));
    if (!out) return;
    gDaemon->readCounters(out);
    hangReply(request, tag, out);
    request->result = 1;
}

void sessionGet(cmBackendRequest_t *request, const cmTag_t *tag, const void *data) {
    auto *out = static_cast<wsvdbeSession_t *>(newReply(request, &kSessionDesc, kAllocFailed));
    if (!out) return;
    hangReply(request, tag, out);
    if (!(request->flags & CM_BE_FLAG_GET_NEXT)) {
        request->result = 0;
        return;
    }
    const auto *in = static_cast<const wsvdbeSession_t *>(data);
    int start = in ? startSlot(in->sessionId, given(in, &kSessionDesc, kSessionId)) : 0;

    request->result = gDaemon->readSession(start, out) ? 2 : 1;
}

void statsGet(cmBackendRequest_t *request, const cmTag_t *tag, const void *data) {
    auto *out = static_cast<wsvdbeSessionStats_t *>(newReply(request, &kStatsDesc, kMallocFailed));
    if (!out) return;
    hangReply(request, tag, out);
    const auto *in = static_cast<const wsvdbeSessionStats_t *>(data);
    int start = in ? startSlot(in->sessionId, given(in, &kStatsDesc, kSessionId)) : 0;

    if (!gDaemon->readSessionStats(start, out)) {
        request->result = 1;
        return;
    }
    out->index = uint32_t(start);
    request->result = 2;
}

void traceGet(cmBackendRequest_t *request, const cmTag_t *tag) {
    auto *out = static_cast<wsvdbeTraceConfig_t *>(newReply(request, &kTraceDesc, kMallocFailed));
    if (!out) return;
    gDaemon->readTrace(out);
    // Only what the trace file reports is valid; size and roll-over are not tracked.
    out->valid = 0;
    for (uint32_t field : {kTraceFileName, kTraceSecondFileName, kTraceMaxFileSize, kTraceStart})
        cmObjectSetValidCore(out, kTraceDesc.validOffset, field);
    hangReply(request, tag, out);
    request->result = 1;
}

void traceSet(cmBackendRequest_t *request, const void *data) {
    const auto *in = static_cast<const wsvdbeTraceConfig_t *>(data);
    if (!in) {
        request->result = gDaemon->configureTrace(0, 0, 0);
        return;
    }
    // The valid bits are the configure mask: maxFileSize is 4, startTracing 32.
    uint32_t mask = 0;
    for (uint32_t field = 0; field < kTraceFieldCount; field++)
        if (given(in, &kTraceDesc, field)) mask |= 1u << field;
    request->result = gDaemon->configureTrace(mask, in->maxFileSize, uint32_t(in->startTracing));
}

}  // namespace

void wsvdbeSetDaemonOps(const wsvdbeDaemonOps_t *ops) {
    gDaemon = ops ? ops : &kNoDaemon;
}

const cmTag_t *wsvdbeLookup(const char *name) {
    if (!name) return nullptr;
    uint32_t low = 0, high = wsvdbeTagCount;
    while (low < high) {
        uint32_t mid = (low + high) / 2;
        int cmp = strcmp(name, wsvdbeTags[mid].name);
        if (cmp == 0) return &wsvdbeTags[mid];
        if (cmp < 0)
            high = mid;
        else
            low = mid + 1;
    }
    return nullptr;
}

// ---- the callbacks of the backend library

int cmBackendApplicationInit(cmBackendApp_t *app) {
    if (!app) return 0;
    app->tags = wsvdbeTags;
    app->tagCount = wsvdbeTagCount;
    app->storage[0] = gStorage[0];
    app->storage[1] = gStorage[1];
    return 1;
}

void cmBackendApplicationTerminate(cmBackendApp_t *app) {
    if (!app) return;
    app->tags = nullptr;
    app->tagCount = 0;
    app->storage[0] = nullptr;
    app->storage[1] = nullptr;
}

cmObject_t *cmObjectAlloc(const cmTag_t *tag) {
    if (tag) {
        if (tag->kind == cmTagKind_object) {
            if (!descOf(tag)) {
                incident("cmObjectAlloc", "Invalid object C type --> %d!", int(tag->objectIndex));
                return nullptr;
            }
        } else if (tag->kind != cmTagKind_leaf) {
            incident("cmObjectAlloc", "Invalid object info type --> %d!", int(tag->kind));
            return nullptr;
        }
    }
    cmObject_t *object = cmObject_t_alloc();
    if (!object) return nullptr;
    object->tag = tag;
    if (tag && tag->kind == cmTagKind_object) {
        object->data = cmObjectAllocCore(descOf(tag), 0);
        if (!object->data) {
            cmObject_t_free(object);
            return nullptr;
        }
    }
    return object;
}

void cmObjectFree(cmObject_t *object, int mode) {
    if (!object) return;
    if ((mode & cmFree_data) && object->tag) {
        const cmTag_t *tag = object->tag;
        if (tag->kind == cmTagKind_object) {
            if (const cmObjectDesc_t *desc = descOf(tag))
                cmObjectFreeList(desc, object->data);
            else
                incident("cmObjectFree", "Invalid object C type --> %d!", int(tag->objectIndex));
        } else if (tag->kind != cmTagKind_leaf) {
            incident("cmObjectFree", "Invalid object info type --> %d!", int(tag->kind));
        }
        // A leaf wrapper's data is the parser's text, never ours to free.
        object->tag = nullptr;
        object->data = nullptr;
    }
    if (mode & cmFree_wrapper) cmObject_t_free(object);
}

int cmObjectSetData(cmObject_t *target, cmObject_t *item) {
    if (!target || !target->tag || !item) return -1;
    if (target->tag->kind != cmTagKind_object) {
        incident("cmObjectSetData", "Invalid parent container type --> %d!",
                 int(target->tag->kind));
        return -1;
    }
    const cmObjectDesc_t *desc = descOf(target->tag);
    if (!desc) {
        incident("cmObjectSetData", "Invalid object C type --> %d!", int(target->tag->objectIndex));
        return -1;
    }
    int rc = cmObjectConstructCore(desc, target->data, item, 1);
    // No object of this module holds another: a nested object is skipped, and its
    // structure, which the parser hands over with it, is dropped here.
    if (rc == 0 && item->tag && item->tag->kind == cmTagKind_object && item->data) {
        if (const cmObjectDesc_t *childDesc = descOf(item->tag)) {
            cmObjectFreeList(childDesc, item->data);
            item->data = nullptr;
        }
    }
    return rc;
}

int cmBackendAction(cmBackendRequest_t *request, cmObject_t *object) {
    if (!request) return 0;
    const cmTag_t *tag = object ? object->tag : nullptr;
    const cmTag_t *action = object ? object->action : nullptr;
    uint32_t index = tag && tag->kind == cmTagKind_object ? tag->objectIndex : 0;
    uint32_t actionId = action ? action->id : 0;
    void *data = object ? object->data : nullptr;

    if (actionId == wsvdbeTag_get) {
        switch (index) {
            case wsvdbeConfigIndex:
                configGet(request, tag);
                return 1;
            case wsvdbeGlobalCounterIndex:
                countersGet(request, tag);
                return 1;
            case wsvdbeSessionIndex:
                sessionGet(request, tag, data);
                return 1;
            case wsvdbeSessionStatsIndex:
                statsGet(request, tag, data);
                return 1;
            case wsvdbeTraceConfigIndex:
                traceGet(request, tag);
                return 1;
        }
    } else if (actionId == wsvdbeTag_set) {
        switch (index) {
            case wsvdbeConfigIndex:
                configSet(request, data);
                return 1;
            case wsvdbeGlobalCounterIndex:
                request->result = 1;
                return 1;
            case wsvdbeTraceConfigIndex:
                traceSet(request, data);
                return 1;
        }
    }
    request->result = 0;
    setMessage(request, "Object %s does not support method %s.", tag ? tag->name : "",
               action ? action->name : "");
    return 0;
}

int cmBackendConvert(cmBackendRequest_t *request, cmObject_t *first) {
    if (!request || !request->out) return 0;
    bufferReset(request->out);
    cmFormatContext_t context = {request->flags, request->out};
    for (cmObject_t *object = first; object; object = object->next) {
        const cmObjectDesc_t *desc = descOf(object->tag);
        if (!desc) {
            incident("cmBackendConvert", "Invalid object type --> %d!",
                     object->tag ? int(object->tag->objectIndex) : 0);
            continue;
        }
        cmObjectFormatList(wsvdbeTags, desc, &context, object->tag, object->data);
    }
    return 1;
}

cmFuncTableEntry_t gWsvdbeFuncTableEntry = {"wsvdbe", wsvdbeLookup, cmObjectAlloc, cmObjectFree,
                                            cmObjectSetData};
