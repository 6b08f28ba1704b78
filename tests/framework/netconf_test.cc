// NETCONF in SOAP: get-config and get read, edit-config sets, every other operation is
// an rpc-error; the reply carries the rpc's attributes; the session decides first.
#include "framework/netconf.h"
#include "tests/framework/generic_fixture.h"

namespace {

const std::string kRpcOpen = "<nc:rpc xmlns:nc=\"urn:ietf:params:xml:ns:netconf:base:1.0\"" +
                             kGenericNs + " message-id=\"101\" app=\"probe\">";

std::string rpc(const std::string &operation) {
    return kRpcOpen + operation + "</nc:rpc>";
}

std::string getConfig(const std::string &object, const char *operation = "nc:get-config") {
    return rpc(std::string("<") + operation +
               "><nc:source><nc:running/></nc:source><nc:filter type=\"subtree\" "
               "xmlns=\"urn:example\">" +
               object + "</nc:filter></" + operation + ">");
}

std::string editConfig(const std::string &object) {
    return rpc("<nc:edit-config><nc:target><nc:running/></nc:target><nc:config><top>" + object +
               "</top></nc:config></nc:edit-config>");
}

const std::string kVr1 = "<object xsi:type=\"vlan:VirtualRouter\"><name>vr1</name></object>";

// The rpc-error of a fault's detail, without its namespace declaration.
std::string rpcError(const std::string &out) {
    size_t a = out.find("<rpc-error");
    size_t b = out.find("</rpc-error>");
    if (a == std::string::npos || b == std::string::npos) return "(none) " + out;
    std::string error = out.substr(a, b + strlen("</rpc-error>") - a);
    return error.replace(0, error.find('>') + 1, "<rpc-error>");
}

std::string errorOf(const char *type, const char *tag, const char *message) {
    return std::string("<rpc-error><error-type>") + type + "</error-type><error-tag>" + tag +
           "</error-tag><error-severity>error</error-severity>" +
           (message ? std::string("<error-message>") + message + "</error-message>" : "") +
           "</rpc-error>";
}

class NetconfTest : public GenericTest {
protected:
    std::string netconf(const std::string &body, const std::string &session = "") {
        return serve(body, header(session.empty() ? rw_ : session));
    }
};

TEST_F(NetconfTest, GetConfigAndGetAnswerTheObjectsInData) {
    for (const char *operation : {"nc:get-config", "nc:get"}) {
        SCOPED_TRACE(operation);
        gFake = FakePeers();
        script({cmOk(vrRow(1))});
        std::string out = netconf(getConfig(kVr1, operation));
        EXPECT_EQ(sent(), std::vector<std::string>{
                              "E <module_vr><get><vr><name>vr1</name></vr></get></module_vr>"});
        // The rpc's attributes come back on the reply; the objects carry no type.
        EXPECT_NE(out.find("<netb:rpc-reply message-id=\"101\" app=\"probe\"><data "
                           "xmlns=\"urn:example\"><objects><object><name>vr1</name><vrId>1</vrId>"
                           "<state>true</state><description>d1</description></object></objects>"
                           "</data></netb:rpc-reply>"),
                  std::string::npos)
            << out;
    }
}

TEST_F(NetconfTest, EditConfigSetsAndAnswersOk) {
    script({cmOk()});
    std::string out = netconf(editConfig(
        "<object xsi:type=\"vlan:VirtualRouter\"><name>vr1</name><vrId>4</vrId></object>"));
    EXPECT_EQ(sent(),
              std::vector<std::string>{"S <module_vr><set><vr><rowStatus>configure</rowStatus>"
                                       "<name>vr1</name><vrId>4</vrId></vr></set></module_vr>"});
    EXPECT_NE(out.find("<netb:rpc-reply message-id=\"101\" app=\"probe\"><ok/></netb:rpc-reply>"),
              std::string::npos)
        << out;
}

TEST_F(NetconfTest, FailuresAreRpcErrorsInTheFaultDetail) {
    struct Case {
        const char *what;
        std::string body;
        std::string session;  // read-write unless set; "-" for none
        std::vector<FakeCmReply> replies;
        std::string error;
    };
    const Case cases[] = {
        {"lock", rpc("<nc:lock><nc:target><nc:running/></nc:target></nc:lock>"), "", replies(),
         errorOf("protocol", "operation-not-supported", nullptr)},
        {"an object without type", getConfig("<object><name>vr1</name></object>"), "", replies(),
         errorOf("application", "unknown-element", "Invalid Object")},
        {"an edit without top",
         rpc("<nc:edit-config><nc:config>" + kVr1 + "</nc:config></nc:edit-config>"), "", replies(),
         errorOf("application", "unknown-element", "Invalid Object")},
        {"an rpc without operation", rpc(""), "", replies(),
         errorOf("rpc", "invalid-value", "Could not found netconf operation element")},
        {"the configuration manager's message", getConfig(kVr1), "", replies(cmStatus(0, "a < b")),
         errorOf("application", "invalid-value", "a &lt; b")},
        {"no session", getConfig(kVr1), "-", replies(),
         errorOf("protocol", "access-denied", "Invalid session id")},
        {"a read-only session edits nothing", editConfig(kVr1), "ro", replies(),
         errorOf("protocol", "access-denied", "No write permission")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        gFake = FakePeers();
        script(c.replies);
        std::string session = c.session == "ro" ? ro_ : c.session == "-" ? "none" : rw_;
        std::string out = serve(c.body, c.session == "-" ? "" : header(session));
        EXPECT_NE(out.find("<faultcode>SOAP-ENV:Client</faultcode>"), std::string::npos) << out;
        EXPECT_EQ(rpcError(out), c.error);
        if (c.replies.empty()) {
            EXPECT_TRUE(gFake.cmCalls.empty());
        }
    }
}

TEST_F(NetconfTest, ARequestWithoutRpcElementIsAnRpcError) {
    // The SOAP engine only dispatches bodies that hold an rpc; the processor reads the
    // raw text, which says otherwise here.
    std::string text = envelope("<other/>");
    wsvdRequest r{};
    r.pieces = wsvdBufferToBuflist(text.data(), uint32_t(text.size()));
    soap_->user = &r;
    xmlFwkResult_t result;
    EXPECT_EQ(netconfProcess(soap_, &result), 0);
    EXPECT_EQ(rpcError(result.text),
              errorOf("rpc", "invalid-value", "Could not found rpc element"));
    std::string damaged = "<Envelope><Body>";
    wsvdBuflistFree(r.pieces);
    r.pieces = wsvdBufferToBuflist(damaged.data(), uint32_t(damaged.size()));
    EXPECT_EQ(netconfProcess(soap_, &result), 0);
    EXPECT_EQ(rpcError(result.text),
              errorOf("transport", "invalid-value", "Could not parse input request"));
    soap_->user = nullptr;
    wsvdBuflistFree(r.pieces);
}

}  // namespace
