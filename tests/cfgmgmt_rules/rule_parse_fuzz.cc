// Feeds arbitrary text to the rule-language parser: it must end, with entries or a
// reason, and what it accepts must read back the same.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "cfgmgmt/rules/rule_lang.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view text(reinterpret_cast<const char *>(data), size);
    std::vector<ruleEntry_t> entries, again;
    std::string why;
    if (ruleParse(text, &entries, &why) != 0) {
        if (why.empty() || !entries.empty()) abort();
        return 0;
    }
    // Written back and read again, the entries write the same text.
    std::string written, rewritten;
    for (const ruleEntry_t &e : entries) written += ruleEntryWrite(e);
    if (ruleParse(written, &again, &why) != 0) abort();
    for (const ruleEntry_t &e : again) rewritten += ruleEntryWrite(e);
    if (rewritten != written) abort();
    return 0;
}
