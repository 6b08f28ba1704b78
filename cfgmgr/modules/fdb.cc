// Module "fdb": static entries of the forwarding database are made and removed through
// the operation fdb_op and read as rows of fdb_show, which name their VLAN by its row
// instance.
#include <string>

#include "cfgmgmt/cmBackend/src/cm_types.h"
#include "cfgmgr/hooks.h"
#include "platform/portlist.h"

namespace {

int fail(cfgChange &c, const std::string &why) {
    c.why = why;
    return -1;
}

bool holdsFrontPort(const std::string &ports) {
    portlist_t list;
    return STRING_TO_PORTLIST(&list, ports.c_str(), 0) && !PORTLIST_ISCLR_ALL_BY_TYPE(&list, 0);
}

int fdbOp(cfgChange &c) {
    cfgTable *entries = cfgTableFind("fdb", "fdb_show");
    cfgTable *vlans = cfgTableFind("vlan", "vlan");
    if (!entries || !vlans) return fail(c, "The FDB needs the objects fdb_show and vlan.");
    const std::string *mac = c.table.value(c.request, "macAddr");
    const std::string *vlanName = c.table.value(c.request, "vlanName");
    if (!mac) return fail(c, "Missing key field \"macAddr\".");
    if (!vlanName) return fail(c, "Missing key field \"vlanName\".");
    if (c.action != CM_ACTION_CREATE && c.action != CM_ACTION_DELETE)
        return fail(c, "fdb_op needs the action create or delete.");
    cfgRow key = vlans->blank();
    std::string why;
    if (vlans->assign(key, "name", *vlanName, &why) != 0) return fail(c, why);
    int vlan = vlans->locate(key);
    if (vlan < 0) return fail(c, "vlan \"" + *vlanName + "\" does not exist.");

    cfgRow entry = entries->blank();
    if (entries->assign(entry, "mac_addr", *mac, &why) != 0 ||
        entries->assign(entry, "vlanInstance", std::to_string(vlans->rows()[size_t(vlan)].instance),
                        &why) != 0)
        return fail(c, why);
    std::string name =
        "FDB entry " + *entries->value(entry, "mac_addr") + " in vlan \"" + *vlanName + "\"";
    int found = entries->find(entry);
    if (c.action == CM_ACTION_DELETE) {
        if (found < 0) return fail(c, name + " does not exist.");
        return cfgStoreDelete(*entries, size_t(found), &c.why);
    }
    if (found >= 0) return fail(c, name + " already exists.");
    const std::string *ports = c.table.value(c.request, "portList");
    if (!ports || !holdsFrontPort(*ports))
        return fail(c, "An FDB entry needs a port of the switch in \"portList\".");
    if (entries->assign(entry, "vlan_name", *vlanName, &why) != 0 ||
        entries->assign(entry, "port_list", *ports, &why) != 0 ||
        entries->assign(entry, "age", "0", &why) != 0 ||
        entries->assign(entry, "flags", "s", &why) != 0)
        return fail(c, why);
    return entries->insert(std::move(entry), &c.why);
}

const cfgHook_t kHooks[] = {
    {"fdb", "fdb_op", cfgEvent::op, fdbOp, nullptr},
};

}  // namespace

CFG_MODULE_HOOKS(fdb, kHooks);
