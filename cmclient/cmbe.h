// Configuration backend: an application (wsvd's "wsvdbe") serves objects of its own
// module ("module_wsvdbe") to cfgmgr. The backend library receives cfgmgr's get and set
// requests, builds the request objects through the application's exported callbacks
// (cm_backend_app.h), runs the action and returns the XML the application writes.
#pragma once
#include "cfgmgmt/cmBackend/src/cm_backend_app.h"

// Starts the backend link for application `appName` (module "module_<appName>").
// Non-zero on success.
int cmBackendInit(const char *appName, int flags);
// Hands a device-manager load event (65) to the backend library: cfgmgr's saved
// configuration of the application's module is applied through the callbacks.
void cmBackEndSendLoadRequest(void *handle, int event, int flags, void *data);
