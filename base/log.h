// The daemon's platform trace buffer: every trace line of the daemon goes through
// WSVD_LOG, which formats with Sprintf and hands the text to emsTraceLog.
#pragma once
#include "platform/ems.h"
#include "platform/util.h"

// Created at start-up (emsInitTraceBuffer "wsvd", 100000); null before, and then
// emsTraceLog ignores the lines.
extern emsTrace_t *gWsvdTraceHandle;

enum { WSVD_LOG_LINE_MAX = 512 };

#define WSVD_LOG(...)                                                                 \
    do {                                                                              \
        char wsvdLogLine_[WSVD_LOG_LINE_MAX];                                         \
        int wsvdLogLength_ = Sprintf(wsvdLogLine_, sizeof wsvdLogLine_, __VA_ARGS__); \
        if (wsvdLogLength_ > 0)                                                       \
            emsTraceLog(gWsvdTraceHandle, 1, wsvdLogLine_, (uint32_t)wsvdLogLength_); \
    } while (0)
