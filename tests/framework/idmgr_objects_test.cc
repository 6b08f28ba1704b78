// Identity queries, the identity manager's configuration, LDAP and Kerberos servers:
// the requests each client request becomes, the checks that send nothing, and the
// replies turned back into objects.
#include <regex>

#include "tests/framework/idmgr_fixture.h"

namespace {

std::string request(const char *object, const std::string &fields, const char *kind = "S") {
    bool get = std::string(kind) != "S";
    return std::string(kind) + " <module_idMgr><" + (get ? "get" : "set") + "><" + object + ">" +
           fields + "</" + object + "></" + (get ? "get" : "set") + "></module_idMgr>";
}

// The requests sent, with the time of a query as "T".
std::vector<std::string> sentNow(const std::vector<std::string> &texts) {
    std::vector<std::string> out;
    std::regex stamp("<queryTimestamp>[0-9]{13,}</queryTimestamp>");
    for (const std::string &t : texts)
        out.push_back(std::regex_replace(t, stamp, "<queryTimestamp>T</queryTimestamp>"));
    return out;
}

struct Case {
    const char *operation;
    const char *type;
    const char *fault;
    std::string fields;
    std::vector<std::string> sent;
    std::string attributes = "";
};

TEST_F(IdMgrTest, RequestsOfTheObjects) {
    const Case cases[] = {
        // identity queries: op by page size, dataset type in the identity manager's codes
        {"getRequest", "UserIdentityData", "",
         "<datasetType>event</datasetType><userName>bob</userName>",
         texts(request("idMgrUserIdentity",
                       "<datasetType>2</datasetType><userName>bob</userName>"
                       "<queryTimestamp>T</queryTimestamp>",
                       "E"))},
        {"getRequest", "UserIdentityData", "",
         "<datasetType>active</datasetType><portList>1:1-2</portList>"
         "<modificationTimestamp>1700000000000</modificationTimestamp>",
         texts(request("idMgrUserIdentity",
                       "<datasetType>1</datasetType><portList>1:1-2</portList><queryTimestamp>T"
                       "</queryTimestamp><in_queryTimestamp>1700000000000</in_queryTimestamp>",
                       "N")),
         " maxSize=\"10\""},
        {"getRequest", "UserIdentityData",
         "Invalid query: datasetType must be specified in the query.", "<userName>bob</userName>",
         texts()},
        // configuration: resets to defaults
        {"setRequest", "IdentityManagerConfig", "", "<action>unconfigure</action>",
         texts(
             request("idMgrKSnoopServerEntry",
                     "<rowStatus>unconfigure</rowStatus><ipAddress>0.0.0.0</ipAddress>"),
             request("idMgrKSnoopGlobalCfg", "<rowStatus>unconfigure</rowStatus>"),
             request("idMgrLDAPCfg", "<rowStatus>unconfigure</rowStatus>"),
             request("idMgrCfgInfo",
                     "<rowStatus>configure</rowStatus><action>3</action><enabledPorts>*"
                     "</enabledPorts><maxMemorySize>512</maxMemorySize><staleEntryExpiryTimeout>180"
                     "</staleEntryExpiryTimeout><enabled>0</enabled><snmpTrapEnabled>1"
                     "</snmpTrapEnabled><matchCriteriaInherit>0</matchCriteriaInherit>"))},
        {"setRequest", "IdentityManagerConfig", "Port list cannot be empty",
         "<idMgmtEnabledPorts></idMgmtEnabledPorts>", texts()},
        {"setRequest", "IdentityManagerConfig", "",
         "<bindCredential>" + std::string(128, 'u') + "</bindCredential>",
         texts(request("idMgrLDAPCfg", "<rowStatus>configure</rowStatus><userName>" +
                                           std::string(128, 'u') + "</userName>"))},
        {"setRequest", "IdentityManagerConfig",
         "LDAP bind user name cannot contain more than 128 characters",
         "<bindCredential>" + std::string(129, 'u') + "</bindCredential>", texts()},
        // Kerberos and LDAP servers
        {"createRequest", "LdapServerConfig", "",
         "<domain>corp</domain><serverIp>10.0.0.9</serverIp><serverPort>636</serverPort>"
         "<vrName>VR-Mgmt</vrName>",
         texts(request(
             "idMgrLDAPServerCfg",
             "<rowStatus>create</rowStatus><domain>corp</domain><serverIP>10.0.0.9</serverIP>"
             "<serverPort>636</serverPort><vrName>VR-Mgmt</vrName>"))},
        {"createRequest", "LdapServerConfig", "Server Port must be in the range [1, 65535]",
         "<domain>corp</domain><serverIp>10.0.0.9</serverIp><serverPort>0</serverPort>", texts()},
        {"createRequest", "LdapServerConfig", "Invalid Server IP",
         "<domain>corp</domain><serverIp>10.0.9</serverIp>", texts()},
        {"createRequest", "LdapServerConfig", "Cannot configure LDAP server without hostname or IP",
         "<domain>corp</domain><clientIp>x</clientIp>", texts()},
    };
    for (const Case &c : cases) {
        gFake.cmCalls.clear();
        std::string out = idmgr(c.operation, c.type, c.fields, c.attributes);
        EXPECT_EQ(fault(out), c.fault) << c.type << " " << c.fields;
        EXPECT_EQ(sentNow(sent()), c.sent) << c.type << " " << c.fields;
    }
}

// The LDAP settings come back in the client's terms: the identity manager keeps whether
// each kind of network login is off.
TEST_F(IdMgrTest, LdapSettingsAreReadBack) {
    script({cmOk("<idMgrCfgInfo><enabled>1</enabled></idMgrCfgInfo>"), cmOk(),
            cmOk("<idMgrLDAPCfg><domainName>dc=corp</domainName><userName>binder</userName>"
                 "<encrypted>1</encrypted><dot1xDisabled>0</dot1xDisabled><macDisabled>1"
                 "</macDisabled></idMgrLDAPCfg>")});
    std::string out = objects(idmgr("getRequest", "IdentityManagerConfig", ""));
    for (const char *field : {"<baseDN>dc=corp</baseDN>", "<bindCredential>binder</bindCredential>",
                              "<netloginDot1xEnabled>true</netloginDot1xEnabled>",
                              "<netloginMacEnabled>false</netloginMacEnabled>",
                              "<netloginWebEnabled>false</netloginWebEnabled>"})
        EXPECT_NE(out.find(field), std::string::npos) << field << " in " << out;
}

// An identity with two locations: the first comes with the identity, the second is
// read after it, by the first one's port and MAC address.
TEST_F(IdMgrTest, AnIdentityHasEveryLocation) {
    script({cmOk("<idMgrUserIdentity><userName>bob</userName><domain>corp</domain><datasetType>1</"
                 "datasetType>"
                 "<numOfLocations>2</numOfLocations><port>1:1</port><mac>00:00:00:00:00:01</mac>"
                 "</idMgrUserIdentity>"),
            cmOk("<idMgrLocation><userName>bob</userName><port>1:2</port>"
                 "<mac>00:00:00:00:00:02</mac></idMgrLocation>",
                 2)});
    std::string out =
        objects(idmgr("getRequest", "UserIdentityData", "<datasetType>active</datasetType>"));
    EXPECT_NE(out.find("<port>1:1</port><portDisplayString/><macAddress>00:00:00:00:00:01"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find("<port>1:2</port><portDisplayString/><macAddress>00:00:00:00:00:02"),
              std::string::npos)
        << out;
    std::vector<std::string> texts = sent();
    ASSERT_EQ(texts.size(), 2u) << testing::PrintToString(texts);
    EXPECT_NE(texts[1].find("N <module_idMgr><get><idMgrLocation>"), std::string::npos);
    EXPECT_NE(texts[1].find("<port>1:1</port><mac>00:00:00:00:00:01</mac>"), std::string::npos)
        << texts[1];
}

}  // namespace
