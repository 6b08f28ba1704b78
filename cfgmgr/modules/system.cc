// Module "system": what the switch reports of itself. The constant parts come from the
// canned rows of chassis, fan_info and ps_info; the cards, the stack and the entities
// follow from the platform's description of the switch; the times from the clock.
#include "cfgmgr/modules/system.h"

#include <cstdio>
#include <ctime>
#include <string>

#include "cfgmgr/hooks.h"
#include "platform/dmcard.h"

namespace {

// The one row of the canned chassis object, or nullptr.
const cfgRow *chassis(const cfgTable **table) {
    *table = cfgTableFind("system", "chassis");
    return *table && !(*table)->rows().empty() ? &(*table)->rows()[0] : nullptr;
}

// Node n's MAC address: the chassis address plus 256 * (n - 1).
std::string nodeMac(int slot) {
    unsigned b[6] = {};
    std::string base = systemChassisValue("macAddress");
    if (sscanf(base.c_str(), "%x:%x:%x:%x:%x:%x", &b[0], &b[1], &b[2], &b[3], &b[4], &b[5]) != 6)
        return "00:00:00:00:00:00";
    unsigned long long value = 0;
    for (unsigned byte : b) value = value << 8 | byte;
    value += 256ull * unsigned(slot - 1);
    char text[18];
    snprintf(text, sizeof text, "%02llx:%02llx:%02llx:%02llx:%02llx:%02llx", value >> 40 & 255,
             value >> 32 & 255, value >> 24 & 255, value >> 16 & 255, value >> 8 & 255,
             value & 255);
    return text;
}

std::string wallClock(time_t when) {
    struct tm local;
    char text[32];
    if (!localtime_r(&when, &local) || !strftime(text, sizeof text, "%a %b %e %H:%M:%S %Y", &local))
        return "";
    return text;
}

// Slot 1 holds the master, slot 2 its backup; the others stand by.
const char *nodeRole(int slot) {
    return slot == 1 ? "Master" : slot == 2 ? "Backup" : "Standby";
}

std::string cardType(int slot) {
    return "Switch " + std::to_string(dmGetCardPorts(slot) - 4) + "G4X";
}

template <class F>
int eachSlot(F each) {
    for (int slot = dmGetSlotFirst(); slot >= 1 && slot <= dmGetSlotLast(); slot++)
        if (each(slot, dmSlotUsable(slot)) != 0) return -1;
    return 0;
}

int systemInfo(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows, std::string *why) {
    const cfgTable *t;
    const cfgRow *row = chassis(&t);
    time_t now = time(nullptr);
    cfgRowWriter r(view);
    if (row) r.copy(*t, *row);
    r.set("currentTime", wallClock(now))
        .set("bootTime", wallClock(now - time_t(cfgStoreUptime())))
        .set("upTime", cfgStoreUptime())
        .set("masterCard", "Slot-1")
        .set("backupCard", dmGetSlotLast() >= 2 ? "Slot-2" : "");
    return r.addTo(rows, why);
}

int cards(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows, std::string *why) {
    return eachSlot([&](int slot, bool usable) {
        cfgRowWriter r(view);
        r.set("slot", slot).set("nameOfHw", "Slot-" + std::to_string(slot));
        if (!usable) {
            r.set("cardState", "Empty").set("nodeState", "Empty").set("ports", 0);
            return r.addTo(rows, why);
        }
        r.set("cardType", cardType(slot))
            .set("configuredCardType", cardType(slot))
            .set("cardState", "Operational")
            .set("nodeState", nodeRole(slot))
            .set("swVersion", systemChassisValue("imageVersion"))
            .set("swBuild", systemChassisValue("imageBuild"))
            .set("ports", uint64_t(dmGetCardPorts(slot)))
            .set("serialNumber", systemChassisValue("serialNumber") + "-" + std::to_string(slot))
            .set("flags", slot == 1 ? "M" : "")
            .set("lastError", "")
            .set("selectedConfig", systemChassisValue("selectedConfig"))
            .set("primaryImage", systemChassisValue("primaryImage"))
            .set("secondaryImage", systemChassisValue("secondaryImage"))
            .set("imageSelected", "primary")
            .set("imageBooted", "primary")
            .set("temperature", std::to_string(34 + slot))
            .set("bootRom", systemChassisValue("bootromVersion"))
            .set("odometer", "812 days");
        return r.addTo(rows, why);
    });
}

// Entity classes and states as the entity MIB numbers them.
enum { CLASS_POWER_SUPPLY = 6, CLASS_FAN = 7, CLASS_MODULE = 9, CLASS_STACK = 11 };
enum { STATE_OPERATIONAL = 6 };

int entities(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows, std::string *why) {
    cfgRowWriter stack(view);
    stack.set("index", 1)
        .set("class", CLASS_STACK)
        .set("descr", systemChassisValue("sysDescr"))
        .set("name", "Stack")
        .set("containedIn", 0)
        .set("parentRelPos", 0)
        .set("hardwareRev", systemChassisValue("hardwareRev"))
        .set("serialNum", systemChassisValue("serialNumber"))
        .set("mfgName", systemChassisValue("mfgName"))
        .set("modelName", systemChassisValue("systemType"))
        .set("isFru", "0")
        .set("state", STATE_OPERATIONAL);
    if (stack.addTo(rows, why) != 0) return -1;
    if (eachSlot([&](int slot, bool usable) {
            if (!usable) return 0;
            cfgRowWriter r(view);
            r.set("index", uint64_t(1 + slot))
                .set("class", CLASS_MODULE)
                .set("descr", cardType(slot))
                .set("name", "Slot-" + std::to_string(slot))
                .set("containedIn", 1)
                .set("parentRelPos", uint64_t(slot))
                .set("hardwareRev", systemChassisValue("hardwareRev"))
                .set("firmwareRev", systemChassisValue("bootromVersion"))
                .set("softwareRev", systemChassisValue("imageVersion"))
                .set("serialNum", systemChassisValue("serialNumber") + "-" + std::to_string(slot))
                .set("mfgName", systemChassisValue("mfgName"))
                .set("modelName", cardType(slot))
                .set("isFru", "1")
                .set("state", STATE_OPERATIONAL)
                .set("temperature", std::to_string(34 + slot));
            return r.addTo(rows, why);
        }) != 0)
        return -1;
    struct Part {
        const char *object, *key, *name;
        int firstIndex, entityClass;
    };
    for (const Part &part : {Part{"fan_info", "fanId", "Fan-", 20, CLASS_FAN},
                             Part{"ps_info", "psuId", "PowerSupply-", 30, CLASS_POWER_SUPPLY}}) {
        const cfgTable *t = cfgTableFind("system", part.object);
        for (size_t i = 0; t && i < t->rows().size(); i++) {
            const cfgRow &row = t->rows()[i];
            const std::string &number = *t->value(row, part.key);
            cfgRowWriter r(view);
            r.set("index", uint64_t(part.firstIndex) + std::stoull(number))
                .set("class", uint64_t(part.entityClass))
                .set("name", part.name + number)
                .set("containedIn", 1)
                .set("parentRelPos", number)
                .set("isFru", "1")
                .set("state", STATE_OPERATIONAL);
            for (const char *f : {"partInfo", "revision", "odometer", "temperature"}) {
                const std::string *v = t->value(row, f);
                if (!v) continue;
                std::string to = f == std::string("partInfo")   ? "descr"
                                 : f == std::string("revision") ? "hardwareRev"
                                                                : f;
                r.set(to, *v);
            }
            if (r.addTo(rows, why) != 0) return -1;
        }
    }
    return 0;
}

// The nodes are cabled in a ring; stack ports 1 and 2 of every node are up.
enum { STACK_LINK_OPERATIONAL = 5, TOPOLOGY_RING = 1 };

int stackInfo(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows, std::string *why) {
    cfgRowWriter r(view);
    r.set("stackMac", nodeMac(1)).set("topology", TOPOLOGY_RING);
    return r.addTo(rows, why);
}

int stackNodes(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows, std::string *why) {
    return eachSlot([&](int slot, bool usable) {
        if (!usable) return 0;
        static const char *const kRoles[] = {"1", "2", "3"};  // master, backup, standby
        cfgRowWriter r(view);
        r.set("slot", slot)
            .set("macAddress", nodeMac(slot))
            .set("state", 7)  // active
            .set("role", kRoles[slot == 1   ? 0
                                : slot == 2 ? 1
                                            : 2])
            .set("alternateIp", "0.0.0.0")
            .set("alternateGateway", "0.0.0.0")
            .set("active", "1")
            .set("candidate", slot <= 2 ? "1" : "0")
            .set("other", "0")
            .set("priority", slot == 1   ? 100
                             : slot == 2 ? 90
                                         : 0)
            .set("masterCapable", slot <= 2 ? "1" : "0")
            .set("masterCapableNext", slot <= 2 ? "1" : "0")
            .set("configSlot", slot);
        return r.addTo(rows, why);
    });
}

int stackPorts(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows, std::string *why) {
    return eachSlot([&](int slot, bool usable) {
        if (!usable) return 0;
        cfgRowWriter r(view);
        r.set("slot", slot);
        for (const char *port : {"port1", "port2"})
            r.set(std::string(port) + "LinkState", STACK_LINK_OPERATIONAL)
                .set(std::string(port) + "Blocked", "0")
                .set(std::string(port) + "ControlPath", "1");
        return r.addTo(rows, why);
    });
}

int stackTopology(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows,
                  std::string *why) {
    return eachSlot([&](int slot, bool usable) {
        for (int port = 1; usable && port <= 2; port++) {
            cfgRowWriter r(view);
            r.set("slot", slot)
                .set("port", port)
                .set("macAddress", nodeMac(slot))
                .set("controlPath", "1")
                .set("blocked", "0")
                .set("linkState", STACK_LINK_OPERATIONAL)
                .set("topology", TOPOLOGY_RING)
                .set("activeTopology", TOPOLOGY_RING);
            if (r.addTo(rows, why) != 0) return -1;
        }
        return 0;
    });
}

const cfgHook_t kHooks[] = {
    {"system", "dm_system", cfgEvent::view, nullptr, systemInfo},
    {"system", "card_info", cfgEvent::view, nullptr, cards},
    {"system", "entity_info", cfgEvent::view, nullptr, entities},
    {"system", "stackingShowInfo", cfgEvent::view, nullptr, stackInfo},
    {"system", "stackingShowNode", cfgEvent::view, nullptr, stackNodes},
    {"system", "stackingShowPorts", cfgEvent::view, nullptr, stackPorts},
    {"system", "stackingShowStack", cfgEvent::view, nullptr, stackTopology},
};

}  // namespace

std::string systemChassisValue(const char *field) {
    const cfgTable *t;
    const cfgRow *row = chassis(&t);
    return row ? cfgValueOr(*t, *row, field) : "";
}

CFG_MODULE_HOOKS(system, kHooks);
