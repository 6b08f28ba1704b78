#include "cfgmgmt/rules/rule_lang.h"

#include <gtest/gtest.h>
#include <sys/stat.h>

#include <string>
#include <vector>

#include "tests/support/scratch.h"

namespace {

std::vector<ruleEntry_t> parsed(const std::string &text) {
    std::vector<ruleEntry_t> entries;
    std::string why;
    EXPECT_EQ(ruleParse(text, &entries, &why), 0) << why;
    return entries;
}

std::string refusal(const std::string &text) {
    std::vector<ruleEntry_t> entries;
    std::string why;
    EXPECT_EQ(ruleParse(text, &entries, &why), -1) << text;
    EXPECT_TRUE(entries.empty());
    return why;
}

// "block keyword value" per statement, one a line.
std::string statements(const ruleEntry_t &e) {
    std::string out;
    for (const ruleStatement_t &s : e.statements)
        out += std::to_string(s.block) + " " + s.keyword + (s.value.empty() ? "" : " " + s.value) +
               "\n";
    return out;
}

TEST(RuleParse, BothBraceLayoutsReadTheSame) {
    const std::string written =
        "# Acl entry web\n"
        "entry web {\nif {\n source-address 10.0.0.0/8;\n protocol tcp;\n first-fragments;\n"
        "}\nthen {\n count hits;\n deny;\n qosprofile QP3;\n} }\n\n";
    const std::string byHand =
        "entry web\n{\n  if\n  {\n    source-address   10.0.0.0/8 ;\n    protocol tcp;\n"
        "    first-fragments;   # only the first\n  }\n  then\n  {\n    count\n hits;\n    deny;"
        "\n    qosprofile QP3;\n  }\n}\n";
    for (const std::string &text : {written, byHand}) {
        std::vector<ruleEntry_t> e = parsed(text);
        ASSERT_EQ(e.size(), 1u) << text;
        EXPECT_EQ(e[0].name, "web");
        EXPECT_EQ(e[0].kind, RULE_ENTRY_ACL);
        EXPECT_EQ(e[0].match, RULE_MATCH_ALL);
        EXPECT_EQ(statements(e[0]),
                  "1 source-address 10.0.0.0/8\n1 protocol tcp\n1 first-fragments\n"
                  "2 count hits\n2 deny\n2 qosprofile QP3\n");
        // Written back, it is the daemon's layout again.
        EXPECT_EQ("# Acl entry web\n" + ruleEntryWrite(e[0]) + "\n", written);
    }
}

TEST(RuleParse, TripwatchEntriesKeepQuotedTextsWhole) {
    const std::string text =
        "entry trip {\nif match any {\n count c1 >= 10;\n hysteresis 2;\n ratio a b < 3;\n"
        " min-value 1;\n period 30;\n} then {\n syslog \"disk; full  now\" WARNING 60;\n"
        " snmptrap 7 \"a b\";\n cli \"show vlan; show fdb\";\n mirror ADD r1;\n} else {\n"
        " permit r1;\n} }\n";
    std::vector<ruleEntry_t> e = parsed(text);
    ASSERT_EQ(e.size(), 1u);
    EXPECT_EQ(e[0].kind, RULE_ENTRY_TRIPWATCH);
    EXPECT_EQ(e[0].match, RULE_MATCH_ANY);
    EXPECT_EQ(statements(e[0]),
              "1 count c1 >= 10\n1 hysteresis 2\n1 ratio a b < 3\n1 min-value 1\n1 period 30\n"
              "2 syslog \"disk; full  now\" WARNING 60\n2 snmptrap 7 \"a b\"\n"
              "2 cli \"show vlan; show fdb\"\n2 mirror ADD r1\n3 permit r1\n");
    EXPECT_EQ(ruleEntryWrite(e[0]), text);  // written back in the daemon's own layout
}

TEST(RuleParse, WhatMakesAnEntryTripwatch) {
    struct Case {
        const char *text;
        uint32_t kind;
        uint32_t match;
    } cases[] = {
        {"entry a { if { } then { } }", RULE_ENTRY_ACL, RULE_MATCH_ALL},
        {"entry a { if match all { } then { } }", RULE_ENTRY_TRIPWATCH, RULE_MATCH_ALL},
        {"entry a { if { } then { } else { } }", RULE_ENTRY_TRIPWATCH, RULE_MATCH_ALL},
        {"entry a { if { delta x > 1; } then { } }", RULE_ENTRY_TRIPWATCH, RULE_MATCH_ALL},
        {"entry a { if { } then { deny r; } }", RULE_ENTRY_TRIPWATCH, RULE_MATCH_ALL},
        {"entry a { if { } then { cli x; } }", RULE_ENTRY_TRIPWATCH, RULE_MATCH_ALL},
    };
    for (const Case &c : cases) {
        std::vector<ruleEntry_t> e = parsed(c.text);
        ASSERT_EQ(e.size(), 1u) << c.text;
        EXPECT_EQ(e[0].kind, c.kind) << c.text;
        EXPECT_EQ(e[0].match, c.match) << c.text;
    }
}

TEST(RuleParse, SeveralEntriesAndNoneAtAll) {
    EXPECT_TRUE(parsed("").empty());
    EXPECT_TRUE(parsed("  # nothing here\n\n").empty());
    std::vector<ruleEntry_t> e = parsed(
        "entry a { if { } then { permit; } } entry b { if match any { count x > 1; } then { } }");
    ASSERT_EQ(e.size(), 2u);
    EXPECT_EQ(e[1].name, "b");
    EXPECT_EQ(e[1].kind, RULE_ENTRY_TRIPWATCH);
}

TEST(RuleParse, BrokenTextsSayWhatAndWhere) {
    const std::string longValue(RULE_VALUE_MAX + 1, 'v');
    const std::string longName(RULE_NAME_MAX + 1, 'n');
    struct Case {
        std::string text;
        const char *why;
    } cases[] = {
        {"rule a { }", "line 1: expected \"entry\", found \"rule\""},
        {"entry a {\nif {\n protocol tcp\n}\nthen { } }",
         "line 4: expected \";\" after \"protocol\", found \"}\""},
        {"entry a { if { colour red; } then { } }",
         "line 1: entry \"a\": unknown condition \"colour\""},
        {"entry a { if { protocol; } then { } }",
         "line 1: entry \"a\": \"protocol\" needs a value"},
        {"entry a {\nif { } then {\n syslog \"open ended;\n} }",
         "line 3: a quoted text does not end on its line"},
        {"entry a { if { } then { } }\nentry a { if { } then { } }",
         "line 2: a second entry \"a\""},
        {"entry a { if match any { count x => 1; } then { } }",
         "line 1: entry \"a\": \"count\" needs a counter, one of < <= > >= and a number"},
        {"entry a { if { } then { } else { protocol tcp; } }",
         "line 1: entry \"a\": unknown action \"protocol\""},
        {"entry a { if match any { } then { mirror copy r1; } }",
         "line 1: entry \"a\": \"mirror\" needs \"add\" or \"delete\" and the name of a rule"},
        {"entry a { if { } then { syslog hello LOUD; } }",
         "line 1: entry \"a\": \"syslog\" needs a message, a level and may have a period"},
        {"entry a { if { } then { } ",
         "line 1: expected \"}\" to close entry \"a\", found the end of the text"},
        {"entry a { if { protocol " + longValue + "; } then { } }",
         "line 1: entry \"a\": the value of \"protocol\" has more than 511 characters"},
        {"entry " + longName + " { if { } then { } }",
         "line 1: the name of an entry has at most 255 characters"},
    };
    for (const Case &c : cases) EXPECT_EQ(refusal(c.text), c.why) << c.text;
}

TEST(PolicyFiles, NamesAndReading) {
    for (const char *good : {"p1", "web-rules_2.x", "12345678901234567890123456789012"})
        EXPECT_TRUE(rulePolicyNameOk(good)) << good;
    for (const char *bad : {"", ".hidden", "..", "a..b", "a/b", "/etc/x", "a\tb",
                            "123456789012345678901234567890123"})
        EXPECT_FALSE(rulePolicyNameOk(bad)) << bad;

    ScratchDir scratch("policy_files");
    const std::string dir = scratch.path();
    writeFile(dir + "/ok.pol", "entry a { if { } then { permit; } }\n");
    writeFile(dir + "/big.pol", std::string(RULE_POLICY_FILE_MAX + 1, ' '));
    ASSERT_EQ(mkfifo((dir + "/fifo.pol").c_str(), 0600), 0);
    struct Case {
        const char *file;
        int rc;
        bool missing;
        const char *why;
    } cases[] = {
        {"ok.pol", 0, false, ""},
        {"none.pol", -1, true, "cannot be read: No such file or directory"},
        {"big.pol", -1, false, "is larger than 1048576 bytes"},
        {"fifo.pol", -1, false, "is not a file"},  // and does not wait for a writer
    };
    for (const Case &c : cases) {
        std::vector<ruleEntry_t> entries;
        std::string why;
        bool missing = true;
        EXPECT_EQ(rulePolicyRead(dir + "/" + c.file, &entries, &why, &missing), c.rc) << c.file;
        EXPECT_EQ(missing, c.missing) << c.file;
        EXPECT_EQ(why, c.why) << c.file;
        EXPECT_EQ(entries.size(), c.rc == 0 ? 1u : 0u) << c.file;
    }
}

}  // namespace
