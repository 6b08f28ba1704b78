// The plain-text trace of SOAP requests and replies, kept in two files in the scratch
// area's "intern" directory. The writer alternates between them: when the current
// file has reached the maximum size, the other one is started again from empty, so
// the newest trace always lies in the two files together.
//
// Off after start-up. When KARN_SCRATCH_LOCATION is not set there is nowhere to write:
// both names stay empty and tracing stays silent even when enabled.
//
// Requests carry passwords (openSession) and the files outlive them, so everything
// written is masked: the content of every element named "password" (any prefix) is
// written as "***", also when the element is cut over several writes. The directory
// is made 0700 and the files 0600; `switchctl trace` reads them.
//
// Writes (worker thread) and configuration (dispatcher thread) are serialised by a
// mutex of this module.
#pragma once
#include <cstdint>

// Where the files lie below KARN_SCRATCH_LOCATION: "intern/trace.wsvd" and
// "intern/secondtrace.wsvd".
#define WSVD_TRACE_DIR "intern"
#define WSVD_TRACE_FILE "trace.wsvd"
#define WSVD_TRACE_SECOND_PREFIX "second"

enum { WSVD_TRACE_NAME_SIZE = 257 };
enum {
    WSVD_TRACE_SET_MAX_SIZE = 4,  // configure mask bit: maximum file size given
    WSVD_TRACE_SET_ENABLED = 32,  // configure mask bit: enabled given
};
enum { WSVD_TRACE_DEFAULT_MAX_SIZE = 1000 };

struct wsvdTraceReport_t {
    char fileName[WSVD_TRACE_NAME_SIZE];
    char secondFileName[WSVD_TRACE_NAME_SIZE];
    int32_t maxFileSize;
    uint32_t enabled;
};

// Builds both names from KARN_SCRATCH_LOCATION, closes any open file, maximum size 1000,
// no current file, tracing off.
void wsvdTraceFileInit();
// printf-style write into the current file (nothing when tracing is off), masked.
void wsvdTraceWrite(const char *format, ...) __attribute__((format(printf, 1, 2)));
// A new request begins: masking starts afresh, so a request cut off inside a password
// element does not hide the next one's text.
void wsvdTraceRequestBegin();
// Applies the fields named by `mask`. Disabling closes both files; enabling opens the
// first file from empty when it is not open. Returns 1 (the backend's success code).
int wsvdTraceFileConfigure(uint32_t mask, int32_t maxFileSize, uint32_t enabled);
void wsvdTraceFileReport(wsvdTraceReport_t *out);
