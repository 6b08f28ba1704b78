#include "daemon/trace_file.h"

#include <fcntl.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <mutex>
#include <string>

#include "daemon/trace_mask.h"
#include "platform/util.h"

namespace {

struct TraceFiles {
    char firstName[WSVD_TRACE_NAME_SIZE];
    char secondName[WSVD_TRACE_NAME_SIZE];
    char directory[WSVD_TRACE_NAME_SIZE];
    FILE *first;
    FILE *second;
    int32_t maxFileSize;
    uint32_t current;  // 1 first, 2 second, 0 none yet
    uint32_t enabled;
};

std::mutex gTraceMutex;
TraceFiles gTrace = {{0}, {0}, {0}, nullptr, nullptr, WSVD_TRACE_DEFAULT_MAX_SIZE, 0, 0};
wsvdTraceMask gMask;

void closeStream(FILE **f) {
    if (*f) fclose(*f);
    *f = nullptr;
}

// Opens file 1 or 2 from empty and makes it current; on failure the current file
// stays as it was.
void openFile(uint32_t which) {
    const char *name = which == 1 ? gTrace.firstName : gTrace.secondName;
    FILE **slot = which == 1 ? &gTrace.first : &gTrace.second;
    if (name[0] == 0) return;  // no scratch area: stay silent
    closeStream(slot);
    // For the owner only; a file left from before with wider rights is narrowed.
    int fd = open(name, O_WRONLY | O_CREAT | O_TRUNC | O_CLOEXEC, 0600);
    FILE *f = fd >= 0 && fchmod(fd, 0600) == 0 ? fdopen(fd, "w") : nullptr;
    if (!f) {
        if (fd >= 0) close(fd);
        printf("Unable to open the file %s...\n", name);
        return;
    }
    *slot = f;
    gTrace.current = which;
}

FILE *currentStream() {
    return gTrace.current == 1 ? gTrace.first : gTrace.second;
}

}  // namespace

void wsvdTraceFileInit() {
    std::lock_guard<std::mutex> lock(gTraceMutex);
    closeStream(&gTrace.first);
    closeStream(&gTrace.second);
    gTrace.firstName[0] = gTrace.secondName[0] = gTrace.directory[0] = 0;
    const char *scratch = getenv("KARN_SCRATCH_LOCATION");
    if (scratch && scratch[0]) {
        Sprintf(gTrace.firstName, WSVD_TRACE_NAME_SIZE - 1, "%s/%s/%s", scratch, WSVD_TRACE_DIR,
                WSVD_TRACE_FILE);
        Sprintf(gTrace.secondName, WSVD_TRACE_NAME_SIZE - 1, "%s/%s/%s%s", scratch, WSVD_TRACE_DIR,
                WSVD_TRACE_SECOND_PREFIX, WSVD_TRACE_FILE);
        Sprintf(gTrace.directory, WSVD_TRACE_NAME_SIZE, "%s/%s", scratch, WSVD_TRACE_DIR);
    }
    gTrace.maxFileSize = WSVD_TRACE_DEFAULT_MAX_SIZE;
    gTrace.current = 0;
    gTrace.enabled = 0;
}

void wsvdTraceWrite(const char *format, ...) {
    std::lock_guard<std::mutex> lock(gTraceMutex);
    FILE *f = currentStream();
    if (!gTrace.enabled || !f) return;

    struct stat st;
    if (fstat(fileno(f), &st) != 0) {
        closeStream(gTrace.current == 1 ? &gTrace.first : &gTrace.second);
        printf("fStats is failed ...");
        return;
    }
    if (st.st_size >= gTrace.maxFileSize) {
        if (gTrace.current == 1) {
            closeStream(&gTrace.first);
            openFile(2);
        } else {
            closeStream(&gTrace.second);
            openFile(1);
        }
        f = currentStream();
        if (!f) return;
    }
    va_list ap;
    va_start(ap, format);
    char *text = nullptr;
    int n = vasprintf(&text, format, ap);
    va_end(ap);
    if (n < 0) return;
    std::string masked = gMask.feed(std::string_view(text, size_t(n)));
    free(text);
    fwrite(masked.data(), 1, masked.size(), f);
    fflush(f);
}

void wsvdTraceRequestBegin() {
    std::lock_guard<std::mutex> lock(gTraceMutex);
    gMask.reset();
}

int wsvdTraceFileConfigure(uint32_t mask, int32_t maxFileSize, uint32_t enabled) {
    std::lock_guard<std::mutex> lock(gTraceMutex);
    if (mask & WSVD_TRACE_SET_MAX_SIZE) gTrace.maxFileSize = maxFileSize;
    if (mask & WSVD_TRACE_SET_ENABLED) {
        gTrace.enabled = enabled;
        if (!enabled) {
            closeStream(&gTrace.first);
            closeStream(&gTrace.second);
        } else if (!gTrace.first && gTrace.directory[0]) {
            // The scratch area may be fresh; a failure shows up as the open's message.
            // Traces are for the owner only, also in a directory made before.
            if (mkdir(gTrace.directory, 0700) != 0) (void)chmod(gTrace.directory, 0700);
            openFile(1);
        }
    }
    return 1;
}

void wsvdTraceFileReport(wsvdTraceReport_t *out) {
    std::lock_guard<std::mutex> lock(gTraceMutex);
    strlcpy(out->fileName, gTrace.firstName, sizeof out->fileName);
    strlcpy(out->secondFileName, gTrace.secondName, sizeof out->secondFileName);
    out->maxFileSize = gTrace.maxFileSize;
    out->enabled = gTrace.enabled;
}
