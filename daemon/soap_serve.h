// The SOAP engine as the daemon's serve step, with the handlers of every operation.
#pragma once

struct wsvdServeOps;

// The worker's serve step: threadInit installs the worker's stream functions and makes
// a context. Install with wsvdSetServeOps(&wsvdSoapServeOps).
extern const wsvdServeOps wsvdSoapServeOps;

// Sets every entry of gWsvdSoapHandlers that has a handler in the operation list
// (soap/wsvd_operations.def); the others stay "Operation not available". The policy
// service gets the request link's CLI requests (wsvdSendCliRequest).
void wsvdSoapInstallHandlers();
