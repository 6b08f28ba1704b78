#include "platform/aaa.h"

#include <cstdlib>
#include <cstring>
#include <map>
#include <memory>
#include <mutex>
#include <set>
#include <vector>

#include "platform/clock.h"
#include "platform/dispatch.h"
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
};

std::mutex gMutex;
std::map<uint32_t, Pending> gPending;
aaaCallBack_t gCallBack;
dispatchWork_t gTimer;

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
    Pending p;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        auto it = gPending.find(id);
        if (it == gPending.end()) return;
        p = it->second;
        gPending.erase(it);
    }
    aaaResult_t r;
    memset(&r, 0, sizeof r);
    strlcpy(r.userName, name, sizeof r.userName);
    strlcpy(r.securityProfile, "local", sizeof r.securityProfile);
    r.privilege = privilege;
    r.authenResult = int32_t(status);
    r.authenError = int32_t(error);
    r.flags = flags;
    deliver(p, &r);
}

}  // namespace

int aaaRegister(aaaCallBack_t callBack, int) {
    gCallBack = callBack;
    plinkSetHandler(PLINK_AAA_RESULT, onResult);
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
    uint32_t id = plinkNextId();
    Pending p;
    p.userdata = request->userdata;
    strlcpy(p.userName, request->userName, sizeof p.userName);
    p.deadlineUs = clockNowUs() + timeoutUs();
    {
        std::lock_guard<std::mutex> lock(gMutex);
        gPending[id] = p;
    }
    uint8_t buf[512];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    char name[33], password[33], method[33];
    strlcpy(name, request->userName, sizeof name);
    strlcpy(password, request->password, sizeof password);
    strlcpy(method, request->method, sizeof method);
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
