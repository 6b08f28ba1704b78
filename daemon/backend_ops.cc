#include "daemon/backend_ops.h"

#include <pthread.h>

#include "base/counters.h"
#include "base/log.h"
#include "cfgmgmt/cmBackend/src/wsvdbe_objdef.h"
#include "daemon/trace_file.h"
#include "platform/util.h"
#include "session/session_auth.h"
#include "session/session_table.h"

namespace {

// Ends every session of connection kind 1 when `endHttp` and of kind 2 when
// `endHttps`, serialised with the idle timer and closeSession.
void endSessionsOfKinds(bool endHttp, bool endHttps) {
    pthread_mutex_lock(&gWsvdSessionMutex);
    for (int i = 0; i < WSVD_SESSION_SLOTS; i++) {
        const wsvdSession_t *s = wsvdSessionSlot(i);
        if (!s->inUse) continue;
        bool end = (s->connectionKind == 1 && endHttp) || (s->connectionKind == 2 && endHttps);
        if (!end) continue;
        WSVD_LOG("Index:%d is being freed\n", i);
        char cookie[33];
        strlcpy(cookie, s->cookie, sizeof cookie);
        wsvdSessionEnd(cookie);
    }
    pthread_mutex_unlock(&gWsvdSessionMutex);
}

int slotOfSessionId(const char *sessionId) {
    wsvdSessionIdParsed_t parsed;
    wsvdSessionIdParse(sessionId, &parsed);
    return parsed.slotIndex;
}

// Sessions are copied under the session-table lock so that a session closed meanwhile
// on the worker thread is never read half cleared.
bool readSession(int start, wsvdbeSession_t *out) {
    pthread_mutex_lock(&gWsvdSessionMutex);
    const wsvdSession_t *s = wsvdSessionNext(start);
    bool found = s && s->sessionId[0];
    if (found) {
        strlcpy(out->ipAddress, s->clientAddress, sizeof out->ipAddress);
        strlcpy(out->userName, s->userName, sizeof out->userName);
        strlcpy(out->password, s->password, sizeof out->password);
        strlcpy(out->appName, s->appName, sizeof out->appName);
        strlcpy(out->xmlApiVersion, s->xmlApiVersion, sizeof out->xmlApiVersion);
        strlcpy(out->sessionId, s->sessionId, sizeof out->sessionId);
        strlcpy(out->cookie, s->cookie, sizeof out->cookie);
        out->timeout = s->remainingTime;
        out->clientTimeout = s->idleTimeout;
        out->accessRight = int32_t(s->accessRight);
        out->status = int32_t(s->inUse);
        out->connectionType = int32_t(s->connectionKind);
    }
    pthread_mutex_unlock(&gWsvdSessionMutex);
    return found;
}

bool readSessionStats(int start, wsvdbeSessionStats_t *out) {
    pthread_mutex_lock(&gWsvdSessionMutex);
    const wsvdSession_t *s = wsvdSessionNext(start);
    if (s) {
        strlcpy(out->sessionId, s->sessionId, sizeof out->sessionId);
        out->getApi = s->opCounters[WSVD_OPC_GET];
        out->setApi = s->opCounters[WSVD_OPC_SET];
        out->createApi = s->opCounters[WSVD_OPC_CREATE];
        out->deleteApi = s->opCounters[WSVD_OPC_DELETE];
        out->genericSetApi = s->opCounters[WSVD_OPC_OTHER];
    }
    pthread_mutex_unlock(&gWsvdSessionMutex);
    return s != nullptr;
}

void readCounters(wsvdbeGlobalCounter_t *out) {
    out->authFailure = wsvdCounterGet(WSVD_CNT_AUTH_FAILURES);
    out->xmlBackendError = wsvdCounterGet(WSVD_CNT_BACKEND_ERRORS);
    out->xmlError = wsvdCounterGet(WSVD_CNT_ERRORS);
    out->xmlInternalError = wsvdCounterGet(WSVD_CNT_INTERNAL_ERRORS);
    out->xmlRequest = 0;
    out->xmlSchemaError = wsvdCounterGet(WSVD_CNT_SCHEMA_ERRORS);
    out->xmlSessionDenied = wsvdCounterGet(WSVD_CNT_SESSIONS_DENIED);
    out->xmlSessionRequest = wsvdCounterGet(WSVD_CNT_SESSION_REQUESTS);
    out->xmlSessionTimedOut = wsvdCounterGet(WSVD_CNT_SESSIONS_TIMED_OUT);
}

void readTrace(wsvdbeTraceConfig_t *out) {
    wsvdTraceReport_t report{};
    wsvdTraceFileReport(&report);
    strlcpy(out->fileName, report.fileName, sizeof out->fileName);
    strlcpy(out->secondFileName, report.secondFileName, sizeof out->secondFileName);
    out->maxFileSize = report.maxFileSize;
    out->startTracing = int32_t(report.enabled);
}

}  // namespace

const wsvdbeDaemonOps_t wsvdBackendOps = {
    wsvdSessionGetMax, wsvdSessionSetMax, endSessionsOfKinds, slotOfSessionId,        readSession,
    readSessionStats,  readCounters,      readTrace,          wsvdTraceFileConfigure,
};
