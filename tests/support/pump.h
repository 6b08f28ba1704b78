// Drives the test process's own dispatcher while a test waits for something that
// arrives on it (platform events, replies of the client libraries). Waits are bounded
// in real time, whatever clock the dispatcher runs on.
#pragma once
#include <chrono>
#include <functional>

#include "platform/dispatch.h"

// Runs the dispatcher until `done` or `ms` milliseconds have passed; returns done().
inline bool pumpUntil(const std::function<bool()> &done, int ms = 5000) {
    auto end = std::chrono::steady_clock::now() + std::chrono::milliseconds(ms);
    while (!done()) {
        if (std::chrono::steady_clock::now() >= end) return false;
        dispatchRunOnce(10);
    }
    return true;
}

// Runs the dispatcher for `ms` milliseconds.
inline void pumpFor(int ms) {
    pumpUntil([] { return false; }, ms);
}
