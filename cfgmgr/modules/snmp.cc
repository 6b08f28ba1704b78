// Module "snmp": what the SNMP agent reports. Its settings are the rows of the
// catalogue; its engine's id follows from the switch's MAC address and its time from the
// uptime. The agent does not run on this switch, so its counters stay at zero.
#include <string>

#include "cfgmgr/hooks.h"
#include "cfgmgr/modules/system.h"

namespace {

// An engine id of the MAC-address format: 80:00:1f:88 (enterprise), 03 (MAC), the MAC.
int engine(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows, std::string *why) {
    cfgRowWriter r(view);
    r.set("engineId", "80:00:1f:88:03:" + systemChassisValue("macAddress"))
        .set("engineBoots", systemChassisValue("bootCount"))
        .set("engineTime", cfgStoreUptime());
    return r.addTo(rows, why);
}

int management(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows, std::string *why) {
    cfgRowWriter r(view);
    r.set("systemType", systemChassisValue("systemType"))
        .set("sysDescr", systemChassisValue("sysDescr"))
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
