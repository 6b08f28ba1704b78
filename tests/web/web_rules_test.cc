// The web front end's decisions that need no network: SOAP version, the test hook,
// fault detection, client addresses, the WSDL rewrite and the command line.
#include <arpa/inet.h>
#include <netinet/in.h>

#include <cstring>
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
        {"text/xml", WEB_SOAP_11},
        {"text/xml; charset=utf-8", WEB_SOAP_11},
        {" Text/XML ;charset=\"UTF-8\"", WEB_SOAP_11},
        {"application/soap+xml; charset=utf-8; action=\"urn:x\"", WEB_SOAP_12},
        {"APPLICATION/SOAP+XML", WEB_SOAP_12},
        {"text/xmlx", WEB_SOAP_NONE},
        {"text/plain", WEB_SOAP_NONE},
        {"application/xml", WEB_SOAP_NONE},
        {"", WEB_SOAP_NONE},
        {nullptr, WEB_SOAP_NONE},
    };
    for (auto &c : cases)
        EXPECT_EQ(webSoapVersionOf(c.contentType), c.version)
            << (c.contentType ? c.contentType : "(null)");
    EXPECT_STREQ(webReplyContentType(WEB_SOAP_11), "text/xml; charset=utf-8");
    EXPECT_STREQ(webReplyContentType(WEB_SOAP_12), "application/soap+xml; charset=utf-8");
}

TEST(WebRules, ExecHookRecognisedAfterBlanks) {
    struct {
        const char *text;
        bool hook;
    } cases[] = {
        {"<exec> file.xml", true},
        {" \t\r\n <exec>", true},
        {"<exec>\n<soap/>", true},
        {"<execute/>", false},
        {"<soap:Envelope><exec> x", false},
        {"", false},
        {"   ", false},
        {"<exe", false},
    };
    for (auto &c : cases) EXPECT_EQ(webIsExecHook(c.text), c.hook) << c.text;
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
        {"<Envelope><Body><getFaultResponse/>", false},
        {"<Envelope><Body><FaultCount>", false},
        {"<Envelope><Body/><Fault>", false},
        {"<Envelope><Body>", false},  // cut before the first child: decided as no fault
        // Without a Body, as the test daemon echoes a bare text, any Fault element counts.
        {"echo <SOAP-ENV:Fault>", true},
        {"echo <Faults>", false},
        {"</Fault>", false},
        {"", false},
        {"<", false},
        {"<Body", false},
    };
    for (auto &c : cases) EXPECT_EQ(webIsSoapFault(c.text), c.fault) << c.text;
}

TEST(WebRules, ClientAddressBytes) {
    uint8_t out[16];
    sockaddr_in in{};
    in.sin_family = AF_INET;
    inet_pton(AF_INET, "10.1.2.3", &in.sin_addr);
    webClientAddress(reinterpret_cast<sockaddr *>(&in), out);
    const uint8_t v4[16] = {10, 1, 2, 3};
    EXPECT_EQ(memcmp(out, v4, 16), 0);

    sockaddr_in6 in6{};
    in6.sin6_family = AF_INET6;
    inet_pton(AF_INET6, "::ffff:192.168.0.9", &in6.sin6_addr);
    webClientAddress(reinterpret_cast<sockaddr *>(&in6), out);
    const uint8_t mapped[16] = {192, 168, 0, 9};
    EXPECT_EQ(memcmp(out, mapped, 16), 0);

    inet_pton(AF_INET6, "2001:db8::1", &in6.sin6_addr);
    webClientAddress(reinterpret_cast<sockaddr *>(&in6), out);
    EXPECT_EQ(memcmp(out, in6.sin6_addr.s6_addr, 16), 0);

    memset(out, 0xff, sizeof out);
    webClientAddress(nullptr, out);
    const uint8_t zero[16] = {};
    EXPECT_EQ(memcmp(out, zero, 16), 0);
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
        {"<ipaddress location=\"x\"/>", "<ipaddress location=\"x\"/>"},
        {"<xsd:import namespace=\"urn:a\" schemaLocation=\"a.xsd\"/>",
         "<xsd:import namespace=\"urn:a\" "
         "schemaLocation=\"https://sw1:8443/xmlService?xsd=a.xsd\"/>"},
        {"<include schemaLocation=\"b_c-1.xsd\"/>",
         "<include schemaLocation=\"https://sw1:8443/xmlService?xsd=b_c-1.xsd\"/>"},
        // Absolute or odd locations are left as they are.
        {"<import schemaLocation=\"http://other/a.xsd\"/>",
         "<import schemaLocation=\"http://other/a.xsd\"/>"},
        {"<import schemaLocation=\"../a.xsd\"/>", "<import schemaLocation=\"../a.xsd\"/>"},
        {"<import namespace=\"urn:x\"/>", "<import namespace=\"urn:x\"/>"},
        {"text <a> more < unterminated", "text <a> more < unterminated"},
    };
    for (auto &c : cases) EXPECT_EQ(webRewriteWsdl(c.in, endpoint), c.out) << c.in;
    EXPECT_EQ(webRewriteWsdl("<s:address location=\"x\"/>", "http://a\"b"),
              "<s:address location=\"http://a&quot;b\"/>");
}

TEST(WebRules, SchemaNamesAndHosts) {
    for (const char *ok : {"vlan.xsd", "switch_.xsd", "a-b.1.xsd"})
        EXPECT_TRUE(webIsSchemaName(ok));
    for (const char *bad :
         {"", ".xsd", "../a.xsd", "a/b.xsd", "a.wsdl", "a.xsd\n", ".hidden.xsd", "%2e%2e.xsd"})
        EXPECT_FALSE(webIsSchemaName(bad)) << bad;
    EXPECT_FALSE(webIsSchemaName(std::string(70, 'a') + ".xsd"));
    for (const char *ok : {"sw1", "10.0.0.1:8080", "[2001:db8::1]:443", "switch.example"})
        EXPECT_TRUE(webIsSafeHost(ok));
    for (const char *bad : {"", "a\"b", "a b", "x/y", "<x>"})
        EXPECT_FALSE(webIsSafeHost(bad)) << bad;
}

TEST(WebRules, CommandLine) {
    auto parse = [](std::vector<std::string> args, webServerConfig_t *s, webRelayConfig_t *r,
                    std::string *error) {
        args.insert(args.begin(), "webd");
        std::vector<char *> argv;
        for (auto &a : args) argv.push_back(a.data());
        argv.push_back(nullptr);
        return webParseOptions(int(args.size()), argv.data(), s, r, error);
    };
    unsetenv("KARN_ROOT");
    unsetenv("WSVD_HTTP_PORT");
    webServerConfig_t s;
    webRelayConfig_t r;
    std::string error;
    ASSERT_EQ(parse({}, &s, &r, &error), 0);
    EXPECT_EQ(s.address, "127.0.0.1");
    EXPECT_EQ(s.httpPort, 8080);
    EXPECT_EQ(s.maxConnections, 64);
    EXPECT_EQ(r.timeoutMs, 60000);
    setenv("WSVD_HTTP_PORT", "9090", 1);
    webServerConfig_t fromEnv;
    EXPECT_EQ(parse({}, &fromEnv, &r, &error), 0);
    EXPECT_EQ(fromEnv.httpPort, 9090);
    unsetenv("WSVD_HTTP_PORT");

    setenv("KARN_ROOT", "/r", 1);
    ASSERT_EQ(parse({"-a", "::1", "-p", "18080", "--https-port", "18443", "--cert", "c.pem",
                     "--key", "k.pem", "-c", "5", "-t", "2", "-l", "3"},
                    &s, &r, &error),
              0)
        << error;
    unsetenv("KARN_ROOT");
    EXPECT_EQ(s.address, "::1");
    EXPECT_EQ(s.httpPort, 18080);
    EXPECT_EQ(s.httpsPort, 18443);
    EXPECT_EQ(s.certFile, "c.pem");
    EXPECT_EQ(s.keyFile, "k.pem");
    EXPECT_EQ(s.wsdlDir, "/r/wsdl");
    EXPECT_EQ(s.maxConnections, 5);
    EXPECT_EQ(r.timeoutMs, 2000);
    EXPECT_EQ(r.maxLinks, 3);

    for (std::vector<std::string> bad : std::vector<std::vector<std::string>>{{"-p", "0"},
                                                                              {"-p", "65536"},
                                                                              {"-p", "80x"},
                                                                              {"-t", "0"},
                                                                              {"-c"},
                                                                              {"--cert", "c"},
                                                                              {"-z"},
                                                                              {"extra"}}) {
        webServerConfig_t s2;
        webRelayConfig_t r2;
        EXPECT_EQ(parse(bad, &s2, &r2, &error), -1) << bad[0];
    }
    EXPECT_EQ(parse({"-h"}, &s, &r, &error), 1);
}
