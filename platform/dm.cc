// Device-manager client: process states and start-up events over the platform link.
#include "platform/dm.h"

#include <atomic>
#include <cstdlib>
#include <cstring>

#include "platform/plink.h"
#include "platform/util.h"

namespace {

std::atomic<dmCallBack_t> gCallBack{nullptr};
std::atomic<dmPortEventHandler_t> gPortHandler{nullptr};
std::atomic<dmIdentityHandler_t> gIdentityHandler{nullptr};
// The state this process last announced; said again after a reconnect, since a
// restarted platformd knows nothing of it.
std::atomic<int> gState{-1};
int gHandle;  // dmConnect hands out its address

void onEvent(tlv_t *message) {
    uint32_t event = 0;
    const char *name = nullptr;
    if (tlvDecode(message, PLINK_TAG_EVENT, TLV_DEC_U32, &event, PLINK_TAG_NAME, TLV_DEC_STRING,
                  &name, static_cast<uint32_t *>(nullptr), TLV_DEC_END) != 0)
        return;
    if (event == DM_EVENT_PORT) {
        uint32_t kind = 0, port = 0;
        dmPortEventHandler_t handler = gPortHandler.load();
        if (handler && tlvDecode(message, PLINK_TAG_ACTION, TLV_DEC_U32, &kind, PLINK_TAG_PORT,
                                 TLV_DEC_U32, &port, TLV_DEC_END) == 0)
            handler(int(kind), port);
        return;
    }
    if (event == DM_EVENT_IDENTITY) {
        const char *domain = nullptr, *mac = nullptr;
        uint32_t port = 0;
        dmIdentityHandler_t handler = gIdentityHandler.load();
        if (handler && tlvDecode(message, PLINK_TAG_DOMAIN, TLV_DEC_STRING, &domain,
                                 static_cast<uint32_t *>(nullptr), PLINK_TAG_TEXT, TLV_DEC_STRING,
                                 &mac, static_cast<uint32_t *>(nullptr), PLINK_TAG_PORT,
                                 TLV_DEC_U32, &port, TLV_DEC_END) == 0)
            handler(name, domain, mac, port);
        return;
    }
    dmCallBack_t callBack = gCallBack.load();
    if (!callBack) return;
    if (event == DM_EVENT_LOAD) {
        dmLoadEvent_t load{};
        strlcpy(load.processName, name, sizeof load.processName);
        callBack(&gHandle, int(event), 0, &load);
    } else {
        callBack(&gHandle, int(event), 0, const_cast<char *>(name));
    }
}

int sendState(int state) {
    uint8_t buf[64];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_SET_STATE), PLINK_TAG_STATE,
              TLV_ENC_U32, uint32_t(state), TLV_ENC_END);
    return plinkSend(&t);
}

void onLink(bool up) {
    int state = gState.load();
    if (up && state >= 0) sendState(state);
}

}  // namespace

int dmInit(int, dmCallBack_t callBack) {
    gCallBack = callBack;
    plinkSetHandler(PLINK_EVENT, onEvent);
    plinkAddLinkHook(onLink);
    // platformd may not be up yet: the link keeps trying, so this still succeeds.
    plinkConnect();
    return 0;
}

int dmSetProcessState(int, int state) {
    plinkAddLinkHook(onLink);
    gState = state;
    return sendState(state);
}

int dmGetProcessState(const char *processName) {
    if (!processName) return 0;
    uint32_t id = plinkNextId();
    uint8_t buf[128];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    if (tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_GET_STATE), PLINK_TAG_ID,
                  TLV_ENC_U32, id, PLINK_TAG_NAME, TLV_ENC_STRING, processName, TLV_ENC_END) != 0)
        return 0;
    uint8_t reply[256];
    int length = plinkRequest(&t, id, reply, sizeof reply, PLINK_TIMEOUT_MS);
    if (length < 0) return 0;
    tlv_t r;
    tlvInit(&r, reply, uint32_t(length));
    uint32_t state = 0;
    if (tlvDecode(&r, PLINK_TAG_STATE, TLV_DEC_U32, &state, TLV_DEC_END) != 0) return 0;
    return int(state);
}

int dmInSync() {
    return plinkInSync() ? 1 : 0;
}

void *dmConnect() {
    // Also a chance to register the link with a dispatcher that did not exist at dmInit.
    plinkConnect();
    return &gHandle;
}

int dmGetPlatformType() {
    const char *forced = getenv("KARN_PLATFORM_TYPE");
    if (forced && *forced) return atoi(forced);
    return DM_PLATFORM_TYPE_DEFAULT;
}

int dmSendLoadRequest(const char *processName) {
    uint8_t buf[128];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    if (tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_LOAD), PLINK_TAG_NAME,
                  TLV_ENC_STRING, processName ? processName : "", TLV_ENC_END) != 0)
        return -1;
    return plinkSend(&t);
}

void dmSetPortEventHandler(dmPortEventHandler_t handler) {
    gPortHandler = handler;
    plinkSetHandler(PLINK_EVENT, onEvent);
}

namespace {

// Sends a request of platformd's port events and reads its status: 0, or -1.
int requestPortStatus(tlv_t *t, uint32_t id) {
    uint8_t reply[128];
    int length = plinkRequest(t, id, reply, sizeof reply, PLINK_TIMEOUT_MS);
    if (length < 0) return -1;
    tlv_t r;
    tlvInit(&r, reply, uint32_t(length));
    uint32_t status = 1;
    if (tlvDecode(&r, PLINK_TAG_STATUS, TLV_DEC_U32, &status, TLV_DEC_END) != 0) return -1;
    return status == 0 ? 0 : -1;
}

}  // namespace

int dmRaisePortEvent(int event, uint32_t portId) {
    uint32_t id = plinkNextId();
    uint8_t buf[128];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    if (tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_PORT_EVENT), PLINK_TAG_ID,
                  TLV_ENC_U32, id, PLINK_TAG_ACTION, TLV_ENC_U32, uint32_t(event), PLINK_TAG_PORT,
                  TLV_ENC_U32, portId, TLV_ENC_END) != 0)
        return -1;
    return requestPortStatus(&t, id);
}

void dmSetIdentityHandler(dmIdentityHandler_t handler) {
    gIdentityHandler = handler;
    plinkSetHandler(PLINK_EVENT, onEvent);
}

int dmRaiseIdentity(const char *user, const char *domain, const char *mac, uint32_t portId) {
    uint32_t id = plinkNextId();
    uint8_t buf[512];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    if (!user || !domain || !mac ||
        tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_IDENTITY), PLINK_TAG_ID,
                  TLV_ENC_U32, id, PLINK_TAG_NAME, TLV_ENC_STRING, user, PLINK_TAG_DOMAIN,
                  TLV_ENC_STRING, domain, PLINK_TAG_TEXT, TLV_ENC_STRING, mac, PLINK_TAG_PORT,
                  TLV_ENC_U32, portId, TLV_ENC_END) != 0)
        return -1;
    return requestPortStatus(&t, id);
}
