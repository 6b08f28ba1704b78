// Extra calls of the configuration-manager client libraries (cmclient/cm.h and
// cmclient/cmbe.h): for a sender that waits for its reply, for tools and for tests.
#pragma once
#include <cstdint>

struct cmRequest_t;

// For a thread that waits for its reply itself: as cmSendRequest, but the link is
// taken out of the dispatcher's hands before the request goes (when the dispatcher is
// not reading it), so that the reply does not wake the dispatcher. The sender then
// calls cmFrontendReadHere until its reply has come; should it stop waiting before,
// the link goes back to the dispatcher once the library has failed the request.
int cmSendRequestReadingHere(const cmRequest_t *request);
// Unless the reply to the request of `seqnum` has been handed over already, reads the
// link on this thread for at most `timeoutMs` and hands every message to the callback
// here, as the dispatcher would (the reply among them, when it comes); the link goes
// back to the dispatcher once the reply has been handled. 1 when the reply had been
// handed over or the link had something to read, 0 when the time passed first, -1 when
// the link is down or the dispatcher is reading it (the reply then comes through the
// dispatcher).
int cmFrontendReadHere(uint32_t seqnum, int timeoutMs);

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
