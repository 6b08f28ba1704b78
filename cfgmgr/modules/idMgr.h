// The idMgr module of cfgmgr: the identity manager's settings, user roles with their
// policies, and the identities seen on the ports (data/cfgmgr/catalogue/idMgr).
#pragma once
#include <cstdint>

// A user seen behind a front port, with the MAC address it came from ("00:11:..."): a new
// identity, or a further location of a known one. Called on the dispatcher thread.
void idMgrIdentitySeen(const char *user, const char *domain, const char *mac, uint32_t portId);
