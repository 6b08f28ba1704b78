// Directory service: a process registers its name and is given the number of its
// message link; peers look the number up by name.
#pragma once
#include <cstdint>

struct dsRegistration_t {
    char name[33];
    uint16_t linkNumber;
};

typedef void (*dsRegisterCallBack_t)(void *arg, dsRegistration_t *result, int status);

// Asks for a registration; 0 = request accepted, the result comes through the callback
// on the dispatcher thread (status < 0: refused, try again).
int dsNBRegister(const char *name, dsRegisterCallBack_t callBack, void *arg);
int dsDeregister(const char *name, int flags);
// The link number registered under `name`, or -1 (waits at most timeoutMs).
int dsLookup(const char *name, int timeoutMs);
