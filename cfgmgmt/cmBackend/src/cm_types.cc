// Converters and printers of the scalar and address value types.
#include "cfgmgmt/cmBackend/src/cm_types.h"

#include <arpa/inet.h>

#include <cctype>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <initializer_list>

static_assert(sizeof(tod_t) == 4 && sizeof(date_t) == 4);
static_assert(sizeof(ipv6_t) == 16 && sizeof(ipv6_scoped_t) == 52 && sizeof(ipv6_mask_t) == 20);
static_assert(sizeof(ipAddressN_t) == 56 && sizeof(ipAddrN_t) == 20);
static_assert(sizeof(ipAddressN_mask_t) == 24);
static_assert(sizeof(vpnvrfrd_t) == 8 && sizeof(vpnvrfrt_t) == 8 && sizeof(vpnid_t) == 8);

namespace {

// Reads text the way the C library's scanf reads "%d", "%u" and "%x" (blanks skipped,
// an optional sign, "0x" allowed in base 16), but saturating instead of overflowing,
// so that a range check afterwards rejects huge numbers.
struct Scanner {
    const char *p;

    void skipBlanks() {
        while (*p == ' ' || (*p >= '\t' && *p <= '\r')) p++;
    }
    bool literal(char c) {
        if (*p != c) return false;
        p++;
        return true;
    }
    bool number(int base, int64_t *out) {
        skipBlanks();
        bool negative = false;
        if (*p == '+' || *p == '-') negative = *p++ == '-';
        if (base == 16 && p[0] == '0' && (p[1] == 'x' || p[1] == 'X') &&
            isxdigit((unsigned char)p[2]))
            p += 2;
        int64_t v = 0;
        const char *start = p;
        for (;; p++) {
            int digit;
            if (*p >= '0' && *p <= '9')
                digit = *p - '0';
            else if (base == 16 && *p >= 'a' && *p <= 'f')
                digit = *p - 'a' + 10;
            else if (base == 16 && *p >= 'A' && *p <= 'F')
                digit = *p - 'A' + 10;
            else
                break;
            if (v < (int64_t(1) << 40)) v = v * base + digit;
        }
        if (p == start) return false;
        *out = negative ? -v : v;
        return true;
    }
};

bool inRange(int64_t v, int64_t min, int64_t max) {
    return v >= min && v <= max;
}

// The whole text as one number of the C library's conversion in base 10.
template <typename T, typename Conv>
int wholeNumber(T *dst, const char *text, Conv conv) {
    if (!dst || !text) return 0;
    char *end = nullptr;
    auto v = conv(text, &end, 10);
    if (*end) return 0;
    *dst = static_cast<T>(v);
    return 1;
}

// "a.b.c.d" into the four bytes; what follows is not looked at.
bool dotted(Scanner &s, uint8_t bytes[4]) {
    for (int i = 0; i < 4; i++) {
        int64_t v;
        if ((i && !s.literal('.')) || !s.number(10, &v) || !inRange(v, 0, 255)) return false;
        bytes[i] = static_cast<uint8_t>(v);
    }
    return true;
}

uint32_t hostOrder(const uint8_t bytes[4]) {
    return uint32_t(bytes[0]) << 24 | uint32_t(bytes[1]) << 16 | uint32_t(bytes[2]) << 8 | bytes[3];
}

// Runs a printer into `b`, or prints its text and a newline when `b` is null.
template <typename Print>
void printOrShow(buffer_t *b, Print print) {
    if (b) {
        print(b);
        return;
    }
    buffer_t local = {};
    print(&local);
    fputs(local.data ? local.data : "", stdout);
    fputc('\n', stdout);
    free(local.data);
}

void putIpv6(buffer_t *b, const uint8_t address[16], const char *format, const char *zone,
             int length) {
    char text[INET6_ADDRSTRLEN];
    if (!inet_ntop(AF_INET6, address, text, sizeof text)) return;
    if (zone)
        bufferPutf(b, format, text, zone);
    else
        bufferPutf(b, format, text, length);
}

// A zone name of at most 32 characters, even if the record lacks its terminator.
const char *zoneOf(const char *zone, char *copy) {
    size_t n = strnlen(zone, 32);
    memcpy(copy, zone, n);
    copy[n] = 0;
    return copy;
}

}  // namespace

octetString_t *octetString_t_alloc(const uint8_t *source, uint32_t length) {
    auto *s = static_cast<octetString_t *>(calloc(1, sizeof(octetString_t)));
    if (!s) return nullptr;
    s->octets = static_cast<uint8_t *>(calloc(size_t(length) + 1, 1));
    if (!s->octets) {
        free(s);
        return nullptr;
    }
    if (source && length) memcpy(s->octets, source, length);
    s->length = length;
    return s;
}

void octetString_t_free(octetString_t *s) {
    if (!s) return;
    free(s->octets);
    free(s);
}

oid_t *oid_t_alloc(const uint32_t *source, uint32_t count) {
    auto *o = static_cast<oid_t *>(calloc(1, sizeof(oid_t)));
    if (!o) return nullptr;
    o->components = static_cast<uint32_t *>(calloc(size_t(count) + 1, sizeof(uint32_t)));
    if (!o->components) {
        free(o);
        return nullptr;
    }
    if (source && count) memcpy(o->components, source, size_t(count) * sizeof(uint32_t));
    o->count = count;
    return o;
}

void oid_t_free(oid_t *o) {
    if (!o) return;
    free(o->components);
    free(o);
}

uint32_t netmaskLengthToMask(uint32_t length) {
    if (length == 0) return 0;
    if (length >= 32) return 0xFFFFFFFFu;
    return ~0u << (32 - length);
}

uint32_t netmaskMaskToLength(uint32_t mask) {
    uint32_t n = 0;
    while (n < 32 && (mask & (0x80000000u >> n))) n++;
    return n;
}

int STRING_TO_INT8(int8_t *dst, const char *text) {
    return wholeNumber(dst, text, strtol);
}
int STRING_TO_SHORT(int16_t *dst, const char *text) {
    return wholeNumber(dst, text, strtol);
}
int STRING_TO_INT16(int16_t *dst, const char *text) {
    return wholeNumber(dst, text, strtol);
}
int STRING_TO_INT(int32_t *dst, const char *text) {
    return wholeNumber(dst, text, strtol);
}
int STRING_TO_LONG(int32_t *dst, const char *text) {
    return wholeNumber(dst, text, strtol);
}
int STRING_TO_INT32(int32_t *dst, const char *text) {
    return wholeNumber(dst, text, strtol);
}
int STRING_TO_LLONG(int64_t *dst, const char *text) {
    return wholeNumber(dst, text, strtoll);
}
int STRING_TO_INT64(int64_t *dst, const char *text) {
    return wholeNumber(dst, text, strtoll);
}
int STRING_TO_UINT8(uint8_t *dst, const char *text) {
    return wholeNumber(dst, text, strtoul);
}
int STRING_TO_UINT16(uint16_t *dst, const char *text) {
    return wholeNumber(dst, text, strtoul);
}
int STRING_TO_UINT32(uint32_t *dst, const char *text) {
    return wholeNumber(dst, text, strtoul);
}
int STRING_TO_UINT64(uint64_t *dst, const char *text) {
    return wholeNumber(dst, text, strtoull);
}

namespace {

// A whole unsigned number in `base` after `prefix`, or in base 10 without it.
int prefixedNumber(uint32_t *dst, const char *text, const char *prefix, int base) {
    if (!dst || !text) return 0;
    size_t n = strlen(prefix);
    if (strncmp(text, prefix, n) == 0) {
        text += n;
    } else {
        base = 10;
    }
    char *end = nullptr;
    unsigned long v = strtoul(text, &end, base);
    if (*end) return 0;
    *dst = static_cast<uint32_t>(v);
    return 1;
}

}  // namespace

int STRING_TO_HEX(uint32_t *dst, const char *text) {
    if (text && text[0] == '0' && text[1] == 'X') return prefixedNumber(dst, text, "0X", 16);
    return prefixedNumber(dst, text, "0x", 16);
}

int STRING_TO_OCT(uint32_t *dst, const char *text) {
    return prefixedNumber(dst, text, "0", 8);
}

int STRING_TO_FLOAT(float *dst, const char *text) {
    if (!dst || !text) return 0;
    // Whole part, taken modulo 2^32 as an unsigned number (NaN and infinities give 0).
    double whole = std::trunc(strtod(text, nullptr));
    double low = std::isfinite(whole) ? std::fmod(whole, 4294967296.0) : 0.0;
    if (low < 0) low += 4294967296.0;
    *dst = static_cast<float>(static_cast<uint32_t>(low));
    return 1;
}

int STRING_TO_CHAR(char *dst, const char *text) {
    if (!dst || !text || !text[0] || text[1]) return 0;
    *dst = text[0];
    return 1;
}

int STRING_TO_BOOLEAN(uint32_t *dst, const char *text) {
    if (!dst || !text) return 0;
    if (!strcmp(text, "true") || !strcmp(text, "1")) {
        *dst = 1;
        return 1;
    }
    if (!strcmp(text, "false") || !strcmp(text, "0")) {
        *dst = 0;
        return 1;
    }
    return 0;
}

int STRING_TO_ACTION(uint32_t *dst, const char *text) {
    static const char *const kNames[] = {"create", "delete", "configure", "unconfigure", "active"};
    if (!dst) return 0;
    *dst = CM_ACTION_NONE;
    if (!text) return 0;
    for (uint32_t i = 0; i < 5; i++) {
        if (!strcmp(text, kNames[i])) {
            *dst = i + 1;
            return 1;
        }
    }
    return 0;
}

int STRING_TO_IPV4(uint32_t *dst, const char *text) {
    if (!dst || !text) return 0;
    Scanner s{text};
    uint8_t bytes[4];
    if (!dotted(s, bytes)) return 0;
    *dst = hostOrder(bytes);
    return 1;
}

int STRING_TO_IPV4N(uint32_t *dst, const char *text) {
    if (!dst || !text) return 0;
    Scanner s{text};
    uint8_t bytes[4];
    if (!dotted(s, bytes)) return 0;
    memcpy(dst, bytes, 4);
    return 1;
}

int STRING_TO_IPMASK(ipv4_mask_t *dst, const char *text) {
    if (!dst || !text) return 0;
    Scanner s{text};
    uint8_t bytes[4];
    int64_t length;
    if (!dotted(s, bytes) || !s.literal('/') || !s.number(10, &length) || !inRange(length, 0, 32))
        return 0;
    dst->address = hostOrder(bytes);
    dst->length = static_cast<uint32_t>(length);
    return 1;
}

int STRING_TO_MAC(uint8_t *dst, const char *text) {
    if (!dst || !text) return 0;
    for (char separator : {':', '-'}) {
        Scanner s{text};
        uint8_t bytes[6];
        bool ok = true;
        for (int i = 0; i < 6 && ok; i++) {
            int64_t v;
            ok = (!i || s.literal(separator)) && s.number(16, &v) && inRange(v, 0, 0xFF);
            if (ok) bytes[i] = static_cast<uint8_t>(v);
        }
        if (!ok) continue;
        s.skipBlanks();
        if (*s.p) return 0;  // something after the sixth number
        memcpy(dst, bytes, 6);
        return 1;
    }
    return 0;
}

int STRING_TO_TOD(tod_t *dst, const char *text) {
    if (!dst || !text) return 0;
    Scanner s{text};
    int64_t v[3] = {0, 0, 0};
    int n = 0;
    while (n < 3 && (n == 0 || s.literal(':')) && s.number(10, &v[n])) n++;
    if (n < 2 || !inRange(v[0], 0, 23) || !inRange(v[1], 0, 59) || !inRange(v[2], 0, 59)) return 0;
    dst->zero = 0;
    dst->seconds = static_cast<uint8_t>(v[2]);
    dst->minutes = static_cast<uint8_t>(v[1]);
    dst->hours = static_cast<uint8_t>(v[0]);
    return 1;
}

int STRING_TO_DATE(date_t *dst, const char *text) {
    if (!dst || !text) return 0;
    Scanner s{text};
    s.skipBlanks();
    if (!*s.p) {
        *dst = date_t{};
        return 1;
    }
    int64_t v[3] = {0, 0, 0};
    int n = 0;
    while (n < 3 && (n == 0 || s.literal('/')) && s.number(10, &v[n])) n++;
    if (n < 1 || !inRange(v[0], 0, 12) || !inRange(v[1], 0, 31) || !inRange(v[2], 0, 2038))
        return 0;
    dst->month = static_cast<uint8_t>(v[0]);
    dst->day = static_cast<uint8_t>(v[1]);
    dst->year = static_cast<uint16_t>(v[2]);
    return 1;
}

namespace {

// Octet strings and object identifiers are lists of numbers joined by one separator:
// as many items as separators plus one (none for the empty text).
uint32_t itemCount(const char *text, char separator) {
    if (!*text) return 0;
    uint32_t count = 1;
    for (const char *p = text; *p; p++) count += *p == separator;
    return count;
}

// Reads `count` numbers in `base`; false when an item is followed by anything but the
// separator or the end.
template <typename Store>
bool readItems(const char *text, char separator, int base, uint32_t count, Store store) {
    const char *p = text;
    for (uint32_t i = 0; i < count; i++) {
        char *end = nullptr;
        unsigned long value = strtoul(p, &end, base);
        if (*end != separator && *end) return false;
        store(i, value);
        p = *end ? end + 1 : end;
    }
    return true;
}

}  // namespace

int STRING_TO_OCTETSTRING(octetString_t **dst, const char *text) {
    if (!dst || !text) return 0;
    uint32_t count = itemCount(text, ':');
    octetString_t *s = octetString_t_alloc(nullptr, count);
    if (!s) return 0;
    if (!readItems(text, ':', 16, count,
                   [s](uint32_t i, unsigned long v) { s->octets[i] = static_cast<uint8_t>(v); })) {
        octetString_t_free(s);
        return 0;
    }
    *dst = s;
    return 1;
}

int STRING_TO_OID(oid_t **dst, const char *text) {
    if (!dst || !text) return 0;
    uint32_t count = itemCount(text, '.');
    oid_t *o = oid_t_alloc(nullptr, count);
    if (!o) return 0;
    if (!readItems(text, '.', 10, count,
                   [o](uint32_t i, unsigned long v) { o->components[i] = static_cast<uint32_t>(v); })) {
        oid_t_free(o);
        return 0;
    }
    *dst = o;
    return 1;
}

int STRING_TO_IPV6(ipv6_t *dst, const char *text) {
    if (!dst || !text) return 0;
    return inet_pton(AF_INET6, text, dst->address) > 0 ? 1 : 0;
}

int STRING_TO_IPV6_SCOPED(ipv6_scoped_t *dst, char *text) {
    if (!dst || !text) return 0;
    char *percent = strchr(text, '%');
    if (!percent) return 0;
    *percent = 0;
    const char *zone = percent + 1;
    if (inet_pton(AF_INET6, text, dst->address) <= 0 || strlen(zone) >= sizeof dst->zone) return 0;
    memset(dst->zone, 0, sizeof dst->zone);
    strcpy(dst->zone, zone);
    return 1;
}

int STRING_TO_IPV6_MASK(ipv6_mask_t *dst, char *text) {
    if (!dst || !text) return 0;
    char *slash = strchr(text, '/');
    if (!slash) return 0;
    *slash = 0;
    const char *length = slash + 1;
    if (inet_pton(AF_INET6, text, dst->address) <= 0 || !*length) return 0;
    char *end = nullptr;
    unsigned long v = strtoul(length, &end, 10);
    if (*end || v > 128) return 0;
    dst->length = static_cast<uint32_t>(v);
    return 1;
}

namespace {

int ipAddress(ipAddressN_t *dst, char *text, bool network) {
    if (!dst || !text) return 0;
    memset(dst, 0, sizeof *dst);
    if (!strchr(text, ':')) {
        uint32_t v;
        if (!(network ? STRING_TO_IPV4N(&v, text) : STRING_TO_IPV4(&v, text))) return 0;
        dst->family = CM_AF_INET;
        memcpy(dst->address, &v, 4);
        return 1;
    }
    dst->family = CM_AF_INET6;
    if (strchr(text, '%')) {
        ipv6_scoped_t scoped;
        if (!STRING_TO_IPV6_SCOPED(&scoped, text)) return 0;
        memcpy(dst->address, scoped.address, 16);
        memcpy(dst->zone, scoped.zone, sizeof dst->zone);
        return 1;
    }
    return inet_pton(AF_INET6, text, dst->address) > 0 ? 1 : 0;
}

int ipAddr(ipAddrN_t *dst, const char *text, bool network) {
    if (!dst || !text) return 0;
    memset(dst, 0, sizeof *dst);
    if (!strchr(text, ':')) {
        uint32_t v;
        if (!(network ? STRING_TO_IPV4N(&v, text) : STRING_TO_IPV4(&v, text))) return 0;
        dst->family = CM_AF_INET;
        memcpy(dst->address, &v, 4);
        return 1;
    }
    dst->family = CM_AF_INET6;
    return inet_pton(AF_INET6, text, dst->address) > 0 ? 1 : 0;
}

int ipAddressMask(ipAddressN_mask_t *dst, char *text, bool network) {
    if (!dst || !text) return 0;
    memset(dst, 0, sizeof *dst);
    if (!strchr(text, ':')) {
        ipv4_mask_t m;
        if (!STRING_TO_IPMASK(&m, text)) return 0;
        uint32_t v = network ? htonl(m.address) : m.address;
        dst->family = CM_AF_INET;
        dst->length = m.length;
        memcpy(dst->address, &v, 4);
        return 1;
    }
    if (strchr(text, '%')) return 0;
    ipv6_mask_t m;
    if (!STRING_TO_IPV6_MASK(&m, text)) return 0;
    dst->family = CM_AF_INET6;
    dst->length = m.length;
    memcpy(dst->address, m.address, 16);
    return 1;
}

// The IPv4 address of an address record as a network-order value for "%I".
uint32_t ipv4Of(const uint8_t address[16], bool network) {
    uint32_t v;
    memcpy(&v, address, 4);
    return network ? v : htonl(v);
}

void printIpAddress(const ipAddressN_t *v, buffer_t *b, bool network) {
    if (!v || !b) return;
    if (v->family == CM_AF_INET) {
        bufferPutf(b, "%I", ipv4Of(v->address, network));
    } else if (v->family == CM_AF_INET6) {
        char zone[33];
        zoneOf(v->zone, zone);
        if (*zone)
            putIpv6(b, v->address, "%s%%%s", zone, 0);
        else
            putIpv6(b, v->address, "%s", nullptr, 0);
    }
}

void printIpAddr(const ipAddrN_t *v, buffer_t *b, bool network) {
    if (!v || !b) return;
    if (v->family == CM_AF_INET)
        bufferPutf(b, "%I", ipv4Of(v->address, network));
    else if (v->family == CM_AF_INET6)
        putIpv6(b, v->address, "%s", nullptr, 0);
}

void printIpAddressMask(const ipAddressN_mask_t *v, buffer_t *b, bool network) {
    if (!v || !b) return;
    if (v->family == CM_AF_INET)
        bufferPutf(b, "%I/%d", ipv4Of(v->address, network), static_cast<int>(v->length));
    else if (v->family == CM_AF_INET6)
        putIpv6(b, v->address, "%s/%d", nullptr, static_cast<int>(v->length));
}

}  // namespace

int STRING_TO_IPADDRESSN(ipAddressN_t *dst, char *text) {
    return ipAddress(dst, text, true);
}
int STRING_TO_IPADDRESSH(ipAddressH_t *dst, char *text) {
    return ipAddress(dst, text, false);
}
int STRING_TO_IPADDRN(ipAddrN_t *dst, const char *text) {
    return ipAddr(dst, text, true);
}
int STRING_TO_IPADDRH(ipAddrH_t *dst, const char *text) {
    return ipAddr(dst, text, false);
}
int STRING_TO_IPADDRESSN_MASK(ipAddressN_mask_t *dst, char *text) {
    return ipAddressMask(dst, text, true);
}
int STRING_TO_IPADDRESSH_MASK(ipAddressH_mask_t *dst, char *text) {
    return ipAddressMask(dst, text, false);
}

void octetString_t_print(const octetString_t *v, buffer_t *b) {
    printOrShow(b, [v](buffer_t *out) {
        if (!v || !v->length || !v->octets) return;
        for (uint32_t i = 0; i + 1 < v->length; i++) bufferPutf(out, "%.2x:", v->octets[i]);
        bufferPutf(out, "%.2x", v->octets[v->length - 1]);
    });
}

void oid_t_print(const oid_t *v, buffer_t *b) {
    printOrShow(b, [v](buffer_t *out) {
        if (!v || !v->count || !v->components) return;
        for (uint32_t i = 0; i + 1 < v->count; i++) bufferPutf(out, "%u.", v->components[i]);
        bufferPutf(out, "%u", v->components[v->count - 1]);
    });
}

void tod_t_print(const tod_t *v, buffer_t *b) {
    printOrShow(b, [v](buffer_t *out) {
        if (v) bufferPutf(out, "%02u:%02u", unsigned(v->hours), unsigned(v->minutes));
    });
}

void date_t_print(const date_t *v, buffer_t *b) {
    printOrShow(b, [v](buffer_t *out) {
        if (v)
            bufferPutf(out, "%02u/%02u/%04u", unsigned(v->month), unsigned(v->day),
                       unsigned(v->year));
    });
}

void ipv6_t_print(const ipv6_t *v, buffer_t *b) {
    printOrShow(b, [v](buffer_t *out) {
        if (v) putIpv6(out, v->address, "%s", nullptr, 0);
    });
}

void ipv6_scoped_t_print(const ipv6_scoped_t *v, buffer_t *b) {
    printOrShow(b, [v](buffer_t *out) {
        char zone[33];
        if (v) putIpv6(out, v->address, "%s%%%s", zoneOf(v->zone, zone), 0);
    });
}

void ipv6_mask_t_print(const ipv6_mask_t *v, buffer_t *b) {
    printOrShow(b, [v](buffer_t *out) {
        if (v) putIpv6(out, v->address, "%s/%d", nullptr, static_cast<int>(v->length));
    });
}

void ipAddressN_t_print(const ipAddressN_t *v, buffer_t *b) {
    printIpAddress(v, b, true);
}
void ipAddressH_t_print(const ipAddressH_t *v, buffer_t *b) {
    printIpAddress(v, b, false);
}
void ipAddrN_t_print(const ipAddrN_t *v, buffer_t *b) {
    printIpAddr(v, b, true);
}
void ipAddrH_t_print(const ipAddrH_t *v, buffer_t *b) {
    printIpAddr(v, b, false);
}
void ipAddressN_mask_t_print(const ipAddressN_mask_t *v, buffer_t *b) {
    printIpAddressMask(v, b, true);
}
void ipAddressH_mask_t_print(const ipAddressH_mask_t *v, buffer_t *b) {
    printIpAddressMask(v, b, false);
}
