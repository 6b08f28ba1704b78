#include "base/counters.h"

#include <atomic>

namespace {

std::atomic<uint64_t> gCounters[WSVD_COUNTER_COUNT];

bool known(int counter) {
    return counter >= 0 && counter < WSVD_COUNTER_COUNT;
}

}  // namespace

uint64_t wsvdCounterIncrement(int counter) {
    if (!known(counter)) return 0;
    return gCounters[counter].fetch_add(1) + 1;
}

void wsvdCounterDecrement(int counter) {
    if (!known(counter)) return;
    // A handler may lower the schema-error counter for a request counted before a
    // reset; wrapping to 2^64-1 would make the report meaningless.
    uint64_t v = gCounters[counter].load();
    while (v > 0 && !gCounters[counter].compare_exchange_weak(v, v - 1)) {
    }
}

uint64_t wsvdCounterGet(int counter) {
    return known(counter) ? gCounters[counter].load() : 0;
}
