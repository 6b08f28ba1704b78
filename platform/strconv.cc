#include "platform/strconv.h"

#include <cstdint>
#include <cstdio>
#include <cstring>
#include <vector>

namespace {

int hexDigit(char c) {
    if (c >= '0' && c <= '9') return c - '0';
    if (c >= 'a' && c <= 'f') return c - 'a' + 10;
    if (c >= 'A' && c <= 'F') return c - 'A' + 10;
    return -1;
}

// "61:6:ff" -> {0x61, 0x06, 0xff}; false for anything else (the empty text is no octets).
bool readOctets(const char *text, std::vector<uint8_t> *out) {
    out->clear();
    if (!text) return false;
    const char *p = text;
    while (*p) {
        int high = hexDigit(*p++);
        if (high < 0) return false;
        int low = hexDigit(*p);
        if (low >= 0) p++;
        out->push_back(uint8_t(low >= 0 ? high * 16 + low : high));
        if (*p == ':' && p[1]) {
            p++;
        } else if (*p) {
            return false;
        }
    }
    return true;
}

// snprintf's count: 0 when the whole text fitted.
int fitted(size_t size, int written) {
    return written >= 0 && size_t(written) < size ? 0 : -1;
}

}  // namespace

int strStringToOctet(const char *text, char *out, size_t size) {
    if (!text || !out || size == 0) return -1;
    size_t length = strlen(text);
    if (length > 0 && 3 * length > size) return -1;  // "xx:" per byte, the last ':' a NUL
    char *p = out;
    *p = 0;
    for (size_t i = 0; i < length; i++)
        p += snprintf(p, 4, i ? ":%02x" : "%02x", unsigned(uint8_t(text[i])));
    return 0;
}

int strOctetToString(const char *octets, char *out, size_t size) {
    std::vector<uint8_t> bytes;
    if (!out || !readOctets(octets, &bytes) || bytes.size() >= size) return -1;
    for (size_t i = 0; i < bytes.size(); i++) {
        if (bytes[i] == 0) return -1;
        out[i] = char(bytes[i]);
    }
    out[bytes.size()] = 0;
    return 0;
}

int strOctetToTcpAddress(const char *octets, char *out, size_t size) {
    std::vector<uint8_t> b;
    if (!out || !readOctets(octets, &b) || b.size() != 6) return -1;
    return fitted(
        size, snprintf(out, size, "%u.%u.%u.%u:%u", b[0], b[1], b[2], b[3], b[4] * 256u + b[5]));
}

int strIntToNetmask(const char *text, char *out, size_t size) {
    if (!text || !out) return -1;
    unsigned bits = 0;
    int used = 0;
    if (sscanf(text, "%2u%n", &bits, &used) != 1 || text[used] != 0 || bits > 32) return -1;
    uint32_t mask = bits ? ~uint32_t(0) << (32 - bits) : 0;
    return fitted(size, snprintf(out, size, "%u.%u.%u.%u", mask >> 24, (mask >> 16) & 255,
                                 (mask >> 8) & 255, mask & 255));
}

int strNetmaskToInt(const char *text, char *out, size_t size) {
    if (!text || !out) return -1;
    unsigned a[4];
    int used = 0;
    if (sscanf(text, "%3u.%3u.%3u.%3u%n", &a[0], &a[1], &a[2], &a[3], &used) != 4 ||
        text[used] != 0)
        return -1;
    uint32_t mask = 0;
    for (unsigned part : a) {
        if (part > 255) return -1;
        mask = mask << 8 | part;
    }
    int bits = 0;
    while (bits < 32 && (mask & (uint32_t(1) << (31 - bits)))) bits++;
    if (bits < 32 && (mask << bits) != 0) return -1;  // a one after the first zero
    return fitted(size, snprintf(out, size, "%d", bits));
}
