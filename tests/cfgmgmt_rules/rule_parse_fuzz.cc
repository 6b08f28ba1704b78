// Feeds arbitrary text to the rule-language parser: it must end, with entries or a
// reason, and what it accepts must read back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cfgmgmt/rules/rule_lang.h"

namespace {

// The entries written back in the language, one statement a line.
std::string written(const std::vector<ruleEntry_t> &entries) {
    static const char *const kOpen[] = {"", "if {\n", "} then {\n", "} else {\n"};
    std::string text;
    for (const ruleEntry_t &e : entries) {
        text += "entry " + e.name + " {\n";
        if (e.kind == RULE_ENTRY_ACL)
            text += kOpen[RULE_BLOCK_IF];
        else
            text += e.match == RULE_MATCH_ANY ? "if match any {\n" : "if match all {\n";
        uint32_t block = RULE_BLOCK_IF;
        for (const ruleStatement_t &s : e.statements) {
            while (block < s.block) text += kOpen[++block];
            text += " " + s.keyword + (s.value.empty() ? "" : " " + s.value) + ";\n";
        }
        while (block < RULE_BLOCK_THEN) text += kOpen[++block];
        text += "} }\n";
    }
    return text;
}

bool same(const std::vector<ruleEntry_t> &a, const std::vector<ruleEntry_t> &b) {
    if (a.size() != b.size()) return false;
    for (size_t i = 0; i < a.size(); i++) {
        if (a[i].name != b[i].name || a[i].kind != b[i].kind || a[i].match != b[i].match ||
            a[i].statements.size() != b[i].statements.size())
            return false;
        for (size_t j = 0; j < a[i].statements.size(); j++) {
            const ruleStatement_t &x = a[i].statements[j], &y = b[i].statements[j];
            if (x.block != y.block || x.keyword != y.keyword || x.value != y.value) return false;
        }
    }
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view text(reinterpret_cast<const char *>(data), size);
    std::vector<ruleEntry_t> entries, again;
    std::string why;
    if (ruleParse(text, &entries, &why) != 0) {
        if (why.empty() || !entries.empty()) abort();
        return 0;
    }
    if (ruleParse(written(entries), &again, &why) != 0 || !same(entries, again)) abort();
    return 0;
}
