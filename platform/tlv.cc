#include "platform/tlv.h"

#include <cstdarg>
#include <cstring>

namespace {

const uint32_t kItemHeader = 8;  // tag u32 + length u32

uint32_t loadU32(const uint8_t *p) {
    uint32_t v;
    memcpy(&v, p, 4);
    return v;
}

bool append(tlv_t *t, uint32_t tag, const void *value, uint32_t length) {
    uint64_t need = static_cast<uint64_t>(t->used) + kItemHeader + length;
    if (need > t->size) return false;
    uint8_t *p = t->buf + t->used;
    memcpy(p, &tag, 4);
    memcpy(p + 4, &length, 4);
    if (length) memcpy(p + kItemHeader, value, length);
    t->used = static_cast<uint32_t>(need);
    return true;
}

// Checks that the bytes are a whole number of well-formed items; a message with any
// item running past its end is rejected as a whole.
bool wellFormed(const tlv_t *t) {
    uint32_t pos = 0;
    while (pos < t->size) {
        if (t->size - pos < kItemHeader) return false;
        uint32_t length = loadU32(t->buf + pos + 4);
        if (length > t->size - pos - kItemHeader) return false;
        pos += kItemHeader + length;
    }
    return true;
}

// The first item with `tag`: its value and length.
bool find(const tlv_t *t, uint32_t tag, const uint8_t **value, uint32_t *length) {
    uint32_t pos = 0;
    while (pos < t->size) {
        uint32_t len = loadU32(t->buf + pos + 4);
        if (loadU32(t->buf + pos) == tag) {
            *value = t->buf + pos + kItemHeader;
            *length = len;
            return true;
        }
        pos += kItemHeader + len;
    }
    return false;
}

}  // namespace

int tlvInit(tlv_t *t, void *buf, uint32_t size) {
    if (!t) return -1;
    t->buf = static_cast<uint8_t *>(buf);
    t->size = buf ? size : 0;
    t->used = 0;
    return buf || size == 0 ? 0 : -1;
}

int tlvEncode(tlv_t *t, ...) {
    if (!t || !t->buf) return -1;
    uint32_t start = t->used;
    bool ok = true;
    va_list ap;
    va_start(ap, t);
    for (;;) {
        uint32_t tag = va_arg(ap, uint32_t);
        if (tag == TLV_ENC_END) break;  // a lone end marker closes the list
        int kind = va_arg(ap, int);
        if (kind == TLV_ENC_U32) {
            uint32_t v = va_arg(ap, uint32_t);
            ok = append(t, tag, &v, 4);
        } else if (kind == TLV_ENC_STRING) {
            const char *text = va_arg(ap, const char *);
            if (!text) text = "";
            size_t n = strlen(text) + 1;
            ok = n <= UINT32_MAX && append(t, tag, text, static_cast<uint32_t>(n));
        } else if (kind == TLV_ENC_BLOCK || kind == TLV_ENC_BUFFER) {
            const void *data = va_arg(ap, const void *);
            uint32_t length = va_arg(ap, uint32_t);
            ok = (data || length == 0) && append(t, tag, data, length);
        } else {
            ok = false;
        }
        if (!ok) break;
    }
    va_end(ap);
    if (!ok) t->used = start;
    return ok ? 0 : -1;
}

int tlvDecode(tlv_t *t, ...) {
    if (!t || (!t->buf && t->size)) return -1;
    if (!wellFormed(t)) return -1;
    bool ok = true;
    va_list ap;
    va_start(ap, t);
    for (;;) {
        uint32_t tag = va_arg(ap, uint32_t);
        if (tag == TLV_DEC_END) break;
        int kind = va_arg(ap, int);
        const uint8_t *value = nullptr;
        uint32_t length = 0;
        bool found = find(t, tag, &value, &length);
        if (kind == TLV_DEC_U32) {
            auto *out = va_arg(ap, uint32_t *);
            ok = found && length == 4 && out;
            if (ok) *out = loadU32(value);
        } else if (kind == TLV_DEC_STRING) {
            auto **out = va_arg(ap, const char **);
            auto *outLength = va_arg(ap, uint32_t *);
            const void *nul = found ? memchr(value, 0, length) : nullptr;
            ok = nul && out;
            if (ok) {
                *out = reinterpret_cast<const char *>(value);
                if (outLength)
                    *outLength = static_cast<uint32_t>(static_cast<const uint8_t *>(nul) - value);
            }
        } else if (kind == TLV_DEC_BLOCK) {
            auto **out = va_arg(ap, const void **);
            auto *outLength = va_arg(ap, uint32_t *);
            ok = found && out;
            if (ok) {
                *out = value;
                if (outLength) *outLength = length;
            }
        } else {
            ok = false;
        }
        if (!ok) break;  // the rest of the list cannot be read safely past an unknown kind
    }
    va_end(ap);
    return ok ? 0 : -1;
}

uint32_t tlvLength(const tlv_t *t) {
    return t ? t->used : 0;
}
