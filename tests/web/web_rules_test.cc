// The web front end's decisions that need no network: SOAP version, fault detection, client
// addresses, and which schema names and hosts are safe to use.
#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstring>
#include <vector>

#include <gtest/gtest.h>

#include "web/soap_http.h"
#include "web/wsdl.h"

TEST(WebRules, SoapVersionFromContentType) {
    struct {
        const char *contentType;
        webSoapVersion version;
    } cases[] = {
        {" Text/XML ;charset=\"UTF-8\"", WEB_SOAP_11},
        {"APPLICATION/SOAP+XML; action=\"urn:x\"", WEB_SOAP_12},
        {"text/xmlx", WEB_SOAP_NONE},
        {nullptr, WEB_SOAP_NONE},
    };
    for (auto &c : cases)
        EXPECT_EQ(webSoapVersionOf(c.contentType), c.version)
            << (c.contentType ? c.contentType : "(null)");
}

TEST(WebRules, FaultIsTheFirstElementOfTheBody) {
    struct {
        const char *text;
        bool fault;
    } cases[] = {
        {"<?xml version=\"1.0\"?><SOAP-ENV:Envelope xmlns:SOAP-ENV=\"e\"><SOAP-ENV:Body>"
         "<SOAP-ENV:Fault><faultcode>SOAP-ENV:Client</faultcode>",
         true},
        {"<Envelope><Header/><Body>\n  <!-- why --> <Fault xmlns=\"e\">", true},
        {"<e:Envelope><e:Body attr='a>b'><e:Fault>", true},
        {"<env:Envelope><env:Header><x:Fault/></env:Header><env:Body><m:getVlanResponse>"
         "<m:Fault>not a fault</m:Fault>",
         false},
        {"<Envelope><Body><FaultCount>", false},
        {"<Envelope><Body/><Fault>", false},
        {"<Envelope><Body>", false},  // cut before the first child: decided as no fault
        // Without a Body, as the test daemon echoes a bare text, any Fault element counts.
        {"echo <SOAP-ENV:Fault>", true},
        {"echo <Faults>", false},
    };
    for (auto &c : cases) EXPECT_EQ(webIsSoapFault(c.text), c.fault) << c.text;
}

TEST(WebRules, ClientAddressBytes) {
    struct {
        int family;
        const char *text;
        std::vector<uint8_t> bytes;  // the first ones; the rest are zero
    } cases[] = {
        {AF_INET, "10.1.2.3", {10, 1, 2, 3}},
        {AF_INET6, "::ffff:192.168.0.9", {192, 168, 0, 9}},
        {AF_INET6, "2001:db8::1", {0x20, 0x01, 0x0d, 0xb8, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 0, 1}},
        {AF_UNIX, "", {}},
    };
    for (auto &c : cases) {
        sockaddr_storage a{};
        a.ss_family = sa_family_t(c.family);
        if (c.family == AF_INET)
            inet_pton(AF_INET, c.text, &reinterpret_cast<sockaddr_in *>(&a)->sin_addr);
        if (c.family == AF_INET6)
            inet_pton(AF_INET6, c.text, &reinterpret_cast<sockaddr_in6 *>(&a)->sin6_addr);
        uint8_t out[16];
        memset(out, 0xee, sizeof out);
        webClientAddress(reinterpret_cast<sockaddr *>(&a), out);
        std::vector<uint8_t> expected = c.bytes;
        expected.resize(16);
        EXPECT_EQ(std::vector<uint8_t>(out, out + 16), expected) << c.text;
    }
}

TEST(WebRules, SchemaNamesAndHosts) {
    EXPECT_TRUE(webIsSchemaName("a-b_1.xsd"));
    for (const char *bad : {"../a.xsd", "a/b.xsd", "a.wsdl", "a.xsd\n", ".hidden.xsd"})
        EXPECT_FALSE(webIsSchemaName(bad)) << bad;
    EXPECT_FALSE(webIsSchemaName(std::string(70, 'a') + ".xsd"));
    for (const char *ok : {"10.0.0.1:8080", "[2001:db8::1]:443", "switch.example"})
        EXPECT_TRUE(webIsSafeHost(ok));
    for (const char *bad : {"", "a\"b", "a b", "<x>"}) EXPECT_FALSE(webIsSafeHost(bad)) << bad;
}
