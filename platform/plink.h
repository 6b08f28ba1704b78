// The platform link: one Unix stream socket from each process to platformd
// ("<run dir>/platformd.sock"). A frame is a u32 length in host order followed by
// that many bytes of a TLV message (platform/tlv.h) whose tag 1 is the message kind.
// Both ends include this header. The client half below is shared by the device
// manager, directory service, library watch and process monitor libraries; it keeps
// one connection per process, serialised by a mutex, and hands asynchronous messages
// to per-kind handlers on the dispatcher thread.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>

#include "platform/tlv.h"

// Message kinds. A reply to a synchronous request carries PLINK_TAG_REPLY_TO (the
// request's id); every other message is asynchronous.
enum plinkKind : uint32_t {
    PLINK_HELLO = 1,          // client: id, name, pid, state
    PLINK_HELLO_ACK = 2,      // platformd: reply-to
    PLINK_SET_STATE = 3,      // client: state
    PLINK_GET_STATE = 4,      // client: id, name
    PLINK_STATE = 5,          // platformd: reply-to, state
    PLINK_EVENT = 6,          // platformd: event, name
    PLINK_DS_REGISTER = 7,    // client: id, name
    PLINK_DS_RESULT = 8,      // platformd (asynchronous): id, status, name, link number
    PLINK_DS_DEREGISTER = 9,  // client: name
    PLINK_DS_LOOKUP = 10,     // client: id, name
    PLINK_DS_LINK = 11,       // platformd: reply-to, status, link number
    PLINK_SET_PID = 12,       // client: pid
    PLINK_LOAD = 13,          // client: name; platformd broadcasts it as event 65
    PLINK_AAA_AUTH = 14,      // client: id, name, password, lockout, service, address, text
    PLINK_AAA_RESULT = 15,    // platformd (asynchronous): id, status, error, flags, privilege, name
    PLINK_SM_START = 16,      // client: id, name, privilege, service, address, cookie, time
    PLINK_SM_END = 17,        // client: id, cookie
    PLINK_SM_STATUS = 18,     // platformd: reply-to, status
    PLINK_SM_LIST = 19,       // client: id
    PLINK_SM_LIST_REPLY = 20,    // platformd: reply-to, status, text (one session a line)
    PLINK_SM_KILL = 21,          // client: id, cookie or flags PLINK_SM_KILL_ALL;
                                 // platformd: PLINK_SM_STATUS (sessions told to end)
    PLINK_SM_ACTION = 22,        // platformd (asynchronous): action, cookie
    PLINK_PORT_EVENT = 23,       // client: id, action (the event), port; platformd broadcasts
                                 // it as event 66 and answers PLINK_PORT_STATUS
    PLINK_PORT_STATUS = 24,      // platformd: reply-to, status (0 taken, -1 refused)
    PLINK_IDENTITY = 25,         // client: id, name (the user), domain, text (MAC), port;
                                 // platformd broadcasts it as event 67 and answers
                                 // PLINK_PORT_STATUS
    PLINK_AAA_RELOAD = 26,       // client: id; platformd: PLINK_SM_STATUS once it has announced
    PLINK_AAA_CHANGED = 27,      // platformd (asynchronous): the accounts or a lock-out changed
    PLINK_AAA_LOCKS = 40,        // client: id
    PLINK_AAA_LOCKS_REPLY = 41,  // platformd: reply-to, status, text ("name seconds-left" lines)
    PLINK_AAA_UNLOCK = 42,       // client: id, name; platformd: PLINK_SM_STATUS
    PLINK_KIND_LIMIT = 64,       // kinds are below this
};

enum plinkTag : uint32_t {
    PLINK_TAG_KIND = 1,
    PLINK_TAG_ID = 2,
    PLINK_TAG_REPLY_TO = 3,
    PLINK_TAG_NAME = 4,
    PLINK_TAG_PID = 5,
    PLINK_TAG_STATE = 6,
    PLINK_TAG_EVENT = 7,
    PLINK_TAG_STATUS = 8,  // a signed int sent as u32
    PLINK_TAG_LINK = 9,
    PLINK_TAG_PASSWORD = 10,
    PLINK_TAG_LOCKOUT = 11,
    PLINK_TAG_SERVICE = 12,
    PLINK_TAG_ADDRESS = 13,  // 16 bytes
    PLINK_TAG_TEXT = 14,
    PLINK_TAG_FLAGS = 16,
    PLINK_TAG_PRIVILEGE = 17,
    PLINK_TAG_COOKIE = 18,
    PLINK_TAG_TIME = 19,
    PLINK_TAG_ACTION = 20,
    PLINK_TAG_ERROR = 21,  // not 15: tags 15 and 108 end the TLV argument lists
    PLINK_TAG_PORT = 22,   // a port identifier (platform/portlist.h)
    PLINK_TAG_DOMAIN = 23,
};

enum { PLINK_SM_KILL_ALL = 1 };

enum {
    PLINK_MAX_FRAME = 65536,
    PLINK_NAME_MAX = 32,      // longest process or directory name
    PLINK_TIMEOUT_MS = 2000,  // bound of every synchronous request
};

// "<karnRunDir()>/platformd.sock" into out; 0, or -1 when it does not fit.
int plinkSocketPath(char *out, size_t size);

// Writes one frame completely, waiting at most timeoutMs for room; 0 or -1.
int plinkWriteFrame(int fd, const void *data, uint32_t length, int timeoutMs);

// The kind of a decoded message, or 0 when it has none.
uint32_t plinkKindOf(tlv_t *message);

// ---- client side

// Runs on the dispatcher thread with one asynchronous message of its kind.
typedef void (*plinkHandler_t)(tlv_t *message);
void plinkSetHandler(uint32_t kind, plinkHandler_t handler);

// Told when the link is in sync and watched by the dispatcher (up = true), and when
// it goes down; called on whichever thread noticed, without the link's lock held.
typedef void (*plinkLinkHook_t)(bool up);
void plinkAddLinkHook(plinkLinkHook_t hook);

// Connects (when not connected) and says hello; 0 once in sync, -1 otherwise.
// Also keeps a timer that reconnects within a second after platformd comes back.
int plinkConnect();
bool plinkInSync();

// A fresh request id (never 0).
uint32_t plinkNextId();

// Sends a whole encoded message; 0 or -1 (not connected, or the write failed).
int plinkSend(const tlv_t *message);

// Sends a request carrying PLINK_TAG_ID `id` and waits at most timeoutMs for the
// reply that names it. The reply is copied into reply[capacity]; its length, or -1.
// Asynchronous messages read meanwhile are delivered later on the dispatcher thread.
int plinkRequest(const tlv_t *request, uint32_t id, void *reply, uint32_t capacity, int timeoutMs);

// A request whose answer is a status and a text (the operators' questions: sessions,
// locks, reloads), waited for at most PLINK_TIMEOUT_MS: 0 with the status (1 when the
// answer names none) and the text, or -1 when no answer came.
int plinkAsk(const tlv_t *request, uint32_t id, uint32_t *status, std::string *text);

// The same for a request of `kind` that carries nothing but a session cookie, or
// nothing at all when `cookie` is null; -2 when the cookie does not fit.
int plinkAskKind(uint32_t kind, const char *cookie, uint32_t *status, std::string *text);

// True when the link is up and everything platformd has sent so far has been handled:
// nothing unread on the socket, queued, or being handled. A process that answers from
// what platformd told it before asks this first, so that it never answers past news
// platformd has already sent.
bool plinkCaughtUp();

// Hands a message to its handler later on the dispatcher thread, as if it had come
// from platformd (used to fail requests that were pending when the link dropped).
void plinkQueueLocal(const void *message, uint32_t length);

// Drops the connection (for tests: the next call reconnects).
void plinkDisconnect();
