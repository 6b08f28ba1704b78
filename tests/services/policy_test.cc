// The policy service over a fake configuration manager and a fake CLI process: policy
// files (names, partition, atomic writes), the CLI synchronisation, request texts and
// the read-back walk.
#include <unistd.h>

#include <filesystem>
#include <fstream>
#include <sstream>

#include "cfgmgmt/objdefs/acl_obj.h"
#include "cmclient/cm.h"
#include "platform/clock.h"
#include "services/cli_sync.h"
#include "tests/services/service_fixture.h"

namespace {

struct FakeCli {
    std::vector<std::string> asked;
    int sendResult = 1;
    bool answers = true;
    uint32_t status = 0;  // as the CLI sends it: 0 success
    std::string text = "ok";
} gCli;

void fillCliAnswer(void *arg) {
    auto *r = static_cast<wsvdRequest *>(arg);
    r->replyStatus = gCli.status == 0 ? 1 : 0;
    r->replyMessage = strdup(gCli.text.c_str());
}

int fakeCliSend(wsvdRequest *r, const char *text) {
    gCli.asked.push_back(text);
    if (gCli.sendResult < 1) return gCli.sendResult;
    if (gCli.answers)
        wsvdAnswerDeliver(r->answer, fillCliAnswer, r, true);
    else
        clockAdvanceUs(3600ull * 1000000);  // far past any guard
    return 1;
}

const char kPartitionFull[] =
    "Configuration partition is full.\n       Please remove unused files to free up storage "
    "space and try the \n       command again.";

class PolicyTest : public ServiceTest {
protected:
    void SetUp() override {
        ServiceTest::SetUp();
        cmObjectInit_acl();
        gCli = FakeCli();
        wsvdPolicySetCliSend(fakeCliSend);
        char pattern[] = "/tmp/policy_testXXXXXX";
        ASSERT_NE(mkdtemp(pattern), nullptr);
        dir_ = pattern;
        setenv("KARN_CONFIG_LOCATION", dir_.c_str(), 1);
    }
    void TearDown() override {
        unsetenv("KARN_CONFIG_LOCATION");
        unsetenv("KARN_PARTITION_FULL");
        clockSetSource(nullptr);
        EXPECT_EQ(system(("rm -rf " + dir_).c_str()), 0);
        ServiceTest::TearDown();
    }
    std::string call(const std::string &op, const std::string &inner) {
        return serve("<p:" + op + " xmlns:p=\"urn:xapi/system/policy\">" + inner + "</p:" + op +
                     ">");
    }
    std::string file(const std::string &name) {
        std::ifstream in(dir_ + "/" + name);
        std::stringstream s;
        s << in.rdbuf();
        return in ? s.str() : "(none)";
    }
    std::string save(const std::string &name, const std::string &rules = "<aclRules/>") {
        return fault(call("savePolicy", "<name>" + name + "</name>" + rules));
    }
    std::string dir_;
};

const char kRules[] =
    "<aclRules><rule><name>web</name><match><protocol>tcp</protocol></match><response><deny>true"
    "</deny></response></rule></aclRules><tripwatchRules><rule><name>trip</name><match "
    "type=\"MATCH_ANY\"><comparison><type>COUNT</type><comparator>GREATER_EQUAL</comparator>"
    "<counter1>c1</counter1><threshold>10</threshold></comparison></match><positiveResponse>"
    "<syslog><level>WARN</level><message>disk; full</message></syslog></positiveResponse>"
    "<positiveResponse><cli>show vlan</cli></positiveResponse></rule></tripwatchRules>";

TEST_F(PolicyTest, SaveWritesTheRuleTextAndAsksTheCli) {
    EXPECT_EQ(save("p1", kRules), "");
    EXPECT_EQ(file("p1.pol"),
              "# Acl entry web\nentry web {\nif {\n protocol tcp;\n}\nthen {\n deny;\n} }\n\n"
              "# Tripwatch rule trip\nentry trip {\nif match any {\n count c1 >= 10;\n} then {\n"
              " syslog \"disk; full\" WARN;\n cli \"show vlan\";\n} }\n\n");
    EXPECT_EQ(gCli.asked, std::vector<std::string>{"p1.pol"});
    EXPECT_TRUE(gFake.cmCalls.empty());

    // The CLI's refusal is the fault; without a CLI process the save stands.
    gCli.status = 1;
    gCli.text = "line 2: unknown condition";
    EXPECT_EQ(save("p1"), "line 2: unknown condition");
    gCli.sendResult = -1;
    EXPECT_EQ(save("p2"), "");
    EXPECT_EQ(file("p2.pol"), "");
    gCli.sendResult = 0;
    EXPECT_EQ(save("p2"), "Unable to send message to the Cli process.");
    gCli = FakeCli();
    gCli.answers = false;
    clockUseManual();
    EXPECT_EQ(save("p2"), "The Cli process did not answer.");
}

TEST_F(PolicyTest, NothingIsWrittenForABadNameRecordOrAFullPartition) {
    ASSERT_EQ(save("keep", kRules), "");
    const std::string kept = file("keep.pol");
    const std::string name32(32, 'n');
    struct Case {
        std::string name;
        std::string rules;
        const char *fault;
    } cases[] = {
        {name32 + "x", "<aclRules/>", "Policy file name cannot exceed 32 characters"},
        {"../keep", "<aclRules/>", "Invalid policy name"},
        {"a/b", "<aclRules/>", "Invalid policy name"},
        {"..", "<aclRules/>", "Invalid policy name"},
        {".hidden", "<aclRules/>", "Invalid policy name"},
        {"a&#9;b", "<aclRules/>", "Invalid policy name"},
        {"", "<aclRules/>", "Invalid policy name"},
        {"keep", "", "Missing argument"},
        {"keep", "<aclRules><rule><name>a b</name></rule></aclRules>",
         "Rule \"a b\": invalid rule name \"a b\""},
    };
    for (const Case &c : cases) {
        gCli.asked.clear();
        EXPECT_EQ(save(c.name, c.rules), c.fault) << c.name;
        EXPECT_TRUE(gCli.asked.empty());
    }
    // A threshold that is no number is refused by the message schema itself.
    EXPECT_NE(save("keep",
                   "<aclRules/><tripwatchRules><rule><name>t</name><match><comparison>"
                   "<threshold>lots</threshold></comparison></match></rule></tripwatchRules>"),
              "");
    setenv("KARN_PARTITION_FULL", "1", 1);
    EXPECT_EQ(save("keep"), kPartitionFull);
    EXPECT_EQ(file("keep.pol"), kept);
    unsetenv("KARN_PARTITION_FULL");
    EXPECT_EQ(save(name32), "");
    // Only the two policies, and nothing beside the directory.
    auto files = std::filesystem::directory_iterator(dir_);
    EXPECT_EQ(std::distance(begin(files), end(files)), 2);
    EXPECT_FALSE(std::filesystem::exists(dir_ + "/../keep.pol"));
}

TEST_F(PolicyTest, WithoutConfigurationLocationTheFileIsInTheWorkingDirectory) {
    char here[4096];
    ASSERT_NE(getcwd(here, sizeof here), nullptr);
    ASSERT_EQ(chdir(dir_.c_str()), 0);
    setenv("KARN_CONFIG_LOCATION", "", 1);
    EXPECT_EQ(save("local"), "");
    EXPECT_EQ(chdir(here), 0);
    EXPECT_EQ(file("local.pol"), "");
}

TEST_F(PolicyTest, RequestTexts) {
    struct Case {
        const char *op;
        std::string inner;
        const char *module;
        uint32_t operation;
        std::string text;
    };
    const Case cases[] = {
        {"deletePolicy", "<name>p&amp;1</name>", "cfgmgr", CM_OP_SET,
         "<module_cfgmgr><set><fileOp><op>rm</op><srcloc>config</srcloc><src>p&amp;1.pol</src>"
         "</fileOp></set></module_cfgmgr>"},
        {"refreshPolicy", "<name>p1</name>", "polMgr", CM_OP_SET,
         "<module_pm><set><pMPolicyUtil><option>5</option><polname>p1</polname></pMPolicyUtil>"
         "</set></module_pm>"},
        {"bindPolicyOnInterface",
         "<name>p1</name><vlan>v1</vlan><port>1:1</port><direction>EGRESS</direction>", "acl",
         CM_OP_SET,
         "<module_acl><set><aclIfEntry><aclName>p1</aclName><rowStatus>configure</rowStatus>"
         "<precedence>1</precedence><vlan>v1</vlan><ports>1:1</ports><aclIfDirection>1"
         "</aclIfDirection></aclIfEntry></set></module_acl>"},
        {"bindPolicyOnInterface", "<name>p1</name><vlan>v&lt;1</vlan>", "acl", CM_OP_SET,
         "<module_acl><set><aclIfEntry><aclName>p1</aclName><rowStatus>configure</rowStatus>"
         "<precedence>1</precedence><vlan>v&lt;1</vlan></aclIfEntry></set></module_acl>"},
        {"unbindPolicyOnInterface", "<name>p1</name><port>1:1</port>", "acl", CM_OP_SET,
         "<module_acl><set><aclIfEntry><aclName>p1</aclName><rowStatus>unconfigure</rowStatus>"
         "<precedence>1</precedence><ports>1:1</ports><aclIfDirection>0</aclIfDirection>"
         "</aclIfEntry></set></module_acl>"},
        {"listPolicyOnInterface", "", "acl", CM_OP_GET,
         "<module_acl><get><aclEntry><any>1</any><aclIfDirection>0</aclIfDirection></aclEntry>"
         "</get></module_acl>"},
        {"listPolicyOnInterface", "<vlan>v1</vlan><port>1:2</port><direction>EGRESS</direction>",
         "acl", CM_OP_GET,
         "<module_acl><get><aclEntry><vlanName>v1</vlanName><port>1:2</port><aclIfDirection>1"
         "</aclIfDirection></aclEntry></get></module_acl>"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.text);
        gFake.cmCalls.clear();
        EXPECT_EQ(fault(call(c.op, c.inner)), "");
        ASSERT_EQ(gFake.cmCalls.size(), 1u);
        EXPECT_EQ(gFake.cmCalls[0].text, c.text);
        EXPECT_EQ(gFake.cmCalls[0].module, c.module);
        EXPECT_EQ(gFake.cmCalls[0].operation, c.operation);
        if (c.operation == CM_OP_GET) EXPECT_EQ(gFake.cmCalls[0].getFlags, CM_GET_PLAIN);
    }
    EXPECT_EQ(fault(call("deletePolicy", "<name>../cfgmgr.cfg</name>")), "Invalid policy name");
    gFake.cmAnswer = [](const FakeCmCall &) {
        return cmOk("<aclEntry><aclName>p1</aclName></aclEntry>");
    };
    EXPECT_NE(call("listPolicyOnInterface", "").find("<reply>p1</reply>"), std::string::npos);
}

FakeCmReply pmReply(uint32_t status, const std::string &data) {
    FakeCmReply r = cmOk(data);
    r.status = status;
    return r;
}

std::string entry(uint32_t number, const char *name, uint32_t type, uint32_t match = 2) {
    return "<pMEntry><entryNumber>" + std::to_string(number) +
           "</entryNumber><policyName>p1"
           "</policyName><entryName>" +
           name + "</entryName><entryType>" + std::to_string(type) + "</entryType><matchType>" +
           std::to_string(match) + "</matchType></pMEntry>";
}

std::string statement(uint32_t entry, uint32_t number, uint32_t type, const char *keyword,
                      const char *value) {
    return "<pMStatement><policyName>p1</policyName><entryNumber>" + std::to_string(entry) +
           "</entryNumber><statementNumber>" + std::to_string(number) +
           "</statementNumber>"
           "<statementType>" +
           std::to_string(type) + "</statementType><keyword>" + keyword + "</keyword><value>" +
           value + "</value></pMStatement>";
}

TEST_F(PolicyTest, GetPolicyWalksEntriesAndTheirStatements) {
    // The configuration manager's answers, in the order of the requests.
    std::vector<FakeCmReply> answers = {
        cmOk("<pMPolicy><policyName>p1</policyName></pMPolicy>"),
        pmReply(2, entry(1, "web", 2)),
        pmReply(2, statement(1, 1, 1, "protocol", "tcp")),
        pmReply(1, statement(1, 2, 2, "deny", "")),
        pmReply(2, entry(2, "odd", 9)),  // a kind this service does not read
        pmReply(1, entry(3, "trip", 4, 1)),
        pmReply(2, statement(3, 1, 1, "count", "c1 &gt;= 10")),
        pmReply(2, statement(3, 2, 2, "syslog", "\"hot\" WARN 5")),
        pmReply(1, statement(3, 3, 3, "cli", "\"show vlan\"")),
    };
    size_t next = 0;
    gFake.cmAnswer = [&](const FakeCmCall &) { return answers.at(next++); };
    std::string out = call("getPolicy", "<name>p1</name>");
    EXPECT_EQ(fault(out), "") << out;
    ASSERT_EQ(gFake.cmCalls.size(), answers.size());
    EXPECT_EQ(gFake.cmCalls[0].getFlags, CM_GET_PLAIN);
    EXPECT_EQ(gFake.cmCalls[1].text,
              "<module_pm><get><pMEntry><policyName>p1</policyName></pMEntry></get></module_pm>");
    EXPECT_EQ(gFake.cmCalls[3].text,
              "<module_pm><get><pMStatement><policyName>p1</policyName><entryNumber>1</entryNumber>"
              "<statementNumber>1</statementNumber></pMStatement></get></module_pm>");
    EXPECT_EQ(gFake.cmCalls[4].text,
              "<module_pm><get><pMEntry><policyName>p1</policyName><entryNumber>1</entryNumber>"
              "</pMEntry></get></module_pm>");
    EXPECT_EQ(gFake.cmCalls[4].getFlags, CM_GET_NEXT);
    EXPECT_NE(out.find("<reply><name>p1</name><aclRules><rule><name>web</name><applicationName/>"
                       "<match><protocol>tcp</protocol></match><response><deny>true</deny>"
                       "</response></rule></aclRules><tripwatchRules><rule><name>trip</name>"
                       "<match type=\"MATCH_ANY\"><comparison><type>COUNT</type><comparator>"
                       "GREATER_EQUAL</comparator><counter1>c1</counter1><threshold>10</threshold>"
                       "</comparison></match><positiveResponse><syslog><level>WARN</level><message>"
                       "hot</message><period>5</period></syslog></positiveResponse>"
                       "<negativeResponse><cli>show vlan</cli></negativeResponse></rule>"
                       "</tripwatchRules></reply>"),
              std::string::npos)
        << out;

    // No last entry: the policy was not read whole and none is answered; a missing policy
    // is the policy module's failure.
    answers = {cmOk(""), pmReply(2, entry(1, "web", 9)), cmOk("")};
    next = 0;
    out = call("getPolicy", "<name>p1</name>");
    EXPECT_EQ(fault(out), "");
    EXPECT_EQ(out.find("<reply>"), std::string::npos) << out;
    answers = {cmStatus(0, "Policy \"p9\" does not exist.")};
    next = 0;
    EXPECT_EQ(fault(call("getPolicy", "<name>p9</name>")), "Policy \"p9\" does not exist.");
}

TEST_F(PolicyTest, ListPolicyWalksThePolicyNames) {
    int n = 0;
    gFake.cmAnswer = [&](const FakeCmCall &) {
        return ++n > 2 ? pmReply(1, "")
                       : pmReply(2, "<pMPolicy><policyName>p" + std::to_string(n) +
                                        "</policyName></pMPolicy>");
    };
    std::string out = call("listPolicy", "");
    EXPECT_NE(out.find("<reply><name>p1</name><name>p2</name></reply>"), std::string::npos) << out;
    ASSERT_EQ(gFake.cmCalls.size(), 3u);
    EXPECT_EQ(gFake.cmCalls[2].text,
              "<module_pm><get><pMPolicy><policyName>p2</policyName></pMPolicy></get></module_pm>");
}

}  // namespace
