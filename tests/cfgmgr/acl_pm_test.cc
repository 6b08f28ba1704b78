// Modules acl and pm of cfgmgr's store, in-process: rules made from rule text and walked
// by statement, where rules apply and the walks over them, policies bound to
// interfaces, and the policy files read on every request.
#include <string>
#include <vector>

#include "cmclient/cm.h"
#include "tests/cfgmgr/store_in_tree.h"

namespace {

cfgReply_t request(uint32_t flags, const std::string &module, const char *op,
                   const std::string &object, const std::string &fields) {
    std::string text = "<module_" + module + "><" + op + "><" + object + ">" + fields + "</" +
                       object + "></" + op + "></module_" + module + ">";
    return cfgStoreHandle(flags, text.c_str());
}

// The message of a set: "" when it succeeded.
std::string set(const std::string &module, const std::string &object, const std::string &fields) {
    cfgReply_t r = request(0, module, "set", object, fields);
    return r.status == 1 ? "" : r.message;
}

std::string rule(const std::string &name, const std::string &text) {
    return set("acl", "aclRuleObj",
               "<rowStatus>create</rowStatus><name>" + name + "</name><entryBuffer>" + text +
                   "</entryBuffer><applName>app</applName>");
}

std::string simpleRule(const std::string &name) {
    return rule(name, "entry " + name + " {\nif {\n protocol tcp;\n}\nthen {\n deny;\n} }\n");
}

// The value of the first `field` in a reply's data ("" when absent).
std::string field(const std::string &data, const std::string &name) {
    std::string open = "<" + name + ">";
    size_t at = data.find(open);
    if (at == std::string::npos) return "";
    at += open.size();
    std::string value = data.substr(at, data.find("</" + name + ">", at) - at);
    if (value.rfind("<![CDATA[", 0) == 0) value = value.substr(9, value.size() - 12);
    return value;
}

// Follows a get-next walk: `next` makes the following request's fields from a reply's
// data. "status:value" per reply, `key` naming the field reported.
std::vector<std::string> walk(const std::string &module, const std::string &object,
                              std::string fields, const char *key,
                              std::string (*next)(const std::string &data)) {
    std::vector<std::string> shape;
    for (int i = 0; i < 20; i++) {
        cfgReply_t r = request(CM_GET_NEXT, module, "get", object, fields);
        if (r.status == 0) return shape.push_back("0 " + r.message), shape;
        shape.push_back(std::to_string(r.status) + ":" + field(r.data, key));
        if (r.data.empty() || r.status == 1) break;
        fields = next(r.data);
    }
    return shape;
}

using Shape = std::vector<std::string>;

class AclPmTest : public StoreInTree {
protected:
    void policy(const std::string &name, const std::string &text) {
        writeFile(name + ".pol", text);
    }
};

TEST_F(AclPmTest, RulesAreMadeFromTheirTextOrRefusedSayingWhy) {
    EXPECT_EQ(simpleRule("r1"), "");
    struct Case {
        std::string name, text, why;
    } cases[] = {
        {"r1", "entry r1 { if { } then { } }", "Dynamic rule \"r1\" already exists."},
        {"r2", "entry r2 {\nif {\n colour red;\n} then { } }",
         "The rule text of \"r2\" cannot be read: line 3: entry \"r2\": unknown condition "
         "\"colour\""},
        {"r2", "", "The rule text of \"r2\" must hold one entry, not 0."},
        {"r2", "entry r2 { if match any { } then { } }",
         "The rule text of \"r2\" is a Tripwatch entry, not an ACL entry."},
        {"r2", "entry r3 { if { } then { } }", "The rule text names entry \"r3\", not \"r2\"."},
    };
    for (const Case &c : cases) EXPECT_EQ(rule(c.name, c.text), c.why);
}

std::string apply(const std::string &rule, const std::string &where, int action = 2,
                  const std::string &relative = "") {
    return set("acl", "aclRuleAppl",
               "<rowStatus>configure</rowStatus><ruleAction>" + std::to_string(action) +
                   "</ruleAction><ruleName>" + rule +
                   "</ruleName><aclIfDirection>0</aclIfDirection>" +
                   (relative.empty() ? "" : "<relName>" + relative + "</relName>") + where +
                   "<priority>0</priority>");
}

// The next request of an application walk, made as the daemon makes it.
std::string nextApplication(const std::string &data) {
    std::string fields;
    for (const char *f : {"vlanIfInstance", "portInstance", "entryNumber", "dynEntryNumber",
                          "statementNumber", "currEntryNo"})
        fields += std::string("<") + f + ">" + field(data, f) + "</" + f + ">";
    return fields + "<aclIfDirection>0</aclIfDirection>";
}

TEST_F(AclPmTest, ApplicationsKeepTheirOrderAndWalksKeepTheirScope) {
    for (const char *r : {"r1", "r2", "r3", "r4"}) ASSERT_EQ(simpleRule(r), "");
    EXPECT_EQ(apply("r1", "<vlan>Default</vlan>"), "");
    EXPECT_EQ(apply("r2", "<vlan>Default</vlan>", 1), "");        // first
    EXPECT_EQ(apply("r3", "<vlan>Default</vlan>", 2, "r2"), "");  // after r2
    EXPECT_EQ(apply("r4", "<ports>1:2-3</ports>"), "");
    EXPECT_EQ(apply("r1", ""), "");  // every interface
    EXPECT_EQ(apply("r1", "<vlan>Default</vlan>"),
              "Dynamic rule \"r1\" is already applied to vlan \"Default\".");
    EXPECT_EQ(apply("r4", "<vlan>Default</vlan>", 1, "r7"),
              "Dynamic rule \"r7\" is not applied to vlan \"Default\".");

    // One VLAN's rules in order; the walk ends with the VLAN although ports follow.
    EXPECT_EQ(walk("acl", "aclRuleAppl", "<vlan>Default</vlan>", "ruleName", nextApplication),
              (Shape{"2:r2", "2:r3", "1:r1"}));
    // Every interface: the rules of each, one interface after the other (every interface,
    // the ports, the VLANs).
    EXPECT_EQ(walk("acl", "aclRuleAppl", "<any>1</any>", "ruleName", nextApplication),
              (Shape{"2:r1", "2:r4", "2:r4", "2:r2", "2:r3", "1:r1"}));

    EXPECT_EQ(set("acl", "aclRuleObj", "<rowStatus>delete</rowStatus><name>r4</name>"),
              "Dynamic rule \"r4\" is applied; take it off every interface first.");
    const std::string off = "<rowStatus>unconfigure</rowStatus><aclIfDirection>0</aclIfDirection>";
    EXPECT_EQ(set("acl", "aclRuleAppl",
                  off + "<ruleAction>5</ruleAction><ruleName>r2</ruleName><vlan>Default</vlan>"),
              "");
    EXPECT_EQ(set("acl", "aclRuleAppl", off + "<ruleAction>6</ruleAction><ruleName>r1</ruleName>"),
              "");
    EXPECT_EQ(walk("acl", "aclRuleAppl", "<vlan>Default</vlan>", "ruleName", nextApplication),
              (Shape{"1:r3"}));
}

TEST_F(AclPmTest, PoliciesBindToInterfaces) {
    policy("p1", "entry a { if { protocol udp; } then { permit; } }\n");
    policy("bad", "entry a { if { colour red; } then { } }\n");
    auto bind = [](const std::string &name, const std::string &where, const char *action) {
        return set("acl", "aclIfEntry",
                   "<aclName>" + name + "</aclName><rowStatus>" + action +
                       "</rowStatus><precedence>1</precedence>" + where);
    };
    auto boundTo = [](const std::string &where) {
        cfgReply_t r = request(CM_GET_PLAIN, "acl", "get", "aclEntry",
                               where + "<aclIfDirection>0</aclIfDirection>");
        return std::to_string(r.status) + ":" + field(r.data, "aclName");
    };
    EXPECT_EQ(bind("p1", "<vlan>Default</vlan>", "configure"), "");
    EXPECT_EQ(bind("p1", "<vlan>Default</vlan>", "configure"),
              "vlan \"Default\" already has policy \"p1\" in this direction.");
    EXPECT_EQ(bind("bad", "", "configure"),
              "Policy \"bad\" line 1: entry \"a\": unknown condition \"colour\"");
    EXPECT_EQ(bind("../p1", "", "configure"), "\"../p1\" is not a policy name.");
    EXPECT_EQ(boundTo("<vlanName>Default</vlanName>"), "1:p1");
    EXPECT_EQ(bind("p1", "<vlan>Default</vlan>", "unconfigure"), "");
    EXPECT_EQ(boundTo("<vlanName>Default</vlanName>"), "1:");
}

TEST_F(AclPmTest, PolicyFilesAreReadOnEveryRequest) {
    policy("p1", "entry web { if { protocol tcp; } then { deny; } }\n");
    policy("p2", "entry a { if { } then { } }\n");
    policy("notes", "not a policy");
    writeFile("x.txt", "not a policy file");
    EXPECT_EQ(walk("pm", "pMPolicy", "", "policyName",
                   [](const std::string &data) {
                       return "<policyName>" + field(data, "policyName") + "</policyName>";
                   }),
              (Shape{"2:notes", "2:p1", "1:p2"}));

    auto refresh = [](const std::string &name) {
        return set("pm", "pMPolicyUtil", "<option>5</option><polname>" + name + "</polname>");
    };
    EXPECT_EQ(refresh("p1"), "");
    // A changed file is what the next request reads.
    policy("p1", "entry web { if { protocol tcp } then { } }\n");
    EXPECT_EQ(refresh("p1"),
              "Policy \"p1\" line 1: expected \";\" after \"protocol\", found \"}\"");
    const std::string rm = "<op>rm</op><srcloc>config</srcloc><src>p1.pol</src>";
    EXPECT_EQ(set("cfgmgr", "fileOp", rm), "");
    EXPECT_EQ(set("cfgmgr", "fileOp", rm), "File \"p1.pol\" does not exist.");
    EXPECT_EQ(refresh("p1"), "Policy \"p1\" does not exist.");
}

}  // namespace
