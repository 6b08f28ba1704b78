// Library watch: tells a process when a group of platform libraries is up.
#pragma once

enum { LM_EVENT_ALL_UP = 1 };
enum { LM_NAME_SLOT = 33 };

typedef void (*lmCallBack_t)(int event, void *group);

// Watches `count` libraries named in 33-byte slots; the callback later gets event 1
// (on the dispatcher thread) once all are up. A handle, or nullptr.
void *lmWatchGroup(char (*names)[LM_NAME_SLOT], int count, int flags, lmCallBack_t callBack,
                   int arg1, int arg2);
void lmCancelGroup(void *group);
