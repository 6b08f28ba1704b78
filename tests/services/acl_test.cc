// The dynamic ACL service over a fake configuration manager: check order, request
// texts (escaped), reply reading and the walks.
#include "cfgmgmt/objdefs/acl_obj.h"
#include "cmclient/cm.h"
#include "soap/cm_exchange.h"
#include "tests/services/service_fixture.h"

namespace {

class AclTest : public ServiceTest {
protected:
    void SetUp() override {
        ServiceTest::SetUp();
        cmObjectInit_acl();
    }
    static std::string body(const std::string &op, const std::string &inner) {
        return "<a:" + op + " xmlns:a=\"urn:xapi/l2protocol/acl\">" + inner + "</a:" + op + ">";
    }
    std::string call(const std::string &op, const std::string &inner) {
        return serve(body(op, inner));
    }
};

std::string statement(uint32_t number, uint32_t type, const char *keyword, const char *value,
                      const char *appl = "app") {
    return "<dynStatement><entryName>r1</entryName><statementNumber>" + std::to_string(number) +
           "</statementNumber><applName>" + appl + "</applName><dynamic>1</dynamic><type>" +
           std::to_string(type) + "</type><keyword>" + keyword + "</keyword><value>" + value +
           "</value></dynStatement>";
}

TEST_F(AclTest, ChecksComeInTheirOrder) {
    struct Case {
        const char *op;
        std::string inner;
        FakeAaa aaa;
        const char *fault;
        int aaaCalls;
    };
    const Case cases[] = {
        {"setDynamicAcl", "<rule/>", FakeAaa::readWrite, "Missing argument", 1},
        // The end-to-end matrix sends no name these two would change anything with.
        {"deleteDynamicAcl", "<name>r1</name>", FakeAaa::readOnly, "No write permission", 1},
        {"removeDynamicAclOnAllInterfaces", "<rule>r1</rule>", FakeAaa::readOnly,
         "No write permission", 1},
        {"getDynamicAcl", "", FakeAaa::readOnly, "Missing argument", 1},
        {"removeDynamicAclOnInterface", "<port> </port><rule>r1</rule>", FakeAaa::readWrite,
         "Port cannot be Null", 1},
        {"removeDynamicAclOnAllInterfaces", "", FakeAaa::refuse, "Missing argument", 0},
        {"listDynamicAcl", "", FakeAaa::refuse, "Not a valid user", 1},
        {"setDynamicAcl",
         "<rule><name>r1</name><match><protocol>tcp; deny</protocol></match></rule>",
         FakeAaa::readWrite, "Rule \"r1\": invalid protocol \"tcp; deny\"", 1},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.op) + " " + c.inner);
        gFake.aaa = c.aaa;
        gFake.aaaCalls = 0;
        expectFault(body(c.op, c.inner), c.fault);
        EXPECT_EQ(gFake.aaaCalls, c.aaaCalls);
    }
}

TEST_F(AclTest, SetsFailOnlyOnStatusZero) {
    for (uint32_t status : {0u, 2u}) {
        gFake.cmAnswer = [&](const FakeCmCall &) { return cmStatus(status, "no such rule"); };
        EXPECT_EQ(fault(call("deleteDynamicAcl", "<name>r1</name>")), status ? "" : "no such rule");
    }
}

TEST_F(AclTest, GetDynamicAclWalksTheStatementsOfOneRule) {
    const std::string replies[] = {statement(1, 1, "source-address", "10.0.0.0/8"),
                                   statement(2, 1, "unknown-thing", "x"),
                                   statement(5, 2, "deny", ""), statement(6, 2, "permit", "", "")};
    size_t next = 0;
    gFake.cmAnswer = [&](const FakeCmCall &) {
        next++;
        return cmOk(replies[next - 1], next == 4 ? 1 : 2);
    };
    std::string out = call("getDynamicAcl", "<name>r1</name>");
    EXPECT_EQ(fault(out), "") << out;
    ASSERT_EQ(gFake.cmCalls.size(), 4u);
    EXPECT_EQ(gFake.cmCalls[0].text,
              "<module_acl><get><dynStatement><entryName>r1</entryName></dynStatement>"
              "</get></module_acl>");
    EXPECT_EQ(gFake.cmCalls[3].text,
              "<module_acl><get><dynStatement><entryName>r1</entryName><statementNumber>"
              "5</statementNumber></dynStatement></get></module_acl>");
    EXPECT_EQ(gFake.cmCalls[0].getFlags, CM_GET_NEXT);
    // The last statement says the application name and persistence; permit won over deny.
    EXPECT_NE(out.find("<reply><name>r1</name><applicationName/><isPersistent>true"
                       "</isPersistent><match><srcIpAddress>10.0.0.0/8</srcIpAddress></match>"
                       "<response><deny>false</deny></response></reply>"),
              std::string::npos)
        << out;
}

// The walk's end and cap are the shared walk's (tested with the VLAN listing); here, the
// keys each listing walks on with.
TEST_F(AclTest, ListingsWalkOnFromTheirLastName) {
    uint32_t n = 0;
    gFake.cmAnswer = [&](const FakeCmCall &) {
        if (++n > 2) return cmOk();
        return cmOk("<dynEntry><entryName>r&amp;" + std::to_string(n) + "</entryName></dynEntry>",
                    2);
    };
    std::string out = call("listDynamicAcl", "");
    EXPECT_EQ(fault(out), "");
    EXPECT_EQ(count(out, "<name>"), 2u);
    ASSERT_EQ(gFake.cmCalls.size(), 3u);
    EXPECT_EQ(gFake.cmCalls[1].text,
              "<module_acl><get><dynEntry><entryName>r&amp;1</entryName></dynEntry></get>"
              "</module_acl>");

    // One name per run of applications of a rule; applications of no dynamic rule are skipped.
    const char *const rules[][2] = {{"r1", "3"}, {"r1", "3"}, {"x", "0"}, {"r2", "4"}, {"r1", "3"}};
    n = 0;
    gFake.cmCalls.clear();
    gFake.cmAnswer = [&](const FakeCmCall &) {
        if (n == 5) return cmOk();
        const char *const *r = rules[n++];
        return cmOk(std::string("<aclRuleAppl><ruleName>") + r[0] + "</ruleName><vlanIfInstance>" +
                        std::to_string(n) + "</vlanIfInstance><dynEntryNumber>" + r[1] +
                        "</dynEntryNumber></aclRuleAppl>",
                    2);
    };
    out = call("listDynamicAclOnInterface", "<direction>EGRESS</direction>");
    EXPECT_EQ(fault(out), "");
    EXPECT_NE(out.find("<reply><name>r1</name><name>r2</name><name>r1</name></reply>"),
              std::string::npos)
        << out;
    ASSERT_EQ(gFake.cmCalls.size(), 6u);
    EXPECT_EQ(gFake.cmCalls[0].text,
              "<module_acl><get><aclRuleAppl><any>1</any><aclIfDirection>1</aclIfDirection>"
              "</aclRuleAppl></get></module_acl>");
    EXPECT_EQ(gFake.cmCalls[2].text,
              "<module_acl><get><aclRuleAppl><vlanIfInstance>2</vlanIfInstance><portInstance>0"
              "</portInstance><entryNumber>0</entryNumber><dynEntryNumber>3</dynEntryNumber>"
              "<statementNumber>0</statementNumber><currEntryNo>0</currEntryNo><aclIfDirection>1"
              "</aclIfDirection></aclRuleAppl></get></module_acl>");
}

}  // namespace
