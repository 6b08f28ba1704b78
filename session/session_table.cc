#include "session/session_table.h"

#include <arpa/inet.h>
#include <sys/random.h>

#include <array>
#include <cerrno>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <iterator>
#include <map>

#include "base/log.h"
#include "platform/clock.h"
#include "platform/util.h"

pthread_mutex_t gWsvdSessionMutex = PTHREAD_RECURSIVE_MUTEX_INITIALIZER_NP;

namespace {

wsvdSession_t gSlots[WSVD_SESSION_SLOTS];
int gMaxSessions = WSVD_SESSION_DEFAULT_MAX;
uint32_t gCookieCounter = 0;
bool gCheckOff = false;

const char kCookieFormat[] = "WSVDSession:%d:%d";
const uint64_t kIdNumberMask = (uint64_t(1) << 40) - 1;  // ten hexadecimal digits

struct UnknownIds {
    uint64_t startUs = 0;  // of the window
    uint32_t count = 0;
};
std::map<std::array<uint8_t, 16>, UnknownIds> gUnknownIds;

// An IPv4 address sits in the first 4 bytes with the other 12 zero; else IPv6.
void wsvdAddressText(const uint8_t *a, char *out, size_t size) {
    static const uint8_t kZero[12] = {0};
    if (memcmp(a + 4, kZero, sizeof kZero) == 0)
        inet_ntop(AF_INET, a, out, socklen_t(size));
    else
        inet_ntop(AF_INET6, a, out, socklen_t(size));
}

// Every access to the slots and max-sessions holds the table's (recursive) mutex: the
// worker opens and checks sessions while the dispatcher thread ends them (idle timer,
// session manager, backend) and reads them (backend).
class TableLock {
public:
    TableLock() { pthread_mutex_lock(&gWsvdSessionMutex); }
    ~TableLock() { pthread_mutex_unlock(&gWsvdSessionMutex); }
    TableLock(const TableLock &) = delete;
    TableLock &operator=(const TableLock &) = delete;
};

bool validIndex(int index) {
    return index >= 0 && index < WSVD_SESSION_SLOTS;
}

// Slots below max-sessions (never past the table).
int usableSlots() {
    if (gMaxSessions < 0) return 0;
    return gMaxSessions > WSVD_SESSION_SLOTS ? WSVD_SESSION_SLOTS : gMaxSessions;
}

// '0'-'9' give 0-9, letters give 10-35 in either case, anything else -1.
int digitValue(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'A' && c <= 'Z') return c - 'A' + 10;
    if (c >= 'a' && c <= 'z') return c - 'a' + 10;
    return -1;
}

}  // namespace

void wsvdSessionTableReset() {
    TableLock lock;
    memset(gSlots, 0, sizeof gSlots);
    gMaxSessions = WSVD_SESSION_DEFAULT_MAX;
    gCheckOff = getenv("KARN_SESSION_VAR") != nullptr;
}

bool wsvdSessionCheckOff() {
    return gCheckOff;
}

void wsvdSessionStore(wsvdSession_t *entry) {
    int32_t t = entry->idleTimeout;
    if (t <= 0 || t > 899)
        t = 900;
    else if (t <= 30)
        t = 30;
    entry->idleTimeout = t;
    entry->remainingTime = t;
    if (!validIndex(int(entry->sessionIndex))) return;
    entry->inUse = 1;
    TableLock lock;
    gSlots[entry->sessionIndex] = *entry;
}

void wsvdSessionClearSlot(int index) {
    TableLock lock;
    if (validIndex(index)) memset(&gSlots[index], 0, sizeof gSlots[index]);
}

int wsvdSessionFindFreeSlot() {
    TableLock lock;
    for (int i = 0; i < usableSlots(); i++)
        if (!gSlots[i].inUse) return i;
    return -1;
}

int wsvdSessionCountReadOnly() {
    TableLock lock;
    int n = 0;
    for (int i = 0; i < usableSlots(); i++)
        if (gSlots[i].inUse && !gSlots[i].accessRight) n++;
    return n;
}

wsvdSession_t *wsvdSessionSlot(int index) {
    return validIndex(index) ? &gSlots[index] : nullptr;
}

int wsvdSessionFindById(const char *id, char *userName, char *password) {
    TableLock lock;
    userName[0] = password[0] = 0;
    if (!id) return -1;
    for (int i = 0; i < usableSlots(); i++) {
        if (strcmp(gSlots[i].sessionId, id) == 0) {
            strlcpy(userName, gSlots[i].userName, 33);
            strlcpy(password, gSlots[i].password, 33);
            return i;
        }
    }
    return -1;
}

void wsvdSessionIdParse(const char *id, wsvdSessionIdParsed_t *out) {
    memset(out, 0, sizeof *out);
    if (!id || !id[0]) {
        out->slotIndex = -1;
        return;
    }
    int first = id[0] - '0';
    out->version = first >> 1;
    out->slotIndex = (first & 1) * 16 + digitValue(id[1]);
    // The number is the decimal reading of characters 5 to 14 (it stops at a letter).
    char digits[11] = {0};
    size_t len = strlen(id);
    if (len > 4) strlcpy(digits, id + 4, sizeof digits);
    out->number = strtoull(digits, nullptr, 10);
}

int wsvdSessionCheckId(const wsvdSessionIdParsed_t *parsed, const char *id) {
    TableLock lock;
    for (int i = 0; i < usableSlots(); i++) {
        if (int(gSlots[i].sessionIndex) != parsed->slotIndex) continue;
        if (strcmp(gSlots[i].sessionId, id) == 0) {
            if (!gSlots[i].inUse) return -1;
            WSVD_LOG("Index %d client Index %d is used: %d ", i, parsed->slotIndex, 1);
            return int(gSlots[i].accessRight);
        }
        WSVD_LOG("Index %d client Index %d  sessionId mismatch: %s ", i, parsed->slotIndex,
                 gSlots[i].sessionId);
    }
    return -1;
}

int wsvdGetSessionIndexFromCookie(const char *cookie) {
    int index = 0, counter = 0;
    int read = cookie ? sscanf(cookie, kCookieFormat, &index, &counter) : 0;
    if (read < 2) {
        if (read < 1) index = 0;
        WSVD_LOG("cookie: %s sessionIndex: %d counter: %d", cookie ? cookie : "", index, counter);
    }
    return index;
}

const char *wsvdSessionCookieOfSlot(int index) {
    TableLock lock;
    if (!validIndex(index)) return nullptr;
    WSVD_LOG("cookie: %s sessionIndex: %d counter: %d", gSlots[index].cookie, index, index);
    return gSlots[index].cookie;
}

const char *wsvdCheckCookie(const char *cookie) {
    TableLock lock;
    int index = wsvdGetSessionIndexFromCookie(cookie);
    const char *own = validIndex(index) ? gSlots[index].cookie : "";
    WSVD_LOG("%s: sessionIndex: %d %s %s ", "wsvdCheckCookie", index, own, cookie ? cookie : "");
    if (!validIndex(index) || !cookie || strcmp(own, cookie) != 0) return nullptr;
    return wsvdSessionCookieOfSlot(index);
}

void wsvdSessionCountOperation(int slot, int kind) {
    TableLock lock;
    if (!validIndex(slot)) return;
    int which = WSVD_OPC_OTHER;
    switch (kind) {
        case WSVD_OP_GET:
            which = WSVD_OPC_GET;
            break;
        case WSVD_OP_SET:
            which = WSVD_OPC_SET;
            break;
        case WSVD_OP_CREATE:
            which = WSVD_OPC_CREATE;
            break;
        case WSVD_OP_DELETE:
            which = WSVD_OPC_DELETE;
            break;
    }
    gSlots[slot].opCounters[which]++;
}

wsvdSession_t *wsvdSessionNext(int n) {
    for (int i = n < 0 ? 0 : n; i < usableSlots(); i++)
        if (gSlots[i].inUse) return &gSlots[i];
    return nullptr;
}

int wsvdSessionGetMax() {
    TableLock lock;
    return gMaxSessions;
}

int wsvdSessionSetMax(int maxSessions) {
    TableLock lock;
    if (maxSessions > WSVD_SESSION_SLOTS) return WSVD_SESSION_MAX_REFUSED;
    gMaxSessions = maxSessions;
    return 0;
}

uint32_t wsvdSessionCookieCounter() {
    return gCookieCounter;
}
uint32_t wsvdSessionNextCookieCounter() {
    return ++gCookieCounter;
}

void wsvdSessionFormatCookie(int slot, uint32_t counter, char out[33]) {
    snprintf(out, 32, kCookieFormat, slot, int(counter));
}

void wsvdSessionFormatId(int slot, uint64_t number, char out[17]) {
    snprintf(out, 15, "%x%x%010llx", unsigned(1 * 32 + slot), 175u,
             static_cast<unsigned long long>(number & kIdNumberMask));
}

bool wsvdSessionNewId(int slot, char out[17]) {
    uint64_t number = 0;
    size_t got = 0;
    auto *bytes = reinterpret_cast<uint8_t *>(&number);
    while (got < sizeof number) {
        ssize_t n = getrandom(bytes + got, sizeof number - got, 0);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) return false;
        got += size_t(n);
    }
    wsvdSessionFormatId(slot, number, out);
    return true;
}

void wsvdSessionNoteUnknownId(const uint8_t clientAddress[16]) {
    std::array<uint8_t, 16> key{};
    if (clientAddress) memcpy(key.data(), clientAddress, key.size());
    uint64_t now = clockNowUs();
    const uint64_t window = uint64_t(WSVD_UNKNOWN_ID_WINDOW_S) * 1000000u;
    // Windows that ended are forgotten, so guesses from many addresses cannot grow the
    // table beyond what arrives within one window.
    for (auto it = gUnknownIds.begin(); it != gUnknownIds.end();)
        it = now - it->second.startUs >= window ? gUnknownIds.erase(it) : std::next(it);
    UnknownIds &u = gUnknownIds[key];
    if (u.count == 0) u.startUs = now;
    if (++u.count == WSVD_UNKNOWN_ID_BURST) {
        char address[INET6_ADDRSTRLEN] = "";
        wsvdAddressText(key.data(), address, sizeof address);
        WSVD_LOG("%d unknown session ids from %s within %d seconds", int(u.count), address,
                 int(WSVD_UNKNOWN_ID_WINDOW_S));
        fprintf(stderr, "wsvd: %d unknown session ids from %s within %d seconds\n", int(u.count),
                address, int(WSVD_UNKNOWN_ID_WINDOW_S));
    }
}
