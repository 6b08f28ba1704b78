#include "platform/ems.h"

#include <fcntl.h>
#include <sys/mman.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>
#include <string_view>

#include "platform/log.h"
#include "platform/util.h"

// A trace file is a header followed by the ring. The header is rewritten after every
// entry, so a reader (another process, or a post-mortem look) always finds a valid
// write position; since the file comes from outside, the reader trusts none of it.

namespace {

const uint32_t kTraceMagic = 0x54534d45;  // "EMST"
const uint32_t kTraceVersion = 1;

struct TraceHeader {
    uint32_t magic;
    uint32_t version;
    uint32_t size;      // bytes of the ring
    uint32_t position;  // next byte to write
    uint32_t wrapped;   // non-zero once the ring has been filled
    uint32_t reserved[3];
};

// The ring's text oldest first.
std::string ringText(const uint8_t *ring, uint32_t size, uint32_t position, bool wrapped) {
    if (!wrapped) return std::string(reinterpret_cast<const char *>(ring), position);
    std::string text(reinterpret_cast<const char *>(ring + position), size - position);
    text.append(reinterpret_cast<const char *>(ring), position);
    return text;
}

bool makeDirs(const std::string &path) {
    for (size_t i = 1; i <= path.size(); i++) {
        if (i == path.size() || path[i] == '/') {
            std::string part = path.substr(0, i);
            if (mkdir(part.c_str(), 0755) < 0 && errno != EEXIST) return false;
        }
    }
    return true;
}

}  // namespace

struct emsTrace_t {
    std::mutex mutex;
    TraceHeader *header = nullptr;  // mapped file, or heap memory when no file could be made
    uint8_t *ring = nullptr;
    size_t mappedBytes = 0;  // 0: header is on the heap
    std::string path;
    bool stamped = true;
};

emsTrace_t *emsInitTraceBuffer(const char *name, uint32_t size, int flags, void * /*dmHandle*/) {
    if (!name || !*name || size == 0 || size > (1u << 30)) return nullptr;
    auto *trace = new emsTrace_t;
    trace->stamped = !(flags & EMS_TRACE_PLAIN);
    size_t total = sizeof(TraceHeader) + size;
    std::string scratch = karnScratchDir();
    if (!scratch.empty() && !strchr(name, '/')) {
        std::string dir = scratch + "/ems";
        std::string path = dir + "/" + name + ".trace";
        int fd =
            makeDirs(dir) ? open(path.c_str(), O_RDWR | O_CREAT | O_TRUNC | O_CLOEXEC, 0644) : -1;
        // The blocks are reserved now: a page of a sparse file that finds the disk full
        // when it is first written faults (SIGBUS) instead of failing a write.
        int why = fd < 0 ? errno : posix_fallocate(fd, 0, static_cast<off_t>(total));
        if (why == 0) {
            void *map = mmap(nullptr, total, PROT_READ | PROT_WRITE, MAP_SHARED, fd, 0);
            if (map != MAP_FAILED) {
                trace->header = static_cast<TraceHeader *>(map);
                trace->mappedBytes = total;
                trace->path = path;
            } else {
                why = errno;
            }
        }
        if (fd >= 0) close(fd);
        if (!trace->header) {
            if (fd >= 0) unlink(path.c_str());
            fprintf(stderr, "%s: no room for the trace file %s (%s); the trace is kept in memory\n",
                    karnGetProcessName(), path.c_str(), strerror(why));
        }
    }
    if (!trace->header) {
        trace->header = static_cast<TraceHeader *>(calloc(1, total));
        if (!trace->header) {
            delete trace;
            return nullptr;
        }
    }
    trace->ring = reinterpret_cast<uint8_t *>(trace->header + 1);
    TraceHeader *h = trace->header;
    h->version = kTraceVersion;
    h->size = size;
    h->position = 0;
    h->wrapped = 0;
    h->magic = kTraceMagic;
    return trace;
}

void emsTraceFree(emsTrace_t *trace) {
    if (!trace) return;
    if (trace->mappedBytes)
        munmap(trace->header, trace->mappedBytes);
    else
        free(trace->header);
    delete trace;
}

namespace {

// Copies bytes into the ring at its position, wrapping at its end.
void ringPut(emsTrace_t *trace, const char *bytes, size_t n) {
    TraceHeader *h = trace->header;
    while (n > 0) {
        size_t room = h->size - h->position;
        size_t chunk = n < room ? n : room;
        memcpy(trace->ring + h->position, bytes, chunk);
        bytes += chunk;
        n -= chunk;
        h->position += static_cast<uint32_t>(chunk);
        if (h->position == h->size) {
            h->position = 0;
            h->wrapped = 1;
        }
    }
}

}  // namespace

void emsTraceLog(emsTrace_t *trace, int /*level*/, const char *text, uint32_t length) {
    if (!trace || !text || length == 0) return;
    // The entry is its stamp, the text and a line end, written in place: the daemon's
    // worker traces several lines a request.
    char stamp[LOG_TIME_TEXT_MAX + 1];
    size_t stampLength = 0;
    if (trace->stamped) {
        stampLength = logTimeTextInto(logWallNowUs(), stamp);
        stamp[stampLength++] = ' ';
    }
    const std::string_view pieces[] = {
        {stamp, stampLength}, {text, length}, {"\n", text[length - 1] != '\n' ? 1u : 0u}};
    std::lock_guard<std::mutex> lock(trace->mutex);
    // Only the newest part of an entry larger than the ring fits.
    size_t total = stampLength + length + pieces[2].size(), size = trace->header->size;
    size_t skip = total > size ? total - size : 0;
    for (std::string_view piece : pieces) {
        if (skip >= piece.size()) {
            skip -= piece.size();
            continue;
        }
        ringPut(trace, piece.data() + skip, piece.size() - skip);
        skip = 0;
    }
}

std::string emsTraceText(emsTrace_t *trace) {
    if (!trace) return "";
    std::lock_guard<std::mutex> lock(trace->mutex);
    TraceHeader *h = trace->header;
    return ringText(trace->ring, h->size, h->position, h->wrapped != 0);
}

std::string emsReadTraceFile(const char *path) {
    if (!path) return "";
    int fd = open(path, O_RDONLY | O_CLOEXEC);
    if (fd < 0) return "";
    std::string text;
    struct stat st;
    TraceHeader h;
    if (fstat(fd, &st) == 0 && pread(fd, &h, sizeof h, 0) == static_cast<ssize_t>(sizeof h) &&
        h.magic == kTraceMagic && h.size > 0 && h.position < h.size &&
        static_cast<uint64_t>(st.st_size) >= sizeof h + static_cast<uint64_t>(h.size)) {
        std::string ring(h.size, '\0');
        if (pread(fd, ring.data(), h.size, sizeof h) == static_cast<ssize_t>(h.size))
            text = ringText(reinterpret_cast<const uint8_t *>(ring.data()), h.size, h.position,
                            h.wrapped != 0);
    }
    close(fd);
    return text;
}

const char *emsTracePath(emsTrace_t *trace) {
    return trace ? trace->path.c_str() : "";
}

namespace {

std::mutex gComponentsMutex;
std::map<uint32_t, std::string> gComponents;
uint32_t gNextComponent = 1;

}  // namespace

int emsRegisterComponent(const char *name, uint32_t *componentId) {
    if (!name || !componentId) return -1;
    std::lock_guard<std::mutex> lock(gComponentsMutex);
    for (auto &[id, known] : gComponents) {
        if (known == name) {
            *componentId = id;
            return 0;
        }
    }
    *componentId = gNextComponent++;
    gComponents[*componentId] = name;
    return 0;
}

// Components that never registered still report: losing an incident is worse than
// seeing one from an unexpected source.
bool emsComponentFilterOn(uint32_t /*componentId*/) {
    const char *setting = getenv("KARN_EMS_INCIDENTS");
    return !(setting && strcmp(setting, "off") == 0);
}

void emsNotifyIncident(uint32_t componentId, int /*level*/, const char *source,
                       const char *function, const char *format, ...) {
    if (!emsComponentFilterOn(componentId) || !format) return;
    va_list ap;
    va_start(ap, format);
    va_list copy;
    va_copy(copy, ap);
    int n = vsnprintf(nullptr, 0, format, copy);
    va_end(copy);
    std::string message(n > 0 ? static_cast<size_t>(n) : 0, '\0');
    if (n > 0) vsnprintf(message.data(), message.size() + 1, format, ap);
    va_end(ap);
    // One write per line keeps lines of different threads apart.
    std::string line = std::string(source ? source : "") + ": " + (function ? function : "") +
                       ": " + message + "\n";
    fputs(line.c_str(), stderr);
}
