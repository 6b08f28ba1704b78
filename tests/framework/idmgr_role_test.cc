// User roles: the checks of a role and its policies, the policies sent one request each
// in their order, the undo of a set that fails half-way (with cfgmgr's store behind, a
// failure injected at each step and the store read back), and the walks that read a
// role's policies and child roles back.
#include "tests/framework/idmgr_fixture.h"

namespace {

std::string policies(std::initializer_list<std::pair<const char *, int>> entries,
                     const char *kind = "policyName") {
    std::string text = "<policyInfo>";
    for (const auto &[name, order] : entries)
        text += std::string("<policy><") + kind + ">" + name + "</" + kind + "><order>" +
                std::to_string(order) + "</order></policy>";
    return text + "</policyInfo>";
}

const std::string kR1 = "<roleName>r1</roleName>";
const std::string kR1Policies =
    "<idMgrUserRolePolicyCfg><roleName>r1</roleName></idMgrUserRolePolicyCfg>";

std::string policySet(const char *action, const std::string &fields) {
    return std::string("S <module_idMgr><set><idMgrUserRolePolicyCfg><rowStatus>") + action +
           "</rowStatus><roleName>r1</roleName>" + fields +
           "</idMgrUserRolePolicyCfg></set></module_idMgr>";
}

TEST_F(IdMgrTest, RoleChecksSendNothing) {
    struct Case {
        const char *operation;
        std::string fields;
        const char *fault;
    };
    const std::string longName(33, 'r');
    std::string ninePolicies = "<policyInfo>";
    for (int n = 1; n <= 9; n++)
        ninePolicies += "<policy><policyName>p" + std::to_string(n) + "</policyName><order>" +
                        std::to_string(n) + "</order></policy>";
    ninePolicies += "</policyInfo>";
    const Case cases[] = {
        {"setRequest", "<roleName>" + longName + "</roleName><priority>3</priority>",
         "Role name cannot contain more than 32 characters"},
        {"setRequest", "<roleName>r1</roleName><priority>0</priority>",
         "Role priority has to be in the range 1-255"},
        {"setRequest", "<roleName>r1</roleName><vlanTag>4095</vlanTag>",
         "VLAN Tag has to be in the range 1-4094"},
        {"setRequest",
         "<roleName>r1</roleName><matchCritera>" + std::string(1025, 'm') + "</matchCritera>",
         "Role match criteria cannot contain more than 1024 characters"},
        {"setRequest", kR1 + ninePolicies, "Only 8 policy/dynamic-rules allowed"},
        {"setRequest", kR1 + policies({{"a", 1}, {"b", 2}, {"c", 4}}),
         "No holes is allowed in specifying policy/dynamic-rules order"},
        {"setRequest", kR1 + policies({{"a", 1}, {"b", 1}}), "Policy Order cannot be same"},
        {"setRequest", kR1 + policies({{"all", 1}}), "Invalid policy name specified"},
        {"deleteRequest", kR1 + policies({{"all", 1}, {"all", 2}}, "ruleName"),
         "ALL option can have only single entry for Rule"},
    };
    for (const Case &c : cases) {
        gFake.cmCalls.clear();
        std::string out = idmgr(c.operation, "UserRole", c.fields);
        EXPECT_EQ(fault(out), c.fault) << c.fields;
        EXPECT_TRUE(sent().empty()) << c.fields;
    }
}

// The client's order of entries does not matter: they go out by their "order", each
// request carrying the ones already sent as done and those still to come as pending.
TEST_F(IdMgrTest, PoliciesGoOneRequestEachInTheirOrder) {
    std::string out = idmgr("setRequest", "UserRole", kR1 + policies({{"p2", 2}, {"p1", 1}}));
    EXPECT_EQ(fault(out), "");
    EXPECT_EQ(sent(),
              (std::vector<std::string>{
                  policySet("configure",
                            "<POLICY>p2</POLICY><order>2</order><policyName>p1</policyName>"
                            "<order>1</order><isFirstXmlReq>1</isFirstXmlReq>"),
                  policySet("configure",
                            "<policyName>p2</policyName><order>2</order><PolicyDone>p1"
                            "</PolicyDone><order>1</order><isFirstXmlReq>0</isFirstXmlReq>"),
              }));

    // Every rule, and a policy after them.
    gFake.cmCalls.clear();
    out = idmgr("deleteRequest", "UserRole",
                "<roleName>r1</roleName><policyInfo><policy><ruleName>all</ruleName><order>1"
                "</order></policy><policy><policyName>p</policyName><order>2</order></policy>"
                "</policyInfo>");
    EXPECT_EQ(fault(out), "");
    EXPECT_EQ(sent(), (std::vector<std::string>{
                          policySet("unconfigure",
                                    "<ruleName>all</ruleName><order>1</order>"
                                    "<POLICY>p</POLICY><order>2</order>"),
                          policySet("delete",
                                    "<policyName>p</policyName><order>2</order>"
                                    "<isFirstXmlReq>1</isFirstXmlReq>"),
                      }));
}

// A set whose n-th request fails takes back every policy it had stored; a create keeps
// them. The role made by the same request stays: it was not part of the policies.
TEST_F(IdMgrTest, AFailedPolicySetIsUndoneInTheStore) {
    const std::string role = "<roleName>r1</roleName><priority>7</priority>";
    const std::string three = policies({{"p1", 1}, {"p2", 2}, {"p3", 3}});
    for (size_t failAt = 1; failAt <= 4; failAt++) {
        useStore(failAt);
        gFake.cmCalls.clear();
        std::string out = idmgr("createRequest", "UserRole", role + three);
        EXPECT_EQ(fault(out), "injected") << failAt;
        EXPECT_EQ(storeGet(CM_GET_NEXT, kR1Policies), "") << failAt;
        // The role, the policies sent, the one that failed, and the undo of those sent.
        size_t sentBefore = failAt > 1 ? failAt - 2 : 0;
        EXPECT_EQ(sent().size(), failAt + sentBefore) << failAt;
    }

    // A create of the policies alone keeps what it sent.
    useStore(3);
    ASSERT_EQ(fault(idmgr("createRequest", "UserRole", kR1)), "");
    EXPECT_EQ(fault(idmgr("createRequest", "UserRole", kR1 + three)), "injected");
    EXPECT_NE(storeGet(CM_GET_NEXT, kR1Policies).find("p1"), std::string::npos);
}

// A role with its policies and a child role is read back in order.
TEST_F(IdMgrTest, ARoleIsReadBackWithItsEntriesInOrder) {
    useStore();
    auto role = [this](const char *operation, const std::string &fields) {
        EXPECT_EQ(fault(idmgr(operation, "UserRole", fields)), "") << operation << fields;
        return objects(idmgr("getRequest", "UserRole", kR1));
    };
    role("createRequest", "<roleName>child</roleName>");
    role("createRequest",
         "<roleName>r1</roleName><priority>9</priority>" + policies({{"p1", 1}, {"p2", 2}}));
    role("setRequest", kR1 + policies({{"p1", 1}, {"p2", 2}, {"p3", 3}}));
    const std::string child =
        "<childInfo><child><childRoleName>child</childRoleName></child></childInfo>";
    std::string out = role("createRequest", kR1 + child);
    // One policyInfo element per entry, as every repeated field is written.
    EXPECT_NE(out.find("<policyInfo><policy><policyName>p1</policyName><ruleName/><order>1</order>"
                       "</policy></policyInfo><policyInfo><policy><policyName>p2</policyName>"
                       "<ruleName/><order>2</order></policy></policyInfo><policyInfo><policy>"
                       "<policyName>p3</policyName><ruleName/><order>3</order></policy>"
                       "</policyInfo>"),
              std::string::npos)
        << out;
    EXPECT_NE(out.find(child), std::string::npos) << out;
}

}  // namespace
