// The access-list and policy commands against cfgmgr's real store in-process, and the
// check the CLI makes of a policy file that wsvd has written.
#include <string>

#include "cli/cli_commands.h"
#include "cli/wsvd_peer.h"
#include "tests/cfgmgr/store_in_tree.h"

namespace {

class AclCommands : public StoreInTree {
protected:
    void SetUp() override {
        StoreInTree::SetUp();
        services_.cmExchange = [](uint32_t, uint32_t flags, const char *, const std::string &text,
                                  cliCmReply_t *reply) {
            cfgReply_t r = cfgStoreHandle(flags, text.c_str());
            *reply = {r.status, r.message, r.data};
            return true;
        };
    }
    void store(const std::string &text) {
        cfgReply_t r = cfgStoreHandle(0, text.c_str());
        ASSERT_EQ(r.status, 1u) << text << ": " << r.message;
    }
    std::string run(const std::string &line) {
        std::string out;
        cliExecute(services_, line, [&](const std::string &text) { out += text; });
        return out;
    }
    cliServices_t services_;
};

TEST_F(AclCommands, ShowAccessListAndPolicy) {
    store(
        "<module_acl><set><aclRuleObj><rowStatus>create</rowStatus><name>web</name><entryBuffer>"
        "entry web { if { protocol tcp; } then { count hits; deny; } }</entryBuffer><dynamic>1"
        "</dynamic><applName>app</applName></aclRuleObj></set></module_acl>");
    store(
        "<module_acl><set><aclRuleAppl><rowStatus>configure</rowStatus><ruleName>web</ruleName>"
        "<vlan>Default</vlan></aclRuleAppl></set></module_acl>");
    store(
        "<module_acl><set><aclRuleAppl><rowStatus>configure</rowStatus><ruleName>web</ruleName>"
        "<aclIfDirection>1</aclIfDirection><ports>1:3</ports></aclRuleAppl></set></module_acl>");
    writeFile("p1.pol",
              "entry a { if match any { count c > 1; } then { } else { permit web; } }\n");
    store(
        "<module_acl><set><aclIfEntry><aclName>p1</aclName><rowStatus>configure</rowStatus>"
        "<vlan>Default</vlan></aclIfEntry></set></module_acl>");

    std::string list = run("show access-list");
    EXPECT_NE(list.find("web                              1      app              yes\n"),
              std::string::npos)
        << list;
    EXPECT_NE(list.find("Total number of dynamic rules: 1\n"), std::string::npos) << list;
    EXPECT_NE(list.find("web                              vlan Default             ingress   1\n"),
              std::string::npos)
        << list;
    EXPECT_NE(list.find("web                              port 1:3                 egress    1\n"),
              std::string::npos)
        << list;
    EXPECT_EQ(run("show access-list web"),
              "entry web {\nif {\n protocol tcp;\n}\nthen {\n count hits;\n deny;\n} }\n");
    EXPECT_EQ(run("show access-list nope"), "Error: Dynamic rule \"nope\" does not exist.\n");

    std::string policies = run("show policy");
    EXPECT_NE(policies.find("Policies:\n  p1\nTotal number of policies: 1\n"), std::string::npos)
        << policies;
    EXPECT_NE(policies.find("p1                               vlan Default             ingress\n"),
              std::string::npos)
        << policies;
    EXPECT_EQ(run("show policy p1"),
              "# Tripwatch rule a\nentry a {\nif match any {\n count c > 1;\n} then {\n} else {\n"
              " permit web;\n} }\n\nPolicy p1: 1 entries\n");
    EXPECT_EQ(run("show policy p9"), "Error: Policy \"p9\" does not exist.\n");
}

TEST_F(AclCommands, PolicyFilesMustReadBeforeTheCliTakesThemUp) {
    writeFile("good.pol", "entry a { if { protocol tcp; } then { deny; } }\n");
    writeFile("bad.pol", "entry a {\nif { protocol tcp }\nthen { } }\n");
    writeFile("notes.txt", "anything at all");
    std::string message;
    EXPECT_EQ(cliCheckConfigFile(dir(), "good.pol", &message), 0) << message;
    EXPECT_EQ(cliCheckConfigFile(dir(), "notes.txt", &message), 0) << message;
    EXPECT_EQ(cliCheckConfigFile(dir(), "bad.pol", &message), 1);
    EXPECT_EQ(message,
              "Policy file \"bad.pol\": line 2: expected \";\" after \"protocol\", found \"}\"");
}

}  // namespace
