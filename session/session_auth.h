// How a caller is let in: authentication through AAA with the lock-out of a user who
// keeps failing, the session check and request authentication that every handler
// makes, and the ways a session ends besides closeSession (the idle timer and the
// session manager).
#pragma once
#include <cstdint>

#include "platform/wsvd_link.h"  // the client kinds

struct aaaRequest_t;
struct aaaResult_t;

// Authenticates with the lock-out rule and waits for the AAA result (worker thread
// only). Returns the result held in the daemon's single result buffer.
const aaaResult_t *wsvdAuthenticate(aaaRequest_t *request);

// The lock-out threshold is the configured number of failures minus 1, set when the
// configuration manager speaks; 0 until then.
void wsvdSetLockoutThreshold(uint32_t threshold);
uint32_t wsvdLockoutThreshold();
// For tests: the lock-out state.
uint32_t wsvdLockoutFailureCount();
const char *wsvdLockoutLastUser();
void wsvdLockoutReset();

// Session check: -1 refused, else the session's access right (1 read-write, 0
// read-only). `sessionId` is null when the request carries no header or no id.
int wsvdSessionCheck(const char *sessionId, uint32_t clientKind, int operationKind);
// Request authentication: -1 refused, 1 read-write, 0 read-only.
int wsvdRequestAuthenticate(const char *userName, const char *password, uint32_t clientKind);

// Ends the session with this cookie (session manager and slot). Returns the session
// manager's result, 0 when no session has the cookie.
int wsvdSessionEnd(const char *cookie);

// Idle timer: a repeating "session timer" work item every `period` seconds.
void wsvdSessionTimerStart(int period);
void wsvdSessionLogout(void *period);  // one tick (period passed as an integer)

// Platform callbacks.
void wsvdAAACallBack(aaaResult_t *result);
int wsvdSessionMgmtCallBack(int action, const char *cookie);
