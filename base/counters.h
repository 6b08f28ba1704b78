// The daemon's counter block: nine unsigned 64-bit counters that the request path,
// the session code and the backend objects raise and that the configuration
// manager reads. Safe to use from any thread.
#pragma once
#include <cstdint>

enum wsvdCounter {
    WSVD_CNT_REQUESTS = 0,            // requests served (also each request's trace number)
    WSVD_CNT_ERRORS = 1,              // errors
    WSVD_CNT_SESSION_REQUESTS = 2,    // session requests
    WSVD_CNT_SESSIONS_DENIED = 3,     // sessions denied
    WSVD_CNT_SESSIONS_TIMED_OUT = 4,  // sessions timed out
    WSVD_CNT_BACKEND_ERRORS = 5,      // backend errors
    WSVD_CNT_SCHEMA_ERRORS = 6,       // requests that failed before reaching a handler
    WSVD_CNT_INTERNAL_ERRORS = 7,     // internal errors
    WSVD_CNT_AUTH_FAILURES = 8,       // request authentication failures
    WSVD_COUNTER_COUNT = 9,
};

// Adds 1 and returns the new value (0 for an unknown counter).
uint64_t wsvdCounterIncrement(int counter);
// Takes 1 off, never below 0.
void wsvdCounterDecrement(int counter);
// The current value (0 for an unknown counter).
uint64_t wsvdCounterGet(int counter);
