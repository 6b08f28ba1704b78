#include "cli/cli_commands.h"

#include <bit>
#include <cstdarg>
#include <cstdio>
#include <cstring>
#include <map>
#include <mutex>
#include <set>
#include <sstream>
#include <string>
#include <vector>

#include "cfgmgmt/cmBackend/src/cm_object.h"
#include "cfgmgmt/cmBackend/src/cm_print.h"
#include "cfgmgmt/cmBackend/src/cm_types.h"
#include "cfgmgmt/cmBackend/src/cm_xml_text.h"
#include "cfgmgmt/objdefs/fdb_obj.h"
#include "cfgmgmt/objdefs/vlan_obj.h"
#include "cfgmgmt/rules/rule_lang.h"
#include "cmclient/cm.h"
#include "platform/dmcard.h"
#include "platform/portlist.h"

namespace {

using Args = std::vector<std::string>;

// Walks stop here even if cfgmgr never reports the end.
const int kWalkCap = 100000;
const char *kDefaultVr = "VR-Default";

struct Ctx {
    const cliServices_t &svc;
    const cliOutput_t &out;

    void print(const std::string &text) const { out(text); }
    void printf(const char *format, ...) const __attribute__((format(printf, 2, 3))) {
        char line[1024];
        va_list ap;
        va_start(ap, format);
        vsnprintf(line, sizeof line, format, ap);
        va_end(ap);
        out(line);
    }
    bool error(const std::string &message) const {
        out("Error: " + message + "\n");
        return false;
    }
};

// ---- small text helpers

bool tokenize(const std::string &line, Args *words, std::string *why) {
    words->clear();
    size_t i = 0;
    while (i < line.size()) {
        while (i < line.size() && (line[i] == ' ' || line[i] == '\t' || line[i] == '\r')) i++;
        if (i >= line.size()) break;
        std::string word;
        bool quoted = false;
        while (i < line.size()) {
            char c = line[i];
            if (c == '"') {
                quoted = !quoted;
            } else if (!quoted && (c == ' ' || c == '\t' || c == '\r')) {
                break;
            } else {
                word += c;
            }
            i++;
        }
        if (quoted) {
            *why = "Missing closing quote.";
            return false;
        }
        words->push_back(word);
    }
    return true;
}

bool isNameCharacter(char c, bool first) {
    return c == '_' || isalpha(static_cast<unsigned char>(c)) ||
           (!first && isdigit(static_cast<unsigned char>(c)));
}

// Replaces $NAME, ${NAME} and $$ in one word (see cliVariables_t); false with *why
// when a name has no value.
bool substitute(const cliVariables_t &variables, std::string *word, std::string *why) {
    if (word->find('$') == std::string::npos) return true;
    std::string out;
    const std::string &w = *word;
    for (size_t i = 0; i < w.size(); i++) {
        if (w[i] != '$' || i + 1 == w.size()) {
            out += w[i];
            continue;
        }
        if (w[i + 1] == '$') {
            out += '$';
            i++;
            continue;
        }
        bool braced = w[i + 1] == '{';
        size_t start = i + (braced ? 2 : 1), end = start;
        while (end < w.size() && isNameCharacter(w[end], end == start)) end++;
        if (end == start || (braced && (end == w.size() || w[end] != '}'))) {
            out += w[i];  // not a variable: the "$" stays
            continue;
        }
        std::string name = w.substr(start, end - start);
        auto value = variables.find(name);
        if (value == variables.end()) {
            *why = "Unknown variable \"$" + name + "\".";
            return false;
        }
        out += value->second;
        i = braced ? end : end - 1;
    }
    *word = std::move(out);
    return true;
}

// Names of VLANs and virtual routers: what the switch's own store accepts.
bool validName(const std::string &name) {
    if (name.empty() || name.size() > 32) return false;
    for (char c : name)
        if (!isalnum(static_cast<unsigned char>(c)) && c != '_' && c != '-' && c != '.')
            return false;
    return true;
}

bool parseUint(const std::string &text, uint32_t max, uint32_t *value) {
    if (text.empty() || text.size() > 10) return false;
    uint64_t v = 0;
    for (char c : text) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + uint64_t(c - '0');
    }
    if (v > max) return false;
    *value = uint32_t(v);
    return true;
}

std::string portsText(const portlist_t &ports) {
    portlist_t copy = ports;
    buffer_t b{};
    PORTLIST_TO_STRING(&copy, &b);
    std::string s = b.data ? b.data : "";
    free(b.data);
    return s;
}

std::string portName(int slot, int port) {
    buffer_t b{};
    bufferPutf(&b, "%M", plPortId(slot, port));
    std::string s = b.data ? b.data : "";
    free(b.data);
    return s;
}

int portCount(const portlist_t &ports) {
    int n = plTestMgmt(&ports) ? 1 : 0;
    for (int i = 1; i < PL_WORDS; i++) n += std::popcount(ports.words[i]);
    return n;
}

std::string macText(const uint8_t *mac) {
    char s[18];
    snprintf(s, sizeof s, "%.2x:%.2x:%.2x:%.2x:%.2x:%.2x", mac[0], mac[1], mac[2], mac[3], mac[4],
             mac[5]);
    return s;
}

// The text of the first element `name` in a reply (CDATA unwrapped); false when absent.
bool xmlLeaf(const std::string &xml, const std::string &name, std::string *value) {
    std::string open = "<" + name + ">", close = "</" + name + ">";
    if (xml.find("<" + name + "/>") != std::string::npos) {
        *value = "";
        return true;
    }
    size_t a = xml.find(open);
    if (a == std::string::npos) return false;
    a += open.size();
    size_t b = xml.find(close, a);
    if (b == std::string::npos) return false;
    std::string v = xml.substr(a, b - a);
    if (v.rfind("<![CDATA[", 0) == 0 && v.size() >= 12 && v.compare(v.size() - 3, 3, "]]>") == 0)
        v = v.substr(9, v.size() - 12);
    *value = v;
    return true;
}

// ---- configuration-manager exchanges

void initObjectTables() {
    static std::once_flag once;
    std::call_once(once, [] {
        cmObjectInit_vlan();
        cmObjectInit_fdb();
    });
}

// One exchange; false (with the error line printed) unless cfgmgr reported success.
// Sets report failure unless the status is 1; gets only for status 0.
bool exchange(const Ctx &c, uint32_t op, uint32_t flags, const char *module,
              const std::string &text, cliCmReply_t *reply) {
    if (!c.svc.cmExchange) return c.error("The configuration manager is not available.");
    if (!c.svc.cmExchange(op, flags, module, text, reply))
        return c.error(reply->message.empty() ? "Unable to send message to cfgmgr."
                                              : reply->message);
    bool ok = op == CM_OP_GET ? reply->status != 0 : reply->status == 1;
    if (!ok) return c.error(reply->message.empty() ? "Unknown error" : reply->message);
    return true;
}

// Parses the first object of a reply into *out. found = false when there was none.
template <class T>
bool parseFirst(const Ctx &c, const char *module, const std::string &data, T *out, bool *found) {
    *found = false;
    if (data.empty()) return true;
    initObjectTables();
    cmObjectParser_t *parser = cmObjectParserAlloc();
    if (!parser) return c.error("Out of memory");
    cmObject_t *obj = cmObjectParse(parser, module, data.c_str(), uint32_t(data.size()));
    bool ok = true;
    if (!obj) {
        if (parser->errorCount)
            ok = c.error(parser->errorBuffer && parser->errorBuffer->data
                             ? parser->errorBuffer->data
                             : "The reply could not be read.");
    } else {
        if (obj->data) {
            memcpy(out, obj->data, sizeof(T));
            out->next = nullptr;
            *found = true;
        }
        if (cmFuncTableEntry_t *entry = cmFuncTableEntryGet(module)) entry->free(obj, cmFree_all);
    }
    cmObjectParserFree(parser);
    return ok;
}

// Every VLAN in cfgmgr's order. False after an error line.
bool readVlans(const Ctx &c, std::vector<cfgVlan_t> *vlans) {
    vlans->clear();
    std::string text = "<module_vlan><get><vlan/></get></module_vlan>";
    std::set<std::pair<std::string, std::string>> seen;
    for (int i = 0; i < kWalkCap; i++) {
        cliCmReply_t reply;
        if (!exchange(c, CM_OP_GET, CM_GET_NEXT, "vlan", text, &reply)) return false;
        cfgVlan_t v{};
        bool found;
        if (!parseFirst(c, "vlan", reply.data, &v, &found)) return false;
        // A key seen before would make the walk go round for ever.
        if (!found || !seen.insert({v.vrName, v.name}).second) break;
        vlans->push_back(v);
        text = "<module_vlan><get><vlan><vrName>" + cmXmlEscape(v.vrName) + "</vrName><name>" +
               cmXmlEscape(v.name) + "</name></vlan></get></module_vlan>";
    }
    return true;
}

// The VLAN of that name; false after an error line (also when there is none).
bool findVlan(const Ctx &c, const std::string &name, cfgVlan_t *vlan) {
    std::vector<cfgVlan_t> vlans;
    if (!readVlans(c, &vlans)) return false;
    for (const cfgVlan_t &v : vlans) {
        if (name == v.name) {
            *vlan = v;
            return true;
        }
    }
    return c.error("VLAN \"" + name + "\" does not exist.");
}

bool readFdb(const Ctx &c, std::vector<fdb_show_t> *entries) {
    entries->clear();
    std::string text =
        "<module_fdb><get><fdb_show><type>0</type><vlan_name/><port_list/><vlanInstance>0"
        "</vlanInstance><mac_addr>00:00:00:00:00:00</mac_addr></fdb_show></get></module_fdb>";
    std::set<std::pair<std::string, uint32_t>> seen;
    for (int i = 0; i < kWalkCap; i++) {
        cliCmReply_t reply;
        if (!exchange(c, CM_OP_GET, CM_GET_NEXT, "fdb", text, &reply)) return false;
        fdb_show_t e{};
        bool found;
        if (!parseFirst(c, "fdb", reply.data, &e, &found)) return false;
        if (!found || !seen.insert({macText(e.mac_addr), e.vlanInstance}).second) break;
        entries->push_back(e);
        char next[400];
        snprintf(next, sizeof next,
                 "<module_fdb><get><fdb_show><mac_addr>%s</mac_addr><vlanInstance>%u"
                 "</vlanInstance><vlan_name/><port_list/><type>0</type></fdb_show></get>"
                 "</module_fdb>",
                 macText(e.mac_addr).c_str(), e.vlanInstance);
        text = next;
    }
    return true;
}

bool wsvdbeGet(const Ctx &c, const char *object, std::string *data) {
    cliCmReply_t reply;
    std::string text = std::string("<module_wsvdbe><get><") + object + "/></get></module_wsvdbe>";
    if (!exchange(c, CM_OP_GET, CM_GET_PLAIN, "wsvdbe", text, &reply)) return false;
    *data = reply.data;
    return true;
}

bool wsvdbeSet(const Ctx &c, const char *object, const std::string &fields) {
    cliCmReply_t reply;
    std::string text = std::string("<module_wsvdbe><set><") + object + ">" + fields + "</" +
                       object + "></set></module_wsvdbe>";
    return exchange(c, CM_OP_SET, 0, "wsvdbe", text, &reply);
}

// ---- commands

struct Command;
typedef bool (*Handler)(const Ctx &c, const Args &args, const Command &cmd);

struct Command {
    std::vector<const char *> keywords;  // the words that select it
    Handler handler;
    std::vector<std::pair<const char *, const char *>> help;  // syntax, what it does
};

bool usage(const Ctx &c, const Command &cmd) {
    std::string s = "Incomplete or wrong command. Usage:";
    for (auto &[syntax, what] : cmd.help) s += std::string("\n  ") + syntax;
    return c.error(s);
}

bool vlanSet(const Ctx &c, const cfgVlan_t &vlan, const std::string &fields) {
    cliCmReply_t reply;
    std::string text = "<module_vlan><set><vlan><vrName>" + cmXmlEscape(vlan.vrName) +
                       "</vrName><name>" + cmXmlEscape(vlan.name) + "</name>" + fields +
                       "</vlan></set></module_vlan>";
    return exchange(c, CM_OP_SET, 0, "vlan", text, &reply);
}

bool checkPorts(const Ctx &c, const std::string &text, portlist_t *ports) {
    if (!STRING_TO_PORTLIST(ports, text.c_str(), 0) || text.empty())
        return c.error("Invalid port list \"" + text + "\".");
    return true;
}

bool cmdShowVlan(const Ctx &c, const Args &a, const Command &cmd) {
    if (a.size() > 1) return usage(c, cmd);
    if (a.size() == 1) {
        cfgVlan_t v;
        if (!findVlan(c, a[0], &v)) return false;
        std::string tagged = portsText(v.taggedPorts), untagged = portsText(v.untaggedPorts);
        c.printf("VLAN name:       %s\n", v.name);
        c.printf("802.1Q tag:      %s\n", v.tag ? std::to_string(v.tag).c_str() : "none");
        c.printf("Virtual router:  %s\n", v.vrName);
        c.printf("IP MTU:          %u\n", v.ipMtu);
        c.printf("QoS profile:     %u\n", unsigned(v.qosProfile));
        c.printf("Loopback:        %s\n", v.loopbackEnable ? "enabled" : "disabled");
        c.printf("IP forwarding:   %s\n", v.ipForwarding ? "enabled" : "disabled");
        c.print("Untagged ports:  " + (untagged.empty() ? "none" : untagged) + "\n");
        c.print("Tagged ports:    " + (tagged.empty() ? "none" : tagged) + "\n");
        return true;
    }
    std::vector<cfgVlan_t> vlans;
    if (!readVlans(c, &vlans)) return false;
    c.printf("%-32s %-5s %-16s %8s %8s\n", "Name", "VID", "Virtual router", "Untagged", "Tagged");
    for (const cfgVlan_t &v : vlans)
        c.printf("%-32s %-5s %-16s %8d %8d\n", v.name, v.tag ? std::to_string(v.tag).c_str() : "-",
                 v.vrName, portCount(v.untaggedPorts), portCount(v.taggedPorts));
    c.printf("Total number of VLANs: %zu\n", vlans.size());
    return true;
}

bool cmdCreateVlan(const Ctx &c, const Args &a, const Command &cmd) {
    if (a.empty() || a.size() % 2 == 0) return usage(c, cmd);
    if (!validName(a[0])) return c.error("Invalid VLAN name \"" + a[0] + "\".");
    std::string vr = kDefaultVr, tag;
    std::set<std::string> given;
    for (size_t i = 1; i + 1 < a.size(); i += 2) {
        if (!given.insert(a[i]).second) return usage(c, cmd);
        if (a[i] == "vr") {
            if (!validName(a[i + 1]))
                return c.error("Invalid virtual router name \"" + a[i + 1] + "\".");
            vr = a[i + 1];
        } else if (a[i] == "tag") {
            uint32_t n;
            if (!parseUint(a[i + 1], 4095, &n) || n < 1)
                return c.error("Invalid 802.1Q tag \"" + a[i + 1] + "\" (1 to 4095).");
            tag = "<tag>" + std::to_string(n) + "</tag>";
        } else {
            return usage(c, cmd);
        }
    }
    cliCmReply_t reply;
    std::string text = "<module_vlan><set><vlan><vrName>" + cmXmlEscape(vr) + "</vrName><name>" +
                       cmXmlEscape(a[0]) + "</name>" + tag +
                       "<rowStatus>create</rowStatus></vlan></set></module_vlan>";
    return exchange(c, CM_OP_SET, 0, "vlan", text, &reply);
}

bool cmdDeleteVlan(const Ctx &c, const Args &a, const Command &cmd) {
    if (a.size() != 1) return usage(c, cmd);
    cfgVlan_t v;
    if (!findVlan(c, a[0], &v)) return false;
    return vlanSet(c, v, "<rowStatus>delete</rowStatus>");
}

// configure vlan NAME tag N | add ports LIST [tagged|untagged] | delete ports LIST
bool cmdConfigureVlan(const Ctx &c, const Args &a, const Command &cmd) {
    if (a.size() < 3) return usage(c, cmd);
    const std::string &verb = a[1];
    portlist_t ports;
    if (verb == "tag" && a.size() == 3) {
        uint32_t n;
        if (!parseUint(a[2], 4095, &n) || n < 1)
            return c.error("Invalid 802.1Q tag \"" + a[2] + "\" (1 to 4095).");
        cfgVlan_t v;
        if (!findVlan(c, a[0], &v)) return false;
        return vlanSet(c, v,
                       "<tag>" + std::to_string(n) + "</tag><rowStatus>configure</rowStatus>");
    }
    if (verb == "add" && a[2] == "ports" && (a.size() == 4 || a.size() == 5)) {
        bool tagged = false;
        if (a.size() == 5) {
            if (a[4] != "tagged" && a[4] != "untagged") return usage(c, cmd);
            tagged = a[4] == "tagged";
        }
        if (!checkPorts(c, a[3], &ports)) return false;
        cfgVlan_t v;
        if (!findVlan(c, a[0], &v)) return false;
        const char *element = tagged ? "taggedPorts" : "untaggedPorts";
        return vlanSet(c, v,
                       std::string("<") + element + ">" + portsText(ports) + "</" + element +
                           "><rowStatus>configure</rowStatus>");
    }
    if (verb == "delete" && a[2] == "ports" && a.size() == 4) {
        if (!checkPorts(c, a[3], &ports)) return false;
        cfgVlan_t v;
        if (!findVlan(c, a[0], &v)) return false;
        std::string list = portsText(ports);
        return vlanSet(c, v,
                       "<taggedPorts>" + list + "</taggedPorts><untaggedPorts>" + list +
                           "</untaggedPorts><rowStatus>unconfigure</rowStatus>");
    }
    return usage(c, cmd);
}

bool cmdShowFdb(const Ctx &c, const Args &a, const Command &cmd) {
    if (!a.empty()) return usage(c, cmd);
    std::vector<fdb_show_t> entries;
    if (!readFdb(c, &entries)) return false;
    c.printf("%-17s  %-32s %6s  %-5s  %s\n", "MAC", "VLAN", "Age", "Flags", "Ports");
    int statics = 0;
    for (const fdb_show_t &e : entries) {
        if (strchr(e.flags, 's')) statics++;
        c.printf("%-17s  %-32s %6u  %-5s  %s\n", macText(e.mac_addr).c_str(), e.vlan_name, e.age,
                 e.flags, portsText(e.port_list).c_str());
    }
    c.printf("Total: %zu entries, %d static\n", entries.size(), statics);
    return true;
}

bool parseMac(const Ctx &c, const std::string &text, std::string *mac) {
    uint8_t bytes[6];
    if (!STRING_TO_MAC(bytes, text.c_str()))
        return c.error("Invalid MAC address \"" + text + "\".");
    *mac = macText(bytes);
    return true;
}

bool cmdCreateFdb(const Ctx &c, const Args &a, const Command &cmd) {
    if (a.size() != 5 || a[1] != "vlan" || a[3] != "ports") return usage(c, cmd);
    std::string mac;
    portlist_t ports;
    if (!parseMac(c, a[0], &mac)) return false;
    if (!validName(a[2])) return c.error("Invalid VLAN name \"" + a[2] + "\".");
    if (!checkPorts(c, a[4], &ports)) return false;
    cliCmReply_t reply;
    std::string text = "<module_fdb><set><fdb_op><macAddr>" + mac + "</macAddr><vlanName>" +
                       cmXmlEscape(a[2]) + "</vlanName><portList>" + portsText(ports) +
                       "</portList><action>create</action><sub_action>4</sub_action></fdb_op>"
                       "</set></module_fdb>";
    return exchange(c, CM_OP_SET, 0, "fdb", text, &reply);
}

bool cmdDeleteFdb(const Ctx &c, const Args &a, const Command &cmd) {
    if (a.size() != 3 || a[1] != "vlan") return usage(c, cmd);
    std::string mac;
    if (!parseMac(c, a[0], &mac)) return false;
    if (!validName(a[2])) return c.error("Invalid VLAN name \"" + a[2] + "\".");
    cliCmReply_t reply;
    std::string text = "<module_fdb><set><fdb_op><macAddr>" + mac + "</macAddr><vlanName>" +
                       cmXmlEscape(a[2]) +
                       "</vlanName><action>delete</action><sub_action>5</sub_action></fdb_op>"
                       "</set></module_fdb>";
    return exchange(c, CM_OP_SET, 0, "fdb", text, &reply);
}

bool cmdShowPorts(const Ctx &c, const Args &a, const Command &cmd) {
    if (!a.empty()) return usage(c, cmd);
    std::vector<cfgVlan_t> vlans;
    if (!readVlans(c, &vlans)) return false;
    auto vlansOf = [&](auto test) {
        std::string untagged, tagged;
        for (const cfgVlan_t &v : vlans) {
            if (test(v.untaggedPorts))
                untagged += (untagged.empty() ? "" : ",") + std::string(v.name);
            if (test(v.taggedPorts)) tagged += (tagged.empty() ? "" : ",") + std::string(v.name);
        }
        return std::make_pair(untagged, tagged);
    };
    c.printf("%-8s %-32s %s\n", "Port", "Untagged VLAN", "Tagged VLANs");
    int count = 0;
    if (dmGetMgmtPorts(dmGetSlotSelf()) > 0) {
        auto [u, t] = vlansOf([](const portlist_t &l) { return plTestMgmt(&l); });
        c.printf("%-8s %-32s %s\n", "mgmt", u.c_str(), t.c_str());
        count++;
    }
    for (int slot = dmGetSlotFirst(); slot <= dmGetSlotLast(); slot++) {
        if (!dmCardPresent(slot)) continue;
        for (int port = 1; port <= dmGetCardPorts(slot); port++) {
            if (!dmPortPresent(slot, port)) continue;
            auto [u, t] = vlansOf([&](const portlist_t &l) { return plTestPort(&l, slot, port); });
            c.printf("%-8s %-32s %s\n", portName(slot, port).c_str(), u.c_str(), t.c_str());
            count++;
        }
    }
    c.printf("Total number of ports: %d\n", count);
    return true;
}

bool cmdShowConfiguration(const Ctx &c, const Args &a, const Command &cmd) {
    if (!a.empty()) return usage(c, cmd);
    std::vector<cfgVlan_t> vlans;
    std::vector<fdb_show_t> fdb;
    std::string config, trace;
    if (!readVlans(c, &vlans) || !readFdb(c, &fdb)) return false;
    c.print("#\n# Module vlan\n#\n");
    for (const cfgVlan_t &v : vlans) {
        std::string line = std::string("create vlan ") + v.name + " vr " + v.vrName;
        if (v.tag) line += " tag " + std::to_string(v.tag);
        c.print(line + "\n");
        std::string untagged = portsText(v.untaggedPorts), tagged = portsText(v.taggedPorts);
        if (!untagged.empty())
            c.print(std::string("configure vlan ") + v.name + " add ports " + untagged +
                    " untagged\n");
        if (!tagged.empty())
            c.print(std::string("configure vlan ") + v.name + " add ports " + tagged + " tagged\n");
    }
    c.print("#\n# Module fdb\n#\n");
    for (const fdb_show_t &e : fdb)
        if (strchr(e.flags, 's'))
            c.print("create fdb " + macText(e.mac_addr) + " vlan " + e.vlan_name + " ports " +
                    portsText(e.port_list) + "\n");
    c.print("#\n# Module management\n#\n");
    // The daemon's settings are shown when it is there to ask; its absence is no error here.
    cliCmReply_t reply;
    std::string value;
    if (c.svc.cmExchange &&
        c.svc.cmExchange(CM_OP_GET, CM_GET_PLAIN, "wsvdbe",
                         "<module_wsvdbe><get><wsvdConfig/></get></module_wsvdbe>", &reply) &&
        reply.status != 0 && xmlLeaf(reply.data, "maxSessions", &value))
        c.print("configure management max-sessions " + value + "\n");
    reply = {};
    if (c.svc.cmExchange &&
        c.svc.cmExchange(CM_OP_GET, CM_GET_PLAIN, "wsvdbe",
                         "<module_wsvdbe><get><wsvdTraceConfig/></get></module_wsvdbe>", &reply) &&
        reply.status != 0) {
        if (xmlLeaf(reply.data, "maxFileSize", &value))
            c.print("configure management trace size " + value + "\n");
        if (xmlLeaf(reply.data, "startTracing", &value))
            c.print(std::string("configure management trace ") + (value == "0" ? "off" : "on") +
                    "\n");
    }
    return true;
}

bool cmdSaveConfiguration(const Ctx &c, const Args &a, const Command &cmd) {
    if (!a.empty()) return usage(c, cmd);
    cliCmReply_t reply;
    if (!exchange(c, CM_OP_SETOP, 0, "cfgmgr",
                  "<module_cfgmgr><setop><saveConfig><set_def>0</set_def></saveConfig></setop>"
                  "</module_cfgmgr>",
                  &reply))
        return false;
    c.print("Configuration saved.\n");
    return true;
}

bool cmdShowSessions(const Ctx &c, const Args &a, const Command &cmd) {
    if (!a.empty()) return usage(c, cmd);
    std::string list, error;
    if (!c.svc.smList || !c.svc.smList(&list, &error))
        return c.error(error.empty() ? "The session manager is not available." : error);
    c.print("Management sessions:\n");
    if (list.empty()) c.print("  none\n");
    size_t pos = 0;
    while (pos < list.size()) {
        size_t nl = list.find('\n', pos);
        if (nl == std::string::npos) nl = list.size();
        c.print("  " + list.substr(pos, nl - pos) + "\n");
        pos = nl + 1;
    }
    return true;
}

bool cmdClearSession(const Ctx &c, const Args &a, const Command &cmd) {
    if (a.size() != 1) return usage(c, cmd);
    if (a[0].empty() || a[0].size() > 32)
        return c.error("Invalid session cookie \"" + a[0] + "\".");
    std::string error;
    if (!c.svc.smKill || !c.svc.smKill(a[0], &error))
        return c.error(error.empty() ? "No session has the cookie \"" + a[0] + "\"." : error);
    c.print("Session " + a[0] + " ended.\n");
    return true;
}

bool cmdShowManagement(const Ctx &c, const Args &a, const Command &cmd) {
    if (!a.empty()) return usage(c, cmd);
    std::string config, trace, v;
    if (!wsvdbeGet(c, "wsvdConfig", &config) || !wsvdbeGet(c, "wsvdTraceConfig", &trace))
        return false;
    auto leaf = [](const std::string &xml, const char *name) {
        std::string v;
        return xmlLeaf(xml, name, &v) ? v : std::string("-");
    };
    c.print("Maximum sessions:  " + leaf(config, "maxSessions") + "\n");
    std::string on = leaf(trace, "startTracing");
    c.print(std::string("Request trace:     ") +
            (on == "-"   ? "-"
             : on == "0" ? "off"
                         : "on") +
            "\n");
    c.print("Trace file size:   " + leaf(trace, "maxFileSize") + "\n");
    c.print("Trace files:       " + leaf(trace, "fileName") + ", " + leaf(trace, "secondFileName") +
            "\n");
    return true;
}

bool cmdShowCounters(const Ctx &c, const Args &a, const Command &cmd) {
    if (!a.empty()) return usage(c, cmd);
    std::string data;
    if (!wsvdbeGet(c, "wsvdGlobalCounter", &data)) return false;
    static const std::pair<const char *, const char *> kCounters[] = {
        {"xmlRequest", "Requests"},
        {"xmlError", "Requests with errors"},
        {"xmlSchemaError", "Schema errors"},
        {"xmlInternalError", "Internal errors"},
        {"xmlBackendError", "Backend errors"},
        {"xmlSessionRequest", "Session requests"},
        {"xmlSessionDenied", "Sessions denied"},
        {"xmlSessionTimedOut", "Sessions timed out"},
        {"authFailure", "Authentication failures"},
    };
    for (auto &[element, label] : kCounters) {
        std::string v;
        if (!xmlLeaf(data, element, &v)) v = "-";
        c.printf("%-26s %s\n", label, v.c_str());
    }
    return true;
}

bool cmdConfigureManagement(const Ctx &c, const Args &a, const Command &cmd) {
    uint32_t n;
    if (a.size() == 2 && a[0] == "max-sessions") {
        if (!parseUint(a[1], 0xffffffffu, &n)) return c.error("Invalid number \"" + a[1] + "\".");
        return wsvdbeSet(c, "wsvdConfig", "<maxSessions>" + std::to_string(n) + "</maxSessions>");
    }
    if (a.size() == 2 && a[0] == "trace" && (a[1] == "on" || a[1] == "off"))
        return wsvdbeSet(
            c, "wsvdTraceConfig",
            std::string("<startTracing>") + (a[1] == "on" ? "1" : "0") + "</startTracing>");
    if (a.size() == 3 && a[0] == "trace" && a[1] == "size") {
        if (!parseUint(a[2], 0x7fffffffu, &n)) return c.error("Invalid number \"" + a[2] + "\".");
        return wsvdbeSet(c, "wsvdTraceConfig",
                         "<maxFileSize>" + std::to_string(n) + "</maxFileSize>");
    }
    return usage(c, cmd);
}

// ---- access lists and policies

// A get-next walk of `object`: the first request gives `fields`, `take` reads each
// reply's object and gives the fields of the next request. It ends after the last row
// (status 1, or an empty reply). False after an error line.
bool walk(const Ctx &c, const std::string &module, const std::string &object, std::string fields,
          const std::function<std::string(const std::string &data)> &take) {
    for (int i = 0; i < kWalkCap; i++) {
        cliCmReply_t reply;
        std::string text = "<module_" + module + "><get><" + object + ">" + fields + "</" + object +
                           "></get></module_" + module + ">";
        if (!exchange(c, CM_OP_GET, CM_GET_NEXT, module.c_str(), text, &reply)) return false;
        if (reply.data.empty()) break;
        fields = take(reply.data);
        if (reply.status == 1) break;
    }
    return true;
}

std::string leafOf(const std::string &xml, const char *name) {
    std::string v;
    return xmlLeaf(xml, name, &v) ? v : std::string();
}

// "<a>x</a><b>y</b>" of the named leaves of a reply, for the next request of a walk.
std::string keyOf(const std::string &data, std::initializer_list<const char *> names) {
    std::string fields;
    for (const char *n : names)
        fields += std::string("<") + n + ">" + cmXmlEscape(leafOf(data, n)) + "</" + n + ">";
    return fields;
}

// The statements of a rule or policy entry, read from walk replies.
void addStatement(ruleEntry_t *e, const std::string &data, const char *typeField) {
    uint32_t block = 0;
    parseUint(leafOf(data, typeField), 3, &block);
    e->statements.push_back({block ? block : uint32_t(RULE_BLOCK_THEN), leafOf(data, "keyword"),
                             leafOf(data, "value")});
}

std::string interfaceText(const std::string &data, const char *vlanField) {
    std::string vlan = leafOf(data, vlanField), port = leafOf(data, "port");
    if (!vlan.empty()) return "vlan " + vlan;
    if (!port.empty()) return "port " + port;
    return "every interface";
}

bool cmdShowAccessList(const Ctx &c, const Args &a, const Command &cmd) {
    if (a.size() > 1) return usage(c, cmd);
    if (a.size() == 1) {
        ruleEntry_t e{a[0], RULE_ENTRY_ACL, RULE_MATCH_ALL, {}};
        cliCmReply_t reply;
        if (!exchange(c, CM_OP_GET, CM_GET_EXACT, "acl",
                      "<module_acl><get><dynEntry><entryName>" + cmXmlEscape(a[0]) +
                          "</entryName></dynEntry></get></module_acl>",
                      &reply))
            return false;
        if (reply.data.empty()) return c.error("Dynamic rule \"" + a[0] + "\" does not exist.");
        bool ok = walk(c, "acl", "dynStatement", "<entryName>" + cmXmlEscape(a[0]) + "</entryName>",
                       [&](const std::string &data) {
                           addStatement(&e, data, "type");
                           return keyOf(data, {"entryName", "statementNumber"});
                       });
        if (ok) c.print(ruleEntryWrite(e));
        return ok;
    }
    c.printf("%-32s %-6s %-16s %s\n", "Dynamic rule", "Number", "Application", "Persistent");
    int rules = 0;
    if (!walk(c, "acl", "dynEntry", "", [&](const std::string &data) {
            rules++;
            c.printf("%-32s %-6s %-16s %s\n", leafOf(data, "entryName").c_str(),
                     leafOf(data, "entryNumber").c_str(), leafOf(data, "applName").c_str(),
                     leafOf(data, "dynamic") == "1" ? "yes" : "no");
            return keyOf(data, {"entryName"});
        }))
        return false;
    c.printf("Total number of dynamic rules: %d\n", rules);
    c.printf("%-32s %-24s %-9s %s\n", "Applied rule", "Interface", "Direction", "Position");
    for (const char *direction : {"0", "1"}) {
        bool ok =
            walk(c, "acl", "aclRuleAppl",
                 std::string("<any>1</any><aclIfDirection>") + direction + "</aclIfDirection>",
                 [&](const std::string &data) {
                     c.printf("%-32s %-24s %-9s %s\n", leafOf(data, "ruleName").c_str(),
                              interfaceText(data, "vlan").c_str(),
                              direction[0] == '1' ? "egress" : "ingress",
                              leafOf(data, "currEntryNo").c_str());
                     return keyOf(
                         data, {"vlanIfInstance", "portInstance", "entryNumber", "dynEntryNumber",
                                "statementNumber", "currEntryNo", "aclIfDirection"});
                 });
        if (!ok) return false;
    }
    return true;
}

// The entries of a policy, as the policy module reads its file.
bool readPolicy(const Ctx &c, const std::string &name, std::vector<ruleEntry_t> *entries) {
    std::vector<std::string> keys;  // of each entry, to walk its statements
    if (!walk(c, "pm", "pMEntry", "<policyName>" + cmXmlEscape(name) + "</policyName>",
              [&](const std::string &data) {
                  uint32_t kind = 0, match = 0;
                  parseUint(leafOf(data, "entryType"), 4, &kind);
                  parseUint(leafOf(data, "matchType"), 2, &match);
                  entries->push_back({leafOf(data, "entryName"), kind, match, {}});
                  keys.push_back(keyOf(data, {"policyName", "entryNumber"}));
                  return keys.back();
              }))
        return false;
    for (size_t n = 0; n < entries->size(); n++) {
        ruleEntry_t &e = (*entries)[n];
        if (!walk(c, "pm", "pMStatement", keys[n], [&](const std::string &data) {
                addStatement(&e, data, "statementType");
                return keyOf(data, {"policyName", "entryNumber", "statementNumber"});
            }))
            return false;
    }
    return true;
}

bool cmdShowPolicy(const Ctx &c, const Args &a, const Command &cmd) {
    if (a.size() > 1) return usage(c, cmd);
    if (a.size() == 1) {
        std::vector<ruleEntry_t> entries;
        if (!readPolicy(c, a[0], &entries)) return false;
        for (const ruleEntry_t &e : entries)
            c.print(std::string(e.kind == RULE_ENTRY_ACL ? "# Acl entry " : "# Tripwatch rule ") +
                    e.name + "\n" + ruleEntryWrite(e) + "\n");
        c.printf("Policy %s: %zu entries\n", a[0].c_str(), entries.size());
        return true;
    }
    std::vector<std::string> names;
    if (!walk(c, "pm", "pMPolicy", "", [&](const std::string &data) {
            names.push_back(leafOf(data, "policyName"));
            return keyOf(data, {"policyName"});
        }))
        return false;
    c.print("Policies:\n");
    for (const std::string &n : names) c.print("  " + n + "\n");
    c.printf("Total number of policies: %zu\n", names.size());
    c.printf("%-32s %-24s %s\n", "Bound policy", "Interface", "Direction");
    return walk(c, "acl", "policyBinding", "", [&](const std::string &data) {
        c.printf("%-32s %-24s %s\n", leafOf(data, "aclName").c_str(),
                 interfaceText(data, "vlan").c_str(),
                 leafOf(data, "aclIfDirection") == "1" ? "egress" : "ingress");
        return keyOf(data, {"aclIfDirection", "vlanIfInstance", "portInstance"});
    });
}

bool cmdHelp(const Ctx &c, const Args &a, const Command &cmd);

const std::vector<Command> &commands() {
    static const std::vector<Command> kCommands = {
        {{"help"}, cmdHelp, {{"help", "list the commands"}}},
        {{"show", "vlan"},
         cmdShowVlan,
         {{"show vlan [NAME]", "list the VLANs, or show one in detail"}}},
        {{"create", "vlan"},
         cmdCreateVlan,
         {{"create vlan NAME [vr VR] [tag N]",
           "create a VLAN (virtual router VR-Default by default)"}}},
        {{"configure", "vlan"},
         cmdConfigureVlan,
         {{"configure vlan NAME tag N", "set the 802.1Q tag of a VLAN"},
          {"configure vlan NAME add ports LIST [tagged|untagged]",
           "add ports to a VLAN (untagged by default)"},
          {"configure vlan NAME delete ports LIST", "remove ports from a VLAN"}}},
        {{"delete", "vlan"}, cmdDeleteVlan, {{"delete vlan NAME", "delete a VLAN"}}},
        {{"show", "fdb"}, cmdShowFdb, {{"show fdb", "list the forwarding database"}}},
        {{"create", "fdb"},
         cmdCreateFdb,
         {{"create fdb MAC vlan NAME ports PORT", "add a static forwarding entry"}}},
        {{"delete", "fdb"},
         cmdDeleteFdb,
         {{"delete fdb MAC vlan NAME", "remove a static forwarding entry"}}},
        {{"show", "ports"},
         cmdShowPorts,
         {{"show ports", "list the switch's ports and their VLANs"}}},
        {{"show", "configuration"},
         cmdShowConfiguration,
         {{"show configuration", "the configuration, as the commands that recreate it"}}},
        {{"save", "configuration"},
         cmdSaveConfiguration,
         {{"save configuration", "save the configuration so that it survives a restart"}}},
        {{"show", "access-list"},
         cmdShowAccessList,
         {{"show access-list [NAME]",
           "list the dynamic rules and where they apply, or show one rule"}}},
        {{"show", "policy"},
         cmdShowPolicy,
         {{"show policy [NAME]", "list the policies and where they are bound, or show one"}}},
        {{"show", "management", "sessions"},
         cmdShowSessions,
         {{"show management sessions", "list the management sessions"}}},
        {{"clear", "management", "session"},
         cmdClearSession,
         {{"clear management session COOKIE", "end a management session"}}},
        {{"show", "management", "counters"},
         cmdShowCounters,
         {{"show management counters", "the management API's request counters"}}},
        {{"show", "management"},
         cmdShowManagement,
         {{"show management", "the management API's settings"}}},
        {{"configure", "management"},
         cmdConfigureManagement,
         {{"configure management max-sessions N", "limit the management sessions"},
          {"configure management trace on|off", "start or stop the request trace"},
          {"configure management trace size N", "limit the size of each trace file"}}},
    };
    return kCommands;
}

bool cmdHelp(const Ctx &c, const Args &a, const Command &cmd) {
    if (!a.empty()) return usage(c, cmd);
    for (const Command &k : commands())
        for (auto &[syntax, what] : k.help) c.printf("%-55s %s\n", syntax, what);
    return true;
}

}  // namespace

bool cliExecute(const cliServices_t &services, const std::string &line, const cliOutput_t &out,
                const cliVariables_t *variables) {
    Ctx c{services, out};
    Args words;
    std::string why;
    if (!tokenize(line, &words, &why)) return c.error(why);
    if (words.empty() || (!words[0].empty() && words[0][0] == '#')) return true;
    if (variables)
        for (std::string &word : words)
            if (!substitute(*variables, &word, &why)) return c.error(why);
    // The command with the most matching keywords wins ("show management counters"
    // before "show management").
    const Command *best = nullptr;
    for (const Command &k : commands()) {
        if (k.keywords.size() > words.size()) continue;
        bool match = true;
        for (size_t i = 0; i < k.keywords.size() && match; i++) match = words[i] == k.keywords[i];
        if (match && (!best || k.keywords.size() > best->keywords.size())) best = &k;
    }
    if (!best) return c.error("Unknown command \"" + line + "\". Type \"help\" for the commands.");
    Args args(words.begin() + long(best->keywords.size()), words.end());
    return best->handler(c, args, *best);
}

std::vector<std::string> cliCompletions(const std::string &line) {
    std::vector<std::string> words;
    std::istringstream in(line);
    for (std::string w; in >> w;) words.push_back(w);
    // The word being typed, when the line does not end in a blank.
    std::string prefix;
    if (!line.empty() && line.back() != ' ' && line.back() != '\t' && !words.empty()) {
        prefix = words.back();
        words.pop_back();
    }
    std::set<std::string> next;
    for (const Command &k : commands()) {
        if (k.keywords.size() <= words.size()) continue;
        bool match = true;
        for (size_t i = 0; i < words.size() && match; i++) match = words[i] == k.keywords[i];
        std::string candidate = k.keywords[words.size()];
        if (match && candidate.rfind(prefix, 0) == 0) next.insert(candidate);
    }
    return {next.begin(), next.end()};
}
