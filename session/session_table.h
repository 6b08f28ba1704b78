// The session table: 32 fixed slots, of which the first max-sessions are given out.
//
// A session has two keys: the session id, 14 hexadecimal characters handed to the
// client, and the cookie, by which the platform session manager knows it:
//   cookie      "WSVDSession:<slot>:<counter before the increase>"
//   session id  "%x%x%010llx" of 0x20 + slot, 175 and a number of 40 bits from the
//               system's random source, so slot 17 gives "31af" and ten random digits.
// The id is what lets a client act as the session's user, so it must not be guessable:
// a counter in its place gave every live session away within a few thousand tries. The
// cookie counter only grows; the cookie never leaves the switch.
//
// gWsvdSessionMutex (recursive) guards the table: the calls below take it themselves;
// a caller holds it across a series of calls that must see the table unchanged (ending
// sessions: closeSession, the idle timer, the backend) and while it uses a slot from
// wsvdSessionSlot or wsvdSessionNext.
#pragma once
#include <pthread.h>
#include <cstdint>

enum {
    WSVD_SESSION_SLOTS = 32,
    WSVD_SESSION_DEFAULT_MAX = 6,
    WSVD_SESSION_MAX_REFUSED = 1001,  // set max-sessions above the slot count
};

// Operation kinds (also counted per session).
enum { WSVD_OP_GET = 1, WSVD_OP_SET = 6, WSVD_OP_CREATE = 7, WSVD_OP_DELETE = 8 };
enum {
    WSVD_OPC_GET,
    WSVD_OPC_SET,
    WSVD_OPC_CREATE,
    WSVD_OPC_DELETE,
    WSVD_OPC_OTHER,
    WSVD_OPC_COUNT
};

struct wsvdSession_t {
    char clientAddress[60];  // reported by the backend; no session operation fills it
    char userName[33];
    char password[33];
    char appName[33];
    char sessionId[17];
    char xmlApiVersion[33];
    char cookie[33];
    int32_t remainingTime;  // seconds before the idle timer ends the session
    int32_t idleTimeout;    // 30 to 900 seconds
    uint32_t accessRight;   // 1 read-write, 0 read-only
    uint32_t inUse;
    uint32_t sessionIndex;
    uint64_t opCounters[WSVD_OPC_COUNT];
    uint32_t connectionKind;
};

struct wsvdSessionIdParsed_t {
    int version;
    int slotIndex;
    uint64_t number;
};

extern pthread_mutex_t gWsvdSessionMutex;

// Clears every slot, sets max-sessions to 6 and reads KARN_SESSION_VAR.
void wsvdSessionTableReset();
// True when KARN_SESSION_VAR was set at the last reset: session checks are off.
bool wsvdSessionCheckOff();

// Clamps entry->idleTimeout (0 or above 899 -> 900, 1..30 -> 30), copies it into
// remainingTime, and stores the entry in the slot named by entry->sessionIndex.
void wsvdSessionStore(wsvdSession_t *entry);
void wsvdSessionClearSlot(int index);
// The lowest free slot below max-sessions, or -1.
int wsvdSessionFindFreeSlot();
// Sessions in use below max-sessions with read-only access. A read-only account may
// hold at most max-sessions - 1 of them, so that it cannot fill every slot and keep
// read-write users out.
int wsvdSessionCountReadOnly();
// The slot (any state) or nullptr for an index outside the table; read or change it
// only while holding gWsvdSessionMutex.
wsvdSession_t *wsvdSessionSlot(int index);

// Copies the user name and password of the session whose id is `id` (at most 32
// characters each) and returns its slot; empty strings and -1 when there is none.
int wsvdSessionFindById(const char *id, char *userName, char *password);

void wsvdSessionIdParse(const char *id, wsvdSessionIdParsed_t *out);
// The access right of the session matching the parsed slot and the id text, or -1.
int wsvdSessionCheckId(const wsvdSessionIdParsed_t *parsed, const char *id);

// Cookie lookups.
int wsvdGetSessionIndexFromCookie(const char *cookie);
const char *wsvdCheckCookie(const char *cookie);  // the slot's cookie, or nullptr
const char *wsvdSessionCookieOfSlot(int index);

void wsvdSessionCountOperation(int slot, int kind);
// The first in-use slot at index >= n below max-sessions, or nullptr (call and use it
// while holding gWsvdSessionMutex).
wsvdSession_t *wsvdSessionNext(int n);

int wsvdSessionGetMax();
// 0, or 1001 (value above 32: nothing changes).
int wsvdSessionSetMax(int maxSessions);

// Key formats. The counter is read and advanced by the caller (openSession).
uint32_t wsvdSessionCookieCounter();
uint32_t wsvdSessionNextCookieCounter();  // adds 1 and returns the new value
void wsvdSessionFormatCookie(int slot, uint32_t counter, char out[33]);
// The id of `slot` with the low 40 bits of `number` as its last ten digits.
void wsvdSessionFormatId(int slot, uint64_t number, char out[17]);
// A new id for `slot` with a number from getrandom. Ids of live sessions differ in
// their slot digits, so a new one is unique among them. False when the random source
// fails: there is then no id to give rather than a guessable one.
bool wsvdSessionNewId(int slot, char out[17]);

// Requests that name a session id that no session has, counted per client address: a
// burst of them (WSVD_UNKNOWN_ID_BURST within WSVD_UNKNOWN_ID_WINDOW_S seconds) is
// somebody guessing, and is logged once per window. Worker thread only.
enum { WSVD_UNKNOWN_ID_BURST = 20, WSVD_UNKNOWN_ID_WINDOW_S = 10 };
void wsvdSessionNoteUnknownId(const uint8_t clientAddress[16]);
