// Process-monitor client: tells platformd this process's id.
#include "platform/epm.h"

#include <unistd.h>

#include "platform/plink.h"

int epmClientSetPid() {
    uint8_t buf[64];
    tlv_t t;
    tlvInit(&t, buf, sizeof buf);
    tlvEncode(&t, PLINK_TAG_KIND, TLV_ENC_U32, uint32_t(PLINK_SET_PID), PLINK_TAG_PID, TLV_ENC_U32,
              uint32_t(getpid()), TLV_ENC_END);
    return plinkSend(&t);
}
