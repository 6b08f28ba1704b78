// The session manager's records: every management session a process has started
// (user, client address, cookie, start time, privilege), so that an operator can list
// them and end one. A record belongs to the connection that started it and goes away
// with it.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct smRecord {
    uint64_t owner;          // serial of the owning connection
    std::string ownerName;   // its process name
    std::string userName;
    std::string cookie;
    uint8_t clientAddress[16];
    uint32_t privilege;
    uint32_t startTime;      // the owner's monotime at the start
};

// 0, or -1 when the owner already has a session with that cookie.
int smRecordStart(const smRecord &record);
// 0, or -1 when the owner has no session with that cookie.
int smRecordEnd(uint64_t owner, const std::string &cookie);
// The owner of the first session with that cookie, or 0.
uint64_t smRecordOwner(const std::string &cookie);
void smRecordDropOwner(uint64_t owner);
const std::vector<smRecord> &smRecords();
// Privileges as the AAA service grants them.
enum { SM_PRIVILEGE_READ_ONLY = 1, SM_PRIVILEGE_READ_WRITE = 2 };

// A heading and one line per session: id (the cookie), user, client address, process,
// start time (local), privilege.
std::string smRecordListText();
