#include "platform/util.h"

#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <map>
#include <mutex>
#include <string>

#include "platform/clock.h"

int Sprintf(char *out, size_t size, const char *format, ...) {
    if (!out || size == 0) return 0;
    va_list ap;
    va_start(ap, format);
    int n = vsnprintf(out, size, format, ap);
    va_end(ap);
    if (n < 0) {
        out[0] = 0;
        return 0;
    }
    return static_cast<size_t>(n) < size ? n : static_cast<int>(size - 1);
}

size_t strlcpy(char *dst, const char *src, size_t size) {
    size_t len = strlen(src);
    if (size > 0) {
        size_t n = len < size - 1 ? len : size - 1;
        memcpy(dst, src, n);
        dst[n] = 0;
    }
    return len;
}

uint32_t monotime(uint32_t *out) {
    uint32_t seconds = static_cast<uint32_t>(clockNowUs() / 1000000u);
    if (out) *out = seconds;
    return seconds;
}

int getmonotimeofday(struct timeval *tv) {
    if (!tv) return -1;
    uint64_t now = clockNowUs();
    tv->tv_sec = static_cast<time_t>(now / 1000000u);
    tv->tv_usec = static_cast<suseconds_t>(now % 1000000u);
    return 0;
}

namespace {

std::mutex gNameMutex;
char gProcessName[33];

// The directories are read from the environment on every call so that a test can
// point a process at fresh directories; the text lives in a per-thread slot.
const char *envDir(std::string &slot, const char *name) {
    const char *v = getenv(name);
    slot = v ? v : "";
    return slot.c_str();
}

}  // namespace

void karnSetProcessName(const char *name) {
    std::lock_guard<std::mutex> lock(gNameMutex);
    strlcpy(gProcessName, name ? name : "", sizeof gProcessName);
}

const char *karnGetProcessName() {
    std::lock_guard<std::mutex> lock(gNameMutex);
    if (!gProcessName[0]) strlcpy(gProcessName, program_invocation_short_name, sizeof gProcessName);
    return gProcessName;
}

const char *karnConfigDir() {
    thread_local std::string slot;
    return envDir(slot, "KARN_CONFIG_LOCATION");
}

const char *karnScratchDir() {
    thread_local std::string slot;
    return envDir(slot, "KARN_SCRATCH_LOCATION");
}

const char *karnRunDir() {
    thread_local std::string slot;
    const char *run = getenv("KARN_RUN_LOCATION");
    if (run && *run) {
        slot = run;
    } else {
        const char *scratch = getenv("KARN_SCRATCH_LOCATION");
        slot = (scratch && *scratch) ? std::string(scratch) + "/run" : "/tmp";
    }
    return slot.c_str();
}

struct p2Btree_t {
    std::map<uint32_t, void *> nodes;
};

p2Btree_t *p2BtreeCreate() {
    return new (std::nothrow) p2Btree_t;
}

void p2BtreeDestroy(p2Btree_t *tree) {
    delete tree;
}

int p2BtreeInsert(p2Btree_t *tree, uint32_t key, void *node) {
    if (!tree) return -1;
    return tree->nodes.emplace(key, node).second ? 0 : -1;
}

int p2BtreeDelete(p2Btree_t *tree, uint32_t key) {
    if (!tree) return -1;
    return tree->nodes.erase(key) ? 0 : -1;
}

void *findNode(p2Btree_t *tree, uint32_t key) {
    if (!tree) return nullptr;
    auto it = tree->nodes.find(key);
    return it == tree->nodes.end() ? nullptr : it->second;
}

uint32_t p2BtreeCount(p2Btree_t *tree) {
    return tree ? static_cast<uint32_t>(tree->nodes.size()) : 0;
}
