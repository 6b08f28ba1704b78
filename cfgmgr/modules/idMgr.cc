// Module "idMgr": the identity manager's findings. It is disabled at the factory and no
// identity source feeds it on this switch, so it has found no identities and no role of
// a user can be found again.
#include <string>

#include "cfgmgr/hooks.h"

namespace {

int none(const cfgTable &, const cfgRow &, std::vector<cfgRow> *, std::string *) {
    return 0;
}

int refreshRole(cfgChange &c) {
    const std::string *user = c.table.value(c.request, "userName");
    c.why = user && !user->empty() ? "No identity of user \"" + *user + "\" is known."
                                   : "Missing field \"userName\" of idMgrRefreshUserRole.";
    return -1;
}

const cfgHook_t kHooks[] = {
    {"idMgr", "idMgrUserIdentity", cfgEvent::view, nullptr, none},
    {"idMgr", "idMgrLocation", cfgEvent::view, nullptr, none},
    {"idMgr", "idMgrRefreshUserRole", cfgEvent::op, refreshRole, nullptr},
};

}  // namespace

CFG_MODULE_HOOKS(idMgr, kHooks);
