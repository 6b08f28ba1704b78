// Module "aaa": the accounting servers of TACACS+ as their own object, and the
// management sessions. The sessions are the platform's (platformd keeps them, switchctl
// lists them), which cfgmgr does not reach: it lists none.
#include <string>

#include "cfgmgr/hooks.h"

namespace {

const char kAccounting[] = "1";  // tacacs type

int accountingServers(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows,
                      std::string *why) {
    const cfgTable *servers = cfgTableFind("aaa", "tacacs");
    for (size_t i = 0; servers && i < servers->rows().size(); i++) {
        const cfgRow &row = servers->rows()[i];
        if (*servers->value(row, "type") != kAccounting) continue;
        cfgRowWriter r(view);
        if (r.copy(*servers, row).addTo(rows, why) != 0) return -1;
    }
    return 0;
}

int none(const cfgTable &, const cfgRow &, std::vector<cfgRow> *, std::string *) {
    return 0;
}

const cfgHook_t kHooks[] = {
    {"aaa", "tacacs1", cfgEvent::view, nullptr, accountingServers},
    {"aaa", "session", cfgEvent::view, nullptr, none},
    {"aaa", "session_history", cfgEvent::view, nullptr, none},
};

}  // namespace

CFG_MODULE_HOOKS(aaa, kHooks);
