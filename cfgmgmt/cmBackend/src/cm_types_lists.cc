// Converters and printers of the VPN values, bit lists and time-slot lists.
#include <arpa/inet.h>

#include <cctype>
#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "cfgmgmt/cmBackend/src/cm_types.h"

namespace {

// A decimal (base 10) or hexadecimal (base 16) part of a VPN value: empty is 0; a part
// that begins with a digit must be all digits; the whole part must convert to a
// 32-bit number.
bool vpnNumber(const char *s, int base, uint64_t *out) {
    if (!*s) {
        *out = 0;
        return true;
    }
    auto isDigit = [base](unsigned char c) { return base == 16 ? isxdigit(c) : isdigit(c); };
    if (isDigit(static_cast<unsigned char>(*s))) {
        for (const char *p = s; *p; p++)
            if (!isDigit(static_cast<unsigned char>(*p))) return false;
    }
    char *end = nullptr;
    errno = 0;
    unsigned long long v = strtoull(s, &end, base);
    if (*end || errno == ERANGE || v > 0xFFFFFFFFull) return false;
    *out = v;
    return true;
}

// The route distinguisher/target text into type and 6 value bytes. `sawColon` tells
// whether the text had its separator (route targets then get their sub-type).
bool routeValue(const char *text, uint8_t *type, uint8_t value[6], bool *sawColon) {
    *sawColon = false;
    if (!*text) return true;
    char copy[33];
    strncpy(copy, text, 32);
    copy[32] = 0;
    char *colon = strchr(copy, ':');
    if (!colon) return false;
    *sawColon = true;
    *colon = 0;
    const char *admin = copy, *assignedText = colon + 1;
    uint64_t assigned;
    in_addr ipv4;
    if (inet_pton(AF_INET, admin, &ipv4) > 0) {
        uint32_t host = ntohl(ipv4.s_addr);
        if (!host || !vpnNumber(assignedText, 10, &assigned) || assigned > 0xFFFF) return false;
        uint16_t a16 = static_cast<uint16_t>(assigned);
        *type = 1;
        memcpy(value, &host, 4);
        memcpy(value + 4, &a16, 2);
        return true;
    }
    uint64_t as;
    if (!vpnNumber(admin, 10, &as) || as == 0 || !vpnNumber(assignedText, 10, &assigned))
        return false;
    if (as <= 0xFFFF) {
        uint16_t as16 = static_cast<uint16_t>(as);
        uint32_t a32 = static_cast<uint32_t>(assigned);
        *type = 0;
        memcpy(value, &as16, 2);
        memcpy(value + 2, &a32, 4);
        return true;
    }
    if (assigned > 0xFFFF) return false;
    uint32_t as32 = static_cast<uint32_t>(as);
    uint16_t a16 = static_cast<uint16_t>(assigned);
    *type = 2;
    memcpy(value, &as32, 4);
    memcpy(value + 4, &a16, 2);
    return true;
}

void printRouteValue(unsigned type, const uint8_t value[6], buffer_t *b) {
    if (!b) return;
    if (type == 0) {
        uint16_t as;
        uint32_t assigned;
        memcpy(&as, value, 2);
        memcpy(&assigned, value + 2, 4);
        if (as || assigned) bufferPutf(b, "%u:%u", unsigned(as), assigned);
    } else if (type == 1 || type == 2) {
        uint32_t admin;
        uint16_t assigned;
        memcpy(&admin, value, 4);
        memcpy(&assigned, value + 4, 2);
        if (type == 1)
            bufferPutf(b, "%I:%u", htonl(admin), unsigned(assigned));
        else
            bufferPutf(b, "%u:%u", admin, unsigned(assigned));
    }
}

// A decimal number of the bit-list text: base 10 with the C library, kept in 64 bits.
bool bitNumber(const char *p, const char **end, long long *out) {
    char *e = nullptr;
    long long v = strtoll(p, &e, 10);
    if (e == p) return false;
    *end = e;
    *out = v;
    return true;
}

void skipBlanks(const char *&p) {
    while (*p == ' ' || *p == '\t') p++;
}

// A time slot 1..32 (leading zeros ignored); false on anything else.
bool slotNumber(const char *&p, int *slot) {
    if (!isdigit(static_cast<unsigned char>(*p))) return false;
    long v = 0;
    for (; isdigit(static_cast<unsigned char>(*p)); p++)
        if (v <= 32) v = v * 10 + (*p - '0');
    if (v < 1 || v > 32) return false;
    *slot = static_cast<int>(v);
    return true;
}

uint32_t slotBits(int first, int last) {
    uint32_t bits = 0;
    for (int s = first; s <= last; s++) bits |= 0x80000000u >> (s - 1);
    return bits;
}

}  // namespace

int STRING_TO_VPNVRFRD(vpnvrfrd_t *dst, const char *text) {
    if (!dst || !text) return 0;
    memset(dst, 0, sizeof *dst);
    uint8_t type = 0;
    bool sawColon;
    if (!routeValue(text, &type, dst->value, &sawColon)) return 0;
    dst->type = type;
    return 1;
}

int STRING_TO_VPNVRFRT(vpnvrfrt_t *dst, const char *text) {
    if (!dst || !text) return 0;
    memset(dst, 0, sizeof *dst);
    uint8_t type = 0;
    bool sawColon;
    bool ok = routeValue(text, &type, dst->value, &sawColon);
    if (sawColon) dst->subType = 2;
    if (!ok) return 0;
    dst->type = type;
    return 1;
}

int STRING_TO_VPNID(vpnid_t *dst, const char *text) {
    if (!dst || !text) return 0;
    memset(dst, 0, sizeof *dst);
    if (!*text) return 1;
    char copy[33];
    strncpy(copy, text, 32);
    copy[32] = 0;
    char *colon = strchr(copy, ':');
    if (!colon) return 0;
    *colon = 0;
    uint64_t oui, index;
    if (!vpnNumber(copy, 16, &oui) || oui > 0xFFFFFF || !vpnNumber(colon + 1, 16, &index)) return 0;
    for (int i = 0; i < 3; i++) dst->oui[i] = static_cast<uint8_t>(oui >> (8 * i));
    for (int i = 0; i < 4; i++) dst->index[i] = static_cast<uint8_t>(index >> (8 * i));
    return 1;
}

void vpnvrfrd_t_print(const vpnvrfrd_t *v, buffer_t *b) {
    if (v) printRouteValue(v->type, v->value, b);
}

void vpnvrfrt_t_print(const vpnvrfrt_t *v, buffer_t *b) {
    if (v) printRouteValue(v->type, v->value, b);
}

void vpnid_t_print(const vpnid_t *v, buffer_t *b) {
    if (!v || !b) return;
    uint32_t oui = 0, index = 0;
    for (int i = 0; i < 3; i++) oui |= uint32_t(v->oui[i]) << (8 * i);
    for (int i = 0; i < 4; i++) index |= uint32_t(v->index[i]) << (8 * i);
    if (oui || index) bufferPutf(b, "%X:%X", oui, index);
}

int STRING_TO_BITARRAY(bitarray_t **dst, const char *text) {
    if (!dst || !text) return 0;
    if (!*text) {
        bitarray_t *ba = bitarray_alloc(1);
        if (!ba) return 0;
        *dst = ba;
        return 1;
    }
    const char *p = text;
    long long size;
    const char *end;
    if (bitNumber(text, &end, &size) && *end == ':') {
        p = end + 1;  // the list after the size prefix
    } else {
        // No size: the array is as large as the largest bit named.
        long long largest = 0, v;
        for (const char *q = text; *q;) {
            if (!bitNumber(q, &end, &v)) {
                q++;
                continue;
            }
            if (v >= 0x7FFFFFFFLL || v <= -0x80000000LL) return 0;
            if (v > largest) largest = v;
            q = *end ? end + 1 : end;
        }
        size = largest + 1;
    }
    if (size < 0 || size > BITARRAY_MAX_BITS) return 0;
    bitarray_t *ba = bitarray_alloc(static_cast<uint32_t>(size));
    if (!ba) return 0;
    bitarray_init(ba, static_cast<uint32_t>(size));
    long long first, last;
    while (*p && bitNumber(p, &end, &first)) {
        p = end;
        if (*p == '-' && bitNumber(p + 1, &end, &last)) {
            p = end;
            if (last < first || *p == '-') {
                bitarray_free(ba);
                return 0;
            }
            // Bits outside the array are the library's to refuse; keep within 32 bits.
            if (first >= 0 && last <= 0xFFFFFFFFLL) {
                bitarray_set(ba, static_cast<uint32_t>(first), static_cast<uint32_t>(last));
                bitarray_set_bit(ba, static_cast<uint32_t>(last));
            }
        } else if (first >= 0 && first <= 0xFFFFFFFFLL) {
            bitarray_set_bit(ba, static_cast<uint32_t>(first));
        }
        if (*p != ',') break;
        p++;
    }
    *dst = ba;
    return 1;
}

int STRING_TO_TIMESLOTLIST(timeslotlist_t *dst, const char *text) {
    if (!dst || !text) return 0;
    const char *p = text;
    skipBlanks(p);
    if (!*p) return 1;
    if (*p == ',' || *p == '-') return 0;
    uint32_t bits = 0;
    for (;;) {
        skipBlanks(p);
        if (*p == '*') {
            p++;
            if (*p && *p != ' ' && *p != ',') return 0;
            bits = 0xFFFFFFFFu;
        } else {
            int first, last;
            if (!slotNumber(p, &first)) return 0;
            last = first;
            skipBlanks(p);
            if (*p == '-') {
                p++;
                skipBlanks(p);
                if (!slotNumber(p, &last) || last < first) return 0;
            }
            bits |= slotBits(first, last);
        }
        skipBlanks(p);
        if (!*p) break;
        if (*p != ',') return 0;
        p++;
        skipBlanks(p);
        if (!*p) return 0;  // a "," at the very end
    }
    *dst |= bits;
    return 1;
}
