// Module "idMgr": the identity manager's findings. It is disabled at the factory and no
// identity source feeds it on this switch, so it has found no identities and no role of
// a user can be found again.
#include "cfgmgr/modules/idMgr.h"

#include <chrono>
#include <cstdlib>
#include <string>
#include <vector>

#include "cfgmgmt/cmBackend/src/cm_print.h"
#include "cfgmgmt/cmBackend/src/cm_types.h"
#include "cfgmgr/hooks.h"
#include "cmclient/cm.h"

namespace {

// ---- the policies and dynamic rules of roles

const char kPolicies[] = "idMgrUserRolePolicyCfg";

bool isOtherEntry(const std::string &name) {
    return name == "POLICY" || name == "RULE" || name == "PolicyDone" || name == "RuleDone";
}

const cfgGivenField *givenField(const std::vector<cfgGivenField> &fields, const char *name) {
    for (const cfgGivenField &f : fields)
        if (f.name == name) return &f;
    return nullptr;
}

void putField(std::vector<cfgGivenField> &fields, const cfgGivenField &field) {
    for (cfgGivenField &f : fields) {
        if (f.name == field.name) {
            f.text = field.text;
            return;
        }
    }
    fields.push_back(field);
}

// The entry a request names is its policyName or ruleName with the order after it; the
// request's other entries, each followed by its own order, are left out. A configure
// of an order the role has not got makes it, and replaces a policy by a rule or the
// reverse; a delete finds the entry by its name; an unconfigure of "all" goes to
// idMgrUserRolePolicyClear.
int policyEntry(cfgObjectText &text, uint32_t, std::string *why) {
    std::vector<cfgGivenField> fields;
    bool otherOrder = false;
    for (const cfgGivenField &f : text.sequence) {
        if (isOtherEntry(f.name)) {
            otherOrder = true;
        } else if (f.name == "order" && otherOrder) {
            otherOrder = false;
        } else {
            putField(fields, f);
        }
    }
    text.fields = fields;
    if (text.operation == "get") return 0;

    const cfgGivenField *status = givenField(fields, "rowStatus");
    uint32_t action = CM_ACTION_NONE;
    if (status && !status->text.empty() && !STRING_TO_ACTION(&action, status->text.c_str()))
        return 0;  // the store names the bad value
    const cfgGivenField *policy = givenField(fields, "policyName");
    const cfgGivenField *rule = givenField(fields, "ruleName");
    const cfgGivenField *named = policy ? policy : rule;
    if (action == CM_ACTION_UNCONFIGURE && named && named->text == "all") {
        text.object = "idMgrUserRolePolicyClear";
        std::vector<cfgGivenField> clear;
        for (const cfgGivenField &f : fields)
            if (f.name == "roleName" || f.name == "policyName" || f.name == "ruleName")
                clear.push_back(f);
        text.fields = clear;
        return 0;
    }
    cfgTable *entries = cfgTableFind("idMgr", kPolicies);
    const cfgGivenField *role = givenField(fields, "roleName");
    if (!entries || !role) return 0;
    if (action == CM_ACTION_DELETE && named) {
        // A delete names the entry; its order in the request is only its place there.
        for (const cfgRow &row : entries->rows()) {
            if (cfgValueOr(*entries, row, "roleName") == role->text &&
                cfgValueOr(*entries, row, named->name) == named->text) {
                putField(text.fields, cfgGivenField{"order", cfgValueOr(*entries, row, "order")});
                return 0;
            }
        }
        *why = std::string(policy ? "Policy \"" : "Rule \"") + named->text + "\" of role \"" +
               role->text + "\" does not exist.";
        return -1;
    }
    const cfgGivenField *order = givenField(fields, "order");
    if ((action != CM_ACTION_NONE && action != CM_ACTION_CONFIGURE) || !order) return 0;
    cfgRow key = entries->blank();
    std::string ignored;
    if (entries->assign(key, "roleName", role->text, &ignored) != 0 ||
        entries->assign(key, "order", order->text, &ignored) != 0)
        return 0;
    if (entries->find(key) < 0) {
        putField(text.fields, cfgGivenField{"rowStatus", "create"});
    } else if (policy && !rule) {
        putField(text.fields, cfgGivenField{"ruleName", ""});
    } else if (rule && !policy) {
        putField(text.fields, cfgGivenField{"policyName", ""});
    }
    return 0;
}

// Removes every policy (policyName "all") or every dynamic rule (ruleName "all") of a role.
int clearEntries(cfgChange &c) {
    const std::string *role = c.table.value(c.request, "roleName");
    bool rules = c.table.value(c.request, "ruleName") != nullptr;
    cfgTable *roles = cfgTableFind("idMgr", "idMgrUserRoleCfg");
    cfgTable *entries = cfgTableFind("idMgr", kPolicies);
    if (!role || !roles || !entries) {
        c.why = "Missing field \"roleName\" of idMgrUserRolePolicyCfg.";
        return -1;
    }
    cfgRow key = roles->blank();
    if (roles->assign(key, "roleName", *role, &c.why) != 0) return -1;
    if (roles->find(key) < 0) {
        c.why = roles->describe(key) + " does not exist.";
        return -1;
    }
    for (size_t i = entries->rows().size(); i-- > 0;) {
        const cfgRow &row = entries->rows()[i];
        const std::string *name = entries->value(row, rules ? "ruleName" : "policyName");
        if (cfgValueOr(*entries, row, "roleName") == *role && name && !name->empty() &&
            cfgStoreDelete(*entries, i, &c.why) != 0)
            return -1;
    }
    return 0;
}

// ---- identities seen on ports

struct Location {
    std::string mac;
    std::string port;
};

struct Identity {
    std::string user;
    std::string domain;
    std::vector<Location> locations;  // in the order seen
    uint64_t seen;                    // milliseconds since the epoch, when first seen
};

// By user and domain. Identities live as long as cfgmgr: they are what it has seen, not
// configuration.
std::vector<Identity> &identities() {
    static std::vector<Identity> &list = *new std::vector<Identity>;
    return list;
}

const Identity *findIdentity(const std::string &user, const std::string *domain) {
    for (const Identity &i : identities())
        if (i.user == user && (!domain || i.domain == *domain)) return &i;
    return nullptr;
}

// A query's dataset type (1 active, 2 events): every identity seen is active, and its
// event is its being seen.
std::string datasetOf(const cfgTable &view, const cfgRow &request) {
    return cfgValueOr(view, request, "datasetType", "1");
}

int identityRows(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
                 std::string *why) {
    for (const Identity &i : identities()) {
        cfgRowWriter r(view);
        r.set("userName", i.user)
            .set("domain", i.domain)
            .set("datasetType", datasetOf(view, request));
        r.set("numOfLocations", i.locations.size()).set("creationTimestamp", i.seen);
        r.set("modificationTimestamp", i.seen).set("mac", i.locations[0].mac);
        r.set("port", i.locations[0].port);
        if (r.addTo(rows, why) != 0) return -1;
    }
    return 0;
}

int locationRows(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
                 std::string *why) {
    for (const Identity &i : identities()) {
        for (const Location &l : i.locations) {
            cfgRowWriter r(view);
            r.set("userName", i.user).set("domain", i.domain).set("mac", l.mac).set("port", l.port);
            r.set("portDisplay", l.port).set("datasetType", datasetOf(view, request));
            if (r.addTo(rows, why) != 0) return -1;
        }
    }
    return 0;
}

// A query for one identity (a get of the object the key names) that names none, or
// names the user alone, is answered with the first identity that fits.
int identityQuery(cfgObjectText &text, uint32_t getFlags, std::string *) {
    if (text.operation != "get" || getFlags != CM_GET_EXACT) return 0;
    const cfgGivenField *user = givenField(text.fields, "userName");
    const cfgGivenField *domain = givenField(text.fields, "domain");
    if (user && !user->text.empty() && domain && !domain->text.empty()) return 0;
    const Identity *first = nullptr;
    for (const Identity &i : identities()) {
        if (user && !user->text.empty() && i.user != user->text) continue;
        bool before =
            !first || i.user < first->user || (i.user == first->user && i.domain < first->domain);
        if (before) first = &i;
    }
    // No user name holds a space: a query that fits no identity names such a user and
    // finds nothing.
    putField(text.fields, cfgGivenField{"userName", first ? first->user : " "});
    putField(text.fields, cfgGivenField{"domain", first ? first->domain : " "});
    return 0;
}

// Finding a user's role again needs the user to be known; the role itself comes from
// the roles' match criteria, which this switch does not evaluate.
int refreshRole(cfgChange &c) {
    const std::string *user = c.table.value(c.request, "userName");
    if (user && !user->empty() && findIdentity(*user, nullptr)) return 0;
    c.why = user && !user->empty() ? "No identity of user \"" + *user + "\" is known."
                                   : "Missing field \"userName\" of idMgrRefreshUserRole.";
    return -1;
}

const cfgHook_t kHooks[] = {
    {"idMgr", "idMgrUserIdentity", cfgEvent::view, nullptr, identityRows},
    {"idMgr", "idMgrUserIdentity", cfgEvent::request, nullptr, nullptr, identityQuery},
    {"idMgr", "idMgrLocation", cfgEvent::view, nullptr, locationRows},
    {"idMgr", "idMgrRefreshUserRole", cfgEvent::op, refreshRole, nullptr},
    {"idMgr", kPolicies, cfgEvent::request, nullptr, nullptr, policyEntry},
    {"idMgr", "idMgrUserRolePolicyClear", cfgEvent::op, clearEntries, nullptr},
};

}  // namespace

CFG_MODULE_HOOKS(idMgr, kHooks);

void idMgrIdentitySeen(const char *user, const char *domain, const char *mac, uint32_t portId) {
    if (!user || !domain || !mac) return;
    buffer_t b = {};
    bufferPutf(&b, "%M", portId);
    std::string port = b.data ? b.data : "";
    free(b.data);
    for (Identity &i : identities()) {
        if (i.user != user || i.domain != domain) continue;
        for (const Location &l : i.locations)
            if (l.mac == mac && l.port == port) return;
        i.locations.push_back({mac, port});
        return;
    }
    auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    identities().push_back({user, domain, {{mac, port}}, uint64_t(now.count())});
}
