// The daemon's own configuration objects, module "module_wsvdbe": the configuration
// manager reads and sets the daemon's limits, counters, sessions and trace settings
// through them. The backend library calls the callbacks declared in cm_backend_app.h
// by name; this module implements them over the structures and descriptors below, and
// reaches the daemon's state through the table of functions the daemon installs
// (wsvdbeSetDaemonOps).
//
//   wsvdConfig         get: max-sessions (the rest read 0); set: max-sessions, and
//                      "http"/"https" given as 0 end the sessions of that kind
//   wsvdGlobalCounter  get: the daemon's counter block; set: accepted, no effect
//   wsvdSession        get-next over the session table
//   wsvdSessionStats   get: the next session's operation counts
//   wsvdTraceConfig    get/set: the SOAP trace file's settings
//
// Faults in object indexes and tag kinds are reported as incidents with the source
// "wsvdbe_objdef"; failures of actions go to the request's message buffer.
#pragma once
#include <cstdint>

#include "cfgmgmt/cmBackend/src/cm_object.h"

// Tag ids: the 1-based positions in wsvdbeTags (sorted by strcmp).
enum : uint16_t {
    wsvdbeTag_accessRight = 1,
    wsvdbeTag_appName = 2,
    wsvdbeTag_authFailure = 3,
    wsvdbeTag_clientTimeout = 4,
    wsvdbeTag_connectionType = 5,
    wsvdbeTag_cookie = 6,
    wsvdbeTag_createApi = 7,
    wsvdbeTag_currentFileSize = 8,
    wsvdbeTag_deleteApi = 9,
    wsvdbeTag_fileName = 10,
    wsvdbeTag_genericSetApi = 11,
    wsvdbeTag_get = 12,
    wsvdbeTag_getApi = 13,
    wsvdbeTag_http = 14,
    wsvdbeTag_https = 15,
    wsvdbeTag_index = 16,
    wsvdbeTag_ipAddress = 17,
    wsvdbeTag_maxFileSize = 18,
    wsvdbeTag_maxSessions = 19,
    wsvdbeTag_module_wsvdbe = 20,
    wsvdbeTag_password = 21,
    wsvdbeTag_port = 22,
    wsvdbeTag_process = 23,
    wsvdbeTag_radius = 24,
    wsvdbeTag_rollOver = 25,
    wsvdbeTag_secondFileName = 26,
    wsvdbeTag_sessionId = 27,
    wsvdbeTag_sessionIndex = 28,
    wsvdbeTag_set = 29,
    wsvdbeTag_setApi = 30,
    wsvdbeTag_startTracing = 31,
    wsvdbeTag_status = 32,
    wsvdbeTag_tacas = 33,
    wsvdbeTag_timeout = 34,
    wsvdbeTag_userName = 35,
    wsvdbeTag_wsvdConfig = 36,
    wsvdbeTag_wsvdGlobalCounter = 37,
    wsvdbeTag_wsvdSession = 38,
    wsvdbeTag_wsvdSessionStats = 39,
    wsvdbeTag_wsvdTraceConfig = 40,
    wsvdbeTag_xmlApiVersion = 41,
    wsvdbeTag_xmlBackendError = 42,
    wsvdbeTag_xmlError = 43,
    wsvdbeTag_xmlInternalError = 44,
    wsvdbeTag_xmlRequest = 45,
    wsvdbeTag_xmlSchemaError = 46,
    wsvdbeTag_xmlSessionDenied = 47,
    wsvdbeTag_xmlSessionRequest = 48,
    wsvdbeTag_xmlSessionTimedOut = 49,
};

// Object indexes (select the descriptor in wsvdbeDescs).
enum : uint32_t {
    wsvdbeConfigIndex = 1,
    wsvdbeGlobalCounterIndex = 2,
    wsvdbeSessionIndex = 3,
    wsvdbeSessionStatsIndex = 4,
    wsvdbeTraceConfigIndex = 5,
    wsvdbeObjectCount = 5,
};

// The structures. Members are in descriptor order, so field i of the descriptor is
// valid bit i (bit i % 8 of byte i / 8 of `valid`).
struct wsvdbeConfig_t {
    int32_t http;
    int32_t https;
    int32_t maxSessions;
    int32_t radius;
    int32_t tacas;
    wsvdbeConfig_t *next;
    uint32_t valid;
};

struct wsvdbeGlobalCounter_t {
    uint64_t authFailure;
    uint64_t xmlBackendError;
    uint64_t xmlError;
    uint64_t xmlInternalError;
    uint64_t xmlRequest;
    uint64_t xmlSchemaError;
    uint64_t xmlSessionDenied;
    uint64_t xmlSessionRequest;
    uint64_t xmlSessionTimedOut;
    wsvdbeGlobalCounter_t *next;
    uint32_t valid;
};

struct wsvdbeSession_t {
    char sessionId[17];
    int32_t accessRight;
    char appName[33];
    int32_t clientTimeout;
    int32_t connectionType;
    char cookie[33];
    char ipAddress[55];
    char password[33];
    int32_t port;
    int32_t process;
    int32_t sessionIndex;
    int32_t status;
    int32_t timeout;
    char userName[33];
    char xmlApiVersion[33];
    wsvdbeSession_t *next;
    uint32_t valid;
};

struct wsvdbeSessionStats_t {
    char sessionId[17];
    uint64_t createApi;
    uint64_t deleteApi;
    uint64_t genericSetApi;
    uint64_t getApi;
    uint32_t index;
    uint64_t setApi;
    wsvdbeSessionStats_t *next;
    uint32_t valid;
};

struct wsvdbeTraceConfig_t {
    int32_t currentFileSize;
    char fileName[257];
    int32_t maxFileSize;
    int32_t rollOver;
    char secondFileName[257];
    int32_t startTracing;
    wsvdbeTraceConfig_t *next;
    uint32_t valid;
};

extern const cmTag_t wsvdbeTags[];
extern const uint32_t wsvdbeTagCount;  // 49
// By object index; [0] is null.
extern const cmObjectDesc_t *const wsvdbeDescs[wsvdbeObjectCount + 1];

// What the objects read and change in the daemon, installed by the daemon's start-up.
// Until then gets answer nothing and sets fail. Called on the dispatcher thread.
struct wsvdbeDaemonOps_t {
    int (*maxSessions)();
    int (*setMaxSessions)(int maxSessions);  // 0, or non-zero when refused
    // Ends every session of connection kind 1 (http) or 2 (https) as asked.
    void (*endSessionsOfKinds)(bool http, bool https);
    // The slot a session id names (read from the id), or -1.
    int (*slotOfSessionId)(const char *sessionId);
    // The first session at slot `start` or after; false when there is none.
    bool (*readSession)(int start, wsvdbeSession_t *out);
    bool (*readSessionStats)(int start, wsvdbeSessionStats_t *out);
    void (*readCounters)(wsvdbeGlobalCounter_t *out);
    // The trace file's name, second name, maximum size and whether tracing is on.
    void (*readTrace)(wsvdbeTraceConfig_t *out);
    // Applies the fields of `mask` (valid bits of wsvdbeTraceConfig_t); the backend
    // result (1 done).
    int (*configureTrace)(uint32_t mask, int32_t maxFileSize, uint32_t enabled);
};
// nullptr goes back to the table that answers nothing.
void wsvdbeSetDaemonOps(const wsvdbeDaemonOps_t *ops);

// The tag named `name` (search by halving), or nullptr.
const cmTag_t *wsvdbeLookup(const char *name);

// A registry entry "wsvdbe" built on the callbacks, so that request texts of the module
// can be read with cmObjectParse (the configuration manager's stand-in and tests). Not
// registered by this module: cmFuncTableEntryInsert(&gWsvdbeFuncTableEntry).
extern cmFuncTableEntry_t gWsvdbeFuncTableEntry;
