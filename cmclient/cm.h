// Configuration-manager client (frontend): a process sends XML requests to cfgmgr and
// gets each reply back as an event on its dispatcher thread, except that a request
// sent from any other thread is answered on that thread, before cmSendRequest returns:
// the sender reads the link itself meanwhile (bounded by the reply bound below), so the
// reply costs no hand-over through the dispatcher. Only when the dispatcher is reading
// the link at that moment, or another sender is, does the reply come through the
// dispatcher as usual. A caller must therefore be ready for its reply before it sends.
//
// A request text is one element per module, "module_" followed by the module name,
// holding one operation element ("get", "set" or "setop") holding one object element;
// e.g. "<module_vlan><get><vlan><vrName>VR-Default</vrName><name>Default</name></vlan></get></module_vlan>".
//
// Every request that cmSendRequest accepts gets exactly one reply event: cfgmgr's
// answer, or a failure made by the library when cfgmgr goes away or does not answer
// within the reply bound (KARN_CM_TIMEOUT_SECONDS, default 30).
//
// A get-next walk is read ahead: cfgmgr answers a get-next with the answers to the
// get-nexts that would follow it too, and the library hands each to the callback, as
// any reply, when the walk asks for it (cmclient/cm_readahead.h): on the thread that
// asks, inside its cmSendRequest, so a caller must be ready for its reply before it
// sends. They are dropped on any set, on a get-next that does not carry on from them
// (a new walk), and when cfgmgr says its store changed, whoever changed it; none is
// handed over once the store's change count, which cfgmgr shares with its frontends,
// has moved since the answer was computed (cmclient/cmlink.h), or, where that count
// cannot be read, while news from cfgmgr is still unread.
#pragma once
#include <cstdint>

enum { CM_OP_GET = 1, CM_OP_SET = 2, CM_OP_SETOP = 3 };
enum : uint32_t {
    CM_GET_EXACT = 0x80000001u,  // the one object named by the key
    CM_GET_NEXT = 0x40000001u,   // the object after the key (an empty key: the first)
    CM_GET_PLAIN = 1u,
};
enum {
    CM_EVENT_LOCKOUT_THRESHOLD = 1,  // value: configured failures before lock-out (on connect)
    CM_EVENT_REPLY = 2,              // seqnum, status, message, data
    CM_EVENT_LOCKOUT_CHANGED = 4,    // value: a new configured number
};
enum { CM_MODULE_NAME_SIZE = 65 };

struct cmRequest_t {
    uint32_t reserved;               // 0
    uint32_t operation;              // CM_OP_*
    uint32_t getFlags;               // CM_GET_* for a get; 0 otherwise
    const char *text;                // NUL-terminated XML request text
    uint32_t seqnum;                 // handed back with the reply
    char module[CM_MODULE_NAME_SIZE];  // "vlan", "fdb", "cfgmgr", ...
};

// Reply status: 1 success, 0 failure; in walks over statements other non-zero values
// mean that more follow.
struct cmEventData_t {
    uint32_t seqnum;
    uint32_t status;
    char *message;  // heap text or null; a callback that keeps it sets the field to null
    char *data;     // heap text or null (XML of zero or more objects); likewise
    uint32_t value; // events 1 and 4
};

typedef void (*cmFrontendCallBack_t)(int event, cmEventData_t *data);

// Starts the frontend link (connects now and after every restart of cfgmgr). Non-zero
// on success.
int cmFrontendInit(const char *processName, cmFrontendCallBack_t callBack);
// Queues a request; 1 or more when sent (exactly one reply will come), less than 1 when
// nothing was sent. Safe from any thread.
int cmSendRequest(const cmRequest_t *request);
