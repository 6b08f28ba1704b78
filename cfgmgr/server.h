// cfgmgr's side of the configuration-manager link: frontends send requests, backends
// serve the modules of their applications.
#pragma once

// Registers with the directory service and serves the link once registered; every
// later event runs on the dispatcher thread. 0, or -1.
int cfgServerStart();
void cfgServerStop();
