// The switch's rule language, in which dynamic ACLs and policy files are written: its
// keywords (shared by the daemon, which writes rules, and by the configuration manager
// and the CLI, which read them) and a parser.
//
// A text is a series of entries:
//
//   entry NAME {
//   if [match any | match all] {
//    KEYWORD [VALUE];
//   } then {
//    KEYWORD [VALUE];
//   } [else {
//    KEYWORD [VALUE];
//   }] }
//
// Blanks and line breaks between the parts are free, so an entry may be written on one
// line or with every brace on a line of its own. A value is a series of words and
// double-quoted texts; a quoted text may hold blanks and ";". A "#" that starts a word
// comments out the rest of its line.
//
// An entry is an ACL entry (conditions on a packet, actions on it) or a Tripwatch entry
// (conditions on counters, actions when they hold and when they do not). A Tripwatch
// entry is recognised by a "match" clause, an "else" block, or a statement that only
// Tripwatch knows.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>
#include <vector>

// A statement keyword and whether a value follows it.
struct ruleKeyword_t {
    const char *word;
    bool hasValue;
};

// ACL conditions, in the order in which an entry writes them.
enum ruleAclCondition : uint8_t {
    RULE_SOURCE_ADDRESS,
    RULE_DESTINATION_ADDRESS,
    RULE_PROTOCOL,
    RULE_SOURCE_PORT,
    RULE_DESTINATION_PORT,
    RULE_ETHERNET_SOURCE_ADDRESS,
    RULE_ETHERNET_DESTINATION_ADDRESS,
    RULE_ETHERNET_TYPE,
    RULE_FIRST_FRAGMENTS,
    RULE_FRAGMENTS,
    RULE_ICMP_CODE,
    RULE_ICMP_TYPE,
    RULE_IGMP_MSG_TYPE,
    RULE_TCP_FLAGS,
    RULE_SOURCE_SAP,
    RULE_DESTINATION_SAP,
    RULE_SNAP_TYPE,
    RULE_IP_TOS,
    RULE_CCOS,
    RULE_CONDITION_CVID,
    RULE_DIFFSERV_CODEPOINT,
    RULE_PORTS,
    RULE_CONDITION_SCOS,
    RULE_CONDITION_SVID,
    RULE_ACL_CONDITION_COUNT
};
extern const ruleKeyword_t gRuleAclConditions[RULE_ACL_CONDITION_COUNT];

// ACL actions, in the order in which an entry writes them ("count" first, then one of
// "deny" and "permit", then the others).
enum ruleAclAction : uint8_t {
    RULE_COUNT,
    RULE_DENY,
    RULE_PERMIT,
    RULE_DENY_CPU,
    RULE_COPY_CPU_AND_DROP,
    RULE_QOSPROFILE,
    RULE_REPLACE_DOT1P,
    RULE_REPLACE_DSCP,
    RULE_SAMPLE,
    RULE_LOG,
    RULE_LOG_RAW,
    RULE_MIRROR_CPU,
    RULE_REDIRECT,
    RULE_URPF,
    RULE_METER,
    RULE_MIRROR,
    RULE_TRAFFIC_QUEUE,
    RULE_REDIRECT_PORT,
    RULE_LINK,
    RULE_BACK_UP_LINK,
    RULE_LINK_ALL,
    RULE_LINK_NONE,
    RULE_FLOOD_GROUP,
    RULE_ACTION_CVID,
    RULE_LINK_AGGREGATION_HASH,
    RULE_ACTION_SCOS,
    RULE_STAG_ETHERTYPE,
    RULE_ACTION_SVID,
    RULE_UPLINKPORT,
    RULE_LEARNING_DOMAIN,
    RULE_ACL_ACTION_COUNT
};
extern const ruleKeyword_t gRuleAclActions[RULE_ACL_ACTION_COUNT];

// Tripwatch tests, by condition type (COUNT 0 ... RULE_COUNT 4): the keyword and the
// number of counters its value names before the comparator and the threshold.
struct ruleTripwatchTest_t {
    const char *word;
    int counters;
};
enum { RULE_TRIPWATCH_TEST_COUNT = 5 };
extern const ruleTripwatchTest_t gRuleTripwatchTests[RULE_TRIPWATCH_TEST_COUNT];
// Comparators by code: LESS_THAN "<", LESS_EQUAL "<=", GREATER_THAN ">", GREATER_EQUAL ">=".
enum { RULE_COMPARATOR_COUNT = 4 };
extern const char *const gRuleComparators[RULE_COMPARATOR_COUNT];
// The other statements of a Tripwatch "if" block, each with one number.
#define RULE_HYSTERESIS "hysteresis"
#define RULE_MIN_VALUE "min-value"
#define RULE_PERIOD "period"

// Tripwatch actions by kind (1 deny ... 7 cli); [0] is unused.
enum { RULE_TRIPWATCH_ACTION_MAX = 7 };
extern const char *const gRuleTripwatchActions[RULE_TRIPWATCH_ACTION_MAX + 1];
// Syslog levels by code (DEBUG 0 ... CRITICAL 5), as written: their first four letters.
enum { RULE_SYSLOG_LEVEL_COUNT = 6 };
extern const char *const gRuleSyslogLevels[RULE_SYSLOG_LEVEL_COUNT];

// The position of `word` in a keyword table, or -1.
int ruleKeywordFind(const ruleKeyword_t *table, size_t count, std::string_view word);

// Limits of what the configuration manager keeps of a rule.
enum { RULE_NAME_MAX = 255, RULE_KEYWORD_MAX = 63, RULE_VALUE_MAX = 511 };

// What a writer may put where, so that the text reads back as written:
// a name or a single word (entry names, Tripwatch counters and rule names) has no
// blank, no control character and none of { } ; " #;
bool ruleWordOk(std::string_view text);
// an unquoted value may also hold blanks (not at its ends);
bool ruleValueOk(std::string_view text);
// a quoted text holds no double quote and no line break or other control character.
bool ruleQuotedOk(std::string_view text);

// ---- parser

enum ruleBlock : uint32_t { RULE_BLOCK_IF = 1, RULE_BLOCK_THEN = 2, RULE_BLOCK_ELSE = 3 };
enum ruleEntryKind : uint32_t { RULE_ENTRY_ACL = 2, RULE_ENTRY_TRIPWATCH = 4 };
// How the conditions combine: any one of them, or all (ACL entries always all).
enum ruleMatch : uint32_t { RULE_MATCH_ANY = 1, RULE_MATCH_ALL = 2 };

struct ruleStatement_t {
    uint32_t block;  // ruleBlock
    std::string keyword;
    // The value as one text: its words and quoted texts (with their quotes) joined by
    // single blanks; empty for a keyword without value.
    std::string value;
};

struct ruleEntry_t {
    std::string name;
    uint32_t kind;                            // ruleEntryKind
    uint32_t match;                           // ruleMatch
    std::vector<ruleStatement_t> statements;  // in text order
};

// Reads every entry of `text`. 0 with the entries appended to *entries, or -1 with *why
// saying what is wrong and on which line ("line 4: ..."); *entries is then unchanged.
// Names, keywords and values longer than the limits above, two entries of one name,
// and statements the entry's kind does not know are errors.
int ruleParse(std::string_view text, std::vector<ruleEntry_t> *entries, std::string *why);

// An entry written back in the language, one statement a line, in the layout the daemon
// writes ("if match all" spelled out for a Tripwatch entry, so that it reads back as
// one); ruleParse reads it back as `entry`.
std::string ruleEntryWrite(const ruleEntry_t &entry);

// ---- policy files: "NAME.pol" in the configuration directory, written in the language

enum { RULE_POLICY_NAME_MAX = 32, RULE_POLICY_FILE_MAX = 1024 * 1024 };

// A policy name that names a file of the configuration directory and nothing else: 1 to
// 32 characters, no "/", no "..", no control character, and not a hidden file (".x").
bool rulePolicyNameOk(std::string_view name);

// Reads and parses the policy file at `path` (at most RULE_POLICY_FILE_MAX bytes). 0 with
// its entries; -1 with *why, and *missing set when there is no such file.
int rulePolicyRead(const std::string &path, std::vector<ruleEntry_t> *entries, std::string *why,
                   bool *missing);
