#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <cstring>
#include <functional>
#include <map>
#include <string>

#include "cfgmgmt/cmBackend/src/cm_types.h"
#include "tests/cfgmgmt_print/print_helpers.h"

namespace {

// What a converter makes of a text, printed back; "!" when it refuses the text.
using RoundTrip = std::function<std::string(const char *)>;

template <typename T, typename Parse, typename Print>
RoundTrip through(Parse parse, Print print) {
    return [parse, print](const char *text) -> std::string {
        T v{};
        std::string copy = text;  // some converters write into their text
        if (!parse(&v, copy.data())) return "!";
        return printed([&](buffer_t *b) { print(&v, b); });
    };
}

template <typename T>
RoundTrip number(int (*parse)(T *, const char *)) {
    return through<T>(parse, [](const T *v, buffer_t *b) {
        bufferPuts(b, std::to_string(static_cast<long long>(*v)).c_str());
    });
}

struct Mac {
    uint8_t bytes[6];
};

const std::map<std::string, RoundTrip> &converters() {
    static const std::map<std::string, RoundTrip> table = {
        {"uint8", number(STRING_TO_UINT8)},
        {"uint16", number(STRING_TO_UINT16)},
        {"int", number(STRING_TO_INT)},
        {"long", number(STRING_TO_LONG)},
        {"int32", number(STRING_TO_INT32)},
        {"uint32", number(STRING_TO_UINT32)},
        {"int64", number(STRING_TO_INT64)},
        {"hex", number(STRING_TO_HEX)},
        {"oct", number(STRING_TO_OCT)},
        {"boolean", number(STRING_TO_BOOLEAN)},
        {"action", number(STRING_TO_ACTION)},
        {"char", number(STRING_TO_CHAR)},
        {"ipv4",
         through<uint32_t>(STRING_TO_IPV4,
                           [](const uint32_t *v, buffer_t *b) { bufferPutf(b, "%I", htonl(*v)); })},
        {"ipv4n", through<uint32_t>(STRING_TO_IPV4N, [](const uint32_t *v,
                                                        buffer_t *b) { bufferPutf(b, "%I", *v); })},
        {"ipmask", through<ipv4_mask_t>(STRING_TO_IPMASK,
                                        [](const ipv4_mask_t *v, buffer_t *b) {
                                            bufferPutf(b, "%I/%u", htonl(v->address), v->length);
                                        })},
        {"mac", through<Mac>([](Mac *m, const char *t) { return STRING_TO_MAC(m->bytes, t); },
                             [](const Mac *m, buffer_t *b) { bufferPutf(b, "%m", m->bytes); })},
        {"tod", through<tod_t>(STRING_TO_TOD,
                               [](const tod_t *v, buffer_t *b) {
                                   tod_t_print(v, b);
                                   bufferPutf(b, " s%d", v->seconds);
                               })},
        {"date", through<date_t>(STRING_TO_DATE, date_t_print)},
        {"octets", through<octetString_t *>(STRING_TO_OCTETSTRING,
                                            freeing(octetString_t_print, octetString_t_free))},
        {"oid", through<oid_t *>(STRING_TO_OID, freeing(oid_t_print, oid_t_free))},
        {"ipv6", through<ipv6_t>(STRING_TO_IPV6, ipv6_t_print)},
        {"ipv6zone", through<ipv6_scoped_t>(STRING_TO_IPV6_SCOPED, ipv6_scoped_t_print)},
        {"ipv6mask", through<ipv6_mask_t>(STRING_TO_IPV6_MASK, ipv6_mask_t_print)},
        {"addressN", through<ipAddressN_t>(STRING_TO_IPADDRESSN, ipAddressN_t_print)},
        {"addressH", through<ipAddressH_t>(STRING_TO_IPADDRESSH, ipAddressH_t_print)},
        {"addrN", through<ipAddrN_t>(STRING_TO_IPADDRN, ipAddrN_t_print)},
        {"addrH", through<ipAddrH_t>(STRING_TO_IPADDRH, ipAddrH_t_print)},
        {"maskN", through<ipAddressN_mask_t>(STRING_TO_IPADDRESSN_MASK, ipAddressN_mask_t_print)},
        {"maskH", through<ipAddressH_mask_t>(STRING_TO_IPADDRESSH_MASK, ipAddressH_mask_t_print)},
        {"rd", through<vpnvrfrd_t>(STRING_TO_VPNVRFRD,
                                   [](const vpnvrfrd_t *v, buffer_t *b) {
                                       vpnvrfrd_t_print(v, b);
                                       bufferPutf(b, " type %d", v->type);
                                   })},
        {"rt", through<vpnvrfrt_t>(STRING_TO_VPNVRFRT,
                                   [](const vpnvrfrt_t *v, buffer_t *b) {
                                       vpnvrfrt_t_print(v, b);
                                       bufferPutf(b, " type %d.%d", v->type, v->subType);
                                   })},
        {"vpnid", through<vpnid_t>(STRING_TO_VPNID, vpnid_t_print)},
        {"bits", through<bitarray_t *>(STRING_TO_BITARRAY,
                                       freeing<bitarray_t>(BITARRAY_TO_STRING, bitarray_free))},
        {"slots", through<timeslotlist_t>(STRING_TO_TIMESLOTLIST, TIMESLOTLIST_TO_STRING)},
    };
    return table;
}

TEST(Converters, TextsRoundTripOrAreRefused) {
    const std::string zone32 = "fe80::1%" + std::string(32, 'z');
    const std::string zone33 = zone32 + "z";
    struct {
        const char *converter;
        std::string text, expected;
    } cases[] = {
        // Numbers are cut to their width; the whole text must be a number.
        {"uint8", "300", "44"},
        {"uint8", "12x", "!"},
        {"uint16", "70000", "4464"},
        {"int", " 42", "42"},
        {"int32", "4294967297", "1"},
        {"uint32", "-1", "4294967295"},
        {"int64", "-9223372036854775808", "-9223372036854775808"},
        {"hex", "ff", "!"},
        {"hex", "0XFF", "255"},
        {"hex", "12", "12"},
        {"oct", "017", "15"},
        {"boolean", "true", "1"},
        {"action", "active", "5"},
        {"char", "ab", "!"},
        // IPv4: anything after the address is not looked at.
        {"ipv4", "10.0.0.1 trailing", "10.0.0.1"},
        {"ipv4", "256.0.0.1", "!"},
        {"ipv4n", "10.1.2.3", "10.1.2.3"},
        {"ipmask", "10.1.0.0/16", "10.1.0.0/16"},
        {"ipmask", "10.1.0.0/33", "!"},
        {"mac", "00-11-22-AA-BB-CC", "00:11:22:aa:bb:cc"},
        {"mac", "00:11:22:aa:bb:cc:dd", "!"},
        {"mac", "00:11-22:aa:bb:cc", "!"},
        {"mac", "00:11:22:aa:bb:cc x", "!"},
        {"tod", "1:02:45", "01:02 s45"},
        {"tod", "25:00", "!"},
        {"date", "2/29", "02/29/0000"},
        {"date", "12/31/2038", "12/31/2038"},
        {"date", "1/1/2039", "!"},
        {"octets", "0a:ff:1", "0a:ff:01"},
        {"octets", "0a:zz", "!"},
        {"oid", "1.3.6.1", "1.3.6.1"},
        {"oid", "1.3x", "!"},
        {"ipv6", "fe80::1", "fe80::1"},
        {"ipv6", "fe80::1::2", "!"},
        {"ipv6zone", "fe80::1%eth0", "fe80::1%eth0"},
        {"ipv6zone", "fe80::1", "!"},
        {"ipv6zone", zone32, zone32},
        {"ipv6zone", zone33, "!"},
        {"ipv6mask", "2001:db8::/32", "2001:db8::/32"},
        {"ipv6mask", "2001:db8::/129", "!"},
        // Mixed records: a zone may hold anything; a length is a mask's alone.
        {"addressN", "10.0.0.0/8", "10.0.0.0"},
        {"addressN", "2001:db8::/64", "!"},
        {"addrN", "fe80::1%eth0", "!"},
        {"addrH", "10.0.0.0/8", "10.0.0.0"},
        {"maskN", "10.0.0.0/8", "10.0.0.0/8"},
        {"maskN", "10.0.0.1", "!"},
        {"maskH", "2001:db8::/64", "2001:db8::/64"},
        // Route distinguishers: the form of the administrator picks the type.
        {"rd", "100:4294967295", "100:4294967295 type 0"},
        {"rd", "100:4294967296", "!"},
        {"rd", "65536:5", "65536:5 type 2"},
        {"rd", "65536:65536", "!"},
        {"rd", "4294967296:1", "!"},
        {"rd", "0:5", "!"},
        {"rd", "10.1.1.1:5", "10.1.1.1:5 type 1"},
        {"rd", "10.1.1.1:65536", "!"},
        {"rd", "100", "!"},
        {"rd", "", " type 0"},
        {"rt", "10.1.1.1:5", "10.1.1.1:5 type 1.2"},
        {"vpnid", "ffffff:ffffffff", "FFFFFF:FFFFFFFF"},
        {"vpnid", "1000000:1", "!"},
        {"vpnid", "1:100000000", "!"},
        {"vpnid", "0:0", ""},
        // Bit lists: the size, when not given, is one past the highest bit.
        {"bits", "1,4", "5:1,4"},
        {"bits", "5-2", "!"},
        {"bits", "3,1x", "4:1,3"},
        {"bits", "4:0-9", "4:0-3"},
        {"bits", "99999999:1", "!"},
        // Time slots 1 to 32.
        {"slots", " 01 - 03 ", "1-3"},
        {"slots", "* ,2", "1-32"},
        {"slots", "32", "32"},
        {"slots", "0", "!"},
        {"slots", "33", "!"},
        {"slots", "1,", "!"},
        {"slots", "5-3", "!"},
    };
    for (const auto &c : cases)
        EXPECT_EQ(converters().at(c.converter)(c.text.c_str()), c.expected)
            << c.converter << " \"" << c.text << "\"";
}

TEST(Converters, WhatFailuresAndMergesLeaveBehind) {
    uint32_t action = 3;
    EXPECT_EQ(STRING_TO_ACTION(&action, "bogus"), 0);
    EXPECT_EQ(action, 0u);  // a failed action stores "none"
    EXPECT_EQ(STRING_TO_UINT32(&action, nullptr), 0);
    octetString_t *s = nullptr;
    EXPECT_EQ(STRING_TO_OCTETSTRING(&s, "0a:zz"), 0);
    EXPECT_EQ(s, nullptr);
    // Time slots are added to those already set, which a failure leaves alone.
    timeslotlist_t list = 0x00000100;
    EXPECT_EQ(STRING_TO_TIMESLOTLIST(&list, "1-3, 7"), 1);
    EXPECT_EQ(list, 0xE2000100u);
    EXPECT_EQ(STRING_TO_TIMESLOTLIST(&list, "1,"), 0);
    EXPECT_EQ(list, 0xE2000100u);
}

}  // namespace
