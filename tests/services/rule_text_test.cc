// Rule records to rule text and back: every condition and action field once, the
// Tripwatch forms, what the writer refuses, and the mappers' reading rules.
#include "services/rule_text.h"

#include <gtest/gtest.h>

#include <deque>
#include <functional>
#include <string>

#include "cfgmgmt/rules/rule_lang.h"
#include "soapH.h"

namespace {

using Cond = qtn__Policy_AclCondition;
using Act = qtn__Policy_AclAction;
using TwType = qtn__Policy_TripwatchConditionType;
using TwOp = qtn__Policy_TripwatchConditionOperator;
using Level = qtn__Policy_TripwatchActionSyslogLevel;

class RuleText : public ::testing::Test {
protected:
    void SetUp() override { soap_ = soap_new(); }
    void TearDown() override {
        soap_destroy(soap_);
        soap_end(soap_);
        soap_free(soap_);
    }

    std::string *text(const char *t) { return &texts_.emplace_back(t); }
    bool *flag(bool b) { return &flags_.emplace_back(b); }
    LONG64 *number(LONG64 n) { return &numbers_.emplace_back(n); }

    std::string aclText(const qtn__Policy_AclRule &rule, bool comments = false) {
        qtn__Policy_AclRuleSequence rules;
        rules.rule.push_back(rule);
        std::string out, why;
        EXPECT_EQ(wsvdRuleTextWrite(&out, &rules, nullptr, comments, &why), 0) << why;
        return out;
    }
    std::string tripwatchText(const qtn__Policy_TripwatchRule &rule, bool comments = false) {
        qtn__Policy_TripwatchRuleSequence rules;
        rules.rule.push_back(rule);
        std::string out, why;
        EXPECT_EQ(wsvdRuleTextWrite(&out, nullptr, &rules, comments, &why), 0) << why;
        return out;
    }
    std::string refusal(const qtn__Policy_AclRuleSequence *acl,
                        const qtn__Policy_TripwatchRuleSequence *tripwatch) {
        std::string out = "untouched", why;
        EXPECT_EQ(wsvdRuleTextWrite(&out, acl, tripwatch, true, &why), -1);
        EXPECT_EQ(out, "untouched");
        return why;
    }

    // The ACL rule that `text` reads back as, through the parser and the mappers.
    qtn__Policy_AclRule readBack(const std::string &ruleText) {
        std::vector<ruleEntry_t> entries;
        std::string why;
        EXPECT_EQ(ruleParse(ruleText, &entries, &why), 0) << why;
        qtn__Policy_AclRule rule;
        rule.match = soap_new_qtn__Policy_AclCondition(soap_);
        rule.response = soap_new_qtn__Policy_AclAction(soap_);
        if (entries.size() != 1) return ADD_FAILURE() << ruleText, rule;
        rule.name = text(entries[0].name.c_str());
        for (const ruleStatement_t &s : entries[0].statements) {
            bool known =
                s.block == RULE_BLOCK_IF
                    ? wsvdAclConditionMap(soap_, rule.match, s.keyword.c_str(), s.value.c_str())
                    : wsvdAclActionMap(soap_, rule.response, s.keyword.c_str(), s.value.c_str());
            EXPECT_TRUE(known) << s.keyword;
        }
        return rule;
    }

    qtn__Policy_TripwatchCondition condition(TwType type, TwOp op, const char *c1, const char *c2,
                                             LONG64 threshold) {
        qtn__Policy_TripwatchCondition c;
        c.type = &types_.emplace_back(type);
        c.comparator = &ops_.emplace_back(op);
        c.counter1 = text(c1);
        if (c2) c.counter2 = text(c2);
        c.threshold = number(threshold);
        return c;
    }

    struct soap *soap_ = nullptr;
    std::deque<std::string> texts_;
    std::deque<bool> flags_;
    std::deque<LONG64> numbers_;
    std::deque<TwType> types_;
    std::deque<TwOp> ops_;
};

// One condition field each: its line, and the same value read back.
struct ConditionCase {
    std::string *Cond::*text;
    bool *Cond::*flag;
    const char *line;
};
const ConditionCase kConditionCases[] = {
    {&Cond::srcIpAddress, nullptr, " source-address V;\n"},
    {&Cond::dstIpAddress, nullptr, " destination-address V;\n"},
    {&Cond::srcPort, nullptr, " source-port V;\n"},
    {&Cond::dstPort, nullptr, " destination-port V;\n"},
    {&Cond::srcEthernetAddress, nullptr, " ethernet-source-address V;\n"},
    {&Cond::dstEthernetAddress, nullptr, " ethernet-destination-address V;\n"},
    {&Cond::ethernetType, nullptr, " ethernet-type V;\n"},
    {nullptr, &Cond::firstFragments, " first-fragments;\n"},
    {nullptr, &Cond::fragments, " fragments;\n"},
    {&Cond::icmpCode, nullptr, " icmp-code V;\n"},
    {&Cond::icmpType, nullptr, " icmp-type V;\n"},
    {&Cond::igmpMsgType, nullptr, " igmp-msg-type V;\n"},
    {&Cond::protocol, nullptr, " protocol V;\n"},
    {&Cond::tcpFlags, nullptr, " tcp-flags V;\n"},
    {&Cond::sourceSap, nullptr, " source-sap V;\n"},
    {&Cond::destinationSap, nullptr, " destination-sap V;\n"},
    {&Cond::snapType, nullptr, " snap-type V;\n"},
    {&Cond::ipTos, nullptr, " ip-tos V;\n"},
    {&Cond::ccos, nullptr, " ccos V;\n"},
    {&Cond::cvid, nullptr, " cvid V;\n"},
    {&Cond::diffservCodepoint, nullptr, " diffserv-codepoint V;\n"},
    {&Cond::ports, nullptr, " ports V;\n"},
    {&Cond::scos, nullptr, " scos V;\n"},
    {&Cond::svid, nullptr, " svid V;\n"},
};

TEST_F(RuleText, EveryConditionFieldWritesItsLineAndReadsBack) {
    for (const ConditionCase &c : kConditionCases) {
        Cond match;
        if (c.text) match.*c.text = text("V");
        if (c.flag) match.*c.flag = flag(true);
        qtn__Policy_AclRule rule;
        rule.name = text("r1");
        rule.match = &match;
        std::string written = aclText(rule);
        EXPECT_EQ(written, std::string("entry r1 {\nif {\n") + c.line + "}\nthen {\n} }\n\n");
        qtn__Policy_AclRule back = readBack(written);
        if (c.text) {
            ASSERT_NE(back.match->*c.text, nullptr) << c.line;
            EXPECT_EQ(*(back.match->*c.text), "V");
        }
        if (c.flag) {
            ASSERT_NE(back.match->*c.flag, nullptr) << c.line;
            EXPECT_TRUE(*(back.match->*c.flag));
        }
    }
}

struct ActionCase {
    std::string *Act::*text;
    bool *Act::*flag;
    const char *lines;  // between "then {" and "} }"
};
const ActionCase kActionCases[] = {
    {&Act::count, nullptr, " count V;\n permit;\n"},
    {nullptr, &Act::deny, " deny;\n"},
    {nullptr, &Act::denyCpu, " permit;\n deny-cpu;\n"},
    {nullptr, &Act::copyCpuAndDrop, " permit;\n copy-cpu-and-drop;\n"},
    {&Act::qosProfile, nullptr, " permit;\n qosprofile V;\n"},
    {nullptr, &Act::replaceDot1p, " permit;\n replace-dot1p;\n"},
    {nullptr, &Act::replaceDscp, " permit;\n replace-dscp;\n"},
    {nullptr, &Act::sample, " permit;\n sample;\n"},
    {nullptr, &Act::log, " permit;\n log;\n"},
    {nullptr, &Act::logRaw, " permit;\n log-raw;\n"},
    {nullptr, &Act::mirrorCpu, " permit;\n mirror-cpu;\n"},
    {&Act::redirect, nullptr, " permit;\n redirect V;\n"},
    {&Act::urpf, nullptr, " permit;\n urpf V;\n"},
    {&Act::meter, nullptr, " permit;\n meter V;\n"},
    {&Act::mirror, nullptr, " permit;\n mirror V;\n"},
    {&Act::trafficQueue, nullptr, " permit;\n traffic-queue V;\n"},
    {&Act::redirectPort, nullptr, " permit;\n redirect-port V;\n"},
    {&Act::link, nullptr, " permit;\n link V;\n"},
    {&Act::backUpLink, nullptr, " permit;\n back-up-link V;\n"},
    {&Act::linkAll, nullptr, " permit;\n link-all V;\n"},
    {&Act::linkNone, nullptr, " permit;\n link-none V;\n"},
    {&Act::floodGroup, nullptr, " permit;\n flood-group V;\n"},
    {&Act::cvid, nullptr, " permit;\n cvid V;\n"},
    {&Act::linkAggregationHash, nullptr, " permit;\n link-aggregation-hash V;\n"},
    {&Act::scos, nullptr, " permit;\n scos V;\n"},
    {&Act::stagEthertype, nullptr, " permit;\n stag-ethertype V;\n"},
    {&Act::svid, nullptr, " permit;\n svid V;\n"},
    {&Act::uplinkport, nullptr, " permit;\n uplinkport V;\n"},
    {&Act::learningDomain, nullptr, " permit;\n learning-domain V;\n"},
};

TEST_F(RuleText, EveryActionFieldWritesItsLineAndReadsBack) {
    for (const ActionCase &c : kActionCases) {
        Act action;
        if (c.text) action.*c.text = text("V");
        if (c.flag) action.*c.flag = flag(true);
        qtn__Policy_AclRule rule;
        rule.name = text("r1");
        rule.response = &action;
        std::string written = aclText(rule);
        EXPECT_EQ(written, std::string("entry r1 {\nif {\n}\nthen {\n") + c.lines + "} }\n\n");
        qtn__Policy_AclRule back = readBack(written);
        if (c.text) {
            ASSERT_NE(back.response->*c.text, nullptr) << c.lines;
            EXPECT_EQ(*(back.response->*c.text), "V");
        }
        if (c.flag) {
            ASSERT_NE(back.response->*c.flag, nullptr) << c.lines;
            EXPECT_TRUE(*(back.response->*c.flag));
        }
        ASSERT_NE(back.response->deny, nullptr);
        EXPECT_EQ(*back.response->deny, c.flag == &Act::deny);
    }
}

TEST_F(RuleText, AclLinesKeepTheirOrderAndTheCommentLine) {
    Cond match;
    match.ports = text("1:1-4");
    match.protocol = text("udp");
    match.dstIpAddress = text("10.1.1.1/32");
    match.srcIpAddress = text("10.0.0.0/8");
    match.fragments = flag(false);  // false flags write nothing
    Act action;
    action.mirrorCpu = flag(true);
    action.deny = flag(true);
    action.count = text("hits");
    qtn__Policy_AclRule rule;
    rule.name = text("web");
    rule.match = &match;
    rule.response = &action;
    EXPECT_EQ(aclText(rule, true),
              "# Acl entry web\nentry web {\nif {\n source-address 10.0.0.0/8;\n"
              " destination-address 10.1.1.1/32;\n protocol udp;\n ports 1:1-4;\n}\nthen {\n"
              " count hits;\n deny;\n mirror-cpu;\n} }\n\n");
    // An empty action record still permits.
    Act empty;
    rule.match = nullptr;
    rule.response = &empty;
    EXPECT_EQ(aclText(rule), "entry web {\nif {\n}\nthen {\n permit;\n} }\n\n");
}

TEST_F(RuleText, TripwatchForms) {
    auto action = [&](int kind, std::function<void(qtn__Policy_TripwatchAction &)> fill) {
        qtn__Policy_TripwatchAction a;
        a.__union_Policy_TripwatchAction = kind;
        fill(a);
        return a;
    };
    auto deny = action(SOAP_UNION__qtn__Policy_TripwatchAction_union_deny,
                       [&](auto &a) { a.union_Policy_TripwatchAction.deny = text("r1"); });
    auto permit = action(SOAP_UNION__qtn__Policy_TripwatchAction_union_permit,
                         [&](auto &a) { a.union_Policy_TripwatchAction.permit = text("r1"); });
    qtn__Policy_TripwatchActionQosProfile qos;
    qos.qosProfile = text("QP2");
    qos.aclRule = text("r1");
    auto qosprofile = action(SOAP_UNION__qtn__Policy_TripwatchAction_union_qosprofile,
                             [&](auto &a) { a.union_Policy_TripwatchAction.qosprofile = &qos; });
    qtn__Policy_TripwatchActionAddDeleteAclRule mirrorAdd, mirrorDelete;
    mirrorAdd.add = flag(true);
    mirrorAdd.aclRule = mirrorDelete.aclRule = text("r2");
    auto mirror1 = action(SOAP_UNION__qtn__Policy_TripwatchAction_union_mirror,
                          [&](auto &a) { a.union_Policy_TripwatchAction.mirror = &mirrorAdd; });
    auto mirror2 = action(SOAP_UNION__qtn__Policy_TripwatchAction_union_mirror,
                          [&](auto &a) { a.union_Policy_TripwatchAction.mirror = &mirrorDelete; });
    qtn__Policy_TripwatchActionSnmpTrap trap, trapNoPeriod;
    trap.id = trapNoPeriod.id = number(7);
    trap.message = trapNoPeriod.message = text("disk; full");
    trap.period = number(60);
    auto snmp1 = action(SOAP_UNION__qtn__Policy_TripwatchAction_union_snmptrap,
                        [&](auto &a) { a.union_Policy_TripwatchAction.snmptrap = &trap; });
    auto snmp2 = action(SOAP_UNION__qtn__Policy_TripwatchAction_union_snmptrap,
                        [&](auto &a) { a.union_Policy_TripwatchAction.snmptrap = &trapNoPeriod; });
    Level notify = Level::NOTIFY, critical = Level::CRITICAL;
    qtn__Policy_TripwatchActionSyslog log, logNoPeriod;
    log.message = text("hot");
    log.level = &notify;
    log.period = number(5);
    logNoPeriod.message = text("very hot");
    logNoPeriod.level = &critical;
    auto syslog1 = action(SOAP_UNION__qtn__Policy_TripwatchAction_union_syslog,
                          [&](auto &a) { a.union_Policy_TripwatchAction.syslog = &log; });
    auto syslog2 = action(SOAP_UNION__qtn__Policy_TripwatchAction_union_syslog,
                          [&](auto &a) { a.union_Policy_TripwatchAction.syslog = &logNoPeriod; });
    auto cli = action(SOAP_UNION__qtn__Policy_TripwatchAction_union_cli, [&](auto &a) {
        a.union_Policy_TripwatchAction.cli = text("show vlan; show fdb");
    });

    qtn__Policy_TripwatchMatch any;
    qtn__Policy_TripwatchMatchType anyType = qtn__Policy_TripwatchMatchType::MATCH_USCOREANY;
    any.type = &anyType;
    any.period = number(30);
    any.comparison.push_back(
        condition(TwType::COUNT, TwOp::GREATER_USCOREEQUAL, "c1", nullptr, 10));
    any.comparison.back().hysteresis = number(2);
    any.comparison.push_back(
        condition(TwType::DELTA_USCORERATIO, TwOp::LESS_USCORETHAN, "a", "b", 3));
    any.comparison.back().minValue = number(1);
    any.comparison.push_back(
        condition(TwType::RULE_USCORECOUNT, TwOp::GREATER_USCORETHAN, "r1", nullptr, 4));
    any.comparison.back().hysteresis = number(9);  // not written for a rule count
    qtn__Policy_TripwatchCondition withoutCounter =
        condition(TwType::DELTA, TwOp::LESS_USCOREEQUAL, "x", nullptr, 1);
    withoutCounter.counter1 = nullptr;
    withoutCounter.hysteresis = number(3);  // written all the same
    any.comparison.push_back(withoutCounter);

    qtn__Policy_TripwatchRule rule;
    rule.name = text("trip");
    rule.match = &any;
    rule.positiveResponse = {deny, permit, qosprofile, mirror1, mirror2};
    rule.negativeResponse = {snmp1, snmp2, syslog1, syslog2, cli};
    EXPECT_EQ(tripwatchText(rule, true),
              "# Tripwatch rule trip\nentry trip {\nif match any {\n count c1 >= 10;\n"
              " hysteresis 2;\n delta-ratio a b < 3;\n min-value 1;\n rule-true-count r1 > 4;\n"
              " hysteresis 3;\n period 30;\n} then {\n deny r1;\n permit r1;\n qosprofile QP2 r1;\n"
              " mirror add r2;\n mirror delete r2;\n} else {\n snmptrap 7 \"disk; full\" 60;\n"
              " snmptrap 7 \"disk; full\";\n syslog \"hot\" NOTI 5;\n syslog \"very hot\" CRIT;\n"
              " cli \"show vlan; show fdb\";\n} }\n\n");

    // Only a negative response; an absent match type reads as all; no match: no entry.
    qtn__Policy_TripwatchMatch all;
    rule.match = &all;
    rule.positiveResponse.clear();
    rule.negativeResponse = {deny};
    EXPECT_EQ(tripwatchText(rule), "entry trip {\nif {\n} then {\n} else {\n deny r1;\n} }\n\n");
    rule.match = nullptr;
    EXPECT_EQ(tripwatchText(rule), "");
}

TEST_F(RuleText, RecordsThatCannotBeWrittenAreRefused) {
    struct Case {
        std::function<void(qtn__Policy_AclRule &, qtn__Policy_TripwatchRule &)> spoil;
        const char *why;
    };
    Cond match;
    TwOp strangeOp = TwOp(7);
    TwType strangeType = TwType(9);
    Level strangeLevel = Level(8);
    qtn__Policy_TripwatchActionSyslog syslog;
    syslog.level = &strangeLevel;
    qtn__Policy_TripwatchActionSnmpTrap trap;
    const Case cases[] = {
        {[&](auto &a, auto &) { a.name = nullptr; }, "Rule without name: rule name missing"},
        {[&](auto &a, auto &) { a.name = text("two words"); },
         "Rule \"two words\": invalid rule name \"two words\""},
        {[&](auto &a, auto &) { match.protocol = text("tcp; deny"), a.match = &match; },
         "Rule \"a\": invalid protocol \"tcp; deny\""},
        {[&](auto &a, auto &) { match.protocol = text(""), a.match = &match; },
         "Rule \"a\": invalid protocol \"\""},
        {[&](auto &, auto &t) { t.match->comparison[0].comparator = &strangeOp; },
         "Rule \"t\": count with unknown comparator"},
        {[&](auto &, auto &t) { t.match->comparison[0].type = &strangeType; },
         "Rule \"t\": condition of unknown type"},
        {[&](auto &, auto &t) { t.match->comparison[0].counter1 = text("c 1"); },
         "Rule \"t\": invalid counter1 \"c 1\""},
        {[&](auto &, auto &t) {
             t.positiveResponse.emplace_back();
             t.positiveResponse[0].__union_Policy_TripwatchAction =
                 SOAP_UNION__qtn__Policy_TripwatchAction_union_syslog;
             t.positiveResponse[0].union_Policy_TripwatchAction.syslog = &syslog;
         },
         "Rule \"t\": syslog action without a known level"},
        {[&](auto &, auto &t) {
             t.negativeResponse.emplace_back();
             t.negativeResponse[0].__union_Policy_TripwatchAction =
                 SOAP_UNION__qtn__Policy_TripwatchAction_union_snmptrap;
             t.negativeResponse[0].union_Policy_TripwatchAction.snmptrap = &trap;
         },
         "Rule \"t\": snmptrap action without id"},
        {[&](auto &, auto &t) { t.positiveResponse.emplace_back(); },
         "Rule \"t\": action of no known kind"},
        {[&](auto &, auto &t) {
             t.positiveResponse.emplace_back();
             t.positiveResponse[0].__union_Policy_TripwatchAction =
                 SOAP_UNION__qtn__Policy_TripwatchAction_union_cli;
             t.positiveResponse[0].union_Policy_TripwatchAction.cli = text("say \"hi\"");
         },
         "Rule \"t\": invalid cli command \"say \"hi\"\""},
    };
    for (const Case &c : cases) {
        match = Cond();
        qtn__Policy_AclRule acl;
        acl.name = text("a");
        qtn__Policy_TripwatchMatch twMatch;
        twMatch.comparison.push_back(
            condition(TwType::COUNT, TwOp::LESS_USCORETHAN, "c", nullptr, 1));
        qtn__Policy_TripwatchRule tw;
        tw.name = text("t");
        tw.match = &twMatch;
        c.spoil(acl, tw);
        qtn__Policy_AclRuleSequence acls;
        acls.rule.push_back(acl);
        qtn__Policy_TripwatchRuleSequence tws;
        tws.rule.push_back(tw);
        EXPECT_EQ(refusal(&acls, &tws), c.why);
    }
}

TEST_F(RuleText, TripwatchConditionsReadBackByTheMappersRules) {
    qtn__Policy_TripwatchMatch match;
    EXPECT_FALSE(wsvdTripwatchConditionMap(soap_, &match, "hysteresis", "2"));  // no condition yet
    EXPECT_TRUE(wsvdTripwatchConditionMap(soap_, &match, "count", "c1 >= 10"));
    EXPECT_TRUE(wsvdTripwatchConditionMap(soap_, &match, "hysteresis", "2"));
    EXPECT_TRUE(wsvdTripwatchConditionMap(soap_, &match, "delta", "c2 => 5"));
    EXPECT_TRUE(wsvdTripwatchConditionMap(soap_, &match, "ratio", "a b > 1"));
    EXPECT_TRUE(wsvdTripwatchConditionMap(soap_, &match, "min-value", "4"));
    EXPECT_TRUE(wsvdTripwatchConditionMap(soap_, &match, "delta-ratio", "a b <= 1"));
    EXPECT_TRUE(wsvdTripwatchConditionMap(soap_, &match, "rule-true-count", "r < 1"));
    EXPECT_TRUE(wsvdTripwatchConditionMap(soap_, &match, "period", "30"));
    EXPECT_FALSE(wsvdTripwatchConditionMap(soap_, &match, "count", "c1>=10"));
    EXPECT_FALSE(wsvdTripwatchConditionMap(soap_, &match, "count", "c1 > many"));
    EXPECT_FALSE(wsvdTripwatchConditionMap(soap_, &match, "colour", "red"));
    ASSERT_EQ(match.comparison.size(), 5u);
    struct Expect {
        TwType type;
        TwOp op;
        const char *counter1;
        const char *counter2;
        LONG64 threshold;
    } expected[] = {
        {TwType::COUNT, TwOp::GREATER_USCOREEQUAL, "c1", nullptr, 10},
        {TwType::DELTA, TwOp::LESS_USCORETHAN, "c2", nullptr, 5},  // "=>" is no comparator
        {TwType::RATIO, TwOp::GREATER_USCORETHAN, "a", "b", 1},
        {TwType::DELTA_USCORERATIO, TwOp::LESS_USCOREEQUAL, "a", "b", 1},
        {TwType::RULE_USCORECOUNT, TwOp::LESS_USCORETHAN, "r", nullptr, 1},
    };
    for (size_t i = 0; i < 5; i++) {
        const qtn__Policy_TripwatchCondition &c = match.comparison[i];
        EXPECT_EQ(*c.type, expected[i].type) << i;
        EXPECT_EQ(*c.comparator, expected[i].op) << i;
        EXPECT_EQ(*c.counter1, expected[i].counter1) << i;
        EXPECT_EQ(c.counter2 ? *c.counter2 : "-",
                  expected[i].counter2 ? expected[i].counter2 : "-");
        EXPECT_EQ(*c.threshold, expected[i].threshold) << i;
    }
    EXPECT_EQ(*match.comparison[0].hysteresis, 2);
    EXPECT_EQ(*match.comparison[2].minValue, 4);
    EXPECT_EQ(*match.period, 30);

    // The first 32 conditions are kept.
    qtn__Policy_TripwatchMatch full;
    for (int i = 0; i < 33; i++)
        EXPECT_EQ(wsvdTripwatchConditionMap(soap_, &full, "count",
                                            ("c" + std::to_string(i) + " < 1").c_str()),
                  i < 32);
    EXPECT_EQ(full.comparison.size(), size_t(WSVD_TRIPWATCH_MAX));
    EXPECT_EQ(*full.comparison.back().counter1, "c31");
}

TEST_F(RuleText, TripwatchActionsReadBackByTheMappersRules) {
    std::vector<qtn__Policy_TripwatchAction> actions;
    auto map = [&](const char *keyword, const char *value) {
        return wsvdTripwatchActionMap(soap_, &actions, keyword, value);
    };
    auto last = [&]() -> const auto & {
        return actions.back().union_Policy_TripwatchAction;
    };

    EXPECT_TRUE(map("mirror", "ADD r1"));
    EXPECT_TRUE(*last().mirror->add);
    EXPECT_EQ(*last().mirror->aclRule, "r1");
    EXPECT_TRUE(map("mirror", "delete r1"));
    EXPECT_FALSE(*last().mirror->add);
    EXPECT_FALSE(map("mirror", "add"));
    EXPECT_TRUE(map("qosprofile", "QP1 r1"));
    EXPECT_EQ(*last().qosprofile->qosProfile, "QP1");
    EXPECT_FALSE(map("qosprofile", "QP1"));

    struct Trap {
        const char *value;
        bool mapped;
        const char *message;
        LONG64 period;  // -1: none
    } traps[] = {
        {"7 \"disk; full\" 60", true, "disk; full", 60},
        {"7 \"disk full\"", true, "disk full", -1},
        {"7 word 60", true, "word", 60},
        {"7 word", true, "word", -1},
        {"7 \"open ended 60", true, "open ended 60", -1},
        {"7", false, nullptr, -1},
    };
    for (const Trap &t : traps) {
        ASSERT_EQ(map("snmptrap", t.value), t.mapped) << t.value;
        if (!t.mapped) continue;
        EXPECT_EQ(*last().snmptrap->id, 7);
        EXPECT_EQ(*last().snmptrap->message, t.message) << t.value;
        EXPECT_EQ(last().snmptrap->period ? *last().snmptrap->period : -1, t.period) << t.value;
    }

    struct Syslog {
        const char *value;
        bool mapped;
        Level level;
        LONG64 period;
    } logs[] = {
        {"\"hot\" warning 5", true, Level::WARN, 5},
        {"\"hot\" Crit", true, Level::CRITICAL, -1},
        {"hot info", true, Level::INFO, -1},
        {"hot NOTICE", true, Level::NOTIFY, -1},
        {"hot erro", true, Level::ERROR, -1},
        {"hot loud", true, Level::DEBUG, -1},
        {"\"hot\"info", false, Level::DEBUG, -1},
        {"\"hot info", false, Level::DEBUG, -1},
        {"hot", false, Level::DEBUG, -1},
    };
    for (const Syslog &s : logs) {
        ASSERT_EQ(map("syslog", s.value), s.mapped) << s.value;
        if (!s.mapped) continue;
        EXPECT_EQ(*last().syslog->message, "hot");
        EXPECT_EQ(*last().syslog->level, s.level) << s.value;
        EXPECT_EQ(last().syslog->period ? *last().syslog->period : -1, s.period) << s.value;
    }

    EXPECT_TRUE(map("cli", "\"show vlan; show fdb\""));
    EXPECT_EQ(*last().cli, "show vlan; show fdb");
    EXPECT_TRUE(map("cli", "reboot"));
    EXPECT_EQ(*last().cli, "reboot");
    EXPECT_FALSE(map("cli", "\"never closed"));
    EXPECT_TRUE(map("deny", "r1"));
    EXPECT_EQ(actions.back().__union_Policy_TripwatchAction,
              SOAP_UNION__qtn__Policy_TripwatchAction_union_deny);
    EXPECT_FALSE(map("explode", "now"));

    while (actions.size() < WSVD_TRIPWATCH_MAX) actions.emplace_back();
    EXPECT_FALSE(map("permit", "r1"));  // a response holds 32 actions
}

TEST_F(RuleText, TheLastOfDenyAndPermitWins) {
    Act action;
    EXPECT_TRUE(wsvdAclActionMap(soap_, &action, "deny", ""));
    EXPECT_TRUE(wsvdAclActionMap(soap_, &action, "permit", ""));
    EXPECT_FALSE(*action.deny);
    EXPECT_TRUE(wsvdAclActionMap(soap_, &action, "count", "a"));
    EXPECT_TRUE(wsvdAclActionMap(soap_, &action, "count", "b"));
    EXPECT_EQ(*action.count, "b");
    EXPECT_FALSE(wsvdAclActionMap(soap_, &action, "source-address", "1.1.1.1"));
    Cond match;
    EXPECT_FALSE(wsvdAclConditionMap(soap_, &match, "deny", ""));
}

}  // namespace
