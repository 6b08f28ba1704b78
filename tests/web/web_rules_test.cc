// The web front end's decisions that need no network: SOAP version, fault detection, client
// addresses, the WSDL rewrite and the command line.
#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstring>
#include <sstream>
#include <vector>

#include <gtest/gtest.h>

#include "web/options.h"
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

TEST(WebRules, WsdlRewrite) {
    const std::string endpoint = "https://sw1:8443/xmlService";
    struct {
        const char *in;
        const char *out;
    } cases[] = {
        {"<SOAP:address location=\"http://localhost/xmlservice\"/>",
         "<SOAP:address location=\"https://sw1:8443/xmlService\"/>"},
        {"<soap12:address  location = 'x' />",
         "<soap12:address  location = \"https://sw1:8443/xmlService\" />"},
        // Only addresses of a binding (with a prefix) are endpoints.
        {"<address location=\"x\"/>", "<address location=\"x\"/>"},
        {"<xsd:import namespace=\"urn:a\" schemaLocation=\"a.xsd\"/>",
         "<xsd:import namespace=\"urn:a\" "
         "schemaLocation=\"https://sw1:8443/xmlService?xsd=a.xsd\"/>"},
        // Absolute or odd locations are left as they are.
        {"<import schemaLocation=\"http://other/a.xsd\"/>",
         "<import schemaLocation=\"http://other/a.xsd\"/>"},
        {"<import schemaLocation=\"../a.xsd\"/>", "<import schemaLocation=\"../a.xsd\"/>"},
        {"text <a> more < unterminated", "text <a> more < unterminated"},
    };
    for (auto &c : cases) EXPECT_EQ(webRewriteWsdl(c.in, endpoint), c.out) << c.in;
    EXPECT_EQ(webRewriteWsdl("<s:address location=\"x\"/>", "http://a\"b"),
              "<s:address location=\"http://a&quot;b\"/>");
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

TEST(WebRules, CommandLine) {
    // Words of `line`, as a shell would give them to webd.
    auto parse = [](const std::string &line, webServerConfig_t *s, webRelayConfig_t *r) {
        std::vector<std::string> args{"webd"};
        std::istringstream words(line);
        for (std::string w; words >> w;) args.push_back(w);
        std::vector<char *> argv;
        for (auto &a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        std::string error;
        return webParseOptions(int(args.size()), argv.data(), s, r, &error);
    };
    webServerConfig_t s;
    webRelayConfig_t r;
    // Good options take effect in webd's own tests (-c, -t, -l, -r, --per-address).
    for (const char *bad : {"-p 0", "-p 65536", "-p 80x", "-t 0", "--per-address 0", "--threads 65",
                            "--cert c", "extra"}) {
        webServerConfig_t fresh;
        EXPECT_EQ(parse(bad, &fresh, &r), -1) << bad;
    }
    EXPECT_EQ(parse("-h", &s, &r), 1);
}
