#include "platform/clock.h"

#include <atomic>
#include <ctime>

namespace {

uint64_t systemNowUs() {
    timespec ts;
    clock_gettime(CLOCK_MONOTONIC, &ts);
    return static_cast<uint64_t>(ts.tv_sec) * 1000000u + static_cast<uint64_t>(ts.tv_nsec) / 1000u;
}

std::atomic<uint64_t (*)()> gSource{systemNowUs};
std::atomic<uint64_t> gManualUs{0};

uint64_t manualNowUs() { return gManualUs.load(); }

}  // namespace

uint64_t clockNowUs() { return gSource.load()(); }

void clockSetSource(uint64_t (*source)()) { gSource.store(source ? source : systemNowUs); }

void clockUseManual(uint64_t startUs) {
    gManualUs.store(startUs);
    gSource.store(manualNowUs);
}

void clockAdvanceUs(uint64_t us) { gManualUs.fetch_add(us); }
