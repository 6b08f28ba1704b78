// Module "acl": dynamic rules made from their rule text (aclRuleObj) and kept as
// entries and statements (dynEntry, dynStatement); where each rule applies (set and
// walked as aclRuleAppl, kept in dynApplication); and the policy bound to each
// interface (set as aclIfEntry, kept in policyBinding, read as aclEntry).
#include <cstdlib>
#include <string>
#include <vector>

#include "cfgmgmt/cmBackend/src/buffer.h"
#include "cfgmgmt/cmBackend/src/cm_print.h"
#include "cfgmgmt/cmBackend/src/cm_types.h"
#include "cfgmgmt/rules/rule_lang.h"
#include "cfgmgr/hooks.h"
#include "platform/dmcard.h"
#include "platform/portlist.h"

namespace {

int fail(cfgChange &c, const std::string &why) {
    c.why = why;
    return -1;
}

const std::string *given(const cfgChange &c, const char *field) {
    return c.table.value(c.request, field);
}

uint32_t numberOf(const std::string *text) {
    return text ? uint32_t(strtoul(text->c_str(), nullptr, 10)) : 0;
}

cfgTable &table(const char *module, const char *object) {
    // The catalogue declares these beside the objects whose hooks run.
    return *cfgTableFind(module, object);
}

// Assigns field texts to a new row of `t`; false with *why when one does not fit.
bool fill(const cfgTable &t, cfgRow &row,
          std::initializer_list<std::pair<const char *, std::string>> fields, std::string *why) {
    for (const auto &[name, text] : fields)
        if (t.assign(row, name, text, why) != 0) return false;
    return true;
}

// ---- interfaces: a VLAN, a port, or every interface

struct Interface {
    uint32_t vlanInstance = 0;
    uint32_t portId = 0;
    std::string vlan;  // its name, for a VLAN
    std::string port;  // its text, for a port
};

std::string portText(uint32_t portId) {
    buffer_t b = {};
    bufferPutf(&b, "%M", portId);
    std::string text = b.data ? b.data : "";
    free(b.data);
    return text;
}

std::string describe(const Interface &i) {
    if (i.vlanInstance) return "vlan \"" + i.vlan + "\"";
    if (i.portId) return "port " + i.port;
    return "every interface";
}

// The interfaces a set names: a VLAN by name, the front ports of a port list, or
// (neither) every interface. False with *why.
bool interfacesOf(const std::string *vlan, const std::string *ports, std::vector<Interface> *out,
                  std::string *why) {
    out->clear();
    if (vlan && ports) {
        *why = "Name a VLAN or ports, not both.";
        return false;
    }
    if (vlan) {
        const cfgTable &vlans = table("vlan", "vlan");
        cfgRow key = vlans.blank();
        if (vlans.assign(key, "name", *vlan, why) != 0) return false;
        int at = vlans.locate(key);
        if (at < 0) {
            *why = "vlan \"" + *vlan + "\" does not exist.";
            return false;
        }
        out->push_back({vlans.rows()[size_t(at)].instance, 0, *vlan, ""});
        return true;
    }
    if (!ports) {
        out->push_back(Interface());
        return true;
    }
    portlist_t list;
    if (STRING_TO_PORTLIST(&list, ports->c_str(), 0))
        for (int slot = dmGetSlotFirst(); slot >= 1 && slot <= dmGetSlotLast(); slot++)
            for (int port = 1; port <= dmGetCardPorts(slot); port++)
                if (plTestPort(&list, slot, port)) {
                    uint32_t id = plPortId(slot, port);
                    out->push_back({0, id, "", portText(id)});
                }
    if (out->empty()) *why = "\"" + *ports + "\" names no front port of the switch.";
    return !out->empty();
}

// ---- rules

int makeRule(cfgChange &c, const std::string &name) {
    cfgTable &entries = table("acl", "dynEntry");
    cfgTable &statements = table("acl", "dynStatement");
    std::vector<ruleEntry_t> parsed;
    std::string why;
    const std::string *text = given(c, "entryBuffer");
    if (ruleParse(text ? *text : "", &parsed, &why) != 0)
        return fail(c, "The rule text of \"" + name + "\" cannot be read: " + why);
    if (parsed.size() != 1)
        return fail(c, "The rule text of \"" + name + "\" must hold one entry, not " +
                           std::to_string(parsed.size()) + ".");
    const ruleEntry_t &e = parsed[0];
    if (e.kind != RULE_ENTRY_ACL)
        return fail(c, "The rule text of \"" + name + "\" is a Tripwatch entry, not an ACL entry.");
    if (e.name != name)
        return fail(c, "The rule text names entry \"" + e.name + "\", not \"" + name + "\".");

    uint32_t number = 1;
    for (const cfgRow &row : entries.rows())
        number = std::max(number, numberOf(entries.value(row, "entryNumber")) + 1);
    std::string appl = given(c, "applName") ? *given(c, "applName") : "";
    std::string dynamic = std::to_string(numberOf(given(c, "dynamic")));
    cfgRow entry = entries.blank();
    if (!fill(entries, entry,
              {{"entryName", name},
               {"entryNumber", std::to_string(number)},
               {"applName", appl},
               {"dynamic", dynamic}},
              &c.why))
        return -1;
    if (entries.find(entry) >= 0) return fail(c, "Dynamic rule \"" + name + "\" already exists.");
    if (entries.insert(std::move(entry), &c.why) != 0) return -1;
    uint32_t n = 0;
    for (const ruleStatement_t &s : e.statements) {
        cfgRow row = statements.blank();
        if (!fill(statements, row,
                  {{"entryName", name},
                   {"statementNumber", std::to_string(++n)},
                   {"applName", appl},
                   {"dynamic", dynamic},
                   {"type", s.block == RULE_BLOCK_IF ? "1" : "2"},
                   {"keyword", s.keyword},
                   {"value", s.value}},
                  &c.why) ||
            statements.insert(std::move(row), &c.why) != 0)
            return -1;
    }
    return 0;
}

int deleteRule(cfgChange &c, const std::string &name) {
    cfgTable &entries = table("acl", "dynEntry");
    const cfgTable &applied = table("acl", "dynApplication");
    cfgRow key = entries.blank();
    if (entries.assign(key, "entryName", name, &c.why) != 0) return -1;
    int at = entries.find(key);
    if (at < 0) return fail(c, "Dynamic rule \"" + name + "\" does not exist.");
    for (const cfgRow &row : applied.rows())
        if (*applied.value(row, "ruleName") == name)
            return fail(
                c, "Dynamic rule \"" + name + "\" is applied; take it off every interface first.");
    return cfgStoreDelete(entries, size_t(at), &c.why);
}

int ruleObject(cfgChange &c) {
    const std::string *name = given(c, "name");
    if (!name || name->empty()) return fail(c, "Missing field \"name\" of aclRuleObj.");
    if (c.action == CM_ACTION_CREATE) return makeRule(c, *name);
    if (c.action == CM_ACTION_DELETE) return deleteRule(c, *name);
    return fail(c, "aclRuleObj needs the action create or delete.");
}

// ---- applications

// The applications on one interface in one direction, in order.
std::vector<cfgRow> applicationsOn(const cfgTable &applied, uint32_t direction,
                                   const Interface &i) {
    std::vector<cfgRow> rows;
    for (const cfgRow &row : applied.rows())
        if (numberOf(applied.value(row, "aclIfDirection")) == direction &&
            numberOf(applied.value(row, "vlanIfInstance")) == i.vlanInstance &&
            numberOf(applied.value(row, "portInstance")) == i.portId)
            rows.push_back(row);
    return rows;
}

// Replaces the applications of one interface by `rows`, numbered in their new order.
int rewrite(cfgTable &applied, uint32_t direction, const Interface &i, std::vector<cfgRow> rows,
            std::string *why) {
    for (const cfgRow &old : applicationsOn(applied, direction, i))
        if (int at = applied.find(old); at >= 0) applied.erase(size_t(at));
    uint32_t position = 0;
    for (cfgRow &row : rows) {
        row.instance = 0;
        if (applied.assign(row, "position", std::to_string(++position), why) != 0 ||
            applied.insert(std::move(row), why) != 0)
            return -1;
    }
    return 0;
}

int indexOf(const cfgTable &applied, const std::vector<cfgRow> &rows, const std::string &rule) {
    for (size_t k = 0; k < rows.size(); k++)
        if (*applied.value(rows[k], "ruleName") == rule) return int(k);
    return -1;
}

int apply(cfgChange &c, cfgTable &applied, const std::string &rule, uint32_t direction,
          const std::vector<Interface> &interfaces) {
    cfgTable &entries = table("acl", "dynEntry");
    cfgRow key = entries.blank();
    if (entries.assign(key, "entryName", rule, &c.why) != 0) return -1;
    if (entries.find(key) < 0) return fail(c, "Dynamic rule \"" + rule + "\" does not exist.");
    const std::string *relative = given(c, "relName");
    bool before = numberOf(given(c, "ruleAction")) == 1;
    for (const Interface &i : interfaces) {
        std::vector<cfgRow> rows = applicationsOn(applied, direction, i);
        if (indexOf(applied, rows, rule) >= 0)
            return fail(c,
                        "Dynamic rule \"" + rule + "\" is already applied to " + describe(i) + ".");
        size_t at = before ? 0 : rows.size();
        if (relative && !relative->empty()) {
            int k = indexOf(applied, rows, *relative);
            if (k < 0)
                return fail(
                    c, "Dynamic rule \"" + *relative + "\" is not applied to " + describe(i) + ".");
            at = size_t(k) + (before ? 0 : 1);
        }
        cfgRow row = applied.blank();
        const std::string *priority = given(c, "priority");
        const std::string *appl = given(c, "applName");
        const std::string *zone = given(c, "zone");
        if (!fill(applied, row,
                  {{"aclIfDirection", std::to_string(direction)},
                   {"vlanIfInstance", std::to_string(i.vlanInstance)},
                   {"portInstance", std::to_string(i.portId)},
                   {"ruleName", rule}},
                  &c.why) ||
            (i.vlanInstance && applied.assign(row, "vlan", i.vlan, &c.why) != 0) ||
            (i.portId && applied.assign(row, "port", i.port, &c.why) != 0) ||
            (priority && applied.assign(row, "priority", *priority, &c.why) != 0) ||
            (appl && applied.assign(row, "applName", *appl, &c.why) != 0) ||
            (zone && applied.assign(row, "zone", *zone, &c.why) != 0))
            return -1;
        rows.insert(rows.begin() + long(at), std::move(row));
        if (rewrite(applied, direction, i, std::move(rows), &c.why) != 0) return -1;
    }
    return 0;
}

// Takes the rule off the interfaces named, or (`all`) off every one it is on.
int takeOff(cfgChange &c, cfgTable &applied, const std::string &rule, uint32_t direction,
            const std::vector<Interface> &interfaces, bool all) {
    std::vector<std::pair<uint32_t, Interface>> on;
    if (all) {
        for (const cfgRow &row : applied.rows())
            if (*applied.value(row, "ruleName") == rule) {
                Interface i{numberOf(applied.value(row, "vlanIfInstance")),
                            numberOf(applied.value(row, "portInstance")), "", ""};
                on.emplace_back(numberOf(applied.value(row, "aclIfDirection")), i);
            }
    } else {
        for (const Interface &i : interfaces) on.emplace_back(direction, i);
    }
    for (const auto &[dir, i] : on) {
        std::vector<cfgRow> rows = applicationsOn(applied, dir, i);
        int k = indexOf(applied, rows, rule);
        if (k < 0)
            return fail(c, "Dynamic rule \"" + rule + "\" is not applied to " + describe(i) + ".");
        rows.erase(rows.begin() + k);
        if (rewrite(applied, dir, i, std::move(rows), &c.why) != 0) return -1;
    }
    return 0;
}

int ruleApplication(cfgChange &c) {
    cfgTable &applied = table("acl", "dynApplication");
    const std::string *rule = given(c, "ruleName");
    if (!rule || rule->empty()) return fail(c, "Missing field \"ruleName\" of aclRuleAppl.");
    uint32_t direction = numberOf(given(c, "aclIfDirection"));
    uint32_t action = numberOf(given(c, "ruleAction"));
    std::vector<Interface> interfaces;
    bool all = c.action == CM_ACTION_UNCONFIGURE && action == 6;
    if (!all && !interfacesOf(given(c, "vlan"), given(c, "ports"), &interfaces, &c.why)) return -1;
    if (c.action == CM_ACTION_CONFIGURE) {
        if (action > 2)
            return fail(c, "Rule action " + std::to_string(action) + " does not apply a rule.");
        return apply(c, applied, *rule, direction, interfaces);
    }
    if (c.action == CM_ACTION_UNCONFIGURE) {
        if (action != 5 && action != 6)
            return fail(c, "Rule action " + std::to_string(action) + " does not take a rule off.");
        return takeOff(c, applied, *rule, direction, interfaces, all);
    }
    return fail(c, "aclRuleAppl needs the action configure or unconfigure.");
}

// The walk over applications: entryNumber says which interfaces it covers.
enum { kWalkAll = 0, kWalkVlan = 1, kWalkPort = 2 };

int applicationRows(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
                    std::string *why) {
    const cfgTable &applied = table("acl", "dynApplication");
    const cfgTable &entries = table("acl", "dynEntry");
    uint32_t direction = numberOf(view.value(request, "aclIfDirection"));
    uint32_t scope = kWalkAll;
    Interface only;
    if (const std::string *walk = view.value(request, "entryNumber")) {
        scope = numberOf(walk);
        only.vlanInstance = numberOf(view.value(request, "vlanIfInstance"));
        only.portId = numberOf(view.value(request, "portInstance"));
    } else if (const std::string *vlan = view.value(request, "vlan")) {
        std::vector<Interface> found;
        if (!interfacesOf(vlan, nullptr, &found, why)) return -1;
        scope = kWalkVlan;
        only = found[0];
    } else if (const std::string *port = view.value(request, "port")) {
        scope = kWalkPort;
        STRING_TO_PORTMASK(&only.portId, port->c_str(), 0);
    }
    for (const cfgRow &a : applied.rows()) {
        uint32_t vlan = numberOf(applied.value(a, "vlanIfInstance"));
        uint32_t port = numberOf(applied.value(a, "portInstance"));
        if (numberOf(applied.value(a, "aclIfDirection")) != direction) continue;
        if (scope == kWalkVlan && (vlan == 0 || vlan != only.vlanInstance)) continue;
        if (scope == kWalkPort && (port == 0 || port != only.portId)) continue;
        const std::string &rule = *applied.value(a, "ruleName");
        cfgRow key = entries.blank();
        entries.assign(key, "entryName", rule, why);
        int entry = entries.find(key);
        cfgRow row = view.blank();
        if (!fill(view, row,
                  {{"entryNumber", std::to_string(scope)},
                   {"aclIfDirection", std::to_string(direction)},
                   {"vlanIfInstance", std::to_string(vlan)},
                   {"portInstance", std::to_string(port)},
                   {"currEntryNo", *applied.value(a, "position")},
                   {"ruleName", rule},
                   {"dynEntryNumber",
                    entry < 0 ? "0" : *entries.value(entries.rows()[size_t(entry)], "entryNumber")},
                   {"statementNumber", "0"},
                   {"any", vlan == 0 && port == 0 ? "1" : "0"}},
                  why))
            return -1;
        for (const char *field : {"vlan", "port", "priority", "applName", "zone"})
            if (const std::string *v = applied.value(a, field)) view.assign(row, field, *v, why);
        rows->push_back(std::move(row));
    }
    return 0;
}

// ---- policies bound to interfaces

// A policy that may be bound: a file of the configuration directory that reads well.
bool policyReadable(const std::string &name, std::string *why) {
    if (!rulePolicyNameOk(name)) {
        *why = "\"" + name + "\" is not a policy name.";
        return false;
    }
    const cfgStoreEnvironment_t &environment = cfgStoreEnvironment();
    std::string dir = environment.configDir ? environment.configDir() : "";
    if (dir.empty()) {
        *why = "There is no configuration directory.";
        return false;
    }
    std::vector<ruleEntry_t> entries;
    bool missing = false;
    std::string reason;
    if (rulePolicyRead(dir + "/" + name + ".pol", &entries, &reason, &missing) == 0) return true;
    *why =
        missing ? "Policy \"" + name + "\" does not exist." : "Policy \"" + name + "\" " + reason;
    return false;
}

int bindingAt(const cfgTable &bound, uint32_t direction, const Interface &i) {
    cfgRow key = bound.blank();
    std::string unused;
    bound.assign(key, "aclIfDirection", std::to_string(direction), &unused);
    bound.assign(key, "vlanIfInstance", std::to_string(i.vlanInstance), &unused);
    bound.assign(key, "portInstance", std::to_string(i.portId), &unused);
    return bound.find(key);
}

int policyBinding(cfgChange &c) {
    cfgTable &bound = table("acl", "policyBinding");
    const std::string *policy = given(c, "aclName");
    if (!policy || policy->empty()) return fail(c, "Missing field \"aclName\" of aclIfEntry.");
    uint32_t direction = numberOf(given(c, "aclIfDirection"));
    std::vector<Interface> interfaces;
    if (!interfacesOf(given(c, "vlan"), given(c, "ports"), &interfaces, &c.why)) return -1;
    if (c.action != CM_ACTION_CONFIGURE && c.action != CM_ACTION_UNCONFIGURE)
        return fail(c, "aclIfEntry needs the action configure or unconfigure.");
    bool bind = c.action == CM_ACTION_CONFIGURE;
    if (bind && !policyReadable(*policy, &c.why)) return -1;
    for (const Interface &i : interfaces) {
        int at = bindingAt(bound, direction, i);
        const std::string *holder =
            at < 0 ? nullptr : bound.value(bound.rows()[size_t(at)], "aclName");
        if (!bind) {
            if (!holder || *holder != *policy)
                return fail(c, "Policy \"" + *policy + "\" is not bound to " + describe(i) + ".");
            bound.erase(size_t(at));
            continue;
        }
        if (holder)
            return fail(c,
                        describe(i) + " already has policy \"" + *holder + "\" in this direction.");
        cfgRow row = bound.blank();
        const std::string *precedence = given(c, "precedence");
        if (!fill(bound, row,
                  {{"aclIfDirection", std::to_string(direction)},
                   {"vlanIfInstance", std::to_string(i.vlanInstance)},
                   {"portInstance", std::to_string(i.portId)},
                   {"aclName", *policy}},
                  &c.why) ||
            (i.vlanInstance && bound.assign(row, "vlan", i.vlan, &c.why) != 0) ||
            (i.portId && bound.assign(row, "port", i.port, &c.why) != 0) ||
            (precedence && bound.assign(row, "precedence", *precedence, &c.why) != 0) ||
            bound.insert(std::move(row), &c.why) != 0)
            return -1;
    }
    return 0;
}

// The binding of the interface the get names, if any.
int boundPolicy(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
                std::string *why) {
    const cfgTable &bound = table("acl", "policyBinding");
    uint32_t direction = numberOf(view.value(request, "aclIfDirection"));
    Interface i;
    if (const std::string *vlan = view.value(request, "vlanName")) {
        std::vector<Interface> found;
        if (!interfacesOf(vlan, nullptr, &found, why)) return -1;
        i = found[0];
    } else if (const std::string *port = view.value(request, "port")) {
        STRING_TO_PORTMASK(&i.portId, port->c_str(), 0);
    }
    int at = bindingAt(bound, direction, i);
    if (at < 0) return 0;
    const cfgRow &b = bound.rows()[size_t(at)];
    cfgRow row = view.blank();
    if (!fill(view, row,
              {{"aclIfDirection", std::to_string(direction)},
               {"aclName", *bound.value(b, "aclName")},
               {"any", i.vlanInstance == 0 && i.portId == 0 ? "1" : "0"}},
              why))
        return -1;
    if (const std::string *vlan = bound.value(b, "vlan")) view.assign(row, "vlanName", *vlan, why);
    if (const std::string *port = bound.value(b, "port")) view.assign(row, "port", *port, why);
    rows->push_back(std::move(row));
    return 0;
}

const cfgHook_t kHooks[] = {
    {"acl", "aclRuleObj", cfgEvent::op, ruleObject, nullptr},
    {"acl", "aclRuleAppl", cfgEvent::op, ruleApplication, nullptr},
    {"acl", "aclRuleAppl", cfgEvent::view, nullptr, applicationRows},
    {"acl", "aclIfEntry", cfgEvent::op, policyBinding, nullptr},
    {"acl", "aclEntry", cfgEvent::view, nullptr, boundPolicy},
};

}  // namespace

CFG_MODULE_HOOKS(acl, kHooks);
