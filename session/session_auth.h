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

// The session that lends its user name and password to the request being served
// (worker thread, once per request): `id` is the request's first "<sessionId>", or null
// when it names none (the request then keeps the credentials it came with). Copies the
// session's credentials, or empty ones when no session has the id (which also counts
// towards the unknown-id log of session_table.h).
void wsvdSessionLend(const char *id, char *userName, char *password,
                     const uint8_t clientAddress[16]);

// Session check: -1 refused, else the session's access right (1 read-write, 0
// read-only). `sessionId` is null when the request carries no header or no id.
int wsvdSessionCheck(const char *sessionId, uint32_t clientKind, int operationKind);
// Request authentication: -1 refused, 1 read-write, 0 read-only. A lock-out of the
// account refuses new logins, not the sessions opened before it: when AAA answers that
// the account is locked and the credentials are those the request's session lent, the
// session keeps its access right (its password was verified when it opened).
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
