#include "session/session_ops.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "base/counters.h"
#include "base/log.h"
#include "platform/aaa.h"
#include "platform/sm.h"
#include "platform/util.h"
#include "platform/xmldom.h"
#include "session/session_auth.h"
#include "session/session_table.h"

#ifndef WSVD_OS_VERSION
#define WSVD_OS_VERSION "12.0.0.0"
#endif

extern "C" const char KARN_GlobalVersion[] = "KARN_GlobalVersion=" WSVD_OS_VERSION "$";

bool wsvdApiVersionAccepted(const char *version) {
    if (!version) return true;
    int major = 0, minor = 0, third = 0, fourth = 0;
    sscanf(version, "%d.%d.%d.%d", &major, &minor, &third, &fourth);
    if (major >= 11 && minor >= 0) return true;
    if (major == 0 && minor == 0 && third == 0 && fourth == 0) return true;
    WSVD_LOG("xmlApiVersion: %s major: %d minor: %d", version, major, minor);
    return false;
}

void wsvdOsVersion(char *out, unsigned size) {
    const char *eq = strchr(KARN_GlobalVersion, '=');
    strlcpy(out, eq ? eq + 1 : "", size);
    char *dollar = strrchr(out, '$');
    if (dollar) *dollar = 0;
}

const char *wsvdOpenSession(const wsvdOpenSessionArgs *args, wsvdOpenSessionResult *result) {
    wsvdCounterIncrement(WSVD_CNT_SESSION_REQUESTS);
    wsvdCounterDecrement(WSVD_CNT_SCHEMA_ERRORS);
    WSVD_LOG("Func: %s \n", "openConnection");

    if (!args || !args->username || !args->username[0]) return "Missing parameter";
    if (!wsvdApiVersionAccepted(args->xmlApiVersion))
        return "XML API not supported in this release";

    int slot = wsvdSessionFindFreeSlot();
    if (slot < 0) return "No session is free";

    aaaRequest_t request;
    memset(&request, 0, sizeof request);
    int *slotData = static_cast<int *>(malloc(sizeof(int)));
    if (slotData) *slotData = slot;
    request.userdata = slotData;
    strlcpy(request.userName, args->username, sizeof request.userName);
    if (args->password) strlcpy(request.password, args->password, sizeof request.password);
    request.service = 7;
    if (args->clientAddress) memcpy(request.clientAddress, args->clientAddress, 16);
    strlcpy(request.method, "cookie", sizeof request.method);
    const aaaResult_t *auth = wsvdAuthenticate(&request);
    free(slotData);
    if (auth->authenResult == 0) {
        wsvdCounterIncrement(WSVD_CNT_SESSIONS_DENIED);
        return "Authetication Failed";
    }
    // The last slot is kept for read-write accounts.
    bool readWrite = (auth->flags & AAA_FLAG_READ_WRITE) != 0;
    if (!readWrite && wsvdSessionCountReadOnly() >= wsvdSessionGetMax() - 1)
        return "No session is free";

    wsvdSession_t entry;
    memset(&entry, 0, sizeof entry);
    wsvdSessionFormatCookie(slot, wsvdSessionCookieCounter(), entry.cookie);
    if (!wsvdSessionNewId(slot, entry.sessionId)) {
        WSVD_LOG("No random number for a session id");
        wsvdCounterIncrement(WSVD_CNT_INTERNAL_ERRORS);
        return "Unable to create session, Internal error.";
    }

    smSession_t record;
    memset(&record, 0, sizeof record);
    strlcpy(record.userName, auth->userName, sizeof record.userName);
    record.privilege = smConvertAAAAuthToSmAuth(auth->privilege);
    record.sessionType = 5;
    if (args->clientAddress) memcpy(record.clientAddress, args->clientAddress, 16);
    strlcpy(record.cookie, entry.cookie, sizeof record.cookie);
    record.startTime = monotime(nullptr);
    record.active = 1;
    if (smStartOfSession(&record) != 0) {
        wsvdCounterIncrement(WSVD_CNT_INTERNAL_ERRORS);
        return "Unable to create session, Internal error.";
    }

    if (args->appName) strlcpy(entry.appName, args->appName, sizeof entry.appName);
    entry.connectionKind = args->connectionKind;
    strlcpy(entry.userName, auth->userName, sizeof entry.userName);
    if (args->password) strlcpy(entry.password, args->password, sizeof entry.password);
    if (args->xmlApiVersion && args->xmlApiVersion[0])
        strlcpy(entry.xmlApiVersion, args->xmlApiVersion, sizeof entry.xmlApiVersion);
    else
        wsvdOsVersion(entry.xmlApiVersion, sizeof entry.xmlApiVersion);
    entry.idleTimeout =
        args->timeout ? int32_t(*args->timeout > 0x7fffffffu ? 0 : *args->timeout) : 0;
    entry.accessRight = readWrite ? 1 : 0;
    entry.sessionIndex = uint32_t(slot);
    wsvdSessionNextCookieCounter();
    wsvdSessionStore(&entry);

    memset(result, 0, sizeof *result);
    strlcpy(result->appName, entry.appName, sizeof result->appName);
    strlcpy(result->userName, entry.userName, sizeof result->userName);
    strlcpy(result->xmlApiVersion, entry.xmlApiVersion, sizeof result->xmlApiVersion);
    strlcpy(result->sessionId, entry.sessionId, sizeof result->sessionId);
    result->timeout = uint32_t(entry.idleTimeout);
    result->accessRight = entry.accessRight ? 2 : 1;
    return nullptr;
}

const char *wsvdCloseSession(const char *sessionId) {
    wsvdCounterDecrement(WSVD_CNT_SCHEMA_ERRORS);
    if (sessionId) {
        wsvdSessionIdParsed_t parsed;
        wsvdSessionIdParse(sessionId, &parsed);
        pthread_mutex_lock(&gWsvdSessionMutex);  // the session found is the one ended
        bool found = wsvdSessionCheckId(&parsed, sessionId) != -1;
        int rc = 0;
        if (found) {
            char cookie[33];
            strlcpy(cookie, wsvdSessionSlot(parsed.slotIndex)->cookie, sizeof cookie);
            rc = wsvdSessionEnd(cookie);
        }
        pthread_mutex_unlock(&gWsvdSessionMutex);
        if (found) return rc != 0 ? "Unable to delete session, Internal error" : nullptr;
        WSVD_LOG("Check sesession failed");
    }
    return "Unknown session id";
}

const char *wsvdKeepAlive(bool present, const char *sessionId, uint32_t clientKind) {
    if (!present) return "Invalid Packet";
    if (wsvdSessionCheck(sessionId, clientKind, WSVD_OP_GET) == -1) return "Invalid session id";
    return nullptr;
}

int wsvdHeaderParse(const char *text, unsigned length, wsvdClientHeader_t *out) {
    memset(out, 0, sizeof *out);
    xmlDomNode_t *document = xmlDomParseXmlData(text, length);
    if (!document) return -1;
    xmlDomNode_t *root = xmlDomGetFirstChild(document);
    const char *reqId = xmlDomGetCharacterData(root, "reqId", 0);
    const char *sessionId = xmlDomGetCharacterData(root, "sessionId", 0);
    if (reqId) out->reqId = uint32_t(strtoul(reqId, nullptr, 10));
    int rc = -1;
    if (sessionId) {
        strlcpy(out->sessionId, sessionId, sizeof out->sessionId);
        rc = 0;
    }
    xmlDomFreeNode(document);
    return rc;
}
