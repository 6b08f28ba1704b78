// Module "snmp": what the SNMP agent reports. Its settings are the rows of the
// catalogue; its engine's id follows from the switch's MAC address and its time from the
// uptime. The agent does not run on this switch, so its counters stay at zero.
#include <string>

#include "cfgmgr/hooks.h"

namespace {

std::string chassisValue(const char *field) {
    const cfgTable *t = cfgTableFind("system", "chassis");
    const std::string *v = t && !t->rows().empty() ? t->value(t->rows()[0], field) : nullptr;
    return v ? *v : "";
}

// An engine id of the MAC-address format: 80:00:1f:88 (enterprise), 03 (MAC), the MAC.
int engine(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows, std::string *why) {
    cfgRowWriter r(view);
    r.set("engineId", "80:00:1f:88:03:" + chassisValue("macAddress"))
        .set("engineBoots", chassisValue("bootCount"))
        .set("engineTime", cfgStoreUptime());
    return r.addTo(rows, why);
}

int management(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows, std::string *why) {
    cfgRowWriter r(view);
    r.set("systemType", chassisValue("systemType"))
        .set("sysDescr", chassisValue("sysDescr"))
        .set("upTime", cfgStoreUptime());
    return r.addTo(rows, why);
}

int counters(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows, std::string *why) {
    cfgRowWriter r(view);
    for (const cfgFieldDecl &f : view.decl().fields) r.set(f.name, 0);
    return r.addTo(rows, why);
}

const cfgHook_t kHooks[] = {
    {"snmp", "snmpEngineCLI", cfgEvent::view, nullptr, engine},
    {"snmp", "showManagementCLI", cfgEvent::view, nullptr, management},
    {"snmp", "snmpProtocolCountersCLI", cfgEvent::view, nullptr, counters},
};

}  // namespace

CFG_MODULE_HOOKS(snmp, kHooks);
