// Extra calls of the configuration-manager client libraries (cmclient/cm.h and
// cmclient/cmbe.h), for tools and tests.
#pragma once
#include <cstdint>

// True while the frontend link to cfgmgr is up.
bool cmFrontendConnected();
// Drops the frontend link and its timer; every pending request gets its failure reply.
// cmFrontendInit may be called again afterwards (tests call this before dispatchShutdown).
void cmFrontendShutdown();

// Handles one whole message as if cfgmgr had sent it on the link (the fuzz target's way
// in; a message that does not decode is logged and dropped).
void cmFrontendTakeMessage(const uint8_t *bytes, uint32_t length);

// True while the backend link to cfgmgr is up and registered.
bool cmBackendConnected();
// Drops the backend link and its timer, and calls cmBackendApplicationTerminate.
void cmBackendShutdown();

// Failure texts of replies the frontend library makes itself.
#define CM_TEXT_NO_ANSWER "cfgmgr did not answer."
#define CM_TEXT_WENT_AWAY "cfgmgr went away before it answered."
