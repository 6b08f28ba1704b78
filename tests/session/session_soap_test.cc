// The session operations end to end: SOAP requests over the request link to the real
// wsvd, authenticated by the real platformd.
#include <gtest/gtest.h>

#include <unistd.h>

#include <cstdlib>
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
    SwitchHarness sw{{"wsvd"}};
    WsvcConn conn;
    uint32_t id = 0;
};

TEST_F(SessionSoapTest, OpenSessionAnswersWithTheSession) {
    std::string r = open("admin", "", "<appName>tests</appName><timeout>10</timeout>");
    EXPECT_EQ(element(r, "faultstring"), "") << r;
    std::string sessionId = element(r, "sessionId");
    EXPECT_EQ(sessionId.size(), 14u) << r;
    EXPECT_EQ(element(r, "username"), "admin");
    EXPECT_EQ(element(r, "appName"), "tests");
    EXPECT_EQ(element(r, "timeout"), "30") << "10 is clamped to 30";
    EXPECT_EQ(element(r, "accessRight"), "readWrite");
    EXPECT_EQ(element(r, "xmlApiVersion"), "12.0.0.0") << "the OS version when none is given";

    r = open("user");
    EXPECT_EQ(element(r, "accessRight"), "readOnly") << r;
}

TEST_F(SessionSoapTest, ApiVersionsAndTimeouts) {
    struct {
        const char *extra;
        const char *fault;
        const char *timeout;
    } cases[] = {
        {"<xmlApiVersion>10.1.0.0</xmlApiVersion>", "XML API not supported in this release", ""},
        {"<xmlApiVersion>11.0.0.0</xmlApiVersion>", "", "900"},
        {"<xmlApiVersion>12.3.4.5</xmlApiVersion><timeout>0</timeout>", "", "900"},
        {"<timeout>1000</timeout>", "", "900"},
        {"<timeout>31</timeout>", "", "31"},
    };
    for (auto &c : cases) {
        std::string r = open("admin", "", c.extra);
        EXPECT_EQ(element(r, "faultstring"), c.fault) << c.extra << "\n" << r;
        EXPECT_EQ(element(r, "timeout"), c.timeout) << c.extra;
        std::string sid = element(r, "sessionId");
        if (!sid.empty())
            call("<com:closeSessionRequest><sessionId>" + sid +
                 "</sessionId></com:closeSessionRequest>");
    }
}

TEST_F(SessionSoapTest, TheSeventhSessionFindsNoSlot) {
    for (int i = 0; i < 6; i++) EXPECT_EQ(element(open(), "faultstring"), "") << i;
    EXPECT_EQ(element(open(), "faultstring"), "No session is free");
}

// One slot stays for read-write accounts: the read-only account (which ships without a
// password) cannot fill the table.
TEST_F(SessionSoapTest, ReadOnlyAccountsLeaveOneSlotForReadWriteOnes) {
    for (int i = 0; i < 5; i++) EXPECT_EQ(element(open("user"), "faultstring"), "") << i;
    EXPECT_EQ(element(open("user"), "faultstring"), "No session is free");
    EXPECT_EQ(element(open("admin"), "faultstring"), "");
    EXPECT_EQ(element(open("admin"), "faultstring"), "No session is free");
}

TEST_F(SessionSoapTest, MissingUserAndBadPasswordAreRefused) {
    EXPECT_EQ(element(call("<com:openSessionRequest/>"), "faultstring"), "Missing parameter");
    EXPECT_EQ(element(open(""), "faultstring"), "Missing parameter");
    EXPECT_EQ(element(open("admin", "wrong"), "faultstring"), "Authetication Failed");
}

TEST_F(SessionSoapTest, CloseAndKeepAlive) {
    std::string sid = element(open(), "sessionId");
    ASSERT_FALSE(sid.empty());
    std::string hdr = "<hdr><reqId>7</reqId><sessionId>" + sid + "</sessionId></hdr>";
    std::string r = call("<com:keepAliveRequest>" + hdr + "</com:keepAliveRequest>");
    EXPECT_EQ(element(r, "faultstring"), "") << r;
    EXPECT_EQ(element(r, "reqId"), "7");
    EXPECT_EQ(element(r, "sessionId"), sid);

    std::string close =
        "<com:closeSessionRequest><sessionId>" + sid + "</sessionId></com:closeSessionRequest>";
    EXPECT_EQ(element(call(close), "faultstring"), "") << "closed";
    EXPECT_EQ(element(call(close), "faultstring"), "Unknown session id") << "already closed";
    EXPECT_EQ(
        element(call("<com:keepAliveRequest>" + hdr + "</com:keepAliveRequest>"), "faultstring"),
        "Invalid session id");
    EXPECT_EQ(element(call("<com:closeSessionRequest/>"), "faultstring"), "Unknown session id");
}

// Before the configuration manager has said how many failures it allows, the threshold
// is 0: any attempt after a failure of the same user carries the lock-out flag, and a
// flagged failure makes the AAA service lock that account for its period. Other users
// are unaffected.
TEST_F(SessionSoapTest, LockoutBeforeTheConfigurationManagerSpeaks) {
    EXPECT_EQ(element(open("admin", "wrong"), "faultstring"), "Authetication Failed");
    EXPECT_EQ(element(open("admin", "wrong"), "faultstring"), "Authetication Failed");
    EXPECT_EQ(element(open("admin", ""), "faultstring"), "Authetication Failed") << "locked out";
    EXPECT_EQ(element(open("user", ""), "faultstring"), "");
    EXPECT_EQ(element(open("admin", ""), "faultstring"), "Authetication Failed") << "still locked";
}

// A lock-out that a stranger brings about: failures count per account even when other
// names are tried in between; the lock refuses new logins but not the sessions opened
// before it, nor the local console; and it lifts when its period ends although the
// daemon still flags the user's attempts.
TEST(SessionLockout, RefusesLoginsOnlyAndLiftsWhenItsPeriodEnds) {
    setenv("KARN_AAA_LOCKOUT_SECONDS", "2", 1);
    SwitchHarness sw({"wsvd"});
    ASSERT_TRUE(sw.start());
    unsetenv("KARN_AAA_LOCKOUT_SECONDS");
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
        return element(reply, "faultstring");
    };
    auto login = [&](const std::string &user, const std::string &password) {
        return call(web.get(), openBody(user, password));
    };
    const std::string getVlan =
        "<v:getVlan xmlns:v=\"urn:xapi/l2protocol/vlan\"><name>Default</name><vr>VR-Default</vr>"
        "</v:getVlan>";
    const std::string withSession = "<v:getVlan xmlns:v=\"urn:xapi/l2protocol/vlan\"><sessionId>";

    wsvcRequest_t req;
    std::string reply, text = envelope(openBody("admin", ""));
    req.text = text;
    req.requestId = ++id;
    ASSERT_EQ(wsvcRoundTrip(web.get(), req, &reply, 20000), 0);
    std::string before = element(reply, "sessionId");
    ASSERT_EQ(before.size(), 14u) << reply;

    for (const char *name : {"admin", "ghost1", "admin", "ghost2", "admin"})
        EXPECT_EQ(login(name, "guess"), "Authetication Failed") << name;
    EXPECT_EQ(login("admin", ""), "Authetication Failed") << "locked by the third failure";

    // The session opened before goes on; its user's name and password alone do not.
    std::string read = withSession + before +
                       "</sessionId><name>Default</name><vr>VR-Default</vr>"
                       "</v:getVlan>";
    EXPECT_NE(call(web.get(), read), "Not a valid user");
    EXPECT_EQ(call(web.get(), getVlan, "admin"), "Not a valid user");
    EXPECT_NE(call(local.get(), getVlan), "Not a valid user") << "the local console";

    // The lock lifts with its period: the right password passes, though the daemon has
    // counted nothing but failures of admin since.
    std::string fault = "Authetication Failed";
    for (int i = 0; i < 60 && !fault.empty(); i++) {
        fault = login("admin", "");
        if (!fault.empty()) usleep(100000);
    }
    EXPECT_EQ(fault, "") << "the lock lifted within its period";
}

TEST(SessionVariable, TurnsSessionChecksOffWithReadOnlyAccess) {
    setenv("KARN_SESSION_VAR", "1", 1);
    SwitchHarness sw({"wsvd"});
    ASSERT_TRUE(sw.start());
    unsetenv("KARN_SESSION_VAR");
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
