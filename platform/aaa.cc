#include "platform/aaa.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <string>
#include <vector>

#include "platform/clock.h"
#include "platform/dispatch.h"
#include "platform/keyed_hash.h"
#include "platform/plink.h"
#include "platform/util.h"

// Each accepted request is remembered until its one result has been delivered: the
// answer from platformd, or a failure made here when the link drops or the answer is
// late. A late answer finds nothing pending and is dropped.
namespace {

struct Pending {
    void *userdata;
    char userName[33];
    uint64_t deadlineUs;
    std::string passwordHash;  // keyedHash of the password, for the cache
    uint64_t generation;       // gGeneration when sent
};

// Credentials platformd accepted, with its answer, remembered until platformd announces
// a change of the accounts or of a lock-out, or the link drops (news may have been
// missed). Only acceptances are remembered: every failure is platformd's to count.
struct Verified {
    std::string passwordHash;
    aaaResult_t result;
};

std::mutex gMutex;
std::map<uint32_t, Pending> gPending;
std::map<std::string, Verified> gVerified;  // by user name
uint64_t gGeneration = 0;                   // counts the forgettings of gVerified
aaaCallBack_t gCallBack;
dispatchWork_t gTimer;

void forgetVerifiedLocked() {
    gVerified.clear();
    gGeneration++;
}

void deliver(const Pending &p, const aaaResult_t *answer) {
    aaaResult_t r;
    memset(&r, 0, sizeof r);
    if (answer) r = *answer;
    r.userdata = p.userdata;
    if (!answer) strlcpy(r.userName, p.userName, sizeof r.userName);
    if (gCallBack) gCallBack(&r);
}

// Fails every pending request that matches `due` (on the dispatcher thread).
template <typename Pred>
void failPending(Pred due) {
    std::vector<Pending> failed;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        for (auto it = gPending.begin(); it != gPending.end();) {
            if (due(it->first, it->second)) {
                failed.push_back(it->second);
                it = gPending.erase(it);
            } else {
                ++it;
            }
        }
    }
    for (const Pending &p : failed) deliver(p, nullptr);
}

void onTick(void *) {
    uint64_t now = clockNowUs();
    failPending([now](uint32_t, const Pending &p) { return now >= p.deadlineUs; });
}

// The requests that were waiting when the link went down fail; one sent after, on the
// next link, waits for its own answer.
void onLinkHook(bool up) {
    {
        std::lock_guard<std::mutex> lock(gMutex);
        forgetVerifiedLocked();
    }
    if (up) return;
    auto *lost = new std::set<uint32_t>;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        for (const auto &entry : gPending) lost->insert(entry.first);
    }
    auto failLost = [](void *arg) {
        std::unique_ptr<std::set<uint32_t>> ids(static_cast<std::set<uint32_t> *>(arg));
        failPending([&](uint32_t id, const Pending &) { return ids->count(id) != 0; });
    };
    // Not posted: their deadlines fail them instead.
    if (dispatchPost(failLost, lost) != 0) delete lost;
}

void onResult(tlv_t *t) {
    uint32_t id = 0, status = 0, error = 0, flags = 0, privilege = 0;
    const char *name = nullptr;
    if (tlvDecode(t, PLINK_TAG_ID, TLV_DEC_U32, &id, PLINK_TAG_STATUS, TLV_DEC_U32, &status,
                  PLINK_TAG_ERROR, TLV_DEC_U32, &error, PLINK_TAG_FLAGS, TLV_DEC_U32, &flags,
                  PLINK_TAG_PRIVILEGE, TLV_DEC_U32, &privilege, PLINK_TAG_NAME, TLV_DEC_STRING,
                  &name, static_cast<uint32_t *>(nullptr), TLV_DEC_END) != 0)
        return;
    aaaResult_t r;
    memset(&r, 0, sizeof r);
    strlcpy(r.userName, name, sizeof r.userName);
    strlcpy(r.securityProfile, "local", sizeof r.securityProfile);
    r.privilege = privilege;
    r.authenResult = int32_t(status);
    r.authenError = int32_t(error);
    r.flags = flags;
    Pending p;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        auto it = gPending.find(id);
        if (it == gPending.end()) return;
        p = std::move(it->second);
        gPending.erase(it);
        if (status != 0 && !p.passwordHash.empty() && p.generation == gGeneration)
            gVerified[p.userName] = Verified{p.passwordHash, r};
    }
    deliver(p, &r);
}

void onChanged(tlv_t *) {
    std::lock_guard<std::mutex> lock(gMutex);
    forgetVerifiedLocked();
}

// Answers from the credentials platformd accepted before: the callback runs on the
// caller's thread before aaaAuthenticateClient returns, which spares a waiting caller
// two thread hand-offs. False when platformd must be asked: nothing remembered, another
// password, a caller that counts this user's failures, or news from platformd not yet
// handled.
bool answerFromCache(const aaaRequest_t *request, const std::string &passwordHash) {
    if (request->lockout || passwordHash.empty() || !plinkCaughtUp()) return false;
    Pending pending;
    aaaResult_t result;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        auto it = gVerified.find(request->userName);
        if (it == gVerified.end() || !constantTimeEqual(it->second.passwordHash, passwordHash))
            return false;
        result = it->second.result;
    }
    pending.userdata = request->userdata;
    deliver(pending, &result);
    return true;
}

}  // namespace

int aaaRegister(aaaCallBack_t callBack, int) {
    gCallBack = callBack;
    plinkSetHandler(PLINK_AAA_RESULT, onResult);
    plinkSetHandler(PLINK_AAA_CHANGED, onChanged);
    plinkAddLinkHook(onLinkHook);
    if (!gTimer)
        gTimer =
            dispatchExecuteWorkItem(onTick, nullptr, 0, dispatchTime_t{1, 0}, DISPATCH_WORK_REPEAT);
    return gTimer ? 0 : -1;
}

namespace {
uint64_t timeoutUs() {
    long seconds = AAA_TIMEOUT_SECONDS;
    if (const char *text = getenv("KARN_AAA_TIMEOUT_SECONDS"); text && *text) {
        char *end;
        long value = strtol(text, &end, 10);
        if (*end == 0 && value > 0 && value < 86400) seconds = value;
    }
    return uint64_t(seconds) * 1000000u;
}
}  // namespace

int aaaAuthenticateClient(aaaRequest_t *request) {
    if (!request) return -1;
    char name[33], password[33], method[33];
    strlcpy(name, request->userName, sizeof name);
    strlcpy(password, request->password, sizeof password);
    strlcpy(method, request->method, sizeof method);
    std::string passwordHash = keyedHash(password);
    if (answerFromCache(request, passwordHash)) {
        memset(password, 0, sizeof password);
        return 0;
    }
    uint32_t id = plinkNextId();
    Pending p;
    p.userdata = request->userdata;
    strlcpy(p.userName, request->userName, sizeof p.userName);
    p.deadlineUs = clockNowUs() + timeoutUs();
    p.passwordHash = std::move(passwordHash);
    {
        std::lock_guard<std::mutex> lock(gMutex);
        p.generation = gGeneration;
        gPending[id] = std::move(p);
    }
    uint8_t buf[512];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    int rc = tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_AAA_AUTH), PLINK_TAG_ID,
                       TLV_ENC_U32, id, PLINK_TAG_NAME, TLV_ENC_STRING, name, PLINK_TAG_PASSWORD,
                       TLV_ENC_STRING, password, PLINK_TAG_LOCKOUT, TLV_ENC_U32, request->lockout,
                       PLINK_TAG_SERVICE, TLV_ENC_U32, request->service, PLINK_TAG_ADDRESS,
                       TLV_ENC_BLOCK, request->clientAddress, uint32_t(16), PLINK_TAG_TEXT,
                       TLV_ENC_STRING, method, TLV_ENC_END);
    memset(password, 0, sizeof password);
    if (rc != 0 || (plinkConnect() != 0) || plinkSend(&t) != 0) {
        // Not sent: fail it now, on the dispatcher thread, as the only result.
        std::lock_guard<std::mutex> lock(gMutex);
        gPending[id].deadlineUs = 0;
        dispatchPost(onTick, nullptr);
    }
    memset(buf, 0, sizeof buf);
    return 0;
}

int aaaAccountsChanged() {
    uint32_t id = plinkNextId();
    uint8_t buf[64];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_AAA_RELOAD), PLINK_TAG_ID,
              TLV_ENC_U32, id, TLV_ENC_END);
    uint8_t reply[64];
    int n = plinkRequest(&t, id, reply, sizeof reply, PLINK_TIMEOUT_MS);
    if (n < 0) return -1;
    tlv_t r;
    tlvInit(&r, reply, uint32_t(n));
    uint32_t status = 1;
    if (tlvDecode(&r, PLINK_TAG_STATUS, TLV_DEC_U32, &status, TLV_DEC_END) != 0) return -1;
    return status == 0 ? 0 : -1;
}
