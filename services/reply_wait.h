// Waiting for the one answer that the dispatcher thread hands to a request record
// (a configuration-manager reply or the end of a CLI run) by posting its semaphore.
#pragma once

struct wsvdRequest;

// Takes back posts left over from an answer that came after its wait had given up, so
// that they cannot end the wait of a later exchange early.
void wsvdReplyDrain(wsvdRequest *r);
// Waits for the post; false when `seconds` pass first (or the record has no semaphore).
bool wsvdReplyWait(wsvdRequest *r, unsigned seconds);
// A safety bound for a wait whose peer library promises an answer within the number of
// seconds in the environment variable `variable` (or `librarySeconds` by default):
// twice that, plus a little.
unsigned wsvdReplyGuardSeconds(const char *variable, unsigned librarySeconds);
