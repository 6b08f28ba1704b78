// State shared by intake and the worker; guarded by gWsvdMutex.
#pragma once
#include <cstdint>

#include "platform/wsvdreq.h"

struct wsvdClient {
    uint32_t peerId;
    char name[33];
    uint32_t refCount;
};

extern wsvdRequestList_t gWsvdWaiting;  // complete requests for the worker
extern wsvdRequestList_t gWsvdActive;   // requests being served
extern uint32_t gWsvdRunningWorkers;    // 0 or 1

// Looks the peer up and takes a reference; nullptr when it is gone. Caller holds gWsvdMutex.
wsvdClient *wsvdClientAcquireLocked(uint32_t peerId);
// Gives a reference back; frees the record with the last one. Caller holds gWsvdMutex.
void wsvdClientReleaseLocked(wsvdClient *client);
