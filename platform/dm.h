// Device manager: process states, start-up events, platform type.
//
// The device manager lives in the platform process (platformd); this library keeps
// one connection to it per process and delivers its events on the dispatcher thread.
#pragma once
#include <cstdint>

enum {
    DM_EVENT_PROCESS_UP = 64,  // data: the process name (const char *)
    DM_EVENT_LOAD = 65,        // data: dmLoadEvent_t *, handed to the configuration backend
    DM_EVENT_PORT = 66,        // on the platform link only: goes to the port-event handler
    DM_EVENT_IDENTITY = 67,    // on the platform link only: goes to the identity handler
};

// Process states a process announces with dmSetProcessState.
enum {
    DM_STATE_DOWN = 0,
    DM_STATE_INITIALISED = 5,
    DM_STATE_RUNNING = 6,  // 6 or more: the process is up
    DM_STATE_READY = 8,
};

// The exit status of a process that cannot run as it is configured (a busy port, a
// missing certificate): restarting it would not help, so the platform process stops
// the switch and says why instead.
enum { DM_EXIT_CANNOT_RUN = 78 };

struct dmLoadEvent_t {
    char processName[33];  // whose configuration is to be loaded ("" = every backend)
};

typedef void (*dmCallBack_t)(void *handle, int event, int flags, void *data);

// Connects to the device manager; events start flowing once dispatchInit has run.
int dmInit(int flags, dmCallBack_t callBack);    // 0 = success
int dmSetProcessState(int instance, int state);  // this process's state
int dmGetProcessState(const char *processName);  // that process's state (0 unknown)
int dmInSync();                                  // non-zero once synchronised
void *dmConnect();                               // handle for emsInitTraceBuffer
// A fixed number for this switch (KARN_PLATFORM_TYPE overrides it); 1 would mean a
// stand-alone box whose ports carry no slot.
enum { DM_PLATFORM_TYPE_DEFAULT = 2 };
int dmGetPlatformType();

// Asks platformd to send every process event 65 (load the configuration of
// `processName`, "" = every backend); 0 when the request was sent.
int dmSendLoadRequest(const char *processName);

// Something happened on a front port: a device was detected or removed, a user was
// authenticated or unauthenticated there (the events that run profiles). Such events
// are raised from outside the switch's processes (switchctl event) and platformd tells
// every process.
enum {
    DM_PORT_DEVICE_DETECT = 1,
    DM_PORT_DEVICE_REMOVE = 2,
    DM_PORT_USER_AUTHENTICATE = 3,
    DM_PORT_USER_UNAUTHENTICATE = 4,
};
typedef void (*dmPortEventHandler_t)(int event, uint32_t portId);
// The port events go to `handler` on the dispatcher thread (null: nowhere).
void dmSetPortEventHandler(dmPortEventHandler_t handler);
// Has platformd tell every process that `event` happened on port `portId`: 0 when it
// did, -1 when platformd refused it (not such an event, not a front port of the
// switch) or did not answer.
int dmRaisePortEvent(int event, uint32_t portId);

// A user was seen behind a front port (user name, domain, MAC address "00:11:..."): what
// the identity manager learns from the traffic of the port. The simulated switch has no
// such traffic, so identities are raised from outside (switchctl identity) and platformd
// tells every process.
enum { DM_IDENTITY_NAME_MAX = 64 };  // characters of a user or domain name
typedef void (*dmIdentityHandler_t)(const char *user, const char *domain, const char *mac,
                                    uint32_t portId);
// The identities seen go to `handler` on the dispatcher thread (null: nowhere).
void dmSetIdentityHandler(dmIdentityHandler_t handler);
// Has platformd tell every process that the user was seen: 0 when it did, -1 when
// platformd refused it (names empty, too long or not printable, not a MAC address, not
// a front port of the switch) or did not answer.
int dmRaiseIdentity(const char *user, const char *domain, const char *mac, uint32_t portId);
