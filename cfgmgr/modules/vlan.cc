// Module "vlan": what hangs on a VLAN. Each VLAN has a row in the objects that keep its
// own settings (made and deleted with it), its private-VLAN and translation relations
// are set through pvlan, and the views say what each VLAN is made of.
#include <string>

#include "cfgmgmt/cmBackend/src/cm_types.h"
#include "cfgmgr/hooks.h"
#include "cfgmgr/modules/port.h"
#include "cfgmgr/types.h"
#include "platform/dmcard.h"
#include "platform/portlist.h"

namespace {

// The objects with one row per VLAN, keyed by the VLAN's name in the given field (and
// holding it in "name" too, when `named`).
const struct {
    const char *object;
    const char *key;
    bool named;
} kPerVlan[] = {
    {"ntUdpProfileEntry", "vlan", false},
    {"vlanIPv4AddrDiscover", "vlan", false},
    {"dhcpServerVlanConfig", "vlan", false},
    {"cfg_vlan_agg", "subVlanName", true},
};

int fail(cfgChange &c, const std::string &why) {
    c.why = why;
    return -1;
}

std::string nameOf(const cfgTable &vlans, const cfgRow &vlan) {
    return cfgValueOr(vlans, vlan, "name");
}

// The index of the row of `table` whose `field` holds `value`, or -1: found by its key
// when `field` is the table's only key, else by looking through the rows.
int rowWith(const cfgTable &table, const char *field, const std::string &value) {
    cfgRow key = table.blank();
    std::string unused;
    if (table.assign(key, field, value, &unused) != 0) return -1;
    if (table.hasKey(key)) return table.find(key);
    int i = table.field(field);
    return table.findBy(size_t(i), key.values[size_t(i)]);
}

// A row left from a VLAN of the same name (a saved file that lost the VLAN) is kept, so
// that a VLAN refused for its own rules is refused for them.
int vlanCreated(cfgChange &c) {
    std::string name = nameOf(c.table, *c.row);
    for (const auto &each : kPerVlan) {
        cfgTable *t = cfgTableFind("vlan", each.object);
        if (!t || rowWith(*t, each.key, name) >= 0) continue;
        cfgRowWriter r(*t);
        r.set(each.key, name);
        if (each.named) r.set("name", name);
        std::vector<cfgRow> row;
        if (r.addTo(&row, &c.why) != 0 || t->insert(row[0], &c.why) != 0) return -1;
    }
    return 0;
}

int vlanRemoved(cfgChange &c) {
    std::string name = nameOf(c.table, *c.row);
    for (const auto &each : kPerVlan) {
        cfgTable *t = cfgTableFind("vlan", each.object);
        int at = t ? rowWith(*t, each.key, name) : -1;
        if (at >= 0 && cfgStoreDelete(*t, size_t(at), &c.why) != 0) return -1;
    }
    return 0;
}

// A sub VLAN leaves its super VLAN with addVlan 0.
int aggregationChanged(cfgChange &c) {
    const std::string *add = c.table.value(c.request, "addVlan");
    if (add && *add == "0") c.table.reset(*c.row, size_t(c.table.field("superVlanName")));
    return 0;
}

// ---- pvlan: private VLANs and translation, kept with the member VLAN

int pvlanOp(cfgChange &c) {
    cfgTable *vlans = cfgTableFind("vlan", "vlan");
    const cfgTable &op = c.table;
    auto given = [&](const char *field) {
        const std::string *v = op.value(c.request, field);
        return v ? *v : std::string();
    };
    // A translation member names its translation VLAN in vlanName.
    bool translation = !given("memberVlanName").empty();
    std::string parent = given(translation ? "vlanName" : "pvlanName");
    std::string member = given(translation ? "memberVlanName" : "vlanName");
    std::string mode = translation ? std::string("1") : given("vlanServicesMode");
    if (parent.empty()) return fail(c, "pvlan needs pvlanName, or vlanName and memberVlanName.");
    if (rowWith(*vlans, "name", parent) < 0)
        return fail(c, "VLAN \"" + parent + "\" does not exist.");
    if (member.empty()) return 0;  // the private VLAN itself is any VLAN
    int at = rowWith(*vlans, "name", member);
    if (at < 0) return fail(c, "VLAN \"" + member + "\" does not exist.");
    cfgRow row = vlans->rows()[size_t(at)];
    bool leaves = c.action == CM_ACTION_DELETE || c.action == CM_ACTION_UNCONFIGURE;
    for (const char *f : {"parentVlan", "vlanServicesMode", "pvlanType"})
        vlans->reset(row, size_t(vlans->field(f)));
    if (!leaves) {
        if (vlans->assign(row, "parentVlan", parent, &c.why) != 0 ||
            vlans->assign(row, "vlanServicesMode", mode.empty() ? "2" : mode, &c.why) != 0 ||
            // A translation member is a non-isolated member of its translation VLAN.
            (translation && vlans->assign(row, "pvlanType", "1", &c.why) != 0) ||
            (!given("pvlanType").empty() &&
             vlans->assign(row, "pvlanType", given("pvlanType"), &c.why) != 0))
            return -1;
    }
    return vlans->replace(size_t(at), row, &c.why);
}

// ---- vlanPort: ports join a VLAN (create, configure) or leave it (delete, unconfigure)

int vlanPortOp(cfgChange &c) {
    cfgTable *vlans = cfgTableFind("vlan", "vlan");
    const cfgTable &op = c.table;
    std::string name = cfgValueOr(op, c.request, "vlanName");
    std::string tagged = cfgValueOr(op, c.request, "taggedPorts"),
                untagged = cfgValueOr(op, c.request, "untaggedPorts");
    if (!cfgValueOr(op, c.request, "translatedPorts").empty())
        return fail(c, "Translated ports are set on the translation VLAN's members.");
    int at = rowWith(*vlans, "name", name);
    if (at < 0) return fail(c, "VLAN \"" + name + "\" does not exist.");
    bool joins = c.action != CM_ACTION_DELETE && c.action != CM_ACTION_UNCONFIGURE;
    cfgRow row = vlans->rows()[size_t(at)];
    // A port is tagged or untagged in a VLAN, not both: the list it joins takes it from
    // the other one.
    auto change = [&](const char *field, const std::string &given, bool add) {
        if (given.empty()) return 0;
        std::string now = cfgPortsCombine(cfgValueOr(*vlans, row, field), given, add);
        if (!now.empty()) return vlans->assign(row, field, now, &c.why);
        vlans->reset(row, size_t(vlans->field(field)));
        return 0;
    };
    if (change("taggedPorts", tagged, joins) != 0 || change("untaggedPorts", untagged, joins) != 0)
        return -1;
    if (joins && (change("untaggedPorts", tagged, false) != 0 ||
                  change("taggedPorts", untagged, false) != 0))
        return -1;
    uint32_t keeper = row.instance;
    if (vlans->replace(size_t(at), row, &c.why) != 0) return -1;
    if (!joins || untagged.empty()) return 0;
    // An untagged port belongs to one VLAN only.
    for (size_t r = 0; r < vlans->rows().size(); r++) {
        const cfgRow &other = vlans->rows()[r];
        std::string held = cfgValueOr(*vlans, other, "untaggedPorts");
        if (other.instance == keeper || held.empty()) continue;
        std::string left = cfgPortsCombine(held, untagged, false);
        if (left == held) continue;
        cfgRow changed = other;
        if (left.empty())
            vlans->reset(changed, size_t(vlans->field("untaggedPorts")));
        else if (vlans->assign(changed, "untaggedPorts", left, &c.why) != 0)
            return -1;
        if (vlans->replace(r, changed, &c.why) != 0) return -1;
    }
    return 0;
}

// ---- views

// Calls `each` for every front port in the VLAN's list `field`.
template <class F>
void eachMember(const cfgTable &vlans, const cfgRow &vlan, const char *field, F each) {
    const std::string *list = vlans.value(vlan, field);
    portlist_t ports{};
    if (!list || list->empty() || !STRING_TO_PORTLIST(&ports, list->c_str(), 0)) return;
    for (int slot = dmGetSlotFirst(); slot >= 1 && slot <= dmGetSlotLast(); slot++)
        for (int port = 1; port <= dmGetCardPorts(slot); port++)
            if (plTestPort(&ports, slot, port)) each(slot, port);
}

// Calls `each` for every VLAN, or only the one the request names in `keyField`.
template <class F>
int eachVlan(const cfgTable &view, const cfgRow &request, const char *keyField, F each) {
    const cfgTable *vlans = cfgTableFind("vlan", "vlan");
    if (!vlans) return 0;
    const std::string *only = view.value(request, keyField);
    for (const cfgRow &vlan : vlans->rows()) {
        if (only && *only != nameOf(*vlans, vlan)) continue;
        if (each(*vlans, vlan) != 0) return -1;
    }
    return 0;
}

int vlanProc(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
             std::string *why) {
    return eachVlan(view, request, "name1", [&](const cfgTable &vlans, const cfgRow &vlan) {
        uint64_t total = 0, active = 0;
        bool tagged = false;
        for (const char *list : {"untaggedPorts", "taggedPorts"})
            eachMember(vlans, vlan, list, [&](int slot, int port) {
                total++;
                active += portHasLink(slot, port);
                tagged = tagged || list[0] == 't';
            });
        // Flags: T tagged ports, L loopback, f IPv4 forwarding, A active ports.
        std::string flags;
        if (tagged) flags += "T";
        if (cfgValueOr(vlans, vlan, "loopbackEnable") == "1") flags += "L";
        if (cfgValueOr(vlans, vlan, "ipForwarding") == "1") flags += "f";
        if (active) flags += "A";
        cfgRowWriter r(view);
        r.set("name1", nameOf(vlans, vlan))
            .set("name", nameOf(vlans, vlan))
            .set("tagType", vlans.value(vlan, "tag") ? "802dot1Q" : "Untagged")
            .set("totalPorts", total)
            .set("activePorts", active)
            .set("flags", flags);
        return r.addTo(rows, why);
    });
}

int vlanPorts(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
              std::string *why) {
    return eachVlan(view, request, "vlanName", [&](const cfgTable &vlans, const cfgRow &vlan) {
        cfgRowWriter r(view);
        r.set("vlanName", nameOf(vlans, vlan)).copy(vlans, vlan);  // its name too
        return r.addTo(rows, why);
    });
}

int vlanMembers(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
                std::string *why) {
    return eachVlan(view, request, "vlanName", [&](const cfgTable &vlans, const cfgRow &vlan) {
        int rc = 0;
        for (const char *list : {"untaggedPorts", "taggedPorts"})
            eachMember(vlans, vlan, list, [&](int slot, int port) {
                cfgRowWriter r(view);
                r.set("vlanName", nameOf(vlans, vlan))
                    .set("port", cfgPortName(slot, port))
                    .set("tagged", list[0] == 't' ? "1" : "0")
                    .set("linkState", portHasLink(slot, port) ? 1 : 2);
                if (rc == 0) rc = r.addTo(rows, why);
            });
        return rc;
    });
}

// Every VLAN is in the switch's spanning tree domain s0.
int stpDomains(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
               std::string *why) {
    return eachVlan(view, request, "vlan_name", [&](const cfgTable &vlans, const cfgRow &vlan) {
        cfgRowWriter r(view);
        r.set("vlan_name", nameOf(vlans, vlan)).set("stpd_name", "s0");
        return r.addTo(rows, why);
    });
}

int protocolFilters(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows,
                    std::string *why) {
    const cfgTable *filters = cfgTableFind("vlan", "protocolFilter");
    const cfgTable *entries = cfgTableFind("vlan", "protocol");
    if (!filters || !entries) return 0;
    for (const cfgRow &filter : filters->rows()) {
        const std::string &name = *filters->value(filter, "name");
        cfgRowWriter r(view);
        r.set("protoName", name);
        uint64_t count = 0;
        for (const cfgRow &entry : entries->rows()) {
            if (*entries->value(entry, "filterName") != name) continue;
            if (count++ == 0)
                r.set("type", *entries->value(entry, "type"))
                    .set("value", *entries->value(entry, "value"));
        }
        if (r.set("count", count).addTo(rows, why) != 0) return -1;
    }
    return 0;
}

// Customer (7) and service (5) VLANs that carry an I-SID service.
int isidVlans(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
              std::string *why) {
    return eachVlan(view, request, "vlanName", [&](const cfgTable &vlans, const cfgRow &vlan) {
        std::string type = cfgValueOr(vlans, vlan, "type"),
                    isid = cfgValueOr(vlans, vlan, "isidName");
        if (isid.empty() || (type != "5" && type != "7")) return 0;
        cfgRowWriter r(view);
        r.set("vlanName", nameOf(vlans, vlan))
            .set("isidName", isid)
            .set("vlanType", type == "5" ? "svlan" : "cvlan")
            .set("isidValue", cfgValueOr(vlans, vlan, "isid", "0"));
        return r.addTo(rows, why);
    });
}

int backboneServices(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows,
                     std::string *why) {
    const cfgTable *services = cfgTableFind("vlan", "isidService");
    if (!services) return 0;
    for (const cfgRow &service : services->rows()) {
        const std::string *bvlan = services->value(service, "bvlanName");
        if (!bvlan || bvlan->empty()) continue;
        cfgRowWriter r(view);
        r.set("bvlanName", *bvlan)
            .set("isidName", *services->value(service, "name"))
            .set("isidValue", cfgValueOr(*services, service, "isid", "0"));
        if (r.addTo(rows, why) != 0) return -1;
    }
    return 0;
}

const cfgHook_t kHooks[] = {
    {"vlan", "vlan", cfgEvent::create, vlanCreated, nullptr},
    {"vlan", "vlan", cfgEvent::remove, vlanRemoved, nullptr},
    {"vlan", "cfg_vlan_agg", cfgEvent::configure, aggregationChanged, nullptr},
    {"vlan", "pvlan", cfgEvent::op, pvlanOp, nullptr},
    {"vlan", "vlanPort", cfgEvent::op, vlanPortOp, nullptr},
    {"vlan", "vlanProc", cfgEvent::view, nullptr, vlanProc},
    {"vlan", "vlanPort", cfgEvent::view, nullptr, vlanPorts},
    {"vlan", "vpif", cfgEvent::view, nullptr, vlanMembers},
    {"vlan", "stp_vlan_stats", cfgEvent::view, nullptr, stpDomains},
    {"vlan", "protocol_op", cfgEvent::view, nullptr, protocolFilters},
    {"vlan", "isidVlanList", cfgEvent::view, nullptr, isidVlans},
    {"vlan", "bvlanIsidList", cfgEvent::view, nullptr, backboneServices},
};

}  // namespace

CFG_MODULE_HOOKS(vlan, kHooks);
