#include "services/rule_text.h"

#include <strings.h>

#include <cerrno>
#include <cstdlib>
#include <cstring>

#include "cfgmgmt/rules/rule_lang.h"
#include "soapH.h"

namespace {

using Condition = qtn__Policy_AclCondition;
using Action = qtn__Policy_AclAction;

// The record's member behind each keyword of the language: a text, or a flag that the
// keyword alone sets to `flagValue`.
template <class Record>
struct KeywordField {
    std::string *Record::*text;
    bool *Record::*flag;
    bool flagValue = true;
};

// By ruleAclCondition, so in the order entries write them.
const KeywordField<Condition> kConditionFields[RULE_ACL_CONDITION_COUNT] = {
    {&Condition::srcIpAddress, nullptr},
    {&Condition::dstIpAddress, nullptr},
    {&Condition::protocol, nullptr},
    {&Condition::srcPort, nullptr},
    {&Condition::dstPort, nullptr},
    {&Condition::srcEthernetAddress, nullptr},
    {&Condition::dstEthernetAddress, nullptr},
    {&Condition::ethernetType, nullptr},
    {nullptr, &Condition::firstFragments},
    {nullptr, &Condition::fragments},
    {&Condition::icmpCode, nullptr},
    {&Condition::icmpType, nullptr},
    {&Condition::igmpMsgType, nullptr},
    {&Condition::tcpFlags, nullptr},
    {&Condition::sourceSap, nullptr},
    {&Condition::destinationSap, nullptr},
    {&Condition::snapType, nullptr},
    {&Condition::ipTos, nullptr},
    {&Condition::ccos, nullptr},
    {&Condition::cvid, nullptr},
    {&Condition::diffservCodepoint, nullptr},
    {&Condition::ports, nullptr},
    {&Condition::scos, nullptr},
    {&Condition::svid, nullptr},
};

// By ruleAclAction. "deny" and "permit" share the deny flag.
const KeywordField<Action> kActionFields[RULE_ACL_ACTION_COUNT] = {
    {&Action::count, nullptr},
    {nullptr, &Action::deny},
    {nullptr, &Action::deny, false},
    {nullptr, &Action::denyCpu},
    {nullptr, &Action::copyCpuAndDrop},
    {&Action::qosProfile, nullptr},
    {nullptr, &Action::replaceDot1p},
    {nullptr, &Action::replaceDscp},
    {nullptr, &Action::sample},
    {nullptr, &Action::log},
    {nullptr, &Action::logRaw},
    {nullptr, &Action::mirrorCpu},
    {&Action::redirect, nullptr},
    {&Action::urpf, nullptr},
    {&Action::meter, nullptr},
    {&Action::mirror, nullptr},
    {&Action::trafficQueue, nullptr},
    {&Action::redirectPort, nullptr},
    {&Action::link, nullptr},
    {&Action::backUpLink, nullptr},
    {&Action::linkAll, nullptr},
    {&Action::linkNone, nullptr},
    {&Action::floodGroup, nullptr},
    {&Action::cvid, nullptr},
    {&Action::linkAggregationHash, nullptr},
    {&Action::scos, nullptr},
    {&Action::stagEthertype, nullptr},
    {&Action::svid, nullptr},
    {&Action::uplinkport, nullptr},
    {&Action::learningDomain, nullptr},
};

// ---- writing

// Collects the text of one rule; the first problem found is kept and ends the rule.
class Writer {
public:
    explicit Writer(std::string *out) : out_(out) {}

    bool failed() const { return !problem_.empty(); }
    const std::string &problem() const { return problem_; }

    void put(const char *text) { *out_ += text; }
    void put(const std::string &text) { *out_ += text; }

    void statement(const char *keyword) {
        put(" ");
        put(keyword);
        put(";\n");
    }
    // " keyword value;" with an unquoted value (blanks inside allowed).
    void valued(const char *keyword, const std::string *value) {
        if (!ruleValueOk(*value)) return fail("invalid " + std::string(keyword), value);
        put(" ");
        put(keyword);
        put(" ");
        put(*value);
        put(";\n");
    }
    // One word of a statement, or fails naming `what`.
    void word(const char *what, const std::string *value) {
        if (!value) return fail(std::string(what) + " missing", nullptr);
        if (!ruleWordOk(*value)) return fail("invalid " + std::string(what), value);
        put(*value);
    }
    void quoted(const char *what, const std::string *value) {
        std::string text = value ? *value : "";
        if (!ruleQuotedOk(text)) return fail("invalid " + std::string(what), &text);
        put("\"" + text + "\"");
    }
    void number(LONG64 n) { put(std::to_string(n)); }

    void fail(const std::string &what, const std::string *value) {
        if (failed()) return;
        problem_ = what;
        if (value) problem_ += " \"" + *value + "\"";
    }

private:
    std::string *out_;
    std::string problem_;
};

void writeAclMatch(Writer &w, const Condition &c) {
    for (int i = 0; i < RULE_ACL_CONDITION_COUNT; i++) {
        const KeywordField<Condition> &f = kConditionFields[i];
        const char *keyword = gRuleAclConditions[i].word;
        if (f.text && c.*f.text) w.valued(keyword, c.*f.text);
        if (f.flag && c.*f.flag && *(c.*f.flag)) w.statement(keyword);
    }
}

void writeAclResponse(Writer &w, const Action &a) {
    if (a.count) w.valued(gRuleAclActions[RULE_COUNT].word, a.count);
    bool deny = a.deny && *a.deny;
    w.statement(gRuleAclActions[deny ? RULE_DENY : RULE_PERMIT].word);
    for (int i = RULE_PERMIT + 1; i < RULE_ACL_ACTION_COUNT; i++) {
        const KeywordField<Action> &f = kActionFields[i];
        const char *keyword = gRuleAclActions[i].word;
        if (f.text && a.*f.text) w.valued(keyword, a.*f.text);
        if (f.flag && a.*f.flag && *(a.*f.flag)) w.statement(keyword);
    }
}

void writeAclRule(Writer &w, const qtn__Policy_AclRule &rule, bool comments) {
    if (comments) {
        w.put("# Acl entry ");
        w.word("rule name", rule.name);
        w.put("\n");
    }
    w.put("entry ");
    w.word("rule name", rule.name);
    w.put(" {\nif {\n");
    if (rule.match) writeAclMatch(w, *rule.match);
    w.put("}\nthen {\n");
    if (rule.response) writeAclResponse(w, *rule.response);
    w.put("} }\n\n");
}

void writeCondition(Writer &w, const qtn__Policy_TripwatchCondition &c) {
    int type = c.type ? int(*c.type) : -1;
    if (type < 0 || type >= RULE_TRIPWATCH_TEST_COUNT)
        return w.fail("condition of unknown type", nullptr);
    const ruleTripwatchTest_t &test = gRuleTripwatchTests[type];
    bool twoCounters = test.counters == 2;
    bool complete = c.counter1 && c.threshold && (!twoCounters || c.counter2);
    if (complete) {
        int op = c.comparator ? int(*c.comparator) : -1;
        if (op < 0 || op >= RULE_COMPARATOR_COUNT)
            return w.fail(std::string(test.word) + " with unknown comparator", nullptr);
        w.put(" ");
        w.put(test.word);
        w.put(" ");
        w.word("counter1", c.counter1);
        if (twoCounters) w.put(" "), w.word("counter2", c.counter2);
        w.put(std::string(" ") + gRuleComparators[op] + " ");
        w.number(*c.threshold);
        w.put(";\n");
        if (twoCounters && c.minValue) {
            w.put(" " RULE_MIN_VALUE " ");
            w.number(*c.minValue);
            w.put(";\n");
        }
    }
    if (type != int(qtn__Policy_TripwatchConditionType::RULE_USCORECOUNT) && c.hysteresis) {
        w.put(" " RULE_HYSTERESIS " ");
        w.number(*c.hysteresis);
        w.put(";\n");
    }
}

void writeTripwatchAction(Writer &w, const qtn__Policy_TripwatchAction &a) {
    const auto &u = a.union_Policy_TripwatchAction;
    int kind = a.__union_Policy_TripwatchAction;
    if (kind < 1 || kind > RULE_TRIPWATCH_ACTION_MAX)
        return w.fail("action of no known kind", nullptr);
    w.put(" ");
    w.put(gRuleTripwatchActions[kind]);
    w.put(" ");
    switch (kind) {
        case SOAP_UNION__qtn__Policy_TripwatchAction_union_deny:
            w.word("rule of deny", u.deny);
            break;
        case SOAP_UNION__qtn__Policy_TripwatchAction_union_permit:
            w.word("rule of permit", u.permit);
            break;
        case SOAP_UNION__qtn__Policy_TripwatchAction_union_qosprofile:
            if (!u.qosprofile) return w.fail("qosprofile action without its parts", nullptr);
            w.word("QoS profile", u.qosprofile->qosProfile);
            w.put(" ");
            w.word("rule of qosprofile", u.qosprofile->aclRule);
            break;
        case SOAP_UNION__qtn__Policy_TripwatchAction_union_mirror:
            if (!u.mirror) return w.fail("mirror action without its parts", nullptr);
            w.put(u.mirror->add && *u.mirror->add ? "add " : "delete ");
            w.word("rule of mirror", u.mirror->aclRule);
            break;
        case SOAP_UNION__qtn__Policy_TripwatchAction_union_snmptrap:
            if (!u.snmptrap || !u.snmptrap->id)
                return w.fail("snmptrap action without id", nullptr);
            w.number(*u.snmptrap->id);
            w.put(" ");
            w.quoted("snmptrap message", u.snmptrap->message);
            if (u.snmptrap->period) w.put(" "), w.number(*u.snmptrap->period);
            break;
        case SOAP_UNION__qtn__Policy_TripwatchAction_union_syslog: {
            int level = u.syslog && u.syslog->level ? int(*u.syslog->level) : -1;
            if (level < 0 || level >= RULE_SYSLOG_LEVEL_COUNT)
                return w.fail("syslog action without a known level", nullptr);
            w.quoted("syslog message", u.syslog->message);
            w.put(std::string(" ") + gRuleSyslogLevels[level]);
            if (u.syslog->period) w.put(" "), w.number(*u.syslog->period);
            break;
        }
        case SOAP_UNION__qtn__Policy_TripwatchAction_union_cli:
            if (!u.cli) return w.fail("cli action without command", nullptr);
            w.quoted("cli command", u.cli);
            break;
    }
    w.put(";\n");
}

void writeTripwatchRule(Writer &w, const qtn__Policy_TripwatchRule &rule, bool comments) {
    const qtn__Policy_TripwatchMatch *match = rule.match;
    if (!match) return;
    if (comments) {
        w.put("# Tripwatch rule ");
        w.word("rule name", rule.name);
        w.put("\n");
    }
    w.put("entry ");
    w.word("rule name", rule.name);
    int type =
        match->type ? int(*match->type) : int(qtn__Policy_TripwatchMatchType::MATCH_USCOREALL);
    if (type != int(qtn__Policy_TripwatchMatchType::MATCH_USCOREANY) &&
        type != int(qtn__Policy_TripwatchMatchType::MATCH_USCOREALL))
        return w.fail("match of unknown type", nullptr);
    w.put(type == int(qtn__Policy_TripwatchMatchType::MATCH_USCOREANY) ? " {\nif match any {\n"
                                                                       : " {\nif {\n");
    for (const qtn__Policy_TripwatchCondition &c : match->comparison) writeCondition(w, c);
    if (match->period) {
        w.put(" " RULE_PERIOD " ");
        w.number(*match->period);
        w.put(";\n");
    }
    w.put("} then {\n");
    for (const qtn__Policy_TripwatchAction &a : rule.positiveResponse) writeTripwatchAction(w, a);
    if (!rule.negativeResponse.empty()) {
        w.put("} else {\n");
        for (const qtn__Policy_TripwatchAction &a : rule.negativeResponse)
            writeTripwatchAction(w, a);
    }
    w.put("} }\n\n");
}

template <class Rule>
std::string ruleLabel(const Rule &rule) {
    return rule.name ? "Rule \"" + *rule.name + "\": " : "Rule without name: ";
}

}  // namespace

int wsvdRuleTextWrite(std::string *out, const qtn__Policy_AclRuleSequence *acl,
                      const qtn__Policy_TripwatchRuleSequence *tripwatch, bool comments,
                      std::string *why) {
    std::string text;
    Writer w(&text);
    if (acl) {
        for (const qtn__Policy_AclRule &rule : acl->rule) {
            writeAclRule(w, rule, comments);
            if (w.failed()) return *why = ruleLabel(rule) + w.problem(), -1;
        }
    }
    if (tripwatch) {
        for (const qtn__Policy_TripwatchRule &rule : tripwatch->rule) {
            writeTripwatchRule(w, rule, comments);
            if (w.failed()) return *why = ruleLabel(rule) + w.problem(), -1;
        }
    }
    *out += text;
    return 0;
}

// ---- reading back

namespace {

std::string *copyText(struct soap *soap, const char *text) {
    std::string *s = soap_new_std__string(soap);
    if (s) *s = text ? text : "";
    return s;
}

bool *newFlag(struct soap *soap, bool value) {
    bool *p = static_cast<bool *>(soap_malloc(soap, sizeof(bool)));
    if (p) *p = value;
    return p;
}

// A whole decimal number; null when the text is not one.
LONG64 *newNumber(struct soap *soap, std::string_view text) {
    std::string s(text);
    if (s.empty()) return nullptr;
    errno = 0;
    char *end = nullptr;
    long long n = strtoll(s.c_str(), &end, 10);
    if (errno || *end) return nullptr;
    LONG64 *p = soap_new_LONG64(soap);
    if (p) *p = n;
    return p;
}

template <class Record>
bool mapKeyword(struct soap *soap, Record *record, const ruleKeyword_t *keywords, size_t count,
                const KeywordField<Record> *fields, const char *keyword, const char *value) {
    int at = ruleKeywordFind(keywords, count, keyword ? keyword : "");
    if (at < 0) return false;
    const KeywordField<Record> &f = fields[at];
    if (f.text) record->*f.text = copyText(soap, value);
    if (f.flag) record->*f.flag = newFlag(soap, f.flagValue);
    return true;
}

// Splits `rest` at its first blank: the part before it goes to *head. False without blank.
bool splitWord(std::string_view *rest, std::string_view *head) {
    size_t blank = rest->find(' ');
    if (blank == std::string_view::npos) return false;
    *head = rest->substr(0, blank);
    rest->remove_prefix(blank + 1);
    return true;
}

qtn__Policy_TripwatchConditionOperator comparatorOf(std::string_view op) {
    using Op = qtn__Policy_TripwatchConditionOperator;
    if (op == ">") return Op::GREATER_USCORETHAN;
    if (op == ">=") return Op::GREATER_USCOREEQUAL;
    if (op == "<=") return Op::LESS_USCOREEQUAL;
    return Op::LESS_USCORETHAN;
}

// A message that is a word or a quoted text, at the start of *rest; *rest moves past it
// and the blank after it. *ended tells whether the message had its end (a closing quote,
// or a blank after a word) and *blankAfter whether a blank followed.
std::string_view takeMessage(std::string_view *rest, bool *ended, bool *blankAfter) {
    std::string_view message;
    size_t end;
    if (!rest->empty() && rest->front() == '"') {
        end = rest->find('"', 1);
        *ended = end != std::string_view::npos;
        if (!*ended) {
            message = rest->substr(1);
            *rest = {};
            *blankAfter = false;
            return message;
        }
        message = rest->substr(1, end - 1);
        end++;
    } else {
        end = rest->find(' ');
        *ended = end != std::string_view::npos;
        if (!*ended) end = rest->size();
        message = rest->substr(0, end);
    }
    *blankAfter = end < rest->size() && (*rest)[end] == ' ';
    rest->remove_prefix(*blankAfter ? end + 1 : end);
    return message;
}

qtn__Policy_TripwatchActionSyslogLevel levelOf(std::string_view word) {
    using Level = qtn__Policy_TripwatchActionSyslogLevel;
    static const struct {
        const char *letters;
        Level level;
    } kLevels[] = {{"CRIT", Level::CRITICAL},
                   {"INFO", Level::INFO},
                   {"NOTI", Level::NOTIFY},
                   {"WARN", Level::WARN},
                   {"ERRO", Level::ERROR}};
    if (word.size() >= 4)
        for (const auto &l : kLevels)
            if (strncasecmp(word.data(), l.letters, 4) == 0) return l.level;
    return Level::DEBUG;
}

bool mapSnmpTrap(struct soap *soap, qtn__Policy_TripwatchActionSnmpTrap *trap,
                 std::string_view rest) {
    std::string_view id;
    if (!splitWord(&rest, &id)) return false;
    trap->id = newNumber(soap, id);
    if (!trap->id) return false;
    bool ended, blankAfter;
    std::string_view message = takeMessage(&rest, &ended, &blankAfter);
    trap->message = copyText(soap, std::string(message).c_str());
    if (ended && blankAfter) trap->period = newNumber(soap, rest);
    return true;
}

bool mapSyslog(struct soap *soap, qtn__Policy_TripwatchActionSyslog *syslog,
               std::string_view rest) {
    bool ended, blankAfter;
    std::string_view message = takeMessage(&rest, &ended, &blankAfter);
    if (!ended || !blankAfter) return false;
    syslog->message = copyText(soap, std::string(message).c_str());
    std::string_view level = rest;
    bool hasPeriod = splitWord(&rest, &level);
    syslog->level = soap_new_qtn__Policy_TripwatchActionSyslogLevel(soap);
    if (syslog->level) *syslog->level = levelOf(level);
    if (hasPeriod) syslog->period = newNumber(soap, rest);
    return true;
}

}  // namespace

bool wsvdAclConditionMap(struct soap *soap, qtn__Policy_AclCondition *match, const char *keyword,
                         const char *value) {
    return mapKeyword(soap, match, gRuleAclConditions, RULE_ACL_CONDITION_COUNT, kConditionFields,
                      keyword, value);
}

bool wsvdAclActionMap(struct soap *soap, qtn__Policy_AclAction *action, const char *keyword,
                      const char *value) {
    return mapKeyword(soap, action, gRuleAclActions, RULE_ACL_ACTION_COUNT, kActionFields, keyword,
                      value);
}

bool wsvdTripwatchConditionMap(struct soap *soap, qtn__Policy_TripwatchMatch *match,
                               const char *keyword, const char *value) {
    std::string_view word = keyword ? keyword : "";
    std::string_view rest = value ? value : "";
    if (word == RULE_PERIOD) {
        match->period = newNumber(soap, rest);
        return match->period != nullptr;
    }
    if (word == RULE_HYSTERESIS || word == RULE_MIN_VALUE) {
        if (match->comparison.empty()) return false;
        LONG64 *n = newNumber(soap, rest);
        if (!n) return false;
        qtn__Policy_TripwatchCondition &last = match->comparison.back();
        (word == RULE_HYSTERESIS ? last.hysteresis : last.minValue) = n;
        return true;
    }
    int type = 0;
    while (type < RULE_TRIPWATCH_TEST_COUNT && word != gRuleTripwatchTests[type].word) type++;
    if (type == RULE_TRIPWATCH_TEST_COUNT || match->comparison.size() >= WSVD_TRIPWATCH_MAX)
        return false;
    std::string_view counter1, counter2, op;
    if (!splitWord(&rest, &counter1)) return false;
    if (gRuleTripwatchTests[type].counters == 2 && !splitWord(&rest, &counter2)) return false;
    if (!splitWord(&rest, &op)) return false;
    LONG64 *threshold = newNumber(soap, rest);
    if (!threshold) return false;
    qtn__Policy_TripwatchCondition c;
    c.type = soap_new_qtn__Policy_TripwatchConditionType(soap);
    c.comparator = soap_new_qtn__Policy_TripwatchConditionOperator(soap);
    if (!c.type || !c.comparator) return false;
    *c.type = qtn__Policy_TripwatchConditionType(type);
    *c.comparator = comparatorOf(op);
    c.counter1 = copyText(soap, std::string(counter1).c_str());
    if (gRuleTripwatchTests[type].counters == 2)
        c.counter2 = copyText(soap, std::string(counter2).c_str());
    c.threshold = threshold;
    match->comparison.push_back(c);
    return true;
}

bool wsvdTripwatchActionMap(struct soap *soap, std::vector<qtn__Policy_TripwatchAction> *actions,
                            const char *keyword, const char *value) {
    std::string_view word = keyword ? keyword : "";
    std::string_view rest = value ? value : "";
    if (actions->size() >= WSVD_TRIPWATCH_MAX) return false;
    int kind = 1;
    while (kind <= RULE_TRIPWATCH_ACTION_MAX && word != gRuleTripwatchActions[kind]) kind++;
    qtn__Policy_TripwatchAction a;
    auto &u = a.union_Policy_TripwatchAction;
    std::string_view head;
    switch (kind) {
        case SOAP_UNION__qtn__Policy_TripwatchAction_union_deny:
            u.deny = copyText(soap, value);
            break;
        case SOAP_UNION__qtn__Policy_TripwatchAction_union_permit:
            u.permit = copyText(soap, value);
            break;
        case SOAP_UNION__qtn__Policy_TripwatchAction_union_qosprofile:
            if (!splitWord(&rest, &head)) return false;
            u.qosprofile = soap_new_qtn__Policy_TripwatchActionQosProfile(soap);
            if (!u.qosprofile) return false;
            u.qosprofile->qosProfile = copyText(soap, std::string(head).c_str());
            u.qosprofile->aclRule = copyText(soap, std::string(rest).c_str());
            break;
        case SOAP_UNION__qtn__Policy_TripwatchAction_union_mirror:
            if (!splitWord(&rest, &head)) return false;
            u.mirror = soap_new_qtn__Policy_TripwatchActionAddDeleteAclRule(soap);
            if (!u.mirror) return false;
            u.mirror->add = newFlag(soap, strncasecmp(value, "add", 3) == 0);
            u.mirror->aclRule = copyText(soap, std::string(rest).c_str());
            break;
        case SOAP_UNION__qtn__Policy_TripwatchAction_union_snmptrap:
            u.snmptrap = soap_new_qtn__Policy_TripwatchActionSnmpTrap(soap);
            if (!u.snmptrap || !mapSnmpTrap(soap, u.snmptrap, rest)) return false;
            break;
        case SOAP_UNION__qtn__Policy_TripwatchAction_union_syslog:
            u.syslog = soap_new_qtn__Policy_TripwatchActionSyslog(soap);
            if (!u.syslog || !mapSyslog(soap, u.syslog, rest)) return false;
            break;
        case SOAP_UNION__qtn__Policy_TripwatchAction_union_cli:
            if (!rest.empty() && rest.front() == '"') {
                size_t close = rest.find('"', 1);
                if (close == std::string_view::npos) return false;
                rest = rest.substr(1, close - 1);
            }
            u.cli = copyText(soap, std::string(rest).c_str());
            break;
        default:
            return false;
    }
    a.__union_Policy_TripwatchAction = kind;
    actions->push_back(a);
    return true;
}
