// Dispatch, faults, SOAP versions, enumerations, wildcards, streaming and bad input,
// through the same hooks the worker uses.
#include <gtest/gtest.h>

#include "soap/wsvd_handlers.h"
#include "tests/soap/soap_test_support.h"

namespace {

const std::string kCom = WSVD_SCHEMA_BASE_URI "/XMLSchema/qtn/common";
const std::string kSwitch = WSVD_SCHEMA_BASE_URI "/XMLSchema/qtn/switch";
const std::string kPort = WSVD_SCHEMA_BASE_URI "/XMLSchema/qtn/port";
const std::string kXsi = "http://www.w3.org/2001/XMLSchema-instance";

int gOpenSessionCalls;
std::string gSeenUser;

int recordOpenSession(struct soap *soap, _com__openSessionRequest *request,
                      _com__openSessionReply &response) {
    ++gOpenSessionCalls;
    if (request && request->session && request->session->username)
        gSeenUser = *request->session->username;
    response.session = request ? request->session : nullptr;  // echo, wildcards included
    (void)soap;
    return SOAP_OK;
}

int refuseOpenSession(struct soap *soap, _com__openSessionRequest *, _com__openSessionReply &) {
    return soap_sender_fault(soap, "Invalid user name or password", nullptr);
}

class SoapServiceTest : public ::testing::Test {
protected:
    void SetUp() override {
        soap_ = wsvdSoapContextNew();
        ASSERT_NE(soap_, nullptr);
        gOpenSessionCalls = 0;
        gSeenUser.clear();
        gWsvdSoapHandlers.openSession = recordOpenSession;
    }
    void TearDown() override {
        gWsvdSoapHandlers = gWsvdSoapDefaultHandlers;
        wsvdSoapContextFree(soap_);
    }
    std::string serve(const std::string &text, size_t chunk = 1000) {
        return serveText(soap_, text, chunk).output();
    }
    struct soap *soap_ = nullptr;
};

std::string openSessionBody(const std::string &qname, const std::string &extra = "") {
    return "<" + qname + "><session><username>admin</username><password>pw</password>" + extra +
           "</session></" + qname + ">";
}

TEST_F(SoapServiceTest, OpenSessionReachesItsHandlerWhateverThePrefix) {
    struct Case {
        const char *name;
        std::string body;
        std::string decls;
    };
    const Case cases[] = {
        {"com prefix", openSessionBody("com:openSessionRequest"), "xmlns:com=\"" + kCom + "\""},
        {"own prefix", openSessionBody("x:openSessionRequest"), "xmlns:x=\"" + kCom + "\""},
        {"default namespace",
         "<openSessionRequest xmlns=\"" + kCom +
             "\"><session xmlns=\"\"><username>admin</username></session></openSessionRequest>",
         ""},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        gOpenSessionCalls = 0;
        gSeenUser.clear();
        std::string out = serve(envelope(c.body, c.decls));
        EXPECT_EQ(gOpenSessionCalls, 1) << out;
        EXPECT_EQ(gSeenUser, "admin");
        EXPECT_NE(out.find("openSessionReply"), std::string::npos) << out;
        EXPECT_EQ(out.find("Fault"), std::string::npos) << out;
    }
}

TEST_F(SoapServiceTest, UnknownElementsGetTheNoMethodFault) {
    struct Case {
        const char *name;
        std::string body;
        std::string decls;
        std::string element;
    };
    const Case cases[] = {
        {"unknown local name", "<com:fetchEverything/>", "xmlns:com=\"" + kCom + "\"",
         "com:fetchEverything"},
        {"known name, unknown namespace", openSessionBody("z:openSessionRequest"),
         "xmlns:z=\"urn:somebody-else\"", "z:openSessionRequest"},
        {"typed-service name under the common namespace", "<com:getVlan/>",
         "xmlns:com=\"" + kCom + "\"", "com:getVlan"},
    };
    for (const auto &c : cases) {
        SCOPED_TRACE(c.name);
        std::string out = serve(envelope(c.body, c.decls));
        EXPECT_EQ(gOpenSessionCalls, 0);
        EXPECT_NE(out.find("SOAP-ENV:Client"), std::string::npos) << out;
        EXPECT_NE(out.find("Method '" + c.element +
                           "' not implemented: method name or namespace not recognized"),
                  std::string::npos)
            << out;
    }
}

TEST_F(SoapServiceTest, HelloAndEventPostAreAlwaysClientFaults) {
    const std::string bodies[] = {
        "<n:hello xmlns:n=\"urn:ietf:params:xml:ns:netconf:base:1.0\"><n:capabilities>"
        "<n:capability>urn:ietf:params:netconf:base:1.0</n:capability></n:capabilities></n:hello>",
        "<ev:post xmlns:ev=\"" WSVD_SCHEMA_BASE_URI "/XMLSchema/qtn/event\"/>",
    };
    for (const auto &body : bodies) {
        std::string out = serve(envelope(body));
        EXPECT_NE(out.find("SOAP-ENV:Client"), std::string::npos) << out;
        EXPECT_EQ(out.find("hello>"), std::string::npos) << "no hello in return: " << out;
    }
}

TEST_F(SoapServiceTest, Soap12EnvelopesAreAnsweredAsSoap12) {
    std::string decls = "xmlns:com=\"" + kCom + "\"";
    std::string out = serve(envelope(openSessionBody("com:openSessionRequest"), decls, kEnv12));
    EXPECT_EQ(gOpenSessionCalls, 1);
    EXPECT_NE(out.find(kEnv12), std::string::npos) << out;

    gWsvdSoapHandlers.openSession = refuseOpenSession;
    out = serve(envelope(openSessionBody("com:openSessionRequest"), decls, kEnv12));
    EXPECT_NE(out.find("SOAP-ENV:Sender"), std::string::npos) << out;
    EXPECT_NE(out.find("Invalid user name or password"), std::string::npos) << out;
    EXPECT_EQ(out.find("Detail"), std::string::npos) << out;

    // The same context goes back to 1.1 for a 1.1 request.
    out = serve(envelope(openSessionBody("com:openSessionRequest"), decls));
    EXPECT_NE(out.find("<faultcode>SOAP-ENV:Client</faultcode>"), std::string::npos) << out;
    EXPECT_NE(out.find("<faultstring>Invalid user name or password</faultstring>"),
              std::string::npos)
        << out;
}

// The filter of a generic get is read as the object type its xsi:type names, and a
// speed given by its text or by its code reads as the same value.
int gFilterType;
int gFilterSpeed;
int captureGet(struct soap *soap, _switch__getRequest *request, _switch__getResponse &response) {
    auto *filter = request ? dynamic_cast<port__PortConfig *>(request->filter) : nullptr;
    if (filter) {
        gFilterType = filter->soap_type();
        gFilterSpeed = filter->configSpeed ? static_cast<int>(*filter->configSpeed) : -1;
    }
    response.__result = soap_strdup(soap, "<objects/>");
    return SOAP_OK;
}

TEST_F(SoapServiceTest, SpeedsReadByTextOrCode) {
    gWsvdSoapHandlers.switchGet = captureGet;
    for (const char *speed : {"1000_1G", "3"}) {
        SCOPED_TRACE(speed);
        gFilterType = gFilterSpeed = 0;
        std::string body =
            "<s:getRequest><filter xsi:type=\"port:PortConfig\" objectType=\"x\">"
            "<portList>1:1</portList><configSpeed>" +
            std::string(speed) + "</configSpeed></filter></s:getRequest>";
        std::string out = serve(envelope(body, "xmlns:s=\"" + kSwitch + "\" xmlns:port=\"" + kPort +
                                                   "\" xmlns:xsi=\"" + kXsi + "\""));
        EXPECT_EQ(gFilterType, SOAP_TYPE_port__PortConfig) << out;
        EXPECT_EQ(gFilterSpeed, 3);
        EXPECT_NE(out.find("<objects/>"), std::string::npos) << out;
    }
}

TEST_F(SoapServiceTest, ForeignWildcardContentIsWrittenBackWithItsNamespace) {
    std::string extra = "<f:note xmlns:f=\"urn:foreign:notes\" f:level=\"2\">kept</f:note>";
    std::string out = serve(
        envelope(openSessionBody("com:openSessionRequest", extra), "xmlns:com=\"" + kCom + "\""));
    ASSERT_EQ(gOpenSessionCalls, 1) << out;
    size_t note = out.find(":note");
    ASSERT_NE(note, std::string::npos) << out;
    EXPECT_NE(out.find("urn:foreign:notes"), std::string::npos) << out;
    EXPECT_NE(out.find(">kept<"), std::string::npos) << out;
}

int manyVlans(struct soap *soap, _qtnvlan__getAllVlan *, _qtnvlan__getAllVlanResponse &response) {
    auto *sequence = soap_new_qtn__Vlan_VlanEntrySequence(soap);
    for (int i = 0; i < 300; ++i) {
        qtn__Vlan_VlanEntry entry;
        entry.name = soap_new_std__string(soap);
        *entry.name = "vlan" + std::to_string(i);
        entry.tag = soap_new_xsd__integer(soap);
        *entry.tag = i;
        sequence->vlan.push_back(entry);
    }
    response.reply = sequence;
    return SOAP_OK;
}

TEST_F(SoapServiceTest, LargeRepliesAreStreamedInSmallWrites) {
    gWsvdSoapHandlers.getAllVlan = manyVlans;
    SoapExchange x =
        serveText(soap_, envelope("<v:getAllVlan xmlns:v=\"urn:xapi/l2protocol/vlan\"/>"));
    std::string out = x.output();
    ASSERT_GT(out.size(), 4000u);
    EXPECT_GT(x.writes.size(), 2u);
    for (const auto &w : x.writes) EXPECT_LE(w.size(), 4000u);
    EXPECT_NE(out.find("<name>vlan299</name>"), std::string::npos);
    EXPECT_NE(out.find("</SOAP-ENV:Envelope>"), std::string::npos);
}

TEST_F(SoapServiceTest, BadInputGetsAFaultAndTheNextRequestIsServed) {
    const std::string good =
        envelope(openSessionBody("com:openSessionRequest"), "xmlns:com=\"" + kCom + "\"");
    const std::string bad[] = {
        "this is not XML at all",
        good.substr(0, good.size() / 2),  // truncated
        envelope(openSessionBody("com:openSessionRequest"), "xmlns:com=\"" + kCom + "\"",
                 "urn:not-an-envelope"),
        envelope("<com:openSessionRequest><session><accessRight>superuser</accessRight>"
                 "</session></com:openSessionRequest>",
                 "xmlns:com=\"" + kCom + "\""),
        std::string("<\0>", 3),
    };
    for (const auto &text : bad) {
        SCOPED_TRACE(text.substr(0, 120));
        gOpenSessionCalls = 0;
        std::string out = serve(text, 7);
        EXPECT_EQ(gOpenSessionCalls, 0);
        EXPECT_NE(out.find("Fault"), std::string::npos) << out;
        out = serve(good);
        EXPECT_EQ(gOpenSessionCalls, 1) << out;
        EXPECT_EQ(out.find("Fault"), std::string::npos) << out;
    }
}

// No service is linked here, so every operation has the default handler.
TEST_F(SoapServiceTest, OperationsWithoutAHandlerAnswerAClientFault) {
    gWsvdSoapHandlers = gWsvdSoapDefaultHandlers;
    std::string out =
        serve(envelope("<v:getVlan xmlns:v=\"urn:xapi/l2protocol/vlan\">"
                       "<name>Default</name></v:getVlan>"));
    EXPECT_NE(out.find("<faultcode>SOAP-ENV:Client</faultcode>"), std::string::npos) << out;
    EXPECT_NE(out.find("<faultstring>Operation not available</faultstring>"), std::string::npos)
        << out;
}

}  // namespace
