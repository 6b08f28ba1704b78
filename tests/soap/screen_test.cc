// The screen in front of the SOAP engine: what it counts and where, and the fault the
// engine's caller gets for a text it turns away.
#include "soap/wsvd_screen.h"

#include <gtest/gtest.h>

#include <string>

#include "soap/wsvd_soap.h"
#include "tests/soap/soap_test_support.h"

namespace {

// Small limits, so that the texts stay readable.
const wsvdScreenLimits_t kSmall = {
    3,   // attributes per element
    5,   // attributes
    3,   // namespaces in scope
    4,   // namespaces
    10,  // elements
    2,   // header elements
    8,   // name length
    4,   // depth
};

TEST(SoapScreen, CountsWhatTheEngineWouldPayFor) {
    struct Case {
        const char *what;
        std::string text;
        const char *refusal;  // "" = let through
    };
    const Case cases[] = {
        {"plain", "<?xml version=\"1.0\"?><E a=\"1\"><B><op x='1'>t</op></B></E>", ""},
        {"attributes on one element", "<E a=\"1\" b=\"2\" c=\"3\" d=\"4\"/>",
         "too many attributes on one element"},
        {"attributes in all", "<E a='' b='' c=''><x d='' e=''/><y f=''/></E>",
         "too many attributes"},
        {"bare words count", "<E a b c d>", "too many attributes on one element"},
        {"'>' and quotes inside values", "<E a=\"'>'\" b='\">x'><x c=\">>\"/></E>", ""},
        {"markup in comments, CDATA and instructions",
         "<E><!-- <a p q r s/> --><![CDATA[<a p q r s t>]]><?pi <a p q r s>?></E>", ""},
        {"document type", "<!DOCTYPE E [<!ENTITY x \"y\">]><E/>",
         "a SOAP message holds no document type declaration"},
        {"declarations in scope", "<E xmlns:a='1' xmlns:b='2'><x xmlns:c='3' xmlns:d='4'/></E>",
         "too many namespace declarations in scope"},
        {"scope ends with its element",
         "<E><x xmlns:a='1' xmlns:b='2' xmlns='3'></x><y xmlns:c='4'/></E>", ""},
        {"declarations in all",
         "<E><x xmlns:a='1' xmlns:b='2'/><y xmlns:c='3' xmlns:d='4'/><z xmlns='5'/></E>",
         "too many namespace declarations"},
        {"elements", "<E><a/><a/><a/><a/><a/><a/><a/><a/><a/></E>", ""},
        {"elements", "<E><a/><a/><a/><a/><a/><a/><a/><a/><a/><a/></E>", "too many elements"},
        {"header elements", "<s:E><s:Header><h/><h/><h/></s:Header></s:E>",
         "too many elements in the SOAP Header"},
        {"only the Envelope's Header", "<s:E><s:Body><Header><h/><h/><h/></Header></s:Body></s:E>",
         ""},
        {"element name", "<E><abcdefghi/></E>", "an element name is too long"},
        {"depth", "<a><b><c><d><e/></d></c></b></a>", ""},
        {"too deep", "<a><b><c><d><e></e></d></c></b></a>", "elements nested too deeply"},
        {"cut inside a tag", "<E a=\"never closed", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        const char *why = wsvdSoapScreen(c.text, kSmall);
        EXPECT_EQ(std::string(why ? why : ""),
                  c.refusal[0] ? std::string("Request refused: ") + c.refusal : "");
    }
}

// What is turned away never reaches the engine's parser, and the caller gets a client
// fault that says why.
TEST(SoapScreen, RefusedTextsGetAClientFault) {
    struct soap *soap = wsvdSoapContextNew();
    ASSERT_NE(soap, nullptr);
    std::string attributes;
    for (int i = 0; i <= WSVD_SOAP_MAX_ATTRIBUTES_PER_ELEMENT; i++)
        attributes += " a" + std::to_string(i) + "=\"1\"";
    struct Case {
        std::string text;
        const char *fault;
    };
    const Case cases[] = {
        {"<?xml version=\"1.0\"?><e:Envelope xmlns:e=\"" + std::string(kEnv11) + "\"" + attributes +
             "><e:Body/></e:Envelope>",
         "Request refused: too many attributes on one element"},
        {envelope("<x>" + std::string(WSVD_SOAP_MAX_MESSAGE, 'x') + "</x>"), "Request too large"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.fault);
        std::string out = serveText(soap, c.text, 4096).output();
        EXPECT_NE(out.find("<faultcode>SOAP-ENV:Client</faultcode>"), std::string::npos) << out;
        EXPECT_NE(out.find(std::string("<faultstring>") + c.fault + "</faultstring>"),
                  std::string::npos)
            << out;
    }
    wsvdSoapContextFree(soap);
}

}  // namespace
