// Feeds arbitrary text to the rule-language parser: it must end, with entries or a
// reason, and what it accepts must read back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cfgmgmt/rules/rule_lang.h"

namespace {

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
    std::string written;
    for (const ruleEntry_t &e : entries) written += ruleEntryWrite(e);
    if (ruleParse(written, &again, &why) != 0 || !same(entries, again)) abort();
    return 0;
}
