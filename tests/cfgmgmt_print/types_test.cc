#include <gtest/gtest.h>

#include <arpa/inet.h>

#include <cstring>
#include <functional>
#include <string>

#include "cfgmgmt/cmBackend/src/cm_types.h"
#include "tests/cfgmgmt_print/print_helpers.h"

namespace {

using Conv = std::function<int(const char *, long long *)>;

template <typename T>
Conv number(int (*f)(T *, const char *)) {
    return [f](const char *text, long long *out) {
        T v{};
        int ok = f(&v, text);
        *out = static_cast<long long>(v);
        return ok;
    };
}

TEST(Converters, NumbersAreCutToTheirWidth) {
    struct {
        const char *name;
        Conv conv;
        const char *text;
        int ok;
        long long value;
    } cases[] = {
        {"uint8", number(STRING_TO_UINT8), "300", 1, 44},
        {"uint8", number(STRING_TO_UINT8), "12x", 0, 0},
        {"uint8", number(STRING_TO_UINT8), "", 1, 0},
        {"int8", number(STRING_TO_INT8), "-1", 1, -1},
        {"int8", number(STRING_TO_INT8), "200", 1, -56},
        {"short", number(STRING_TO_SHORT), "-32769", 1, 32767},
        {"uint16", number(STRING_TO_UINT16), "70000", 1, 4464},
        {"int", number(STRING_TO_INT), " 42", 1, 42},
        {"int", number(STRING_TO_INT), "42 ", 0, 0},
        {"long", number(STRING_TO_LONG), "-7", 1, -7},
        {"int32", number(STRING_TO_INT32), "4294967297", 1, 1},
        {"uint32", number(STRING_TO_UINT32), "-1", 1, 4294967295LL},
        {"int64", number(STRING_TO_INT64), "-9223372036854775808", 1, INT64_MIN},
        {"llong", number(STRING_TO_LLONG), "1e3", 0, 0},
        {"hex", number(STRING_TO_HEX), "ff", 0, 0},
        {"hex", number(STRING_TO_HEX), "0xff", 1, 255},
        {"hex", number(STRING_TO_HEX), "0XFF", 1, 255},
        {"hex", number(STRING_TO_HEX), "12", 1, 12},
        {"hex", number(STRING_TO_HEX), "0x", 1, 0},
        {"oct", number(STRING_TO_OCT), "017", 1, 15},
        {"oct", number(STRING_TO_OCT), "17", 1, 17},
        {"oct", number(STRING_TO_OCT), "08", 0, 0},
        {"boolean", number(STRING_TO_BOOLEAN), "true", 1, 1},
        {"boolean", number(STRING_TO_BOOLEAN), "1", 1, 1},
        {"boolean", number(STRING_TO_BOOLEAN), "false", 1, 0},
        {"boolean", number(STRING_TO_BOOLEAN), "0", 1, 0},
        {"boolean", number(STRING_TO_BOOLEAN), "True", 0, 0},
        {"boolean", number(STRING_TO_BOOLEAN), "", 0, 0},
        {"action", number(STRING_TO_ACTION), "create", 1, 1},
        {"action", number(STRING_TO_ACTION), "unconfigure", 1, 4},
        {"action", number(STRING_TO_ACTION), "active", 1, 5},
        {"action", number(STRING_TO_ACTION), "Create", 0, 0},
        {"char", number(STRING_TO_CHAR), "a", 1, 'a'},
        {"char", number(STRING_TO_CHAR), "ab", 0, 0},
        {"char", number(STRING_TO_CHAR), "", 0, 0},
        {"ipv4", number(STRING_TO_IPV4), "10.0.0.1", 1, 0x0A000001},
        {"ipv4", number(STRING_TO_IPV4), "10.0.0.1 trailing", 1, 0x0A000001},
        {"ipv4", number(STRING_TO_IPV4), "256.0.0.1", 0, 0},
        {"ipv4", number(STRING_TO_IPV4), "10.0.0", 0, 0},
        {"ipv4", number(STRING_TO_IPV4), "-1.0.0.0", 0, 0},
        {"ipv4", number(STRING_TO_IPV4), "99999999999.0.0.0", 0, 0},
    };
    for (const auto &c : cases) {
        long long v = 0;
        EXPECT_EQ(c.conv(c.text, &v), c.ok) << c.name << " \"" << c.text << "\"";
        if (c.ok) {
            EXPECT_EQ(v, c.value) << c.name << " \"" << c.text << "\"";
        }
    }
    uint32_t action = 3;
    EXPECT_EQ(STRING_TO_ACTION(&action, "bogus"), 0);
    EXPECT_EQ(action, 0u);  // a failed action stores "none"
    EXPECT_EQ(STRING_TO_UINT32(&action, nullptr), 0);
}

TEST(Converters, FloatTakesTheWholePartModulo32Bits) {
    struct {
        const char *text;
        float value;
    } cases[] = {{"3.9", 3.0f}, {"-2.5", 4294967294.0f}, {"abc", 0.0f},
                 {"nan", 0.0f}, {"inf", 0.0f},           {"4294967301", 5.0f}};
    for (const auto &c : cases) {
        float v = -1;
        EXPECT_EQ(STRING_TO_FLOAT(&v, c.text), 1) << c.text;
        EXPECT_EQ(v, c.value) << c.text;
    }
}

TEST(Converters, Ipv4NetworkOrderAndPrefix) {
    uint32_t n;
    ASSERT_EQ(STRING_TO_IPV4N(&n, "10.1.2.3"), 1);
    EXPECT_EQ(n, htonl(0x0A010203));
    EXPECT_EQ(putf("%I", n).first, "10.1.2.3");
    ipv4_mask_t m;
    ASSERT_EQ(STRING_TO_IPMASK(&m, "10.1.0.0/16"), 1);
    EXPECT_EQ(m.address, 0x0A010000u);
    EXPECT_EQ(m.length, 16u);
    EXPECT_EQ(STRING_TO_IPMASK(&m, "10.1.0.0/33"), 0);
    EXPECT_EQ(STRING_TO_IPMASK(&m, "10.1.0.0"), 0);
}

TEST(Converters, MacAddresses) {
    struct {
        const char *text;
        int ok;
    } cases[] = {{"00:11:22:aa:bb:cc", 1},    {"00-11-22-AA-BB-CC", 1},  {"0:11:22:aa:bb:cc  ", 1},
                 {"00:11:22:aa:bb:cc:dd", 0}, {"00:11:22:aa:bb", 0},     {"00:11-22:aa:bb:cc", 0},
                 {"100:11:22:aa:bb:cc", 0},   {"00:11:22:aa:bb:cc x", 0}};
    for (const auto &c : cases) {
        uint8_t mac[6] = {};
        EXPECT_EQ(STRING_TO_MAC(mac, c.text), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(mac[3], 0xaa) << c.text;
        }
    }
    uint8_t mac[6];
    EXPECT_EQ(STRING_TO_MAC(mac, nullptr), 0);
}

TEST(Converters, TimeOfDayAndDate) {
    tod_t t;
    for (const char *bad : {"25:00", "12", "12:60"}) EXPECT_EQ(STRING_TO_TOD(&t, bad), 0) << bad;
    ASSERT_EQ(STRING_TO_TOD(&t, "12:30"), 1);
    EXPECT_EQ(t.hours, 12);
    EXPECT_EQ(t.minutes, 30);
    EXPECT_EQ(t.seconds, 0);
    EXPECT_EQ(printed([&](buffer_t *b) { tod_t_print(&t, b); }), "12:30");
    ASSERT_EQ(STRING_TO_TOD(&t, "1:02:45"), 1);
    EXPECT_EQ(t.seconds, 45);
    EXPECT_EQ(printed([&](buffer_t *b) { tod_t_print(&t, b); }), "01:02");

    date_t d;
    ASSERT_EQ(STRING_TO_DATE(&d, "2/29"), 1);
    EXPECT_EQ(d.month, 2);
    EXPECT_EQ(d.day, 29);
    EXPECT_EQ(d.year, 0);
    EXPECT_EQ(printed([&](buffer_t *b) { date_t_print(&d, b); }), "02/29/0000");
    ASSERT_EQ(STRING_TO_DATE(&d, "12/31/2038"), 1);
    EXPECT_EQ(d.year, 2038);
    for (const char *bad : {"1/1/2039", "13", "1/32", "x"})
        EXPECT_EQ(STRING_TO_DATE(&d, bad), 0) << bad;
    ASSERT_EQ(STRING_TO_DATE(&d, "   "), 1);
    EXPECT_EQ(d.month + d.day + d.year, 0);

    testing::internal::CaptureStdout();
    tod_t_print(&t, nullptr);
    octetString_t_print(nullptr, nullptr);
    EXPECT_EQ(testing::internal::GetCapturedStdout(), "01:02\n\n");
}

TEST(Converters, OctetStringsAndOids) {
    octetString_t *s = nullptr;
    ASSERT_EQ(STRING_TO_OCTETSTRING(&s, "0a:ff:1"), 1);
    ASSERT_EQ(s->length, 3u);
    EXPECT_EQ(s->octets[0], 0x0A);
    EXPECT_EQ(s->octets[2], 0x01);
    EXPECT_EQ(s->octets[3], 0);
    EXPECT_EQ(printed([&](buffer_t *b) { octetString_t_print(s, b); }), "0a:ff:01");
    octetString_t_free(s);

    s = nullptr;
    ASSERT_EQ(STRING_TO_OCTETSTRING(&s, ""), 1);
    EXPECT_EQ(s->length, 0u);
    EXPECT_EQ(printed([&](buffer_t *b) { octetString_t_print(s, b); }), "");
    octetString_t_free(s);
    s = nullptr;
    EXPECT_EQ(STRING_TO_OCTETSTRING(&s, "0a:zz"), 0);
    EXPECT_EQ(STRING_TO_OCTETSTRING(&s, nullptr), 0);
    EXPECT_EQ(s, nullptr);  // untouched on failure

    oid_t *o = nullptr;
    ASSERT_EQ(STRING_TO_OID(&o, "1.3.6.1"), 1);
    EXPECT_EQ(o->count, 4u);
    EXPECT_EQ(printed([&](buffer_t *b) { oid_t_print(o, b); }), "1.3.6.1");
    oid_t_free(o);
    o = nullptr;
    EXPECT_EQ(STRING_TO_OID(&o, "1.3x"), 0);
    EXPECT_EQ(o, nullptr);
    ASSERT_EQ(STRING_TO_OID(&o, ""), 1);
    EXPECT_EQ(o->count, 0u);
    oid_t_free(o);

    const uint32_t parts[] = {1, 2};
    o = oid_t_alloc(parts, 2);
    EXPECT_EQ(o->components[2], 0u);  // one spare element, zero
    oid_t_free(o);
    octetString_t_free(nullptr);
    oid_t_free(nullptr);
}

TEST(Converters, Ipv6Forms) {
    ipv6_t a;
    ASSERT_EQ(STRING_TO_IPV6(&a, "fe80::1"), 1);
    EXPECT_EQ(printed([&](buffer_t *b) { ipv6_t_print(&a, b); }), "fe80::1");
    EXPECT_EQ(STRING_TO_IPV6(&a, "fe80::1::2"), 0);

    ipv6_scoped_t sc;
    char scoped[] = "fe80::1%eth0";
    ASSERT_EQ(STRING_TO_IPV6_SCOPED(&sc, scoped), 1);
    EXPECT_STREQ(scoped, "fe80::1");  // the "%" is overwritten
    EXPECT_STREQ(sc.zone, "eth0");
    EXPECT_EQ(printed([&](buffer_t *b) { ipv6_scoped_t_print(&sc, b); }), "fe80::1%eth0");
    char noZone[] = "fe80::1";
    EXPECT_EQ(STRING_TO_IPV6_SCOPED(&sc, noZone), 0);
    std::string longZone = "fe80::1%" + std::string(33, 'z');
    EXPECT_EQ(STRING_TO_IPV6_SCOPED(&sc, longZone.data()), 0);
    std::string maxZone = "fe80::1%" + std::string(32, 'z');
    EXPECT_EQ(STRING_TO_IPV6_SCOPED(&sc, maxZone.data()), 1);

    ipv6_mask_t m;
    struct {
        std::string text;
        int ok;
    } masks[] = {{"2001:db8::/32", 1}, {"2001:db8::/129", 0}, {"2001:db8::/", 0},
                 {"2001:db8::/3x", 0}, {"2001:db8::", 0},     {"10.0.0.0/8", 0}};
    for (auto &c : masks) {
        std::string text = c.text;
        EXPECT_EQ(STRING_TO_IPV6_MASK(&m, text.data()), c.ok) << c.text;
    }
    std::string text = "2001:db8::/32";
    ASSERT_EQ(STRING_TO_IPV6_MASK(&m, text.data()), 1);
    EXPECT_EQ(printed([&](buffer_t *b) { ipv6_mask_t_print(&m, b); }), "2001:db8::/32");
}

TEST(Converters, MixedAddressRecords) {
    // IPv4 text after the address is not looked at, and a zone may hold anything.
    struct {
        const char *text;
        int okA, okR, okM;
        const char *printedA, *printedR, *printedM;
    } cases[] = {
        {"10.0.0.1", 1, 1, 0, "10.0.0.1", "10.0.0.1", nullptr},
        {"fe80::1%eth0", 1, 0, 0, "fe80::1%eth0", nullptr, nullptr},
        {"::1", 1, 1, 0, "::1", "::1", nullptr},
        {"10.0.0.0/8", 1, 1, 1, "10.0.0.0", "10.0.0.0", "10.0.0.0/8"},
        {"2001:db8::/64", 0, 0, 1, nullptr, nullptr, "2001:db8::/64"},
        {"fe80::1%eth0/64", 1, 0, 0, "fe80::1%eth0/64", nullptr, nullptr},
        {"1.2.3", 0, 0, 0, nullptr, nullptr, nullptr},
    };
    for (const auto &c : cases) {
        for (bool network : {true, false}) {
            std::string t1 = c.text, t2 = c.text;
            ipAddressN_t a;
            ipAddrN_t r;
            ipAddressN_mask_t m;
            int okA =
                network ? STRING_TO_IPADDRESSN(&a, t1.data()) : STRING_TO_IPADDRESSH(&a, t1.data());
            int okR = network ? STRING_TO_IPADDRN(&r, c.text) : STRING_TO_IPADDRH(&r, c.text);
            int okM = network ? STRING_TO_IPADDRESSN_MASK(&m, t2.data())
                              : STRING_TO_IPADDRESSH_MASK(&m, t2.data());
            EXPECT_EQ(okA, c.okA) << c.text;
            EXPECT_EQ(okR, c.okR) << c.text;
            EXPECT_EQ(okM, c.okM) << c.text;
            if (okA) {
                EXPECT_EQ(printed([&](buffer_t *b) {
                              network ? ipAddressN_t_print(&a, b) : ipAddressH_t_print(&a, b);
                          }),
                          c.printedA);
            }
            if (okR) {
                EXPECT_EQ(printed([&](buffer_t *b) {
                              network ? ipAddrN_t_print(&r, b) : ipAddrH_t_print(&r, b);
                          }),
                          c.printedR);
            }
            if (okM) {
                EXPECT_EQ(printed([&](buffer_t *b) {
                              network ? ipAddressN_mask_t_print(&m, b)
                                      : ipAddressH_mask_t_print(&m, b);
                          }),
                          c.printedM);
            }
        }
    }
    ipAddressH_t h;
    char text[] = "10.0.0.1";
    ASSERT_EQ(STRING_TO_IPADDRESSH(&h, text), 1);
    uint32_t host;
    memcpy(&host, h.address, 4);
    EXPECT_EQ(host, 0x0A000001u);  // the H form keeps the address in host order
    h.family = 0;
    EXPECT_EQ(printed([&](buffer_t *b) { ipAddressH_t_print(&h, b); }), "");
}

TEST(Converters, RouteDistinguishersAndTargets) {
    struct {
        const char *text;
        int ok, type;
        const char *printed;
    } cases[] = {
        {"100:5", 1, 0, "100:5"},
        {"65536:5", 1, 2, "65536:5"},
        {"65536:65536", 0, 0, nullptr},
        {"0:5", 0, 0, nullptr},
        {"10.1.1.1:5", 1, 1, "10.1.1.1:5"},
        {"10.1.1.1:65536", 0, 0, nullptr},
        {"0.0.0.0:5", 0, 0, nullptr},
        {"100", 0, 0, nullptr},
        {"", 1, 0, ""},
        {"100:4294967295", 1, 0, "100:4294967295"},
        {"100:4294967296", 0, 0, nullptr},
        {"4294967295:1", 1, 2, "4294967295:1"},
        {"4294967296:1", 0, 0, nullptr},
        {"1x:5", 0, 0, nullptr},
        {"-1:5", 0, 0, nullptr},
        {"100:", 1, 0, "100:0"},
        {"100:5:6", 0, 0, nullptr},
    };
    for (const auto &c : cases) {
        vpnvrfrd_t rd;
        vpnvrfrt_t rt;
        EXPECT_EQ(STRING_TO_VPNVRFRD(&rd, c.text), c.ok) << c.text;
        EXPECT_EQ(STRING_TO_VPNVRFRT(&rt, c.text), c.ok) << c.text;
        if (!c.ok) continue;
        EXPECT_EQ(rd.type, c.type) << c.text;
        EXPECT_EQ(rt.type, c.type) << c.text;
        EXPECT_EQ(rt.subType, *c.text ? 2 : 0) << c.text;
        EXPECT_EQ(printed([&](buffer_t *b) { vpnvrfrd_t_print(&rd, b); }), c.printed);
        EXPECT_EQ(printed([&](buffer_t *b) { vpnvrfrt_t_print(&rt, b); }), c.printed);
    }
}

TEST(Converters, VpnIdentifiers) {
    struct {
        const char *text;
        int ok;
        const char *printed;
    } cases[] = {
        {"1a2b3c:10", 1, "1A2B3C:10"},
        {"ffffff:ffffffff", 1, "FFFFFF:FFFFFFFF"},
        {"1000000:1", 0, nullptr},
        {"1:100000000", 0, nullptr},
        {"", 1, ""},
        {"0:0", 1, ""},
        {":5", 1, "0:5"},
        {"g:1", 0, nullptr},
        {"12", 0, nullptr},
        {"1a x:1", 0, nullptr},
    };
    for (const auto &c : cases) {
        vpnid_t id;
        EXPECT_EQ(STRING_TO_VPNID(&id, c.text), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(printed([&](buffer_t *b) { vpnid_t_print(&id, b); }), c.printed);
        }
    }
    vpnid_t id;
    ASSERT_EQ(STRING_TO_VPNID(&id, "1a2b3c:10"), 1);
    EXPECT_EQ(id.oui[0], 0x3c);  // least significant byte first
    EXPECT_EQ(id.index[0], 0x10);
}

TEST(Converters, BitLists) {
    struct {
        const char *text;
        int ok;
        const char *printed;
    } cases[] = {
        {"10:1-3,5", 1, "10:1-3,5"},
        {"1,4", 1, "5:1,4"},
        {"5-2", 0, nullptr},
        {"", 1, "1:"},
        {"10:", 1, "10:"},
        {"1-3-5", 0, nullptr},
        {"2147483647", 0, nullptr},
        {"3,1x", 1, "4:1,3"},
        {"10:1-3,5,9", 1, "10:1-3,5,9"},
        {"32:0-31", 1, "32:0-31"},
        {"33:0-32", 1, "33:0-32"},
        {"4:0-9", 1, "4:0-3"},
        {"0", 1, "1:0"},
        {"10:2 3", 1, "10:2"},
        {"99999999:1", 0, nullptr},
    };
    for (const auto &c : cases) {
        bitarray_t *ba = nullptr;
        EXPECT_EQ(STRING_TO_BITARRAY(&ba, c.text), c.ok) << c.text;
        if (c.ok) {
            EXPECT_EQ(printed([&](buffer_t *b) { BITARRAY_TO_STRING(ba, b); }), c.printed)
                << c.text;
        } else {
            EXPECT_EQ(ba, nullptr) << c.text;
        }
        bitarray_free(ba);
    }
}

TEST(Converters, TimeSlotLists) {
    struct {
        const char *text;
        int ok;
        uint32_t bits;
    } cases[] = {
        {"1-3, 7", 1, 0xE2000000},
        {"*", 1, 0xFFFFFFFF},
        {"", 1, 0},
        {"32", 1, 1},
        {" 01 - 03 ", 1, 0xE0000000},
        {"* ,2", 1, 0xFFFFFFFF},
        {"0", 0, 0},
        {"33", 0, 0},
        {"1,", 0, 0},
        {"5-3", 0, 0},
        {",1", 0, 0},
        {"-1", 0, 0},
        {"*x", 0, 0},
        {"1 2", 0, 0},
        {"1;2", 0, 0},
        {"1,,2", 0, 0},
        {"1-", 0, 0},
        {"99999999999", 0, 0},
    };
    for (const auto &c : cases) {
        timeslotlist_t list = 0x00000100;  // slot 24 already set
        EXPECT_EQ(STRING_TO_TIMESLOTLIST(&list, c.text), c.ok) << c.text;
        EXPECT_EQ(list, c.ok ? (c.bits | 0x100) : 0x100u) << c.text;
    }
    timeslotlist_t list = 0xE2000000;
    EXPECT_EQ(printed([&](buffer_t *b) { TIMESLOTLIST_TO_STRING(&list, b); }), "1-3, 7");
}

TEST(Converters, NetMasks) {
    struct {
        uint32_t length, mask;
    } cases[] = {{0, 0}, {1, 0x80000000}, {8, 0xFF000000}, {24, 0xFFFFFF00}, {32, 0xFFFFFFFF}};
    for (const auto &c : cases) {
        EXPECT_EQ(netmaskLengthToMask(c.length), c.mask) << c.length;
        EXPECT_EQ(netmaskMaskToLength(c.mask), c.length) << c.length;
    }
    EXPECT_EQ(netmaskMaskToLength(0xFFFF00FF), 16u);  // counted down to the first zero
}

}  // namespace
