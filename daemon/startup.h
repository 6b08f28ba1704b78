// Start-up and the asynchronous start on the dispatcher thread: registration with the
// platform services, the request link, and the links to cfgmgr and the CLI.
#pragma once
#include <cstdint>

struct dsRegistration_t;

// The whole daemon: options, start-up, then the dispatcher loop. Returns the exit
// status (most start-up failures end the process directly).
int wsvdMain(int argc, char **argv);

// Platform callbacks and steps of the asynchronous start.
void wsvdLibWatchCallBack(int event, void *group);
void wsvdRegister(void *arg);
void wsvdRegisterCallBack(void *arg, dsRegistration_t *result, int status);
void wsvdConfigLibWatchCallBack(int event, void *group);
void wsvdDmCallBack(void *handle, int event, int flags, void *data);
void wsvdStartConfigLinks();
