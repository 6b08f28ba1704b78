#include "platformd/sessions.h"

#include <arpa/inet.h>

#include <algorithm>
#include <cstdio>
#include <ctime>

#include "platform/util.h"

namespace {

std::vector<smRecord> gRecords;

// The client address as text: IPv4 when the last 12 bytes are zero or it is an
// IPv4-mapped address, else IPv6; "-" when unknown.
std::string addressText(const uint8_t a[16]) {
    static const uint8_t zero[16] = {0};
    if (std::equal(a, a + 16, zero)) return "-";
    char text[INET6_ADDRSTRLEN] = "-";
    bool v4 = std::all_of(a + 4, a + 16, [](uint8_t b) { return b == 0; });
    if (v4)
        inet_ntop(AF_INET, a, text, sizeof text);
    else
        inet_ntop(AF_INET6, a, text, sizeof text);
    return text;
}

const char *privilegeText(uint32_t privilege) {
    switch (privilege) {
        case SM_PRIVILEGE_READ_ONLY:
            return "read-only";
        case SM_PRIVILEGE_READ_WRITE:
            return "read-write";
        default:
            return "none";
    }
}

}  // namespace

int smRecordStart(const smRecord &record) {
    for (const smRecord &r : gRecords)
        if (r.owner == record.owner && r.cookie == record.cookie) return -1;
    gRecords.push_back(record);
    return 0;
}

int smRecordEnd(uint64_t owner, const std::string &cookie) {
    auto it = std::find_if(gRecords.begin(), gRecords.end(), [&](const smRecord &r) {
        return r.owner == owner && r.cookie == cookie;
    });
    if (it == gRecords.end()) return -1;
    gRecords.erase(it);
    return 0;
}

uint64_t smRecordOwner(const std::string &cookie) {
    for (const smRecord &r : gRecords)
        if (r.cookie == cookie) return r.owner;
    return 0;
}

void smRecordDropOwner(uint64_t owner) {
    gRecords.erase(std::remove_if(gRecords.begin(), gRecords.end(),
                                  [owner](const smRecord &r) { return r.owner == owner; }),
                   gRecords.end());
}

const std::vector<smRecord> &smRecords() { return gRecords; }

std::string smRecordListText() {
    std::string out;
    char line[256];
    snprintf(line, sizeof line, "%-24s %-16s %-20s %-8s %-19s %s\n", "ID", "USER", "CLIENT",
             "PROCESS", "STARTED", "PRIVILEGE");
    out += line;
    // Start times are seconds of the owners' monotonic clock, the same clock as ours.
    uint32_t nowMono = monotime(nullptr);
    time_t nowWall = time(nullptr);
    for (const smRecord &r : gRecords) {
        time_t started = nowWall - time_t(nowMono >= r.startTime ? nowMono - r.startTime : 0);
        struct tm local;
        char when[32];
        strftime(when, sizeof when, "%Y-%m-%d %H:%M:%S", localtime_r(&started, &local));
        snprintf(line, sizeof line, "%-24s %-16s %-20s %-8s %-19s %s\n", r.cookie.c_str(),
                 r.userName.c_str(), addressText(r.clientAddress).c_str(), r.ownerName.c_str(),
                 when, privilegeText(r.privilege));
        out += line;
    }
    return out;
}
