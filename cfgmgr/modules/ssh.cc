// Module "ssh": the SSH server is not installed on this switch, so its object fails
// every request, as the server's own object does on a switch without it.
#include "cfgmgr/hooks.h"

namespace {

int absent(const cfgTable &, const cfgRow &, std::vector<cfgRow> *, std::string *why) {
    *why = "The SSH server is not installed on this switch.";
    return -1;
}

const cfgHook_t kHooks[] = {
    {"ssh", "kasshd", cfgEvent::view, nullptr, absent},
};

}  // namespace

CFG_MODULE_HOOKS(ssh, kHooks);
