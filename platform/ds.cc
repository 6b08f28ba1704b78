// Directory-service client: names and link numbers kept by platformd.
#include "platform/ds.h"

#include <cstring>
#include <map>
#include <mutex>

#include "platform/plink.h"
#include "platform/util.h"

namespace {

struct Pending {
    dsRegisterCallBack_t callBack;
    void *arg;
};
std::mutex gMutex;
std::map<uint32_t, Pending> gPending;  // registrations waiting for their result

int32_t asSigned(uint32_t v) {
    return int32_t(v);
}

void onResult(tlv_t *message) {
    uint32_t id = 0, status = 0;
    if (tlvDecode(message, PLINK_TAG_ID, TLV_DEC_U32, &id, PLINK_TAG_STATUS, TLV_DEC_U32, &status,
                  TLV_DEC_END) != 0)
        return;
    Pending pending;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        auto it = gPending.find(id);
        if (it == gPending.end()) return;
        pending = it->second;
        gPending.erase(it);
    }
    dsRegistration_t result{};
    const char *name = nullptr;
    uint32_t link = 0;
    if (tlvDecode(message, PLINK_TAG_NAME, TLV_DEC_STRING, &name, static_cast<uint32_t *>(nullptr),
                  PLINK_TAG_LINK, TLV_DEC_U32, &link, TLV_DEC_END) == 0) {
        strlcpy(result.name, name, sizeof result.name);
        result.linkNumber = uint16_t(link);
    } else if (asSigned(status) >= 0) {
        status = uint32_t(-1);  // a success without its number is no success
    }
    if (pending.callBack) pending.callBack(pending.arg, &result, asSigned(status));
}

// A registration in flight when the link drops would never be answered: fail it so
// that the caller retries.
void onLink(bool up) {
    if (up) return;
    std::map<uint32_t, Pending> lost;
    {
        std::lock_guard<std::mutex> lock(gMutex);
        lost = gPending;
    }
    for (auto &entry : lost) {
        uint8_t buf[64];
        tlv_t t;
        tlvInit(&t, buf, sizeof buf);
        tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_DS_RESULT), PLINK_TAG_ID,
                  TLV_ENC_U32, entry.first, PLINK_TAG_STATUS, TLV_ENC_U32, uint32_t(-1),
                  TLV_ENC_END);
        plinkQueueLocal(buf, tlvLength(&t));
    }
}

bool validName(const char *name) {
    return name && *name && strlen(name) <= PLINK_NAME_MAX;
}

}  // namespace

int dsNBRegister(const char *name, dsRegisterCallBack_t callBack, void *arg) {
    if (!validName(name)) return -1;
    plinkSetHandler(PLINK_DS_RESULT, onResult);
    plinkAddLinkHook(onLink);
    uint32_t id = plinkNextId();
    {
        std::lock_guard<std::mutex> lock(gMutex);
        gPending[id] = Pending{callBack, arg};
    }
    uint8_t buf[128];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_DS_REGISTER), PLINK_TAG_ID,
              TLV_ENC_U32, id, PLINK_TAG_NAME, TLV_ENC_STRING, name, TLV_ENC_END);
    if (plinkSend(&t) == 0) return 0;
    std::lock_guard<std::mutex> lock(gMutex);
    gPending.erase(id);
    return -1;
}

int dsDeregister(const char *name, int) {
    if (!validName(name)) return -1;
    uint8_t buf[128];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_DS_DEREGISTER), PLINK_TAG_NAME,
              TLV_ENC_STRING, name, TLV_ENC_END);
    return plinkSend(&t);
}

int dsLookup(const char *name, int timeoutMs) {
    if (!validName(name)) return -1;
    uint32_t id = plinkNextId();
    uint8_t buf[128];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_DS_LOOKUP), PLINK_TAG_ID, TLV_ENC_U32,
              id, PLINK_TAG_NAME, TLV_ENC_STRING, name, TLV_ENC_END);
    uint8_t reply[256];
    int length = plinkRequest(&t, id, reply, sizeof reply, timeoutMs);
    if (length < 0) return -1;
    tlv_t r;
    tlvInit(&r, reply, uint32_t(length));
    uint32_t status = 0, link = 0;
    if (tlvDecode(&r, PLINK_TAG_STATUS, TLV_DEC_U32, &status, PLINK_TAG_LINK, TLV_DEC_U32, &link,
                  TLV_DEC_END) != 0 ||
        asSigned(status) < 0)
        return -1;
    return int(link);
}
