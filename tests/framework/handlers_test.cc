// The object handlers over the installed metadata and a scripted configuration manager:
// for each request, the texts sent (in order, as fragments that must appear in them) and
// the answer or fault.
#include <cstdlib>

#include "tests/framework/generic_fixture.h"

namespace {

const std::string kNs = " xmlns:port=\"" WSVD_SCHEMA_BASE_URI
                        "/XMLSchema/qtn/port\""
                        " xmlns:aaa=\"" WSVD_SCHEMA_BASE_URI
                        "/XMLSchema/qtn/aaa\""
                        " xmlns:snmp=\"" WSVD_SCHEMA_BASE_URI "/XMLSchema/qtn/snmp\"";

struct Case;

class HandlerTest : public GenericTest {
protected:
    void check(const std::vector<Case> &cases);
    void SetUp() override {
        ServiceTest::SetUp();
        ASSERT_EQ(xmlFwkInit(WSVD_DATA_DIR "/config/www/api/xsd"), 1);
        rw_ = openSession(2, 1);
        ro_ = openSession(3, 0);
    }
    // A private VLAN member: VLAN "green" in private VLAN "pv".
    static std::string member(const char *type) {
        return typed("vlan:PrivateVlanMemberConfig",
                     std::string("<vlanName>green</vlanName><pvlanName>pv</pvlanName><type>") +
                         type + "</type>");
    }
};

struct Case {
    const char *what;
    const char *operation;
    const char *answer;  // a fragment of the answer, or of the fault
    std::string object;
    std::vector<FakeCmReply> replies;
    std::vector<std::string> sent;  // a fragment of each request text, in order
};

void HandlerTest::check(const std::vector<Case> &cases) {
    for (const Case &c : cases) {
        gFake.cmCalls.clear();
        script(c.replies);
        std::string out = serve("<sw:" + std::string(c.operation) + kGenericNs + kNs + ">" +
                                    c.object + "</sw:" + c.operation + ">",
                                header(rw_));
        SCOPED_TRACE(c.what);
        std::vector<std::string> texts = sent();
        EXPECT_EQ(texts.size(), c.sent.size()) << out << "\n" << ::testing::PrintToString(texts);
        for (size_t i = 0; i < texts.size() && i < c.sent.size(); i++)
            EXPECT_NE(texts[i].find(c.sent[i]), std::string::npos) << texts[i];
        EXPECT_NE(out.find(c.answer), std::string::npos) << out;
    }
}

std::string name(size_t length) {
    return std::string(length, 'v');
}

}  // namespace

TEST_F(HandlerTest, RequestsOfEachFamily) {
    const std::string port = "<portList>1:5</portList>";
    const std::string missing = "VLAN \"green\" does not exist.";
    check({
        {"a 33-character name is refused with nothing sent", "createRequest",
         "Vlan name can not contain more than 32 characters", vlan("<name>" + name(33) + "</name>"),
         replies(), texts()},
        {"32 characters pass", "createRequest", "createResponse",
         vlan("<name>" + name(32) + "</name>"), replies(),
         texts("<vlan><name>" + name(32) + "</name><rowStatus>create</rowStatus></vlan>")},
        {"a tag marks the ports tagged", "setRequest", "setResponse",
         vlan("<name>blue</name><tagValue>10</tagValue>"), replies(),
         texts("<tag>10</tag><tagged>1</tagged></vlan>")},
        {"a new name is held to 32 characters", "setRequest",
         "Vlan name can not contain more than 32 characters",
         vlan("<name>blue</name><newName>" + name(33) + "</newName>"), replies(), texts()},
        {"ports given one by one", "setRequest", "setResponse",
         vlan("<name>blue</name><vlanTaggedPorts>1:1-2</vlanTaggedPorts>"), replies(),
         texts("<vlanPort><vlanName>blue</vlanName><rowStatus>create</rowStatus><taggedPorts>1:1-2"
               "</taggedPorts><keywordAll>0</keywordAll></vlanPort>")},
        {"private VLAN member: create, then configure", "createRequest", "createResponse",
         member("subscriber"), replies(),
         texts("<module_vlan><set><pvlan><pvlanName>pv</pvlanName><rowStatus>create</rowStatus>"
               "</pvlan></set></module_vlan>",
               "<set><pvlan><pvlanName>pv</pvlanName><vlanName>green</vlanName><rowStatus>configure"
               "</rowStatus><vlanServicesMode>2</vlanServicesMode><pvlanType>3</pvlanType></pvlan>"
               "</set>")},
        {"a member that cannot join undoes the private VLAN's creation", "createRequest",
         "does not exist", member("network"), replies(cmOk(), cmStatus(0, missing.c_str())),
         texts("<rowStatus>create</rowStatus>", "<rowStatus>configure</rowStatus>",
               "<set><pvlan><pvlanName>pv</pvlanName><rowStatus>unconfigure</rowStatus></pvlan>")},
        {"a member needs all three values", "createRequest",
         "Invalid request, private vlan name, member vlan name, and member vlan type must all be "
         "specified",
         typed("vlan:PrivateVlanMemberConfig",
               "<vlanName>green</vlanName><pvlanName>pv</pvlanName>"),
         replies(), texts()},
        {"an isolated member cannot be deleted this way", "deleteRequest",
         "Invalid type, must either network or subscriber", member("isolated"), replies(), texts()},
        {"a protocol set sends nothing and fails", "setRequest", "Unknown Error",
         typed("vlan:Protocol",
               "<protoName>ip</protoName><protoData><value>0800</value>"
               "<type>etype</type></protoData>"),
         replies(), texts()},
        {"client text in a fixed request stays a value", "deleteRequest", "deleteResponse",
         typed("vlan:PrivateVlanMemberConfig",
               "<vlanName>g&lt;x&gt;</vlanName><pvlanName>p&amp;v</pvlanName><type>network</type>"),
         replies(), texts("<pvlanName>p&amp;v</pvlanName><vlanName>g&lt;x&gt;</vlanName>")},

        {"autonegotiation says which of the values given are advertised", "setRequest",
         "setResponse",
         typed("port:PortConfig", port + "<autoNegotiation>off</autoNegotiation>"
                                         "<configSpeed>100</configSpeed>"),
         replies(),
         texts("<ports><slot>1</slot><port>5</port><autoNegotiation>0</autoNegotiation><speed>2"
               "</speed><isSpeedAdvt>0</isSpeedAdvt></ports>")},
        {"a port without a slot is in slot 1", "setRequest", "setResponse",
         typed("port:PortConfig", "<portList>7</portList><adminState>Disabled</adminState>"),
         replies(), texts("<ports><slot>1</slot><port>7</port><adminState>0</adminState></ports>")},
        {"egress QoS profiles from the repeated elements", "getRequest",
         "<eQosProfile><qos>QP1</qos><minBw>0</minBw><maxBw>100</maxBw><priority>low</priority>"
         "</eQosProfile><eQosProfile><qos>QP2</qos><minBw>5</minBw>",
         typed("port:PortConfig", port + "<queryParameters>include:eQosProfile"
                                         "</queryParameters>"),
         replies(
             cmOk("<ports><slot>1</slot><port>5</port></ports>"),
             cmOk("<show_qosprofile><port>1:5</port><minBw>0</minBw><maxBw>100</maxBw><priority>"
                  "low</priority><minBw>5</minBw><maxBw>50</maxBw><priority>high</priority>"
                  "</show_qosprofile>")),
         texts("E <module_port><get><ports><slot>1</slot><port>5</port></ports>",
               "<show_qosprofile><ingress>0</ingress><portBased>1</portBased><portList>1:5")},
        {"an SSH server that does not answer reads as not installed", "getRequest",
         "<sshAccess>notInstalled</sshAccess>",
         typed("snmp:GeneralConfig", "<queryParameters>include:sshAccess</queryParameters>"),
         replies(cmOk("<snmpEnableCLI><snmpAccess>1</snmpAccess></snmpEnableCLI>"),
                 cmStatus(0, "no SSH server")),
         texts("<snmpEnableCLI", "<kasshd")},
        {"save of the configuration in use", "setRequest", "setResponse",
         typed("system:SwitchInfo", "<saveConfig>yes</saveConfig>"), replies(),
         texts("<module_cfgmgr><setop><saveConfig><name></name><set_def>0</set_def></saveConfig>"
               "</setop></module_cfgmgr>")},
        {"a session ended by its id", "deleteRequest", "deleteResponse",
         typed("aaa:Session", "<Id>5</Id>"), replies(),
         texts("<module_aaa><setop><session><sessId>5</sessId></session></setop></module_aaa>")},
        {"the password policy applies to every account as well", "setRequest", "setResponse",
         typed("aaa:PasswordPolicy", "<maxAge>30</maxAge>"), replies(),
         texts("<acctPasswordSecurityGlobalCfg><maxAge>30</maxAge>",
               "<set><acctPasswordSecurity><rowStatus>configure</rowStatus><name>all</name>"
               "<maxAge>30</maxAge></acctPasswordSecurity></set>")},
        {"a policy the store refuses is not given to the accounts", "setRequest", "out of range",
         typed("aaa:PasswordPolicy", "<maxAge>30</maxAge>"), replies(cmStatus(0, "out of range")),
         texts("<acctPasswordSecurityGlobalCfg>")},
    });
}
