// The one clock of a process. Timers of the dispatcher and every "seconds since"
// of the platform read it, so a test can replace it and move time by hand.
#pragma once
#include <cstdint>

// Monotonic time in microseconds.
uint64_t clockNowUs();

// Replaces the time source (nullptr restores the system's monotonic clock).
void clockSetSource(uint64_t (*source)());

// A manual clock for tests: clockUseManual() installs it, starting at `startUs`;
// clockAdvanceUs() moves it forward.
void clockUseManual(uint64_t startUs = 1000000);
void clockAdvanceUs(uint64_t us);
