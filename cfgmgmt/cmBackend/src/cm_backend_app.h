// What a configuration backend application (wsvd's "wsvdbe") and the backend library
// (cmclient/cmbe.h) agree on: the application's record, the request the library hands
// to it, and the callbacks the application exports.
//
// The callbacks are looked up by name (an application links exactly one set of them)
// and run on the application's dispatcher thread.
#pragma once
#include <cstdint>

struct buffer_t;
struct cmTag_t;
struct cmObject_t;

// Application record handed to cmBackendApplicationInit.
struct cmBackendApp_t {
    const char *name;     // "wsvdbe"
    const cmTag_t *tags;  // the module's tag table, sorted by name
    uint32_t tagCount;
    void *storage[2];  // two areas of the application's own data, kept for it
};

// One request from cfgmgr.
enum : uint32_t {
    CM_BE_FLAG_GET_NEXT = 0x40000000u,  // a get-next request
    CM_BE_FLAG_ACTION = 0x1000000u,     // write action fields ("active") when formatting
};
struct cmBackendRequest_t {
    uint32_t flags;
    int32_t result;     // of the action: 0 failure / unanswered get, 1 done, 2 an entry
    buffer_t *out;      // XML of the reply objects
    buffer_t *message;  // error text
    cmObject_t *reply;  // the reply object an action fills (tag and data)
    const cmTag_t *tags;
};

// ---- exported by the application
int cmBackendApplicationInit(cmBackendApp_t *app);
void cmBackendApplicationTerminate(cmBackendApp_t *app);
cmObject_t *cmObjectAlloc(const cmTag_t *tag);
void cmObjectFree(cmObject_t *object, int mode);
int cmObjectSetData(cmObject_t *target, cmObject_t *item);
int cmBackendAction(cmBackendRequest_t *request, cmObject_t *object);
int cmBackendConvert(cmBackendRequest_t *request, cmObject_t *first);
