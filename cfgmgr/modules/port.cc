// Module "port": what the switch's front ports report, computed on every read from the
// platform's description of the switch (data/platform/switch), the ports' configuration
// (object "ports") and the uptime.
//
// The simulated switch is cabled the same way on every start: on each card the first
// eight ports and, on the first two cards, the four optical uplinks have a partner, and
// a cabled port whose administrative state is enabled has link. Traffic runs at a steady
// rate per port while it has link, so two reads a second apart differ by the rates the
// utilization view reports; counters only grow, and stand still while a port is down.
#include "cfgmgr/modules/port.h"

#include <cstdio>
#include <map>
#include <string>

#include "cfgmgr/hooks.h"
#include "cfgmgr/types.h"
#include "platform/dmcard.h"
#include "platform/portlist.h"

namespace {

// The last four ports of a card take pluggable optics; the others are copper.
const int kOpticalPorts = 4;
const int kCabledCopperPorts = 8;
const int kCardsWithUplinks = 2;

enum { LINK_ACTIVE = 1, LINK_READY = 2 };

struct Port {
    int slot, port;
    std::string name;  // "1:5"
    bool optical, adminUp, cabled;
    bool active() const { return adminUp && cabled; }
    uint64_t speedMbps = 0;  // when active
    int duplex = 2;          // 1 half, 2 full
    const cfgRow *config = nullptr;
};

std::string configValue(const cfgTable *ports, const Port &p, const char *field,
                        const char *otherwise) {
    return p.config ? cfgValueOr(*ports, *p.config, field, otherwise) : otherwise;
}

Port describe(int slot, int port) {
    Port p{slot, port, cfgPortName(slot, port), false, true, false};
    p.optical = port > dmGetCardPorts(slot) - kOpticalPorts;
    p.cabled = port <= kCabledCopperPorts || (p.optical && slot <= kCardsWithUplinks);
    const cfgTable *ports = cfgTableFind("port", "ports");
    if (ports) {
        cfgRow key = ports->blank();
        std::string unused;
        if (ports->assign(key, "slot", std::to_string(slot), &unused) == 0 &&
            ports->assign(key, "port", std::to_string(port), &unused) == 0) {
            int at = ports->find(key);
            if (at >= 0) p.config = &ports->rows()[size_t(at)];
        }
    }
    p.adminUp = configValue(ports, p, "adminState", "1") == "1";
    static const uint64_t kSpeeds[] = {1000, 10, 100, 1000, 1000};  // by configured code
    int code = std::stoi(configValue(ports, p, "speed", "0"));
    p.speedMbps = p.optical ? 10000 : kSpeeds[code >= 0 && code <= 4 ? code : 0];
    std::string duplex = configValue(ports, p, "duplex", "0");
    p.duplex = duplex == "1" ? 1 : 2;
    return p;
}

// Whether the request asks for this port: "portList" names ports, or "*" (or nothing)
// for all of them.
struct Wanted {
    bool all = true;
    portlist_t ports{};
    bool has(const Port &p) const { return all || plTestPort(&ports, p.slot, p.port); }
};

int wanted(const cfgTable &view, const cfgRow &request, Wanted *out, std::string *why) {
    const std::string *list =
        view.field("portList") >= 0 ? view.value(request, "portList") : nullptr;
    if (!list || list->empty() || *list == "*") return 0;
    out->all = false;
    if (!STRING_TO_PORTLIST(&out->ports, list->c_str(), 0)) {
        *why = "Value \"" + *list + "\" is not valid for field \"portList\".";
        return -1;
    }
    return 0;
}

// Calls `each` for every usable front port the request asks for.
template <class F>
int eachPort(const cfgTable &view, const cfgRow &request, std::string *why, F each) {
    Wanted w;
    if (wanted(view, request, &w, why) != 0) return -1;
    for (int slot = dmGetSlotFirst(); slot >= 1 && slot <= dmGetSlotLast(); slot++) {
        if (!dmSlotUsable(slot)) continue;
        for (int port = 1; port <= dmGetCardPorts(slot); port++) {
            Port p = describe(slot, port);
            if (w.has(p) && each(p) != 0) return -1;
        }
    }
    return 0;
}

// ---- traffic: steady rates per port, counters that grow with the uptime

struct Traffic {
    uint64_t rxPps, txPps, rxBps, txBps;  // packets and bytes per second
};

Traffic traffic(const Port &p) {
    if (!p.active()) return {};
    uint64_t spread = uint64_t(p.slot * 53 + p.port * 17) % 29;
    uint64_t rxPps = 150 + spread * 40, txPps = rxPps * 3 / 4 + 20;
    uint64_t frame = 400 + 64 * uint64_t((p.slot + p.port) % 8);
    if (p.optical) rxPps *= 12, txPps *= 12;  // uplinks carry the aggregate
    return {rxPps, txPps, rxPps * frame, txPps * frame};
}

// What a port has carried since the store was set up. Counters cannot be the rates times
// the uptime: a port disabled for a while would see its counters fall back. So each
// port's totals move on by its present rates over the seconds since they were last
// read; a port without link adds nothing. Seconds before the first read count at the
// rates of that read, as if the port had been as it is since start-up.
struct Totals {
    uint32_t at = 0;  // uptime of the last update
    uint64_t rxPackets = 0, txPackets = 0, rxBytes = 0, txBytes = 0;
};

const Totals &totals(const Port &p) {
    static std::map<std::string, Totals> byPort;
    static uint32_t generation = 0;
    if (generation != cfgStoreGeneration()) byPort.clear(), generation = cfgStoreGeneration();
    Totals &t = byPort[p.name];
    uint32_t up = cfgStoreUptime();
    if (up > t.at) {
        Traffic rate = traffic(p);
        uint64_t seconds = up - t.at;
        t.rxPackets += rate.rxPps * seconds;
        t.txPackets += rate.txPps * seconds;
        t.rxBytes += rate.rxBps * seconds;
        t.txBytes += rate.txBps * seconds;
        t.at = up;
    }
    return t;
}

// Bandwidth used, in percent with two decimals ("0.48").
std::string percent(uint64_t bytesPerSecond, uint64_t speedMbps) {
    if (!speedMbps) return "0.00";
    uint64_t hundredths = bytesPerSecond * 8 * 100 * 100 / (speedMbps * 1000000);
    char text[32];
    snprintf(text, sizeof text, "%llu.%02llu", (unsigned long long)(hundredths / 100),
             (unsigned long long)(hundredths % 100));
    return text;
}

cfgRowWriter start(const cfgTable &view, const Port &p) {
    cfgRowWriter r(view);
    r.set("port", p.name);
    if (view.field("portList") >= 0) r.set("portList", p.name);
    return r;
}

int portsInfo(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
              std::string *why) {
    const cfgTable *ports = cfgTableFind("port", "ports");
    return eachPort(view, request, why, [&](const Port &p) {
        cfgRowWriter r = start(view, p);
        r.set("adminState", p.adminUp ? "1" : "0")
            .set("linkState", p.active() ? LINK_ACTIVE : LINK_READY)
            .set("speed", p.speedMbps)
            .set("duplex", p.duplex)
            .set("mediaType", p.optical ? "SFP+" : "UTP");
        std::string display = configValue(ports, p, "displayString", "");
        if (!display.empty()) r.set("displayString", display);
        return r.addTo(rows, why);
    });
}

int portsConfig(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
                std::string *why) {
    const cfgTable *ports = cfgTableFind("port", "ports");
    return eachPort(view, request, why, [&](const Port &p) {
        cfgRowWriter r = start(view, p);
        r.set("linkState", p.active() ? LINK_ACTIVE : LINK_READY).set("medium", p.optical ? 2 : 1);
        if (p.active()) r.set("actualSpeed", p.speedMbps).set("actualDuplex", p.duplex);
        if (p.optical) {
            // ITU grid: channel n is 1528.77 nm + n * 0.8 nm.
            int channel = std::stoi(configValue(ports, p, "dwdmChannel", "21"));
            char nm[16];
            snprintf(nm, sizeof nm, "%.2f", 1528.77 + channel * 0.8);
            r.set("dwdmWaveLength", nm);
        }
        return r.addTo(rows, why);
    });
}

int portsDetail(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
                std::string *why) {
    return eachPort(view, request, why, [&](const Port &p) {
        cfgRowWriter r = start(view, p);
        r.set("portType", p.optical ? "10GBASE-SR" : "1000BASE-T")
            .set("linkUpCount", p.active() ? 1 : 0)
            .set("flags", std::string(p.adminUp ? "E" : "D") + (p.active() ? "A" : "R"));
        return r.addTo(rows, why);
    });
}

// The QoS profile (qosprofile) that holds the port, or nullptr.
const cfgRow *profileOf(const Port &p) {
    const cfgTable *profiles = cfgTableFind("port", "qosprofile");
    if (!profiles) return nullptr;
    for (const cfgRow &row : profiles->rows()) {
        const std::string *list = profiles->value(row, "portList");
        portlist_t ports{};
        if (list && !list->empty() && STRING_TO_PORTLIST(&ports, list->c_str(), 0) &&
            plTestPort(&ports, p.slot, p.port))
            return &row;
    }
    return nullptr;
}

int qosProfiles(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
                std::string *why) {
    const cfgTable *profiles = cfgTableFind("port", "qosprofile");
    return eachPort(view, request, why, [&](const Port &p) {
        cfgRowWriter r = start(view, p);
        if (const cfgRow *profile = profileOf(p)) {
            const std::string *name = profiles->value(*profile, "arrayIndex");
            r.set("qosProfileName", *name).set("qos", *name);
            for (const char *f : {"minBw", "maxBw", "priority"})
                if (const std::string *v = profiles->value(*profile, f)) r.set(f, *v);
        }
        r.set("aggrMinBw", 0).set("aggrMaxBw", 100).set("aggrPriority", "low");
        return r.addTo(rows, why);
    });
}

int utilization(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
                std::string *why) {
    return eachPort(view, request, why, [&](const Port &p) {
        Traffic t = traffic(p);
        cfgRowWriter r = start(view, p);
        // The peaks of a steady load are its rates with the bursts of the last minute.
        r.set("rxPktsPerSec", t.rxPps)
            .set("rxPeakPktsPerSec", t.rxPps * 3 / 2)
            .set("txPktsPerSec", t.txPps)
            .set("txPeakPktsPerSec", t.txPps * 3 / 2)
            .set("rxBytesPerSec", t.rxBps)
            .set("rxPeakBytesPerSec", t.rxBps * 3 / 2)
            .set("txBytesPerSec", t.txBps)
            .set("txPeakBytesPerSec", t.txBps * 3 / 2)
            .set("rxBwPercent", percent(t.rxBps, p.speedMbps))
            .set("rxPeakBwPercent", percent(t.rxBps * 3 / 2, p.speedMbps))
            .set("txBwPercent", percent(t.txBps, p.speedMbps))
            .set("txPeakBwPercent", percent(t.txBps * 3 / 2, p.speedMbps));
        return r.addTo(rows, why);
    });
}

int stats(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
          std::string *why) {
    return eachPort(view, request, why, [&](const Port &p) {
        const Totals &t = totals(p);
        cfgRowWriter r = start(view, p);
        r.set("rxPackets", t.rxPackets)
            .set("txPackets", t.txPackets)
            .set("rxBytes", t.rxBytes)
            .set("txBytes", t.txBytes)
            .set("rxBcast", t.rxPackets / 50)
            .set("rxMcast", t.rxPackets / 20);
        return r.addTo(rows, why);
    });
}

// Every counter of a full-duplex switch stays at zero but on port 2:5, whose cable
// is marginal: it sees a CRC error every half hour and a fragment every two hours.
bool marginal(const Port &p) {
    return p.active() && p.slot == 2 && p.port == 5;
}

int txErrors(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
             std::string *why) {
    return eachPort(view, request, why, [&](const Port &p) {
        cfgRowWriter r = start(view, p);
        for (const char *f :
             {"collisions", "lateCollisions", "deferred", "txErrors", "txLost", "txParity"})
            r.set(f, 0);
        return r.addTo(rows, why);
    });
}

int rxErrors(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
             std::string *why) {
    uint64_t up = cfgStoreUptime();
    return eachPort(view, request, why, [&](const Port &p) {
        cfgRowWriter r = start(view, p);
        for (const char *f : {"oversize", "undersize", "jabber", "alignment", "rxLost"})
            r.set(f, 0);
        r.set("crc", marginal(p) ? up / 1800 : 0).set("fragments", marginal(p) ? up / 7200 : 0);
        return r.addTo(rows, why);
    });
}

// All of a port's traffic is in the QoS profile that holds it: the egress counters
// (type 0) are its transmitted ones, the ingress counters (type 1) its received ones.
int qosMonitor(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
               std::string *why) {
    const cfgTable *profiles = cfgTableFind("port", "qosprofile");
    return eachPort(view, request, why, [&](const Port &p) {
        const cfgRow *profile = profileOf(p);
        std::string name = profile ? *profiles->value(*profile, "arrayIndex") : "";
        const Totals &t = totals(p);
        for (int type : {0, 1}) {
            cfgRowWriter r = start(view, p);
            r.set("type", type);
            uint64_t packets = type == 0 ? t.txPackets : t.rxPackets;
            uint64_t bytes = type == 0 ? t.txBytes : t.rxBytes;
            for (int q = 1; q <= 8; q++) {
                bool mine = name == "QP" + std::to_string(q);
                r.set("qp" + std::to_string(q) + "TxPackets", mine ? packets : 0);
                r.set("qp" + std::to_string(q) + "TxBytes", mine ? bytes : 0);
            }
            if (r.addTo(rows, why) != 0) return -1;
        }
        return 0;
    });
}

// The optics: short-reach 10-gigabit transceivers, each a little warmer than the last.
// One without a partner hears no light and raises its receive alarm.
int transceivers(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
                 std::string *why) {
    return eachPort(view, request, why, [&](const Port &p) {
        if (!p.optical) return 0;
        char serial[32], temperature[16];
        snprintf(serial, sizeof serial, "SIM%02d%03dX", p.slot, p.port);
        snprintf(temperature, sizeof temperature, "%.2f", 33.5 + (p.port % 5) * 0.7);
        bool light = p.cabled;
        cfgRowWriter r = start(view, p);
        r.set("mediaType", "10GBASE-SR")
            .set("partNumber", "SFP-10G-SR-85")
            .set("serialNumber", serial)
            .set("temperature", temperature)
            .set("lowWarnTshldTemp", "-5.00")
            .set("highWarnTshldTemp", "70.00")
            .set("lowAlarmTshldTemp", "-10.00")
            .set("highAlarmTshldTemp", "75.00")
            .set("temperatureStatus", "Normal")
            .set("txPower", "-2.31")
            .set("lowWarnTshldTxPower", "-7.30")
            .set("highWarnTshldTxPower", "0.00")
            .set("lowAlarmTshldTxPower", "-9.30")
            .set("highAlarmTshldTxPower", "1.00")
            .set("txPowerStatus", "Normal")
            .set("rxPower", light ? "-3.05" : "-40.00")
            .set("lowWarnTshldRxPower", "-9.90")
            .set("highWarnTshldRxPower", "0.00")
            .set("lowAlarmTshldRxPower", "-11.90")
            .set("highAlarmTshldRxPower", "1.00")
            .set("rxPowerStatus", light ? "Normal" : "Low Alarm")
            .set("txBiasCurrent", "6.20")
            .set("lowWarnTshldTxBiasCurrent", "3.00")
            .set("highWarnTshldTxBiasCurrent", "10.00")
            .set("lowAlarmTshldTxBiasCurrent", "2.50")
            .set("highAlarmTshldTxBiasCurrent", "10.50")
            .set("txBiasCurrentStatus", "Normal")
            .set("aux1Voltage", "3.29")
            .set("lowWarnTshldAux1Voltage", "3.13")
            .set("highWarnTshldAux1Voltage", "3.46")
            .set("lowAlarmTshldAux1Voltage", "3.00")
            .set("highAlarmTshldAux1Voltage", "3.60")
            .set("aux1VoltageStatus", "Normal")
            .set("aux2Voltage", "0.00")
            .set("lowWarnTshldAux2Voltage", "0.00")
            .set("highWarnTshldAux2Voltage", "0.00")
            .set("lowAlarmTshldAux2Voltage", "0.00")
            .set("highAlarmTshldAux2Voltage", "0.00")
            .set("aux2VoltageStatus", "N/A");
        return r.addTo(rows, why);
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
    const std::string *only = view.value(request, "port");
    return eachPort(view, request, why, [&](const Port &p) {
        if (only && *only != p.name) return 0;
        for (const Member &m : members) {
            if (!plTestPort(&m.ports, p.slot, p.port)) continue;
            cfgRowWriter r(view);
            r.set("port", p.name)
                .set("vlanIfInstance", m.vlan->instance)
                .set("vlanName", *vlans->value(*m.vlan, "name"))
                .set("tagged", m.tagged ? "1" : "0");
            if (r.addTo(rows, why) != 0) return -1;
        }
        return 0;
    });
}

const cfgHook_t kHooks[] = {
    {"port", "show_ports_info", cfgEvent::view, nullptr, portsInfo},
    {"port", "show_ports_config", cfgEvent::view, nullptr, portsConfig},
    {"port", "show_ports_info_detail", cfgEvent::view, nullptr, portsDetail},
    {"port", "show_ports_info_detail_vlans", cfgEvent::view, nullptr, portVlans},
    {"port", "show_qosprofile", cfgEvent::view, nullptr, qosProfiles},
    {"port", "show_ports_utilization", cfgEvent::view, nullptr, utilization},
    {"port", "show_ports_qos_monitor", cfgEvent::view, nullptr, qosMonitor},
    {"port", "show_ports_stats", cfgEvent::view, nullptr, stats},
    {"port", "show_ports_txerrors", cfgEvent::view, nullptr, txErrors},
    {"port", "show_ports_rxerrors", cfgEvent::view, nullptr, rxErrors},
    {"port", "show_ports_transceiver", cfgEvent::view, nullptr, transceivers},
};

}  // namespace

bool portHasLink(int slot, int port) {
    return describe(slot, port).active();
}

CFG_MODULE_HOOKS(port, kHooks);
