#include "session/session_auth.h"

#include <atomic>
#include <cstdint>
#include <cstring>

#include "base/counters.h"
#include "base/log.h"
#include "platform/aaa.h"
#include "platform/dispatch.h"
#include "platform/sm.h"
#include "platform/util.h"
#include "platform/wsvdreq.h"
#include "session/session_table.h"

namespace {

// Only the worker authenticates, so one result buffer and one lock-out record suffice.
// The AAA callback fills gAaaAnswerResult while the worker awaits it; the worker then
// copies it into gAaaResult, which only the worker touches.
aaaResult_t gAaaResult;
aaaResult_t gAaaAnswerResult;
wsvdAnswer_t gAaaAnswer;
pthread_once_t gAaaOnce = PTHREAD_ONCE_INIT;

char gLastFailedUser[33];
uint32_t gFailureCount;
// Set on the dispatcher thread when the configuration manager speaks, read by the worker.
std::atomic<uint32_t> gLockoutThreshold{0};

dispatchWork_t gSessionTimer;

// The session that lent its credentials to the request being served (worker only).
struct LentSession {
    int slot = -1;
    char id[17] = "";
};
LentSession gLent;

// The access right of the lending session when `userName` and `password` are its own
// and it is still open; -1 otherwise.
int lentSessionAccess(const char *userName, const char *password) {
    pthread_mutex_lock(&gWsvdSessionMutex);
    int access = -1;
    const wsvdSession_t *s = wsvdSessionSlot(gLent.slot);
    if (s && s->inUse && strcmp(s->sessionId, gLent.id) == 0 &&
        strcmp(s->userName, userName) == 0 && strcmp(s->password, password) == 0)
        access = int(s->accessRight);
    pthread_mutex_unlock(&gWsvdSessionMutex);
    return access;
}

void initAnswer() {
    wsvdAnswerInit(&gAaaAnswer);
}

bool sendToAaa(void *request) {
    return aaaAuthenticateClient(static_cast<aaaRequest_t *>(request)) == 0;
}

void storeResult(void *result) {
    gAaaAnswerResult = *static_cast<const aaaResult_t *>(result);
}

}  // namespace

void wsvdSetLockoutThreshold(uint32_t threshold) {
    gLockoutThreshold = threshold;
}
uint32_t wsvdLockoutThreshold() {
    return gLockoutThreshold;
}
uint32_t wsvdLockoutFailureCount() {
    return gFailureCount;
}
const char *wsvdLockoutLastUser() {
    return gLastFailedUser;
}
void wsvdLockoutReset() {
    gLastFailedUser[0] = 0;
    gFailureCount = 0;
}

const aaaResult_t *wsvdAuthenticate(aaaRequest_t *request) {
    pthread_once(&gAaaOnce, initAnswer);
    if (strcmp(request->userName, gLastFailedUser) == 0 && gFailureCount >= gLockoutThreshold) {
        request->lockout = 1;
        WSVD_LOG("Locking out on failure");
    }

    // The library answers every request within its own bound (KARN_AAA_TIMEOUT_SECONDS);
    // the guard only keeps a broken one from blocking the worker for good.
    unsigned guard = wsvdAnswerGuardSeconds("KARN_AAA_TIMEOUT_SECONDS", AAA_TIMEOUT_SECONDS);
    if (wsvdAnswerAwait(&gAaaAnswer, guard, sendToAaa, request) == WSVD_ANSWERED) {
        gAaaResult = gAaaAnswerResult;
    } else {
        memset(&gAaaResult, 0, sizeof gAaaResult);
        gAaaResult.userdata = request->userdata;
    }

    if (gAaaResult.authenResult != 0) {
        gLastFailedUser[0] = 0;
        gFailureCount = 0;
        return &gAaaResult;
    }
    if (strcmp(request->userName, gLastFailedUser) != 0) {
        strlcpy(gLastFailedUser, request->userName, sizeof gLastFailedUser);
        gFailureCount = 1;
    } else {
        gFailureCount++;
    }
    WSVD_LOG("Failure count for [%s] = %d", gLastFailedUser, int(gFailureCount));
    return &gAaaResult;
}

void wsvdAAACallBack(aaaResult_t *result) {
    WSVD_LOG("Func: %s \n", "wsvdAAACallBack");
    WSVD_LOG("ptr->readWrite:       %d \n", int(result->flags & AAA_FLAG_READ_WRITE));
    WSVD_LOG("ptr->sessionTimedOut: %d \n", int((result->flags >> 1) & 1));
    WSVD_LOG("ptr->username: %s \n", result->userName);
    WSVD_LOG("ptr->password: %s \n", result->userName);
    WSVD_LOG("ptr->securityProfile: %s \n", result->securityProfile);
    WSVD_LOG("ptr->authenResult: %d \n", result->authenResult);
    WSVD_LOG("ptr->authenError: %d \n", result->authenError);
    WSVD_LOG("ptr->userdata: %s \n", result->userdata ? "set" : "(null)");
    pthread_once(&gAaaOnce, initAnswer);
    if (!wsvdAnswerDeliver(&gAaaAnswer, storeResult, result, true))
        WSVD_LOG("wsvd: AAA result that no one awaits");
}

int wsvdSessionCheck(const char *sessionId, uint32_t clientKind, int operationKind) {
    wsvdCounterDecrement(WSVD_CNT_SCHEMA_ERRORS);
    if (wsvdSessionCheckOff()) {
        WSVD_LOG("Session Variable is set\n");
        return 0;
    }
    if (clientKind == WSVD_CLIENT_LOCAL) {
        WSVD_LOG("This is CLI process");
        return 0;
    }
    if (!sessionId || !sessionId[0]) return -1;
    wsvdSessionIdParsed_t parsed;
    wsvdSessionIdParse(sessionId, &parsed);
    pthread_mutex_lock(&gWsvdSessionMutex);  // the session found is the one refreshed
    int access = wsvdSessionCheckId(&parsed, sessionId);
    if (access != -1) {
        wsvdSessionCountOperation(parsed.slotIndex, operationKind);
        wsvdSession_t *s = wsvdSessionSlot(parsed.slotIndex);
        s->remainingTime = s->idleTimeout;
    }
    pthread_mutex_unlock(&gWsvdSessionMutex);
    if (access == -1) WSVD_LOG("Check sesession failed");
    return access;
}

void wsvdSessionLend(const char *id, char *userName, char *password,
                     const uint8_t clientAddress[16]) {
    gLent = LentSession();
    if (!id) return;
    gLent.slot = wsvdSessionFindById(id, userName, password);
    if (gLent.slot < 0) {
        if (id[0]) wsvdSessionNoteUnknownId(clientAddress);  // an empty one is no guess
        return;
    }
    strlcpy(gLent.id, id, sizeof gLent.id);
}

int wsvdRequestAuthenticate(const char *userName, const char *password, uint32_t clientKind) {
    wsvdCounterDecrement(WSVD_CNT_SCHEMA_ERRORS);
    if (clientKind == WSVD_CLIENT_LOCAL) {
        WSVD_LOG("Process : %d \n", 2);
        return 1;
    }
    aaaRequest_t request;
    memset(&request, 0, sizeof request);
    strlcpy(request.userName, userName ? userName : "", sizeof request.userName);
    strlcpy(request.password, password ? password : "", sizeof request.password);
    request.service = 7;
    strlcpy(request.method, "cookie", sizeof request.method);
    const aaaResult_t *result = wsvdAuthenticate(&request);
    if (result->authenResult == 0) {
        if (result->authenError == AAA_ERR_LOCKED_OUT) {
            int access = lentSessionAccess(request.userName, request.password);
            if (access >= 0) {
                WSVD_LOG("[%s] is locked out; its session opened before goes on", request.userName);
                return access;
            }
        }
        wsvdCounterIncrement(WSVD_CNT_AUTH_FAILURES);
        return -1;
    }
    return (result->flags & AAA_FLAG_READ_WRITE) ? 1 : 0;
}

int wsvdSessionEnd(const char *cookie) {
    const char *own = wsvdCheckCookie(cookie);
    if (!own) {
        WSVD_LOG("wsvdCheckCookie return: NULL");
        return 0;
    }
    int rc = smEndOfSession(own);
    WSVD_LOG("smEndOfSession return: %d", rc);
    int index = wsvdGetSessionIndexFromCookie(cookie);
    if (index < 0) {
        WSVD_LOG("wsvdGetSessionIndexFromCookie: %d", index);
        return rc;
    }
    wsvdSessionClearSlot(index);
    return rc;
}

int wsvdSessionMgmtCallBack(int action, const char *cookie) {
    WSVD_LOG("%s: action:%d cookie:%s", "wsvdSessionMgmtCallBack", action, cookie ? cookie : "");
    if (action != SM_ACTION_END_SESSION) return 0;
    pthread_mutex_lock(&gWsvdSessionMutex);
    int rc = wsvdSessionEnd(cookie);
    pthread_mutex_unlock(&gWsvdSessionMutex);
    return rc;
}

void wsvdSessionLogout(void *arg) {
    int period = int(reinterpret_cast<intptr_t>(arg));
    WSVD_LOG("Function: %s called %d %d ", "wsvdSessionLogout", period, wsvdSessionGetMax());
    pthread_mutex_lock(&gWsvdSessionMutex);
    for (int i = 0; i < WSVD_SESSION_SLOTS; i++) {
        wsvdSession_t *s = wsvdSessionSlot(i);
        if (!s->inUse) continue;
        int32_t left = s->remainingTime - period;
        if (left < 0) {
            WSVD_LOG("Closing session, session Index %d", i);
            char cookie[33];
            strlcpy(cookie, s->cookie, sizeof cookie);
            wsvdSessionEnd(cookie);
            wsvdCounterIncrement(WSVD_CNT_SESSIONS_TIMED_OUT);
        } else {
            s->remainingTime = left;
        }
    }
    pthread_mutex_unlock(&gWsvdSessionMutex);
}

void wsvdSessionTimerStart(int period) {
    if (gSessionTimer) dispatchWorkCancel(gSessionTimer);
    gSessionTimer =
        dispatchExecuteWorkItem(wsvdSessionLogout, reinterpret_cast<void *>(intptr_t(period)), 0,
                                dispatchTime_t{30, 0}, DISPATCH_WORK_REPEAT);
    if (gSessionTimer) dispatchWorkRegisterAttr(gSessionTimer, "session timer");
}
