// A stand-in process for platformd tests:
//   plink_helper NAME STATE [LIFETIME_MS [FILE]]
// announces STATE under NAME, appends "<pid>\n" to FILE, and exits with status 3
// after LIFETIME_MS (0: runs until signalled).
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/dispatch.h"
#include "platform/dm.h"
#include "platform/util.h"

int main(int argc, char **argv) {
    if (argc < 3) return 2;
    karnSetProcessName(argv[1]);
    long lifetimeMs = argc > 3 ? atol(argv[3]) : 0;
    if (argc > 4) {
        FILE *f = fopen(argv[4], "a");
        if (f) {
            fprintf(f, "%d\n", int(getpid()));
            fclose(f);
        }
    }
    dmInit(64, nullptr);
    dmSetProcessState(0, atoi(argv[2]));
    uint64_t endUs = clockNowUs() + uint64_t(lifetimeMs) * 1000;
    while (lifetimeMs == 0 || clockNowUs() < endUs) dispatchRunOnce(20);
    return 3;
}
