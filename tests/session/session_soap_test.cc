// The session operations end to end: SOAP requests over the request link to the real
// wsvd, authenticated by the real platformd.
#include <gtest/gtest.h>

#include <cstdlib>
#include <regex>
#include <string>

#include "platform/wsvd_link.h"
#include "tests/support/scratch.h"
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

class SessionSoapTest : public ::testing::Test {
protected:
    void SetUp() override {
        ASSERT_TRUE(sw.start());
        conn = sw.connect("thttpd");
        ASSERT_TRUE(conn);
    }
    std::string call(const std::string &body, const std::string &header = "") {
        std::string reply;
        wsvcRequest_t req;
        std::string text = envelope(body, header);
        req.text = text;
        req.requestId = ++id;
        req.connectionKind = WSVD_CONN_HTTP;
        EXPECT_EQ(wsvcRoundTrip(conn.get(), req, &reply, 20000), 0) << wsvcError(conn.get());
        return reply;
    }
    std::string open(const std::string &user = "admin", const std::string &password = "",
                     const std::string &extra = "") {
        return call(openBody(user, password, extra));
    }
    std::string close(const std::string &sid) {
        return call("<com:closeSessionRequest><sessionId>" + sid +
                    "</sessionId></com:closeSessionRequest>");
    }
    SwitchHarness sw{{"wsvd"}};
    WsvcConn conn;
    uint32_t id = 0;
};

// What openSession answers, and its faults, as a SOAP client sees them.
TEST_F(SessionSoapTest, OpenSessionAnswersAndFaults) {
    struct {
        const char *name, *body, *fault, *timeout, *access, *version;
    } cases[] = {
        {"defaults", "<appName>tests</appName><timeout>10</timeout>", "", "30", "readWrite",
         "12.0.0.0"},
        {"version 10", "<xmlApiVersion>10.1.0.0</xmlApiVersion>",
         "XML API not supported in this release", "", "", ""},
        {"read-only", "user", "", "900", "readOnly", "12.0.0.0"},
        {"wrong password", "wrong", "Authetication Failed", "", "", ""},
    };
    for (auto &c : cases) {
        std::string body = c.body;
        std::string r = body == "user"    ? open("user")
                        : body == "wrong" ? open("admin", "wrong")
                                          : open("admin", "", body);
        SCOPED_TRACE(std::string(c.name) + "\n" + r);
        EXPECT_EQ(element(r, "faultstring"), c.fault);
        EXPECT_EQ(element(r, "timeout"), c.timeout);
        EXPECT_EQ(element(r, "accessRight"), c.access);
        EXPECT_EQ(element(r, "xmlApiVersion"), c.version);
        std::string sid = element(r, "sessionId");
        EXPECT_EQ(sid.size(), *c.fault ? 0u : 14u);
        if (!sid.empty()) {
            EXPECT_EQ(element(close(sid), "faultstring"), "");
        }
    }
    EXPECT_EQ(element(open(""), "faultstring"), "Missing parameter") << "an empty user name";
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
    ASSERT_FALSE(sid.empty());
    std::string hdr = "<hdr><reqId>7</reqId><sessionId>" + sid + "</sessionId></hdr>";
    std::string r = call("<com:keepAliveRequest>" + hdr + "</com:keepAliveRequest>");
    EXPECT_EQ(element(r, "faultstring"), "") << r;
    EXPECT_EQ(element(r, "reqId"), "7");
    EXPECT_EQ(element(r, "sessionId"), sid);

    // What a closed session's id gets is the operations' own test.
    EXPECT_EQ(element(close(sid), "faultstring"), "") << "closed";
    EXPECT_EQ(element(close(sid), "faultstring"), "Unknown session id") << "already closed";
}

// A lock-out that a stranger brings about: failures count per account even when other
// names are tried in between; the lock refuses new logins but not the sessions opened
// before it, nor the local console. (When the lock lifts is the accounts' own rule.)
TEST(SessionLockout, RefusesNewLoginsOnly) {
    SwitchHarness sw({"wsvd"});
    ASSERT_TRUE(sw.start());
    WsvcConn web = sw.connect("thttpd"), local = sw.connect("wsvc");
    ASSERT_TRUE(web && local);
    uint32_t id = 0;
    auto call = [&](wsvcConn_t *conn, const std::string &body, const std::string &user = "") {
        wsvcRequest_t req;
        std::string text = envelope(body);
        req.text = text;
        req.requestId = ++id;
        req.userName = user;
        std::string reply;
        EXPECT_EQ(wsvcRoundTrip(conn, req, &reply, 20000), 0) << wsvcError(conn);
        return reply;
    };
    auto login = [&](const std::string &user, const std::string &password) {
        return element(call(web.get(), openBody(user, password)), "faultstring");
    };
    auto getVlan = [&](wsvcConn_t *conn, const std::string &sessionId, const std::string &user) {
        return element(
            call(conn,
                 "<v:getVlan xmlns:v=\"urn:xapi/l2protocol/vlan\"><sessionId>" + sessionId +
                     "</sessionId><name>Default</name><vr>VR-Default</vr>"
                     "</v:getVlan>",
                 user),
            "faultstring");
    };

    std::string before = element(call(web.get(), openBody("admin", "")), "sessionId");
    ASSERT_EQ(before.size(), 14u);
    for (const char *name : {"admin", "ghost1", "admin", "ghost2", "admin"})
        EXPECT_EQ(login(name, "guess"), "Authetication Failed") << name;
    EXPECT_EQ(login("admin", ""), "Authetication Failed") << "locked by the third failure";

    // The session opened before goes on; its user's name and password alone do not.
    EXPECT_NE(getVlan(web.get(), before, ""), "Not a valid user");
    EXPECT_EQ(getVlan(web.get(), "", "admin"), "Not a valid user");
    EXPECT_NE(getVlan(local.get(), "", ""), "Not a valid user") << "the local console";
}

TEST(SessionVariable, TurnsSessionChecksOffWithReadOnlyAccess) {
    ScopedEnv env;
    env.set("KARN_SESSION_VAR", "1");
    SwitchHarness sw({"wsvd"});
    ASSERT_TRUE(sw.start());
    WsvcConn conn = sw.connect("thttpd");
    ASSERT_TRUE(conn);
    std::string text =
        envelope("<com:keepAliveRequest><hdr><reqId>1</reqId></hdr></com:keepAliveRequest>");
    wsvcRequest_t req;
    req.text = text;
    req.requestId = 1;
    std::string reply;
    ASSERT_EQ(wsvcRoundTrip(conn.get(), req, &reply, 20000), 0);
    EXPECT_EQ(element(reply, "faultstring"), "") << reply;
    EXPECT_EQ(element(reply, "reqId"), "1");
}

}  // namespace
