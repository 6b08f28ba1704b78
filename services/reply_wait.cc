#include "services/reply_wait.h"

#include <semaphore.h>

#include <cerrno>
#include <cstdlib>
#include <ctime>

#include "platform/wsvdreq.h"

void wsvdReplyDrain(wsvdRequest *r) {
    if (!r->semaphore) return;
    while (sem_trywait(r->semaphore) == 0) {
    }
}

bool wsvdReplyWait(wsvdRequest *r, unsigned seconds) {
    if (!r->semaphore) return false;
    timespec until;
    clock_gettime(CLOCK_MONOTONIC, &until);
    until.tv_sec += time_t(seconds);
    while (sem_clockwait(r->semaphore, CLOCK_MONOTONIC, &until) != 0) {
        if (errno != EINTR) return false;
    }
    return true;
}

unsigned wsvdReplyGuardSeconds(const char *variable, unsigned librarySeconds) {
    unsigned seconds = librarySeconds;
    if (const char *text = getenv(variable)) {
        char *end = nullptr;
        unsigned long value = strtoul(text, &end, 10);
        if (end != text && *end == 0 && value > 0 && value < 86400) seconds = unsigned(value);
    }
    return 2 * seconds + 5;
}
