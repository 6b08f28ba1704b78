// Module "port": the switch's front ports as the platform describes them
// (data/platform/switch), their statistics, and the VLANs each port is in.
#include <string>

#include "cfgmgmt/cmBackend/src/cm_types.h"
#include "cfgmgr/hooks.h"
#include "platform/dmcard.h"
#include "platform/portlist.h"

namespace {

// The last four ports of a card take pluggable optics; the others are copper.
const int kOpticalPorts = 4;

std::string portText(int slot, int port) {
    bool multiSlot = dmConfig()->words[DM_CONFIG_SLOT_COUNT] >= 2;
    return multiSlot ? std::to_string(slot) + ":" + std::to_string(port) : std::to_string(port);
}

// Calls `each` for every usable front port, or only for the port `only` names.
template <class F>
int eachPort(const std::string *only, F each) {
    for (int slot = dmGetSlotFirst(); slot >= 1 && slot <= dmGetSlotLast(); slot++) {
        if (!dmSlotUsable(slot)) continue;
        for (int port = 1; port <= dmGetCardPorts(slot); port++) {
            std::string text = portText(slot, port);
            if (only && *only != text) continue;
            if (int rc = each(slot, port, text)) return rc;
        }
    }
    return 0;
}

int portsInfo(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows, std::string *why) {
    return eachPort(nullptr, [&](int slot, int port, const std::string &text) {
        bool optical = port > dmGetCardPorts(slot) - kOpticalPorts;
        cfgRow row = view.blank();
        if (view.assign(row, "port", text, why) != 0 ||
            view.assign(row, "portList", text, why) != 0 ||
            view.assign(row, "mediaType", optical ? "SFP+" : "UTP", why) != 0 ||
            view.assign(row, "speed", optical ? "10000" : "1000", why) != 0)
            return -1;
        rows->push_back(std::move(row));
        return 0;
    });
}

// An idle switch: every counter is zero, the defaults of the view's fields.
int portsStats(const cfgTable &view, const cfgRow &, std::vector<cfgRow> *rows, std::string *why) {
    return eachPort(nullptr, [&](int, int, const std::string &text) {
        cfgRow row = view.blank();
        if (view.assign(row, "port", text, why) != 0) return -1;
        rows->push_back(std::move(row));
        return 0;
    });
}

// One row per port and VLAN, from the port lists of the VLANs. The walk's scope is the
// port, so a request that names a port is answered from that port's rows alone.
int portVlans(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
              std::string *why) {
    const cfgTable *vlans = cfgTableFind("vlan", "vlan");
    if (!vlans) return 0;
    struct Member {
        const cfgRow *vlan;
        portlist_t ports;
        bool tagged;
    };
    std::vector<Member> members;
    for (const cfgRow &vlan : vlans->rows()) {
        for (bool tagged : {false, true}) {
            const std::string *ports = vlans->value(vlan, tagged ? "taggedPorts" : "untaggedPorts");
            Member m{&vlan, {}, tagged};
            if (ports && !ports->empty() && STRING_TO_PORTLIST(&m.ports, ports->c_str(), 0))
                members.push_back(m);
        }
    }
    return eachPort(view.value(request, "port"), [&](int slot, int port, const std::string &text) {
        for (const Member &m : members) {
            if (!plTestPort(&m.ports, slot, port)) continue;
            cfgRow row = view.blank();
            if (view.assign(row, "port", text, why) != 0 ||
                view.assign(row, "vlanIfInstance", std::to_string(m.vlan->instance), why) != 0 ||
                view.assign(row, "vlanName", *vlans->value(*m.vlan, "name"), why) != 0 ||
                view.assign(row, "tagged", m.tagged ? "1" : "0", why) != 0)
                return -1;
            rows->push_back(std::move(row));
        }
        return 0;
    });
}

const cfgHook_t kHooks[] = {
    {"port", "show_ports_info", cfgEvent::view, nullptr, portsInfo},
    {"port", "show_ports_stats", cfgEvent::view, nullptr, portsStats},
    {"port", "show_ports_info_detail_vlans", cfgEvent::view, nullptr, portVlans},
};

}  // namespace

CFG_MODULE_HOOKS(port, kHooks);
