// Decodes arbitrary bytes the way a receiver of the request link does; any read outside
// the input is caught by the sanitizers.
#include <cstdint>
#include <cstring>
#include <vector>

#include "platform/tlv.h"

namespace {

volatile uint32_t gSink;

void touch(const void *data, uint32_t length) {
    auto *p = static_cast<const uint8_t *>(data);
    uint32_t sum = 0;
    for (uint32_t i = 0; i < length; i++) sum += p[i];
    gSink = sum;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > (1u << 20)) return 0;
    std::vector<uint8_t> copy(data, data + size);  // exact size: an over-read is visible
    tlv_t t;
    tlvInit(&t, copy.data(), static_cast<uint32_t>(size));
    uint32_t type = 0;
    if (tlvDecode(&t, 100u, TLV_DEC_U32, &type, TLV_DEC_END) != 0) return 0;
    const char *text = nullptr;
    const void *block = nullptr;
    uint32_t length = 0, value = 0;
    for (uint32_t tag : {200u, 301u, 303u, 306u}) {
        if (tlvDecode(&t, tag, TLV_DEC_STRING, &text, &length, TLV_DEC_END) == 0) {
            touch(text, length + 1);  // the NUL is inside the message too
            if (strlen(text) != length) __builtin_trap();
        }
    }
    for (uint32_t tag : {300u, 302u})
        if (tlvDecode(&t, tag, TLV_DEC_BLOCK, &block, &length, TLV_DEC_END) == 0)
            touch(block, length);
    for (uint32_t tag : {304u, 305u}) tlvDecode(&t, tag, TLV_DEC_U32, &value, TLV_DEC_END);
    // Several at once, as the daemon asks for a request fragment.
    tlvDecode(&t, 300u, TLV_DEC_BLOCK, &block, &length, 301u, TLV_DEC_STRING, &text, nullptr,
              TLV_DEC_END);
    return 0;
}
