// A stand-in process for platformd tests:
//   plink_helper NAME STATE LIFETIME_MS FILE
// announces STATE under NAME, appends "<pid>\n" to FILE, and exits with status 3
// after LIFETIME_MS.
#include <unistd.h>

#include <cstdio>
#include <cstdlib>

#include "platform/clock.h"
#include "platform/dispatch.h"
#include "platform/dm.h"
#include "platform/util.h"

int main(int argc, char **argv) {
    if (argc != 5) return 2;
    karnSetProcessName(argv[1]);
    if (FILE *f = fopen(argv[4], "a")) {
        fprintf(f, "%d\n", int(getpid()));
        fclose(f);
    }
    dmInit(64, nullptr);
    dmSetProcessState(0, atoi(argv[2]));
    uint64_t endUs = clockNowUs() + uint64_t(atol(argv[3])) * 1000;
    while (clockNowUs() < endUs) dispatchRunOnce(20);
    return 3;
}
