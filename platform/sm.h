// Session manager client: the platform's record of management sessions (in
// platformd), which an operator can list and end (switchctl sessions).
//
// Ending a session from outside reaches the process that started it as action 1,
// through the registered callback, on the dispatcher thread.
#pragma once
#include <cstdint>

enum { SM_ACTION_END_SESSION = 1 };

struct smSession_t {
    char userName[33];          // as authenticated
    uint32_t privilege;         // from smConvertAAAAuthToSmAuth
    uint32_t sessionType;       // 5: a management-API session
    uint8_t clientAddress[16];
    char cookie[32];            // how the daemon knows the session
    uint32_t startTime;         // monotime(0)
    uint32_t active;            // 1
};

typedef int (*smCallBack_t)(int action, const char *cookie);

int smInit(smCallBack_t callBack);               // 0 = success
int smStartOfSession(const smSession_t *session);  // 0 = recorded
int smEndOfSession(const char *cookie);          // 0 = removed
uint32_t smConvertAAAAuthToSmAuth(uint32_t aaaPrivilege);
