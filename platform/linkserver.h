// A process that serves a message link under a name of the directory service (the
// configuration manager, the CLI): it registers the name, retrying every second until
// the directory service accepts it, opens the link on the number it is given and serves
// it from the dispatcher. A new registration result replaces the link.
#pragma once
#include <cstdint>

#include "platform/dispatch.h"
#include "platform/ipml.h"

struct dsLinkServer_t {
    const char *name;              // directory name, e.g. "cfgmgr"
    const char *serverName;        // name of the dispatcher's server record
    ipmlPeerCallBack_t peer;       // peer connects and leaves
    dispatchReceive_t receive;     // each message
    void (*serving)(uint16_t linkNumber);  // after each (re)opening, or nullptr
};

// Starts registering (on the dispatcher thread). The record must outlive the server.
void dsServeLink(const dsLinkServer_t *server);
// Closes the link (on the dispatcher thread); registration results after it are ignored.
void dsStopLink();
