#include "cfgmgmt/cmBackend/src/cm_print.h"

#include <cstdio>
#include <cstring>

#include "platform/dmcard.h"

namespace {

// Padding comes from these in pieces of at most 16, so a directive never allocates.
const char kBlanks[] = "                ";
const char kZeros[] = "0000000000000000";
constexpr int kPiece = 16;
constexpr int kMaxWidth = 99999999;  // keeps width and precision arithmetic in range

struct Directive {
    bool left = false, plus = false, space = false, alt = false, zero = false;
    int width = 0;
    int precision = -1;  // -1: none
    bool h = false, l = false, ll = false;
    char letter = 0;
};

bool pad(buffer_t *b, const char *fill, int n) {
    while (n > 0) {
        int piece = n > kPiece ? kPiece : n;
        if (bufferPutn(b, fill, piece) < 1) {
            fputs("Error --> bufferPutf() padding error!\n", stderr);
            return false;
        }
        n -= piece;
    }
    return true;
}

// Lays out one field: blanks, prefix (sign or "0x"), zeros to the width, zeros to the
// precision, text, trailing blanks. Returns the count it adds, or -1.
int emitField(buffer_t *b, const Directive &d, bool zeroFill, const char *prefix, int precZeros,
              const char *text, int textLen) {
    int prefixLen = static_cast<int>(strlen(prefix));
    int fieldLen = prefixLen + precZeros + textLen;
    int fill = d.width > fieldLen ? d.width - fieldLen : 0;
    bool zeros = zeroFill && !d.left;
    if (!d.left && !zeros && !pad(b, kBlanks, fill)) return -1;
    if (prefixLen && bufferPutn(b, prefix, prefixLen) < 0) return -1;
    if (zeros && !pad(b, kZeros, fill)) return -1;
    if (!pad(b, kZeros, precZeros)) return -1;
    if (textLen && bufferPutn(b, text, textLen) < 0) return -1;
    if (d.left && !pad(b, kBlanks, fill)) return -1;
    return fieldLen > d.width ? fieldLen : d.width;
}

int emitText(buffer_t *b, const Directive &d, const char *text, int len) {
    return emitField(b, d, false, "", 0, text, len);
}

int emitNumber(buffer_t *b, const Directive &d, uint64_t magnitude, bool negative, bool isSigned,
               int base, bool upper, bool forcePrefix) {
    const char *digitsOf = upper ? "0123456789ABCDEF" : "0123456789abcdef";
    char scratch[128];
    const bool nonZero = magnitude != 0;
    int end = sizeof scratch, pos = end;
    if (!(magnitude == 0 && d.precision == 0)) {
        do {
            scratch[--pos] = digitsOf[magnitude % base];
            magnitude /= base;
        } while (magnitude && pos > 0);
    }
    int ndigits = end - pos;
    int precZeros = d.precision > ndigits ? d.precision - ndigits : 0;
    const char *prefix = "";
    if (isSigned) {
        prefix = negative ? "-" : d.plus ? "+" : d.space ? " " : "";
    } else if (base == 8 && d.alt) {
        if (precZeros == 0 && (ndigits == 0 || scratch[pos] != '0')) precZeros = 1;
    } else if (base == 16 && (forcePrefix || (d.alt && nonZero))) {
        prefix = upper ? "0X" : "0x";
    }
    bool zeroFill = d.zero && d.precision < 0;
    return emitField(b, d, zeroFill, prefix, precZeros, scratch + pos, ndigits);
}

// "%M": one port identifier.
void portText(uint32_t id, char *out, size_t size) {
    if (plIsMgmtPort(id)) {
        snprintf(out, size, "mgmt");
        return;
    }
    int port = static_cast<int>(id & 0xFFFF);
    if (dmConfig()->words[DM_CONFIG_SLOT_COUNT] < 2) {
        int slot = dmGetSlotFirst();
        if (!dmSlotUsable(slot) || !dmPortPresent(slot, port))
            snprintf(out, size, "invalid port");
        else
            snprintf(out, size, "%d", port);
        return;
    }
    int slot = static_cast<int>(id >> 16);
    if (slot < dmGetSlotFirstIO() || slot > dmGetSlotLastIO() || !dmSlotUsable(slot))
        snprintf(out, size, "invalid slot");
    else if (!dmPortPresent(slot, port))
        snprintf(out, size, "invalid port");
    else
        snprintf(out, size, "%d:%d", slot, port);
}

// The floating-point conversions go to the C library with a directive rebuilt from
// what was parsed ("*" already resolved, "L" dropped since the argument is a double).
int emitFloat(buffer_t *b, const Directive &d, double value) {
    char directive[32];
    int n = snprintf(directive, sizeof directive, "%%%s%s%s%s%s", d.left ? "-" : "", d.plus ? "+" : "",
                     d.space ? " " : "", d.alt ? "#" : "", d.zero ? "0" : "");
    int width = d.width > 127 ? 127 : d.width;
    int precision = d.precision > 127 ? 127 : d.precision;
    if (width) n += snprintf(directive + n, sizeof directive - n, "%d", width);
    if (precision >= 0) n += snprintf(directive + n, sizeof directive - n, ".%d", precision);
    snprintf(directive + n, sizeof directive - n, "%c", d.letter);
    char area[128];
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
    snprintf(area, sizeof area, directive, value);
#pragma GCC diagnostic pop
    int len = static_cast<int>(strlen(area));
    if (len && bufferPutn(b, area, len) < 0) return -1;
    return len;
}

// Reads the flags, width, precision and size of a directive starting after its "%";
// returns the position of the conversion letter (which may be the terminator).
const char *parseDirective(const char *p, Directive *d, va_list *ap) {
    for (;; p++) {
        switch (*p) {
            case '-':
                d->left = true;
                continue;
            case '+':
                d->plus = true;
                continue;
            case ' ':
                d->space = true;
                continue;
            case '#':
                d->alt = true;
                continue;
            case '0':
                d->zero = true;
                continue;
            case 'h':
                d->h = true;
                continue;
            case 'L':
                continue;
            case 'l':
                if (d->l) d->ll = true;
                d->l = true;
                continue;
            case '*': {
                int w = va_arg(*ap, int);
                if (w < 0) {
                    d->left = true;
                    d->width = w < -kMaxWidth ? kMaxWidth : -w;
                } else {
                    d->width = w > kMaxWidth ? kMaxWidth : w;
                }
                continue;
            }
            case '.':
                if (p[1] == '*') {
                    p++;
                    int prec = va_arg(*ap, int);
                    d->precision = prec < 0 ? -1 : prec > kMaxWidth ? kMaxWidth : prec;
                } else {
                    int prec = 0;
                    while (p[1] >= '0' && p[1] <= '9') {
                        if (prec < kMaxWidth) prec = prec * 10 + (p[1] - '0');
                        p++;
                    }
                    d->precision = prec > kMaxWidth ? kMaxWidth : prec;
                }
                continue;
            default:
                if (*p >= '1' && *p <= '9') {
                    int w = 0;
                    for (; *p >= '0' && *p <= '9'; p++)
                        if (w < kMaxWidth) w = w * 10 + (*p - '0');
                    d->width = w > kMaxWidth ? kMaxWidth : w;
                    p--;
                    continue;
                }
                d->letter = *p;
                return p;
        }
    }
}

int64_t signedArg(const Directive &d, va_list *ap) {
    if (d.ll) return va_arg(*ap, long long);
    if (d.letter == 'D' || d.l) return static_cast<int32_t>(va_arg(*ap, long));
    if (d.h) return static_cast<short>(va_arg(*ap, int));
    return va_arg(*ap, int);
}

uint64_t unsignedArg(const Directive &d, va_list *ap) {
    if (d.ll) return va_arg(*ap, unsigned long long);
    if (d.letter == 'U' || d.letter == 'O' || d.l)
        return static_cast<uint32_t>(va_arg(*ap, unsigned long));
    if (d.h) return static_cast<unsigned short>(va_arg(*ap, unsigned));
    return va_arg(*ap, unsigned);
}

// One directive; the count it adds, or -1.
int convert(buffer_t *b, const Directive &d, int countSoFar, va_list *ap) {
    char scratch[128];
    switch (d.letter) {
        case 'd':
        case 'i':
        case 'D': {
            int64_t v = signedArg(d, ap);
            uint64_t magnitude = v < 0 ? 0 - static_cast<uint64_t>(v) : static_cast<uint64_t>(v);
            return emitNumber(b, d, magnitude, v < 0, true, 10, false, false);
        }
        case 'u':
        case 'U':
            return emitNumber(b, d, unsignedArg(d, ap), false, false, 10, false, false);
        case 'o':
        case 'O':
            return emitNumber(b, d, unsignedArg(d, ap), false, false, 8, false, false);
        case 'x':
        case 'X':
            return emitNumber(b, d, unsignedArg(d, ap), false, false, 16, d.letter == 'X', false);
        case 'p': {
            auto v = reinterpret_cast<uintptr_t>(va_arg(*ap, void *));
            return emitNumber(b, d, v, false, false, 16, false, true);
        }
        case 'c': {
            char c = static_cast<char>(va_arg(*ap, int));
            return emitText(b, d, &c, 1);
        }
        case 's': {
            const char *s = va_arg(*ap, const char *);
            if (!s) s = "(null)";
            size_t len = d.precision >= 0 ? strnlen(s, d.precision) : strlen(s);
            return emitText(b, d, s, static_cast<int>(len));
        }
        case 'b': {
            int v = va_arg(*ap, int);
            const char *s = d.alt ? (v ? "True" : "False") : (v ? "1" : "0");
            return emitText(b, d, s, static_cast<int>(strlen(s)));
        }
        case 'I': {
            uint32_t v = va_arg(*ap, uint32_t);
            uint8_t bytes[4];
            memcpy(bytes, &v, 4);
            int len = snprintf(scratch, sizeof scratch, "%u.%u.%u.%u", bytes[0], bytes[1], bytes[2],
                               bytes[3]);
            return emitText(b, d, scratch, len);
        }
        case 'm': {
            const uint8_t *mac = va_arg(*ap, const uint8_t *);
            if (!mac) return emitText(b, d, "(null)", 6);
            const char *form =
                d.alt ? "%02X:%02X:%02X:%02X:%02X:%02X" : "%02x:%02x:%02x:%02x:%02x:%02x";
#pragma GCC diagnostic push
#pragma GCC diagnostic ignored "-Wformat-nonliteral"
            int len = snprintf(scratch, sizeof scratch, form, mac[0], mac[1], mac[2], mac[3],
                               mac[4], mac[5]);
#pragma GCC diagnostic pop
            return emitText(b, d, scratch, len);
        }
        case 'M':
            portText(va_arg(*ap, uint32_t), scratch, sizeof scratch);
            return emitText(b, d, scratch, static_cast<int>(strlen(scratch)));
        case 'P':
        case 'T': {
            portlist_t *list = va_arg(*ap, portlist_t *);
            if (list) PORTLIST_TO_STRING_BY_TYPE(list, b, d.letter == 'T' ? 1 : 0);
            return 0;
        }
        case 'K': {
            const bitarray_t *ba = va_arg(*ap, const bitarray_t *);
            if (ba) BITARRAY_TO_STRING(ba, b);
            return 0;
        }
        case 't': {
            const timeslotlist_t *list = va_arg(*ap, const timeslotlist_t *);
            if (list) TIMESLOTLIST_TO_STRING(list, b);
            return 0;
        }
        case 'e':
        case 'E':
        case 'f':
        case 'F':
        case 'g':
        case 'G':
            return emitFloat(b, d, va_arg(*ap, double));
        case 'n':
            if (d.h && !d.l) {
                if (short *out = va_arg(*ap, short *)) *out = static_cast<short>(countSoFar);
            } else if (int *out = va_arg(*ap, int *)) {
                *out = countSoFar;
            }
            return 0;
        default:
            return emitField(b, d, d.zero, "", 0, &d.letter, 1);
    }
}

}  // namespace

int bufferPutf(buffer_t *b, const char *format, ...) {
    va_list ap;
    va_start(ap, format);
    int n = vbufferPutf(b, format, ap);
    va_end(ap);
    return n;
}

int vbufferPutf(buffer_t *b, const char *format, va_list apIn) {
    if (!b || !format) return -1;
    va_list ap;
    va_copy(ap, apIn);
    int count = 0;
    const char *p = format;
    while (*p) {
        const char *run = p;
        while (*p && *p != '%') p++;
        if (p > run) {
            if (bufferPutn(b, run, static_cast<int>(p - run)) < 0) {
                fprintf(stderr, "Error %s() %d: Failed to write to buffer!\n", "vbufferPutf", 269);
                break;
            }
            count += static_cast<int>(p - run);
        }
        if (!*p) break;
        Directive d;
        p = parseDirective(p + 1, &d, &ap);
        if (!*p) break;  // a format ending inside a directive stops there
        int n = convert(b, d, count, &ap);
        if (n < 0) {
            count = -1;
            break;
        }
        count += n;
        p++;
    }
    va_end(ap);
    return count;
}

void bufferDump(const char *title, const void *bytes, uint32_t length) {
    const auto *data = static_cast<const uint8_t *>(bytes);
    if (title && *title) printf("\n%s\n", title);
    for (uint32_t off = 0; off < length; off += 16) {
        printf("%04x ", off);
        for (uint32_t i = 0; i < 16; i++) {
            if (off + i < length)
                printf("%02x", data[off + i]);
            else
                printf("  ");
            if (i % 4 == 3) printf(" ");
        }
        printf(" *");
        for (uint32_t i = 0; i < 16; i++) {
            if (off + i >= length)
                putchar(' ');
            else
                putchar(data[off + i] >= 0x20 && data[off + i] <= 0x7E ? data[off + i] : '.');
        }
        printf("*\n");
    }
}

void PORTLIST_TO_STRING(portlist_t *list, buffer_t *b) {
    PORTLIST_TO_STRING_BY_TYPE(list, b, 0);
}

void PORTLIST_TO_STRING_BY_TYPE(portlist_t *list, buffer_t *b, int family) {
    if (!list || !b) return;
    list->words[0] &= PL_MGMT_BIT;
    bool mgmt = false;
    if ((list->words[0] & PL_MGMT_BIT) && dmGetMgmtPorts(dmGetSlotSelf())) {
        if (bufferPuts(b, "mgmt,") < 1) return;
        mgmt = true;
    }
    const uint32_t mark = b->length;
    const bool multi = dmConfig()->words[DM_CONFIG_SLOT_COUNT] >= 2;
    for (int slot = dmGetSlotFirst(); slot <= dmGetSlotLast(); slot++) {
        if (multi && (slot < dmGetSlotFirstIO() || slot > dmGetSlotLastIO())) continue;
        if (!dmSlotUsable(slot)) continue;
        int ports = dmGetCardPorts(slot);
        if (ports <= 0) continue;
        if (ports > PL_PORTS_PER_SLOT) ports = PL_PORTS_PER_SLOT;
        const dmPortFamilyMask_t *mask =
            family == 0 || family == 1 ? dmGetPortFamilyBitMaskByPortFamily(slot, family) : nullptr;
        int runFirst = 0;
        for (int port = 1; port <= ports + 1; port++) {
            bool member = false;
            if (port <= ports && mask) {
                uint32_t bit = 0x80000000u >> ((port - 1) % 32);
                member = plTestPort(list, slot, port) && (mask->words[(port - 1) / 32] & bit);
            }
            if (member) {
                if (!runFirst) runFirst = port;
                continue;
            }
            if (!runFirst) continue;
            int last = port - 1, n;
            if (multi)
                n = runFirst == last ? bufferPutf(b, "%d:%d,", slot, last)
                                     : bufferPutf(b, "%d:%d-%d,", slot, runFirst, last);
            else
                n = runFirst == last ? bufferPutf(b, "%d,", last)
                                     : bufferPutf(b, "%d-%d,", runFirst, last);
            if (n < 1) return;
            runFirst = 0;
        }
    }
    if (b->length > mark + 1) {
        b->data[--b->length] = 0;
    } else if (mgmt && b->length == mark) {
        // A list of the management port alone reads "mgmt", without a dangling comma.
        b->data[--b->length] = 0;
    }
}

void TIMESLOTLIST_TO_STRING(const timeslotlist_t *list, buffer_t *b) {
    if (!list || !b) return;
    const uint32_t start = b->length;
    int runFirst = 0;
    for (int slot = 1; slot <= 33; slot++) {
        bool set = slot <= 32 && (*list & (0x80000000u >> (slot - 1)));
        if (set) {
            if (!runFirst) runFirst = slot;
            continue;
        }
        if (!runFirst) continue;
        int last = slot - 1;
        int n = runFirst == last ? bufferPutf(b, "%d, ", last)
                                 : bufferPutf(b, "%d-%d, ", runFirst, last);
        if (n < 1) return;
        runFirst = 0;
    }
    if (b->length > start + 2) {
        b->length -= 2;
        b->data[b->length] = 0;
    }
}

void BITARRAY_TO_STRING(const bitarray_t *ba, buffer_t *b) {
    if (!ba || !b) return;
    if (bufferPutf(b, "%u:", bitarray_get_requested_bits(ba)) < 1) return;
    bool first = true;
    uint32_t pos = 0;
    for (;;) {
        uint32_t set = bitarray_find_set_bit(ba, pos);
        if (set == BITARRAY_NONE) return;
        if (bufferPutf(b, first ? "%u" : ",%u", set) < 1) return;
        first = false;
        uint32_t clear = bitarray_find_clr_bit(ba, set);
        if (clear == BITARRAY_NONE) {
            uint32_t last = bitarray_get_num_bits(ba) - 1;
            if (set != last) bufferPutf(b, "-%u", last);
            return;
        }
        if (clear != set + 1) {
            if (bufferPutf(b, "-%u", clear - 1) < 1) return;
        }
        pos = clear;
    }
}
