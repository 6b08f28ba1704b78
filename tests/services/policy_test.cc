// The policy service, and with it the rule text both ways, over a fake configuration
// manager and a fake CLI process: every rule field written in its place and read back
// through a policy module that parses the saved file; policy files (names, partition,
// atomic writes) and the CLI's check; the read-back walk.
#include <filesystem>

#include "cfgmgmt/objdefs/acl_obj.h"
#include "cfgmgmt/rules/rule_lang.h"
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

uint32_t numberIn(const std::string &text, const std::string &element) {
    size_t at = text.find("<" + element + ">");
    return at == std::string::npos ? 0 : uint32_t(atoi(text.c_str() + at + element.size() + 2));
}

// The policy module as cfgmgr answers getPolicy's walks over the entries of policy "p1"
// (status 2 while more follow within the walk's scope, 1 on the last).
FakeCmReply policyModule(const std::vector<ruleEntry_t> &entries, const FakeCmCall &call) {
    const std::string &t = call.text;
    if (t.find("<pMPolicy>") != std::string::npos) return cmOk("");
    uint32_t entry = numberIn(t, "entryNumber"), statement = numberIn(t, "statementNumber");
    const std::string policy = "<policyName>p1</policyName><entryNumber>";
    if (t.find("<pMEntry>") != std::string::npos) {
        if (entry >= entries.size()) return cmOk();
        const ruleEntry_t &e = entries[entry];
        return cmOk("<pMEntry>" + policy + std::to_string(entry + 1) + "</entryNumber><entryName>" +
                        e.name + "</entryName><entryType>" + std::to_string(e.kind) +
                        "</entryType><matchType>" + std::to_string(e.match) +
                        "</matchType></pMEntry>",
                    entry + 1 < entries.size() ? 2 : 1);
    }
    const std::vector<ruleStatement_t> &s = entries.at(entry - 1).statements;
    if (statement >= s.size()) return cmOk();
    return cmOk("<pMStatement>" + policy + std::to_string(entry) +
                    "</entryNumber><statementNumber>" + std::to_string(statement + 1) +
                    "</statementNumber><statementType>" + std::to_string(s[statement].block) +
                    "</statementType><keyword>" + s[statement].keyword + "</keyword><value>" +
                    escaped(s[statement].value) + "</value></pMStatement>",
                statement + 1 < s.size() ? 2 : 1);
}

class PolicyTest : public ServiceTest {
protected:
    void SetUp() override {
        ServiceTest::SetUp();
        cmObjectInit_acl();
        gCli = FakeCli();
        wsvdPolicySetCliSend(fakeCliSend);
        env_.set("KARN_CONFIG_LOCATION", dir_.path()).unset("KARN_PARTITION_FULL");
    }
    void TearDown() override {
        clockSetSource(nullptr);
        ServiceTest::TearDown();
    }
    std::string call(const std::string &op, const std::string &inner) {
        return serve("<p:" + op + ">" + inner + "</p:" + op + ">");
    }
    std::string file(const std::string &name) {
        return std::filesystem::exists(dir_ / name) ? readFile(dir_ / name) : "(none)";
    }
    std::string save(const std::string &name, const std::string &rules = "<aclRules/>") {
        return fault(call("savePolicy", "<name>" + name + "</name>" + rules));
    }
    // getPolicy of "p1" answered from these entries; the response's <reply> element.
    std::string readBack(const std::vector<ruleEntry_t> &entries) {
        gFake.cmAnswer = [&](const FakeCmCall &c) { return policyModule(entries, c); };
        std::string out = call("getPolicy", "<name>p1</name>");
        EXPECT_EQ(fault(out), "");
        size_t a = out.find("<reply>"), b = out.find("</reply>");
        return a == std::string::npos ? "" : out.substr(a + 7, b - a - 7);
    }
    ScratchDir dir_{"policy"};
};

// The first and last condition and action fields, a flag, one written out of schema order
// (values naming their place), rules without action record or with an empty one, and
// every Tripwatch form.
const char kRules[] =
    "<aclRules><rule><name>all</name><match><srcIpAddress>a1</srcIpAddress><srcPort>a3"
    "</srcPort><firstFragments>true</firstFragments><protocol>a13</protocol><svid>a24</svid>"
    "</match><response><count>b1</count><deny>true</deny><qosProfile>b5</qosProfile><mirror>b15"
    "</mirror><learningDomain>b29</learningDomain></response></rule>"
    "<rule><name>bare</name><match><ports>1:1, 1:2</ports></match></rule>"
    "<rule><name>open</name><response/></rule></aclRules>"
    "<tripwatchRules><rule><name>trip</name><match type=\"MATCH_ANY\"><period>30</period>"
    "<comparison><type>COUNT</type><comparator>GREATER_EQUAL</comparator><counter1>c1</counter1>"
    "<threshold>10</threshold><hysteresis>2</hysteresis></comparison><comparison><type>RATIO"
    "</type><comparator>LESS_THAN</comparator><counter1>a</counter1><counter2>b</counter2>"
    "<threshold>3</threshold><minValue>1</minValue></comparison><comparison><type>RULE_COUNT"
    "</type><comparator>GREATER_THAN</comparator><counter1>all</counter1><threshold>4</threshold>"
    "</comparison><comparison><type>DELTA</type><comparator>LESS_EQUAL</comparator><counter1>d"
    "</counter1><threshold>5</threshold></comparison><comparison><type>DELTA_RATIO</type>"
    "<comparator>LESS_THAN</comparator><counter1>x</counter1><counter2>y</counter2><threshold>6"
    "</threshold></comparison></match><positiveResponse><deny>all</deny></positiveResponse>"
    "<positiveResponse><permit>all</permit></positiveResponse><positiveResponse><qosprofile>"
    "<qosProfile>QP2</qosProfile><aclRule>all</aclRule></qosprofile></positiveResponse>"
    "<positiveResponse><mirror><add>true</add><aclRule>all</aclRule></mirror></positiveResponse>"
    "<negativeResponse><snmptrap><message>disk; full</message><id>7</id><period>60</period>"
    "</snmptrap></negativeResponse><negativeResponse><syslog><level>NOTIFY</level><message>hot"
    "</message></syslog></negativeResponse><negativeResponse><cli>show vlan; show fdb</cli>"
    "</negativeResponse></rule><rule><name>calm</name><match type=\"MATCH_ALL\"/>"
    "<negativeResponse><mirror><add>false</add><aclRule>all</aclRule></mirror></negativeResponse>"
    "</rule><rule><name>none</name></rule></tripwatchRules>";

TEST_F(PolicyTest, EveryFieldIsWrittenInItsPlaceAndReadsBack) {
    EXPECT_EQ(save("p1", kRules), "");
    EXPECT_EQ(
        file("p1.pol"),
        "# Acl entry all\nentry all {\nif {\n source-address a1;\n protocol a13;\n"
        " source-port a3;\n first-fragments;\n svid a24;\n}\nthen {\n count b1;\n deny;\n"
        " qosprofile b5;\n mirror b15;\n learning-domain b29;\n} }\n\n"
        "# Acl entry bare\nentry bare {\nif {\n ports 1:1, 1:2;\n}\nthen {\n} }\n\n"
        "# Acl entry open\nentry open {\nif {\n}\nthen {\n permit;\n} }\n\n"
        "# Tripwatch rule trip\nentry trip {\nif match any {\n count c1 >= 10;\n"
        " hysteresis 2;\n ratio a b < 3;\n min-value 1;\n rule-true-count all > 4;\n"
        " delta d <= 5;\n delta-ratio x y < 6;\n period 30;\n} then {\n deny all;\n"
        " permit all;\n qosprofile QP2 all;\n mirror add all;\n} else {\n"
        " snmptrap 7 \"disk; full\" 60;\n syslog \"hot\" NOTI;\n cli \"show vlan; show fdb\";\n"
        "} }\n\n"
        "# Tripwatch rule calm\nentry calm {\nif {\n} then {\n} else {\n"
        " mirror delete all;\n} }\n\n");
    EXPECT_EQ(gCli.asked, std::vector<std::string>{"p1.pol"});

    // Read back through the policy module's parse of the file: the records as given (an
    // ACL rule gets an empty application name; the Tripwatch rule without match is gone;
    // "calm" reads as an ACL entry, being nothing but if and then blocks).
    std::vector<ruleEntry_t> entries;
    std::string why;
    ASSERT_EQ(ruleParse(file("p1.pol"), &entries, &why), 0) << why;
    std::string rules = kRules;
    std::string want = rules.substr(0, rules.find("<rule><name>calm</name>"));
    for (const char *name : {"all", "bare", "open"}) {
        std::string at = std::string("<rule><name>") + name + "</name>";
        want.replace(want.find(at), at.size(), at + "<applicationName/>");
    }
    want.replace(want.find("<match><ports>1:1, 1:2</ports></match>"),
                 strlen("<match><ports>1:1, 1:2</ports></match>"),
                 "<match><ports>1:1, 1:2</ports></match><response></response>");
    want.replace(want.find("<response/></rule></aclRules>"),
                 strlen("<response/></rule></aclRules>"),
                 "<match></match><response><deny>false</deny></response></rule></aclRules>");
    std::string got = readBack(entries);
    EXPECT_EQ(got.substr(0, got.find("<rule><name>calm</name>")), "<name>p1</name>" + want);
}

// Statements as cfgmgr hands them over, cut short or out of place: read without reading
// past their end, and left out when they mean nothing.
TEST_F(PolicyTest, MalformedStatementsReadBackSafely) {
    struct Case {
        uint32_t block;
        const char *keyword, *value;
        const char *xml;  // what the Tripwatch rule holds afterwards; "" when not mapped
    } cases[] = {
        {1, "hysteresis", "2", ""},  // no condition before it
        {2, "snmptrap", "7 \"open ended 60",
         "<snmptrap><message>open ended 60</message><id>7</id></snmptrap>"},
        {2, "cli", "\"never closed", ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(std::string(c.keyword) + " " + c.value);
        ruleEntry_t trip{
            "t", RULE_ENTRY_TRIPWATCH, RULE_MATCH_ANY, {{c.block, c.keyword, c.value}}};
        std::string got = readBack({trip});
        if (c.xml[0])
            EXPECT_NE(got.find(c.xml), std::string::npos) << got;
        else
            EXPECT_EQ(got,
                      "<name>p1</name><aclRules></aclRules><tripwatchRules><rule><name>t</name>" +
                          std::string(c.block == 1 ? "<match type=\"MATCH_ANY\">" : "<match>") +
                          "</match></rule></tripwatchRules>");
    }
}

// A match and a response keep their first 32 statements.
TEST_F(PolicyTest, ReadBackKeepsTheFirst32AndAnswersOnlyAPolicyReadToItsLastEntry) {
    ruleEntry_t many{"t", RULE_ENTRY_TRIPWATCH, RULE_MATCH_ALL, {}};
    for (int i = 0; i < 33; i++)
        many.statements.push_back({1, "delta", "c" + std::to_string(i) + " < 1"});
    for (int i = 0; i < 33; i++) many.statements.push_back({3, "deny", "r" + std::to_string(i)});
    std::string got = readBack({many});
    EXPECT_NE(got.find("<counter1>c31</counter1>"), std::string::npos);
    EXPECT_EQ(got.find("<counter1>c32</counter1>"), std::string::npos);
    EXPECT_NE(got.find("<deny>r31</deny>"), std::string::npos);
    EXPECT_EQ(got.find("<deny>r32</deny>"), std::string::npos);

    // An entry walk that ends without a last entry answers no policy.
    gFake.cmAnswer = [](const FakeCmCall &) { return cmOk(""); };
    std::string out = call("getPolicy", "<name>p1</name>");
    EXPECT_EQ(fault(out), "");
    EXPECT_EQ(out.find("<reply>"), std::string::npos) << out;
}

TEST_F(PolicyTest, TheCliProcessDecidesWhetherTheSaveStands) {
    gCli.status = 1;
    gCli.text = "line 2: unknown condition";
    EXPECT_EQ(save("p1"), "line 2: unknown condition");
    gCli.sendResult = -1;  // no CLI process: the file is written all the same
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
    ASSERT_EQ(save("keep", "<aclRules><rule><name>r</name></rule></aclRules>"), "");
    const std::string kept = file("keep.pol");
    const std::string name32(32, 'n');
    struct Case {
        std::string name, rules;
        const char *fault;
    } cases[] = {
        {name32 + "x", "<aclRules/>", "Policy file name cannot exceed 32 characters"},
        {"../keep", "<aclRules/>", "Invalid policy name"},
        {"keep", "", "Missing argument"},
        {"keep", "<aclRules><rule/></aclRules>", "Rule without name: rule name missing"},
    };
    for (const Case &c : cases) {
        gCli.asked.clear();
        EXPECT_EQ(save(c.name, c.rules), c.fault) << c.name << c.rules;
        EXPECT_TRUE(gCli.asked.empty());
    }
    env_.set("KARN_PARTITION_FULL", "1");
    EXPECT_EQ(save("keep"),
              "Configuration partition is full.\n       Please remove unused files to free up "
              "storage space and try the \n       command again.");
    env_.unset("KARN_PARTITION_FULL");
    EXPECT_EQ(file("keep.pol"), kept);
    EXPECT_EQ(save(name32), "");
    EXPECT_FALSE(std::filesystem::exists(dir_ / "../keep.pol"));

    EXPECT_EQ(fault(call("deletePolicy", "<name>../cfgmgr.cfg</name>")), "Invalid policy name");

    // A directory that is not there: the file cannot be made, and the client hears so.
    env_.set("KARN_CONFIG_LOCATION", dir_ / "missing");
    EXPECT_EQ(save("nowhere"), "Failed to create file");
}

}  // namespace
