// The session operations end to end: SOAP requests over the request link to the real
// wsvd, authenticated by the real platformd.
#include <gtest/gtest.h>

#include <regex>
#include <string>

#include "platform/wsvd_link.h"
#include "tests/support/switch_harness.h"

namespace {

const char *kCom = "urn:wsvd/XMLSchema/qtn/common";

std::string envelope(const std::string &body, const std::string &header = "") {
    return std::string(
               "<?xml version=\"1.0\"?><S:Envelope "
               "xmlns:S=\"http://schemas.xmlsoap.org/soap/envelope/\" "
               "xmlns:com=\"") +
           kCom + "\">" + (header.empty() ? "" : "<S:Header>" + header + "</S:Header>") +
           "<S:Body>" + body + "</S:Body></S:Envelope>";
}

std::string openBody(const std::string &user, const std::string &password,
                     const std::string &extra = "") {
    return "<com:openSessionRequest><session><username>" + user + "</username><password>" +
           password + "</password>" + extra + "</session></com:openSessionRequest>";
}

// The text of the first element `name` in `xml` ("" when absent).
std::string element(const std::string &xml, const std::string &name) {
    std::smatch m;
    std::regex re("<(?:[A-Za-z0-9_-]+:)?" + name + "(?: [^>]*)?>([^<]*)</");
    return std::regex_search(xml, m, re) ? m[1].str() : "";
}

// One SOAP request over `conn`, with `user` in the link header.
std::string call(wsvcConn_t *conn, const std::string &body, const std::string &user = "") {
    static uint32_t id = 0;
    wsvcRequest_t req;
    std::string text = envelope(body), reply;
    req.text = text;
    req.requestId = ++id;
    req.userName = user;
    EXPECT_EQ(wsvcRoundTrip(conn, req, &reply, 20000), 0) << wsvcError(conn);
    return reply;
}

class SessionSoapTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sw.start());
        conn = sw.connect("thttpd");
        ASSERT_TRUE(conn);
    }
    std::string open(const std::string &user = "admin", const std::string &password = "",
                     const std::string &extra = "") {
        return call(conn.get(), openBody(user, password, extra));
    }
    std::string close(const std::string &sid) {
        return call(conn.get(), "<com:closeSessionRequest><sessionId>" + sid +
                                    "</sessionId></com:closeSessionRequest>");
    }
    SwitchHarness sw{{"wsvd"}};
    WsvcConn conn;
};

// What openSession answers, and its faults, as a SOAP client sees them.
TEST_F(SessionSoapTest, OpenSessionAnswersAndFaults) {
    struct {
        const char *name, *user, *password, *extra, *fault, *timeout, *access;
    } cases[] = {
        {"defaults", "admin", "", "<appName>t</appName><timeout>10</timeout>", "", "30",
         "readWrite"},
        {"version 10", "admin", "", "<xmlApiVersion>10.1.0.0</xmlApiVersion>",
         "XML API not supported in this release", "", ""},
        {"read-only", "user", "", "", "", "900", "readOnly"},
        {"wrong password", "admin", "wrong", "", "Authetication Failed", "", ""},
        {"empty user name", "", "", "", "Missing parameter", "", ""},
    };
    for (auto &c : cases) {
        std::string r = open(c.user, c.password, c.extra);
        SCOPED_TRACE(std::string(c.name) + "\n" + r);
        EXPECT_EQ(element(r, "faultstring"), c.fault);
        EXPECT_EQ(element(r, "timeout"), c.timeout);
        EXPECT_EQ(element(r, "accessRight"), c.access);
        EXPECT_EQ(element(r, "xmlApiVersion"), *c.fault ? "" : "12.0.0.0");
        std::string sid = element(r, "sessionId");
        EXPECT_EQ(sid.size(), *c.fault ? 0u : 14u);
        if (!sid.empty()) {
            EXPECT_EQ(element(close(sid), "faultstring"), "");
        }
    }
}

// One slot stays for read-write accounts: the read-only account (which ships without a
// password) cannot fill the table, and the seventh session finds no slot.
TEST_F(SessionSoapTest, ReadOnlyAccountsLeaveOneSlotForReadWriteOnes) {
    for (int i = 0; i < 5; i++) EXPECT_EQ(element(open("user"), "faultstring"), "") << i;
    EXPECT_EQ(element(open("user"), "faultstring"), "No session is free");
    EXPECT_EQ(element(open("admin"), "faultstring"), "");
    EXPECT_EQ(element(open("admin"), "faultstring"), "No session is free");
}

TEST_F(SessionSoapTest, CloseAndKeepAlive) {
    std::string sid = element(open(), "sessionId");
    std::string r = call(conn.get(), "<com:keepAliveRequest><hdr><reqId>7</reqId><sessionId>" +
                                         sid + "</sessionId></hdr></com:keepAliveRequest>");
    EXPECT_EQ(element(r, "faultstring"), "") << r;
    EXPECT_EQ(element(r, "reqId"), "7");
    EXPECT_EQ(element(r, "sessionId"), sid);
    EXPECT_EQ(element(close(sid), "faultstring"), "") << "closed";
    EXPECT_EQ(element(close(sid), "faultstring"), "Unknown session id") << "already closed";
}

// When accounts lock (the accounts' own rule), new logins are refused but not the
// sessions opened before, nor the local console.
TEST_F(SessionSoapTest, LockoutRefusesNewLoginsOnly) {
    WsvcConn local = sw.connect("wsvc");
    ASSERT_TRUE(local);
    auto getVlan = [&](wsvcConn_t *c, const std::string &sessionId) {
        return element(
            call(c, "<v:getVlan xmlns:v=\"urn:xapi/l2protocol/vlan\"><sessionId>" + sessionId +
                        "</sessionId><name>Default</name>"
                        "<vr>VR-Default</vr></v:getVlan>"),
            "faultstring");
    };
    std::string before = element(open(), "sessionId");
    for (int i = 0; i < 3; i++)
        EXPECT_EQ(element(open("admin", "guess"), "faultstring"), "Authetication Failed");
    EXPECT_EQ(element(open(), "faultstring"), "Authetication Failed") << "locked";
    EXPECT_NE(getVlan(conn.get(), before), "Not a valid user");
    EXPECT_NE(getVlan(local.get(), ""), "Not a valid user") << "the local console";
}

}  // namespace
