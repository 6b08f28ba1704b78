#include "cfgmgmt/rules/rule_lang.h"

#include <fcntl.h>
#include <strings.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>
#include <set>

const ruleKeyword_t gRuleAclConditions[RULE_ACL_CONDITION_COUNT] = {
    {"source-address", true},
    {"destination-address", true},
    {"protocol", true},
    {"source-port", true},
    {"destination-port", true},
    {"ethernet-source-address", true},
    {"ethernet-destination-address", true},
    {"ethernet-type", true},
    {"first-fragments", false},
    {"fragments", false},
    {"icmp-code", true},
    {"icmp-type", true},
    {"igmp-msg-type", true},
    {"tcp-flags", true},
    {"source-sap", true},
    {"destination-sap", true},
    {"snap-type", true},
    {"ip-tos", true},
    {"ccos", true},
    {"cvid", true},
    {"diffserv-codepoint", true},
    {"ports", true},
    {"scos", true},
    {"svid", true},
};

const ruleKeyword_t gRuleAclActions[RULE_ACL_ACTION_COUNT] = {
    {"count", true},
    {"deny", false},
    {"permit", false},
    {"deny-cpu", false},
    {"copy-cpu-and-drop", false},
    {"qosprofile", true},
    {"replace-dot1p", false},
    {"replace-dscp", false},
    {"sample", false},
    {"log", false},
    {"log-raw", false},
    {"mirror-cpu", false},
    {"redirect", true},
    {"urpf", true},
    {"meter", true},
    {"mirror", true},
    {"traffic-queue", true},
    {"redirect-port", true},
    {"link", true},
    {"back-up-link", true},
    {"link-all", true},
    {"link-none", true},
    {"flood-group", true},
    {"cvid", true},
    {"link-aggregation-hash", true},
    {"scos", true},
    {"stag-ethertype", true},
    {"svid", true},
    {"uplinkport", true},
    {"learning-domain", true},
};

const ruleTripwatchTest_t gRuleTripwatchTests[RULE_TRIPWATCH_TEST_COUNT] = {
    {"count", 1}, {"delta", 1}, {"ratio", 2}, {"delta-ratio", 2}, {"rule-true-count", 1},
};
const char *const gRuleComparators[RULE_COMPARATOR_COUNT] = {"<", "<=", ">", ">="};
const char *const gRuleTripwatchActions[RULE_TRIPWATCH_ACTION_MAX + 1] = {
    "", "deny", "permit", "qosprofile", "mirror", "snmptrap", "syslog", "cli"};
const char *const gRuleSyslogLevels[RULE_SYSLOG_LEVEL_COUNT] = {"DEBU", "INFO", "NOTI",
                                                                "WARN", "ERRO", "CRIT"};

int ruleKeywordFind(const ruleKeyword_t *table, size_t count, std::string_view word) {
    for (size_t i = 0; i < count; i++)
        if (word == table[i].word) return int(i);
    return -1;
}

namespace {

bool isControl(char c) {
    return static_cast<unsigned char>(c) < 0x20 || c == 0x7f;
}
bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}
bool isSpecial(char c) {
    return c == '{' || c == '}' || c == ';' || c == '"';
}

}  // namespace

bool ruleWordOk(std::string_view text) {
    if (text.empty()) return false;
    for (char c : text)
        if (isControl(c) || c == ' ' || isSpecial(c) || c == '#') return false;
    return true;
}

bool ruleValueOk(std::string_view text) {
    if (text.empty() || text.front() == ' ' || text.back() == ' ') return false;
    for (char c : text)
        if (isControl(c) || isSpecial(c) || c == '#') return false;
    return true;
}

bool ruleQuotedOk(std::string_view text) {
    for (char c : text)
        if (isControl(c) || c == '"') return false;
    return true;
}

namespace {

// ---- tokens

enum class Tok { end, word, quoted, open, close, semicolon };

struct Token {
    Tok kind = Tok::end;
    std::string text;  // a word, or a quoted text without its quotes
    int line = 0;
};

class Lexer {
public:
    explicit Lexer(std::string_view text) : text_(text) {}

    // false with *why on a quote that does not close on its line.
    bool next(Token *t, std::string *why) {
        skipBlanksAndComments();
        t->line = line_;
        t->text.clear();
        if (at_ >= text_.size()) {
            t->kind = Tok::end;
            return true;
        }
        char c = text_[at_];
        if (c == '{' || c == '}' || c == ';') {
            t->kind = c == '{' ? Tok::open : c == '}' ? Tok::close : Tok::semicolon;
            at_++;
            return true;
        }
        if (c == '"') {
            size_t close = at_ + 1;
            while (close < text_.size() && text_[close] != '"' && text_[close] != '\n') close++;
            if (close >= text_.size() || text_[close] != '"') {
                *why = "line " + std::to_string(line_) + ": a quoted text does not end on its line";
                return false;
            }
            t->kind = Tok::quoted;
            t->text.assign(text_.substr(at_ + 1, close - at_ - 1));
            at_ = close + 1;
            return true;
        }
        size_t end = at_;
        while (end < text_.size() && !isBlank(text_[end]) && !isSpecial(text_[end])) end++;
        t->kind = Tok::word;
        t->text.assign(text_.substr(at_, end - at_));
        at_ = end;
        return true;
    }

private:
    void skipBlanksAndComments() {
        while (at_ < text_.size()) {
            char c = text_[at_];
            if (c == '\n') {
                line_++;
                at_++;
            } else if (isBlank(c)) {
                at_++;
            } else if (c == '#') {
                while (at_ < text_.size() && text_[at_] != '\n') at_++;
            } else {
                return;
            }
        }
    }

    std::string_view text_;
    size_t at_ = 0;
    int line_ = 1;
};

// ---- statements as read, before the entry's kind is known

struct RawStatement {
    uint32_t block;
    std::string keyword;
    std::vector<Token> words;  // the value's tokens
    int line;
};

struct RawEntry {
    std::string name;
    int line;
    bool hasMatch = false;
    uint32_t match = RULE_MATCH_ALL;
    bool hasElse = false;
    std::vector<RawStatement> statements;
};

class Parser {
public:
    Parser(std::string_view text, std::string *why) : lexer_(text), why_(why) {}

    bool entry(RawEntry *e, bool *done) {
        if (!advance()) return false;
        if (tok_.kind == Tok::end) {
            *done = true;
            return true;
        }
        *done = false;
        if (!isWord("entry")) return fail("expected \"entry\"" + found());
        e->line = tok_.line;
        if (!advance()) return false;
        if (tok_.kind != Tok::word) return fail("expected the name of the entry" + found());
        if (tok_.text.size() > RULE_NAME_MAX)
            return fail("the name of an entry has at most " + std::to_string(RULE_NAME_MAX) +
                        " characters");
        e->name = tok_.text;
        if (!expect(Tok::open, "\"{\" after the entry's name")) return false;
        if (!advance()) return false;
        if (!isWord("if")) return fail("expected \"if\" in entry \"" + e->name + "\"" + found());
        if (!advance()) return false;
        if (isWord("match")) {
            if (!advance()) return false;
            if (!isWord("any") && !isWord("all"))
                return fail("expected \"any\" or \"all\"" + found());
            e->hasMatch = true;
            e->match = tok_.text == "any" ? RULE_MATCH_ANY : RULE_MATCH_ALL;
            if (!advance()) return false;
        }
        if (tok_.kind != Tok::open) return fail("expected \"{\" after \"if\"" + found());
        if (!block(e, RULE_BLOCK_IF)) return false;
        if (!advance()) return false;
        if (!isWord("then"))
            return fail("expected \"then\" in entry \"" + e->name + "\"" + found());
        if (!expect(Tok::open, "\"{\" after \"then\"")) return false;
        if (!block(e, RULE_BLOCK_THEN)) return false;
        if (!advance()) return false;
        if (isWord("else")) {
            e->hasElse = true;
            if (!expect(Tok::open, "\"{\" after \"else\"")) return false;
            if (!block(e, RULE_BLOCK_ELSE)) return false;
            if (!advance()) return false;
        }
        if (tok_.kind != Tok::close)
            return fail("expected \"}\" to close entry \"" + e->name + "\"" + found());
        return true;
    }

    bool fail(const std::string &what) { return failAt(tok_.line, what); }
    bool failAt(int line, const std::string &what) {
        *why_ = "line " + std::to_string(line) + ": " + what;
        return false;
    }

private:
    bool advance() { return lexer_.next(&tok_, why_); }
    bool isWord(const char *w) const { return tok_.kind == Tok::word && tok_.text == w; }
    bool expect(Tok kind, const char *what) {
        if (!advance()) return false;
        return tok_.kind == kind || fail(std::string("expected ") + what + found());
    }
    std::string found() const {
        switch (tok_.kind) {
            case Tok::end:
                return ", found the end of the text";
            case Tok::word:
                return ", found \"" + tok_.text + "\"";
            case Tok::quoted:
                return ", found a quoted text";
            case Tok::open:
                return ", found \"{\"";
            case Tok::close:
                return ", found \"}\"";
            case Tok::semicolon:
                return ", found \";\"";
        }
        return "";
    }

    // The statements up to the block's closing brace (the opening one is read).
    bool block(RawEntry *e, uint32_t which) {
        for (;;) {
            if (!advance()) return false;
            if (tok_.kind == Tok::close) return true;
            if (tok_.kind != Tok::word)
                return fail("expected a statement or \"}\" in entry \"" + e->name + "\"" + found());
            RawStatement s{which, tok_.text, {}, tok_.line};
            if (s.keyword.size() > RULE_KEYWORD_MAX) return fail("keyword too long");
            for (;;) {
                if (!advance()) return false;
                if (tok_.kind == Tok::semicolon) break;
                if (tok_.kind != Tok::word && tok_.kind != Tok::quoted)
                    return fail("expected \";\" after \"" + s.keyword + "\"" + found());
                s.words.push_back(tok_);
            }
            e->statements.push_back(std::move(s));
        }
    }

    Lexer lexer_;
    Token tok_;
    std::string *why_;
};

std::string joined(const std::vector<Token> &words) {
    std::string value;
    for (const Token &w : words) {
        if (!value.empty()) value += ' ';
        if (w.kind == Tok::quoted)
            value += '"' + w.text + '"';
        else
            value += w.text;
    }
    return value;
}

bool isNumber(const Token &t) {
    if (t.kind != Tok::word) return false;
    std::string_view s = t.text;
    if (!s.empty() && s[0] == '-') s.remove_prefix(1);
    if (s.empty() || s.size() > 18) return false;
    for (char c : s)
        if (c < '0' || c > '9') return false;
    return true;
}

bool isPlainWord(const Token &t) {
    return t.kind == Tok::word;
}

int tripwatchTest(std::string_view word) {
    for (int i = 0; i < RULE_TRIPWATCH_TEST_COUNT; i++)
        if (word == gRuleTripwatchTests[i].word) return i;
    return -1;
}

bool isTripwatchCondition(std::string_view word) {
    return tripwatchTest(word) >= 0 || word == RULE_HYSTERESIS || word == RULE_MIN_VALUE ||
           word == RULE_PERIOD;
}

int tripwatchAction(std::string_view word) {
    for (int k = 1; k <= RULE_TRIPWATCH_ACTION_MAX; k++)
        if (word == gRuleTripwatchActions[k]) return k;
    return 0;
}

// An action that an ACL entry cannot hold: one of Tripwatch's own, or "deny"/"permit"
// naming a rule.
bool isTripwatchOnlyAction(const RawStatement &s) {
    int kind = tripwatchAction(s.keyword);
    if (kind >= 5) return true;
    return (kind == 1 || kind == 2) && !s.words.empty();
}

bool isComparator(const Token &t) {
    if (t.kind != Tok::word) return false;
    for (const char *c : gRuleComparators)
        if (t.text == c) return true;
    return false;
}

bool isSyslogLevel(const Token &t) {
    if (t.kind != Tok::word || t.text.size() < 4) return false;
    for (const char *level : gRuleSyslogLevels)
        if (strncasecmp(t.text.c_str(), level, 4) == 0) return true;
    return false;
}

// Why an ACL statement is wrong, or "".
std::string aclProblem(const RawStatement &s) {
    bool condition = s.block == RULE_BLOCK_IF;
    const ruleKeyword_t *table = condition ? gRuleAclConditions : gRuleAclActions;
    size_t count = condition ? size_t(RULE_ACL_CONDITION_COUNT) : size_t(RULE_ACL_ACTION_COUNT);
    int at = ruleKeywordFind(table, count, s.keyword);
    const char *what = condition ? "condition" : "action";
    if (at < 0) return std::string("unknown ") + what + " \"" + s.keyword + "\"";
    if (table[at].hasValue && s.words.empty()) return "\"" + s.keyword + "\" needs a value";
    if (!table[at].hasValue && !s.words.empty()) return "\"" + s.keyword + "\" takes no value";
    return "";
}

std::string tripwatchConditionProblem(const RawStatement &s) {
    const std::vector<Token> &w = s.words;
    int test = tripwatchTest(s.keyword);
    if (test >= 0) {
        size_t counters = size_t(gRuleTripwatchTests[test].counters);
        bool ok = w.size() == counters + 2 && isComparator(w[counters]) && isNumber(w.back());
        for (size_t i = 0; ok && i < counters; i++) ok = isPlainWord(w[i]);
        if (ok) return "";
        return "\"" + s.keyword + "\" needs " + (counters == 1 ? "a counter" : "two counters") +
               ", one of < <= > >= and a number";
    }
    if (isTripwatchCondition(s.keyword))
        return w.size() == 1 && isNumber(w[0]) ? "" : "\"" + s.keyword + "\" needs a number";
    return "unknown condition \"" + s.keyword + "\"";
}

std::string tripwatchActionProblem(const RawStatement &s) {
    const std::vector<Token> &w = s.words;
    bool ok = false;
    switch (tripwatchAction(s.keyword)) {
        case 1:
        case 2:
            ok = w.size() == 1 && isPlainWord(w[0]);
            return ok ? "" : "\"" + s.keyword + "\" needs the name of a rule";
        case 3:
            ok = w.size() == 2 && isPlainWord(w[0]) && isPlainWord(w[1]);
            return ok ? "" : "\"qosprofile\" needs a QoS profile and the name of a rule";
        case 4:
            ok = w.size() == 2 && isPlainWord(w[0]) && isPlainWord(w[1]) &&
                 (strcasecmp(w[0].text.c_str(), "add") == 0 ||
                  strcasecmp(w[0].text.c_str(), "delete") == 0);
            return ok ? "" : "\"mirror\" needs \"add\" or \"delete\" and the name of a rule";
        case 5:
            ok = (w.size() == 2 || w.size() == 3) && isNumber(w[0]) &&
                 (w.size() == 2 || isNumber(w[2]));
            return ok ? "" : "\"snmptrap\" needs a number, a message and may have a period";
        case 6:
            ok = (w.size() == 2 || w.size() == 3) && isSyslogLevel(w[1]) &&
                 (w.size() == 2 || isNumber(w[2]));
            return ok ? "" : "\"syslog\" needs a message, a level and may have a period";
        case 7:
            return w.size() == 1 ? "" : "\"cli\" needs one command";
        default:
            return "unknown action \"" + s.keyword + "\"";
    }
}

bool isTripwatch(const RawEntry &e) {
    if (e.hasMatch || e.hasElse) return true;
    for (const RawStatement &s : e.statements) {
        if (s.block == RULE_BLOCK_IF && isTripwatchCondition(s.keyword)) return true;
        if (s.block != RULE_BLOCK_IF && isTripwatchOnlyAction(s)) return true;
    }
    return false;
}

}  // namespace

int ruleParse(std::string_view text, std::vector<ruleEntry_t> *entries, std::string *why) {
    Parser parser(text, why);
    std::vector<ruleEntry_t> read;
    std::set<std::string> names;
    for (;;) {
        RawEntry raw;
        bool done = false;
        if (!parser.entry(&raw, &done)) return -1;
        if (done) break;
        if (!names.insert(raw.name).second)
            return parser.failAt(raw.line, "a second entry \"" + raw.name + "\""), -1;
        ruleEntry_t e;
        e.name = raw.name;
        e.kind = isTripwatch(raw) ? RULE_ENTRY_TRIPWATCH : RULE_ENTRY_ACL;
        e.match = e.kind == RULE_ENTRY_ACL ? uint32_t(RULE_MATCH_ALL) : raw.match;
        for (const RawStatement &s : raw.statements) {
            std::string problem;
            if (e.kind == RULE_ENTRY_ACL)
                problem = aclProblem(s);
            else if (s.block == RULE_BLOCK_IF)
                problem = tripwatchConditionProblem(s);
            else
                problem = tripwatchActionProblem(s);
            std::string value = joined(s.words);
            if (problem.empty() && value.size() > RULE_VALUE_MAX)
                problem = "the value of \"" + s.keyword + "\" has more than " +
                          std::to_string(RULE_VALUE_MAX) + " characters";
            if (!problem.empty())
                return parser.failAt(s.line, "entry \"" + e.name + "\": " + problem), -1;
            e.statements.push_back({s.block, s.keyword, std::move(value)});
        }
        read.push_back(std::move(e));
    }
    for (ruleEntry_t &e : read) entries->push_back(std::move(e));
    return 0;
}

std::string ruleEntryWrite(const ruleEntry_t &entry) {
    bool acl = entry.kind == RULE_ENTRY_ACL;
    std::string text = "entry " + entry.name + " {\n";
    text += acl                             ? "if {\n"
            : entry.match == RULE_MATCH_ANY ? "if match any {\n"
                                            : "if match all {\n";
    uint32_t block = RULE_BLOCK_IF;
    auto open = [&](uint32_t next) {
        for (; block < next; block++)
            text += block == RULE_BLOCK_IF ? (acl ? "}\nthen {\n" : "} then {\n") : "} else {\n";
    };
    for (const ruleStatement_t &s : entry.statements) {
        open(s.block);
        text += " " + s.keyword + (s.value.empty() ? "" : " " + s.value) + ";\n";
    }
    open(RULE_BLOCK_THEN);
    return text + "} }\n";
}

bool rulePolicyNameOk(std::string_view name) {
    if (name.empty() || name.size() > RULE_POLICY_NAME_MAX || name.front() == '.' ||
        name.find('/') != std::string_view::npos || name.find("..") != std::string_view::npos)
        return false;
    for (char c : name)
        if (isControl(c)) return false;
    return true;
}

int rulePolicyRead(const std::string &path, std::vector<ruleEntry_t> *entries, std::string *why,
                   bool *missing) {
    *missing = false;
    // Not blocking: a FIFO or device in the directory must not hold the reader.
    int fd = open(path.c_str(), O_RDONLY | O_NONBLOCK | O_CLOEXEC);
    struct stat st;
    if (fd < 0 || fstat(fd, &st) != 0) {
        *missing = errno == ENOENT;
        *why = std::string("cannot be read: ") + strerror(errno);
        if (fd >= 0) close(fd);
        return -1;
    }
    if (!S_ISREG(st.st_mode) || st.st_size > RULE_POLICY_FILE_MAX) {
        *why = S_ISREG(st.st_mode)
                   ? "is larger than " + std::to_string(RULE_POLICY_FILE_MAX) + " bytes"
                   : std::string("is not a file");
        close(fd);
        return -1;
    }
    std::string text(size_t(st.st_size), '\0');
    size_t done = 0;
    while (done < text.size()) {
        ssize_t n = read(fd, text.data() + done, text.size() - done);
        if (n < 0 && errno == EINTR) continue;
        if (n <= 0) break;
        done += size_t(n);
    }
    close(fd);
    text.resize(done);  // a file that shrank meanwhile is read as far as it goes
    return ruleParse(text, entries, why);
}
