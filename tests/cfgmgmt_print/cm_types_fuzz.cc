// Fuzzes the text converters: the first byte picks a converter, the rest is its text.
// Whatever a converter accepts must print, and printing is stable: the printed text
// parses again and prints the same.
#include <cstdint>
#include <cstdlib>
#include <string>

#include "cfgmgmt/cmBackend/src/cm_types.h"
#include "tests/cfgmgmt_print/print_helpers.h"

namespace {

// Parses `text` with `parse`, prints with `print`; when the parse succeeded, parses the
// printed text again and demands the same print.
template <typename T, typename Parse, typename Print>
void stable(const std::string &text, Parse parse, Print print) {
    T v{};
    std::string copy = text;
    if (!parse(&v, copy.data())) return;
    std::string first = printed([&](buffer_t *b) { print(&v, b); });
    T again{};
    std::string reparse = first;
    if (!parse(&again, reparse.data())) abort();
    if (printed([&](buffer_t *b) { print(&again, b); }) != first) abort();
}

void numbers(const std::string &text) {
    int8_t i8;
    int16_t i16;
    int32_t i32;
    int64_t i64;
    uint8_t u8, mac[6];
    uint16_t u16;
    uint32_t u32;
    uint64_t u64;
    float f;
    char c;
    const char *t = text.c_str();
    STRING_TO_INT8(&i8, t), STRING_TO_SHORT(&i16, t), STRING_TO_INT(&i32, t);
    STRING_TO_LLONG(&i64, t), STRING_TO_UINT8(&u8, t), STRING_TO_UINT16(&u16, t);
    STRING_TO_UINT32(&u32, t), STRING_TO_UINT64(&u64, t), STRING_TO_HEX(&u32, t);
    STRING_TO_OCT(&u32, t), STRING_TO_FLOAT(&f, t), STRING_TO_CHAR(&c, t);
    STRING_TO_BOOLEAN(&u32, t), STRING_TO_ACTION(&u32, t), STRING_TO_IPV4(&u32, t);
    STRING_TO_MAC(mac, t);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size < 1) return 0;
    std::string text(reinterpret_cast<const char *>(data) + 1, size - 1);
    text = text.c_str();  // converters see text up to the first NUL
    switch (data[0] % 12) {
        case 0:
            numbers(text);
            break;
        case 1:
            stable<vpnvrfrd_t>(
                text, [](vpnvrfrd_t *v, char *t) { return STRING_TO_VPNVRFRD(v, t); },
                vpnvrfrd_t_print);
            break;
        case 2:
            stable<vpnvrfrt_t>(
                text, [](vpnvrfrt_t *v, char *t) { return STRING_TO_VPNVRFRT(v, t); },
                vpnvrfrt_t_print);
            break;
        case 3:
            stable<vpnid_t>(
                text, [](vpnid_t *v, char *t) { return STRING_TO_VPNID(v, t); }, vpnid_t_print);
            break;
        case 4:
            stable<timeslotlist_t>(
                text, [](timeslotlist_t *v, char *t) { return STRING_TO_TIMESLOTLIST(v, t); },
                TIMESLOTLIST_TO_STRING);
            break;
        case 5:
            stable<bitarray_t *>(
                text,
                [](bitarray_t **v, char *t) {
                    bitarray_free(*v);
                    *v = nullptr;
                    return STRING_TO_BITARRAY(v, t);
                },
                freeing<bitarray_t>(BITARRAY_TO_STRING, bitarray_free));
            break;
        case 6:
            stable<octetString_t *>(
                text, [](octetString_t **v, char *t) { return STRING_TO_OCTETSTRING(v, t); },
                freeing(octetString_t_print, octetString_t_free));
            break;
        case 7:
            stable<oid_t *>(
                text, [](oid_t **v, char *t) { return STRING_TO_OID(v, t); },
                freeing(oid_t_print, oid_t_free));
            break;
        case 8:
            stable<ipAddressN_t>(text, STRING_TO_IPADDRESSN, ipAddressN_t_print);
            break;
        case 9:
            stable<ipAddressH_mask_t>(text, STRING_TO_IPADDRESSH_MASK, ipAddressH_mask_t_print);
            break;
        case 10:
            stable<tod_t>(
                text, [](tod_t *v, char *t) { return STRING_TO_TOD(v, t); }, tod_t_print);
            stable<date_t>(
                text, [](date_t *v, char *t) { return STRING_TO_DATE(v, t); }, date_t_print);
            break;
        case 11: {
            portlist_t list;
            if (STRING_TO_PORTLIST(&list, text.c_str(), data[0] & 0x10 ? 1 : 0)) {
                buffer_t b = {};
                PORTLIST_TO_STRING_BY_TYPE(&list, &b, data[0] & 0x10 ? 1 : 0);
                portlist_t again;
                if (!STRING_TO_PORTLIST(&again, b.data ? b.data : "", data[0] & 0x10 ? 1 : 0))
                    abort();
                free(b.data);
            }
            uint32_t port;
            STRING_TO_PORTMASK(&port, text.c_str(), 0);
            break;
        }
    }
    return 0;
}
