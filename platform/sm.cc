#include "platform/sm.h"

#include <cstring>

#include "platform/plink.h"
#include "platform/util.h"

namespace {

smCallBack_t gCallBack;

void onAction(tlv_t *t) {
    uint32_t action = 0;
    const char *cookie = nullptr;
    if (tlvDecode(t, PLINK_TAG_ACTION, TLV_DEC_U32, &action, PLINK_TAG_COOKIE, TLV_DEC_STRING,
                  &cookie, static_cast<uint32_t *>(nullptr), TLV_DEC_END) != 0)
        return;
    if (gCallBack) gCallBack(int(action), cookie);
}

// Sends a request and returns the status of its PLINK_SM_STATUS reply, or -1.
int statusRequest(tlv_t *request, uint32_t id) {
    if (plinkConnect() != 0) return -1;
    uint8_t reply[256];
    int n = plinkRequest(request, id, reply, sizeof reply, PLINK_TIMEOUT_MS);
    if (n < 0) return -1;
    tlv_t r;
    tlvInit(&r, reply, uint32_t(n));
    uint32_t status = 0;
    if (tlvDecode(&r, PLINK_TAG_STATUS, TLV_DEC_U32, &status, TLV_DEC_END) != 0) return -1;
    return int(status);
}

}  // namespace

int smInit(smCallBack_t callBack) {
    gCallBack = callBack;
    plinkSetHandler(PLINK_SM_ACTION, onAction);
    return 0;
}

int smStartOfSession(const smSession_t *s) {
    if (!s) return -1;
    char name[33], cookie[33];
    strlcpy(name, s->userName, sizeof name);
    strlcpy(cookie, s->cookie, sizeof cookie);
    uint32_t id = plinkNextId();
    uint8_t buf[512];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    if (tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_SM_START), PLINK_TAG_ID,
                  TLV_ENC_U32, id, PLINK_TAG_NAME, TLV_ENC_STRING, name, PLINK_TAG_PRIVILEGE,
                  TLV_ENC_U32, s->privilege, PLINK_TAG_SERVICE, TLV_ENC_U32, s->sessionType,
                  PLINK_TAG_ADDRESS, TLV_ENC_BLOCK, s->clientAddress, uint32_t(16),
                  PLINK_TAG_COOKIE, TLV_ENC_STRING, cookie, PLINK_TAG_TIME, TLV_ENC_U32,
                  s->startTime, TLV_ENC_END) != 0)
        return -1;
    return statusRequest(&t, id);
}

int smEndOfSession(const char *cookie) {
    if (!cookie) return -1;
    char text[33];
    strlcpy(text, cookie, sizeof text);
    uint32_t id = plinkNextId();
    uint8_t buf[128];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    if (tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_SM_END), PLINK_TAG_ID,
                  TLV_ENC_U32, id, PLINK_TAG_COOKIE, TLV_ENC_STRING, text, TLV_ENC_END) != 0)
        return -1;
    return statusRequest(&t, id);
}

// AAA privileges are already the session manager's levels here.
uint32_t smConvertAAAAuthToSmAuth(uint32_t aaaPrivilege) { return aaaPrivilege; }
