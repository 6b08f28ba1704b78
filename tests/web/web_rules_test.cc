// The web front end's decisions that need no network: SOAP version, fault detection, and
// which schema names and hosts are safe to use.

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

TEST(WebRules, SchemaNamesAndHosts) {
    EXPECT_TRUE(webIsSchemaName("a-b_1.xsd"));
    for (const char *bad : {"../a.xsd", "a/b.xsd", "a.wsdl", "a.xsd\n", ".hidden.xsd"})
        EXPECT_FALSE(webIsSchemaName(bad)) << bad;
    EXPECT_FALSE(webIsSchemaName(std::string(70, 'a') + ".xsd"));
    for (const char *ok : {"10.0.0.1:8080", "[2001:db8::1]:443", "switch.example"})
        EXPECT_TRUE(webIsSafeHost(ok));
    for (const char *bad : {"", "a\"b", "a b", "<x>"}) EXPECT_FALSE(webIsSafeHost(bad)) << bad;
}
