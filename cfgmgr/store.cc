// The store's operations: requests read into the values they give, gets answered from
// the row engine (or a view computed for the request), sets turned into row changes
// with the modules' hooks around them, all inside one journal.
#include "cfgmgr/store.h"

#include <algorithm>
#include <cstring>

#include "cfgmgmt/cmBackend/src/cm_types.h"
#include "cfgmgr/request.h"
#include "cmclient/cm.h"
#include "platform/clock.h"

namespace {

// Never destroyed, like the tables that point into it.
cfgCatalogue &gCatalogue = *new cfgCatalogue;
cfgStoreEnvironment_t gEnvironment;
uint64_t gStartUs = 0;     // when the store was set up
uint32_t gGeneration = 0;  // how many times it was set up

// The hooks of each object of the catalogue, by the object's position.
struct ObjectHooks {
    std::vector<cfgChangeHook_t> change[int(cfgEvent::view)];
    cfgViewHook_t view = nullptr;
    cfgRequestHook_t request = nullptr;
};
std::vector<ObjectHooks> &gHooks = *new std::vector<ObjectHooks>;

ObjectHooks &hooksOf(const cfgTable &t) {
    return gHooks[size_t(&t.decl() - gCatalogue.objects.data())];
}

bool isStored(cfgKind kind) {
    return kind == cfgKind::table || kind == cfgKind::single || kind == cfgKind::readonly;
}

// What a request gives for one object.
struct Given {
    cfgRow row;               // the values given
    std::vector<bool> named;  // the fields named, with a value or without
    uint32_t action = CM_ACTION_NONE;
};

// An empty element gives the empty value to the types that have one (texts, port
// lists) and names the field without a value otherwise; a get takes neither as given.
bool takesEmpty(const cfgType &type) {
    return type.isText || type.isPortList;
}

int readGiven(const cfgTable &t, const cfgObjectText &text, bool isGet, Given *out,
              std::string *why) {
    out->row = t.blank();
    out->named.assign(t.decl().fields.size(), false);
    std::vector<std::string> unknown;
    for (const cfgGivenField &g : text.fields) {
        int i = t.field(g.name);
        bool isAction = i < 0 ? g.name == "rowStatus" : t.decl().fields[size_t(i)].type->isAction;
        if (isAction) {
            if (isGet || g.text.empty()) continue;
            if (!STRING_TO_ACTION(&out->action, g.text.c_str())) {
                *why = "Value \"" + g.text + "\" is not valid for field \"" + g.name + "\".";
                return -1;
            }
            continue;
        }
        if (i < 0) {
            unknown.push_back("\"" + g.name + "\"");
            continue;
        }
        out->named[size_t(i)] = true;
        const cfgFieldDecl &f = t.decl().fields[size_t(i)];
        if (g.text.empty() && (isGet || !takesEmpty(*f.type))) continue;
        if (t.assign(out->row, size_t(i), g.text, why, !isGet) != 0) return -1;
    }
    if (!unknown.empty()) {
        std::string names = unknown[0];
        for (size_t i = 1; i < unknown.size(); i++) names += ", " + unknown[i];
        *why = (unknown.size() == 1 ? "Unknown field " : "Unknown fields ") + names + " of " +
               t.name() + ".";
        return -1;
    }
    return 0;
}

std::string missingKey(const cfgTable &t, const cfgRow &row) {
    for (size_t k : t.decl().keys)
        if (!row.values[k].set) return "Missing key field \"" + t.decl().fields[k].name + "\".";
    return "";
}

std::string unsupported(const cfgTable &t, const std::string &operation) {
    return "Object " + t.name() + " does not support method " + operation + ".";
}

int runHooks(cfgTable &t, cfgEvent event, uint32_t action, const cfgRow &request, cfgRow *row,
             std::string *why) {
    for (cfgChangeHook_t hook : hooksOf(t).change[int(event)]) {
        cfgChange change{event, action, t, request, row, ""};
        if (hook(change) != 0) {
            *why = change.why.empty()
                       ? "The " + t.name() + " hook of module " + t.decl().module + " failed."
                       : change.why;
            return -1;
        }
    }
    return 0;
}

void applyDefaults(const cfgTable &t, cfgRow &row) {
    for (size_t i = 0; i < t.decl().fields.size(); i++)
        if (!row.values[i].set) t.reset(row, i);
}

// The fields a configure or unconfigure names, changed in `row`. Port lists change by
// ports: configure adds the ports given, unconfigure takes them away.
void changeFields(const cfgTable &t, cfgRow &row, const Given &g, bool unconfigure) {
    for (size_t i = 0; i < t.decl().fields.size(); i++) {
        if (!g.named[i] || t.decl().isKey(i)) continue;
        const cfgValue &given = g.row.values[i];
        cfgValue &value = row.values[i];
        bool ports = t.decl().fields[i].type->isPortList && given.set && value.set;
        if (ports)
            value.text = cfgPortsCombine(value.text, given.text, !unconfigure);
        else if (unconfigure || !given.set)
            t.reset(row, i);
        else
            value = given;
    }
}

// A port of a "moves" list belongs to one row at most: `keeper` takes the ports it was
// given from every other row.
void takePortsFromOthers(cfgTable &t, uint32_t keeper, const Given &g) {
    for (size_t i = 0; i < t.decl().fields.size(); i++) {
        const cfgValue &given = g.row.values[i];
        if (!t.decl().fields[i].moves || !given.set || given.text.empty()) continue;
        for (size_t r = 0; r < t.rows().size(); r++) {
            const cfgValue &held = t.rows()[r].values[i];
            if (t.rows()[r].instance == keeper || !held.set || held.text.empty()) continue;
            std::string left = cfgPortsCombine(held.text, given.text, false);
            if (left == held.text) continue;
            cfgRow changed = t.rows()[r];
            changed.values[i].text = left;
            t.update(r, std::move(changed));
        }
    }
}

int setTable(cfgTable &t, const Given &g, std::string *why) {
    uint32_t action = g.action;
    if (action == CM_ACTION_NONE || action == CM_ACTION_ACTIVE) action = CM_ACTION_CONFIGURE;
    if (action == CM_ACTION_CREATE) {
        *why = missingKey(t, g.row);
        if (!why->empty()) return -1;
        if (t.find(g.row) >= 0) {
            *why = t.describe(g.row) + " already exists.";
            return -1;
        }
        cfgRow row = g.row;
        applyDefaults(t, row);
        if (runHooks(t, cfgEvent::create, action, g.row, &row, why) != 0 || t.insert(row, why) != 0)
            return -1;
        int at = t.find(row);
        takePortsFromOthers(t, t.rows()[size_t(at)].instance, g);
        return 0;
    }
    int at = t.locate(g.row);
    if (at == -2) {
        *why = missingKey(t, g.row);
        return -1;
    }
    if (at == -1) {
        *why = t.describe(g.row) + " does not exist.";
        return -1;
    }
    if (action == CM_ACTION_DELETE) return cfgStoreDelete(t, size_t(at), why);
    bool unconfigure = action == CM_ACTION_UNCONFIGURE;
    cfgRow row = t.rows()[size_t(at)];
    changeFields(t, row, g, unconfigure);
    cfgEvent event = unconfigure ? cfgEvent::unconfigure : cfgEvent::configure;
    if (runHooks(t, event, action, g.row, &row, why) != 0) return -1;
    at = t.find(row);  // hooks may have changed the table around it
    if (at < 0) {
        *why = t.describe(row) + " does not exist.";
        return -1;
    }
    if (t.replace(size_t(at), row, why) != 0) return -1;
    if (!unconfigure) takePortsFromOthers(t, row.instance, g);
    return 0;
}

int setSingle(cfgTable &t, const Given &g, std::string *why) {
    bool unconfigure = g.action == CM_ACTION_UNCONFIGURE;
    cfgRow row = t.rows()[0];
    changeFields(t, row, g, unconfigure);
    cfgEvent event = unconfigure ? cfgEvent::unconfigure : cfgEvent::configure;
    if (runHooks(t, event, g.action, g.row, &row, why) != 0) return -1;
    return t.replace(0, row, why);
}

int setRows(cfgTable &t, const std::string &operation, const Given &g, std::string *why) {
    cfgKind kind = t.decl().kind;
    // An operation, or a view whose module carries out its sets.
    bool acts = kind == cfgKind::op ||
                (kind == cfgKind::view && !hooksOf(t).change[int(cfgEvent::op)].empty());
    if (acts) return runHooks(t, cfgEvent::op, g.action, g.row, nullptr, why);
    if (operation != "set" || !isStored(kind) || kind == cfgKind::readonly) {
        *why = unsupported(t, operation);
        return -1;
    }
    return kind == cfgKind::single ? setSingle(t, g, why) : setTable(t, g, why);
}

// A set inside a journal: all of it, or nothing.
int change(cfgTable &t, const std::string &operation, const Given &g, std::string *why) {
    cfgJournalBegin();
    if (setRows(t, operation, g, why) != 0) {
        cfgJournalRollback();
        return -1;
    }
    cfgJournalCommit();
    return 0;
}

// The rows of a view for this request, in a table of their own.
int computeView(const cfgTable &t, const cfgRow &request, cfgTable *view, std::string *why) {
    std::vector<cfgRow> rows;
    if (hooksOf(t).view(t, request, &rows, why) != 0) return -1;
    for (cfgRow &row : rows) {
        if (row.values.size() != t.decl().fields.size() || !t.hasKey(row)) {
            *why = "The view " + t.name() + " made a row without its key.";
            return -1;
        }
        applyDefaults(t, row);
        if (view->put(std::move(row), why) != 0) return -1;
    }
    return 0;
}

cfgReply_t getRows(const cfgTable &t, uint32_t flags, const Given &g) {
    cfgReply_t reply;
    cfgKind kind = t.decl().kind;
    if (kind == cfgKind::op) {
        reply.message = unsupported(t, "get");
        return reply;
    }
    cfgGet get = flags == CM_GET_NEXT    ? cfgGet::next
                 : flags == CM_GET_EXACT ? cfgGet::exact
                                         : cfgGet::plain;
    cfgTable view(t.decl(), false);
    const cfgTable *from = &t;
    if (kind == cfgKind::view) {
        if (computeView(t, g.row, &view, &reply.message) != 0) return reply;
        from = &view;
    }
    cfgFound found;
    if (t.decl().keys.empty()) {
        // One row at most (a single, a keyless view or canned object): it answers every
        // kind of get, and a walk ends with it.
        for (size_t i = 0; i < from->rows().size(); i++) found.rows.push_back(i);
    } else if (from->get(get, g.row, &found, &reply.message) != 0) {
        return reply;
    }
    for (size_t i : found.rows) from->format(from->rows()[i], &reply.data);
    if (!found.rows.empty())
        for (size_t k : t.decl().keys) {
            const cfgValue &v = from->rows()[found.rows.back()].values[k];
            if (v.set) reply.lastKey.emplace_back(t.decl().fields[k].name, v.text);
        }
    reply.status = found.status;
    return reply;
}

cfgReply_t fail(const std::string &why) {
    cfgReply_t reply;
    reply.message = why;
    return reply;
}

cfgTable *tableOf(const std::string &module, const std::string &object, std::string *why) {
    cfgTable *t = cfgTableFind(module, object);
    if (!t) *why = "Unknown object \"" + object + "\" of module \"" + module + "\".";
    return t;
}

// ---- start

int registerHooks(std::string *why) {
    gHooks.assign(gCatalogue.objects.size(), ObjectHooks());
    for (const cfgModuleHooks_t *const *m = gCfgModuleHooks; *m; m++) {
        for (size_t h = 0; h < (*m)->count; h++) {
            const cfgHook_t &hook = (*m)->hooks[h];
            // A module whose catalogue is not installed keeps its hooks idle.
            if (!cfgStoreIsStoreModule(hook.module)) continue;
            cfgTable *t = cfgTableFind(hook.module, hook.object);
            std::string where = "hooks of " + std::string((*m)->name) + ": ";
            if (!t) {
                *why = where + hook.module + "/" + hook.object + " is not in the catalogue";
                return -1;
            }
            cfgKind kind = t->decl().kind;
            bool fits = hook.event == cfgEvent::request ? hook.request != nullptr
                        : hook.event == cfgEvent::view  ? kind == cfgKind::view && hook.view
                        : hook.event == cfgEvent::op
                            ? (kind == cfgKind::op || kind == cfgKind::view) && hook.change
                            : isStored(kind) && hook.change;
            if (!fits) {
                *why = where + "the hook of " + hook.object + " does not fit an object of its kind";
                return -1;
            }
            ObjectHooks &hooks = hooksOf(*t);
            if (hook.event == cfgEvent::view)
                hooks.view = hook.view;
            else if (hook.event == cfgEvent::request)
                hooks.request = hook.request;
            else
                hooks.change[int(hook.event)].push_back(hook.change);
        }
    }
    for (cfgTable &t : cfgTables()) {
        const ObjectHooks &hooks = hooksOf(t);
        if ((t.decl().kind == cfgKind::view && !hooks.view) ||
            (t.decl().kind == cfgKind::op && hooks.change[int(cfgEvent::op)].empty())) {
            *why = t.decl().where + ": " + t.name() + " has no hook to compute or carry it out";
            return -1;
        }
    }
    return 0;
}

// Puts a row read from a text into its table, without hooks or journal.
int putRowText(const std::string &module, const std::string &text, uint32_t instance, bool canned,
               std::string *why) {
    cfgObjectText read;
    if (cfgRowRead(text, &read, why) != 0) return -1;
    cfgTable *t = tableOf(module, read.object, why);
    if (!t) return -1;
    if (canned != (t->decl().kind == cfgKind::canned) || (!canned && !isStored(t->decl().kind))) {
        *why = t->name() + " does not keep rows of this kind";
        return -1;
    }
    cfgRow row = t->blank();
    for (const cfgGivenField &g : read.fields) {
        int i = t->field(g.name);
        if (i < 0) {
            *why = "Unknown field \"" + g.name + "\" of " + t->name() + ".";
            return -1;
        }
        // Saved rows are taken as they were saved, whatever the limits are today.
        if (t->assign(row, size_t(i), g.text, why, canned) != 0) return -1;
    }
    row.instance = instance;
    if (!canned && instance == 0) {
        *why = "a row without its instance";
        return -1;
    }
    if (canned) {
        applyDefaults(*t, row);
        if (t->check(row, -1, why) != 0) return -1;
    }
    if (!t->hasKey(row)) {
        *why = missingKey(*t, row);
        return -1;
    }
    if (t->decl().kind == cfgKind::single) t->clear();
    cfgInstanceAbove(instance);
    return t->put(std::move(row), why);
}

int loadCannedRows(const std::string &dataDir, std::string *why) {
    std::vector<std::string> done;
    for (const cfgObjectDecl &o : gCatalogue.objects) {
        if (o.kind != cfgKind::canned) continue;
        if (std::find(done.begin(), done.end(), o.module + "/" + o.rowsFile) != done.end())
            continue;
        done.push_back(o.module + "/" + o.rowsFile);
        std::string text;
        if (!cfgReadFile(dataDir + "/" + o.rowsFile, &text)) {
            *why = o.where + ": cannot read the rows file " + o.rowsFile;
            return -1;
        }
        size_t start = 0;
        for (int line = 1; start < text.size(); line++) {
            size_t end = text.find('\n', start);
            if (end == std::string::npos) end = text.size();
            std::string row = text.substr(start, end - start);
            start = end + 1;
            size_t first = row.find_first_not_of(" \t\r");
            if (first == std::string::npos || row[first] == '#') continue;
            if (putRowText(o.module, row, 0, true, why) != 0) {
                *why = o.rowsFile + " line " + std::to_string(line) + ": " + *why;
                return -1;
            }
        }
    }
    return 0;
}

void resetSingles() {
    for (cfgTable &t : cfgTables()) {
        if (t.decl().kind != cfgKind::single) continue;
        t.clear();
        cfgRow row = t.blank();
        applyDefaults(t, row);
        row.instance = cfgInstanceNext();
        std::string unused;
        t.put(std::move(row), &unused);
    }
}

}  // namespace

int cfgStoreInitFrom(const std::vector<cfgCatalogueFile> &files, const std::string &dataDir,
                     std::string *why) {
    gHooks.clear();
    gStartUs = clockNowUs();
    gGeneration++;
    if (cfgCatalogueParse(files, &gCatalogue, why) != 0) {
        gCatalogue = cfgCatalogue();
        cfgTablesInit(gCatalogue);
        return -1;
    }
    cfgTablesInit(gCatalogue);
    if (registerHooks(why) != 0 || loadCannedRows(dataDir, why) != 0) {
        gCatalogue = cfgCatalogue();
        cfgTablesInit(gCatalogue);
        gHooks.clear();
        return -1;
    }
    resetSingles();
    return 0;
}

int cfgStoreInit(const std::string &dataDir, std::string *why) {
    std::vector<cfgCatalogueFile> files;
    if (cfgCatalogueFiles(dataDir, &files, why) != 0) return -1;
    return cfgStoreInitFrom(files, dataDir, why);
}

void cfgStoreClear() {
    for (cfgTable &t : cfgTables())
        if (isStored(t.decl().kind)) t.clear();
    cfgInstanceReset();
    resetSingles();
}

cfgReply_t cfgStoreHandle(uint32_t getFlags, const char *text) {
    cfgObjectText request;
    std::string why;
    if (cfgRequestRead(text, text ? strlen(text) : 0, &request, &why) != 0) return fail(why);
    const std::string &operation = request.operation;
    if (operation != "get" && operation != "set" && operation != "setop")
        return fail("Unknown operation \"" + operation + "\".");
    if (!cfgStoreIsStoreModule(request.module))
        return fail("Unknown module \"" + request.module + "\".");
    if (request.object.empty()) return fail("The request names no object.");
    cfgTable *t = tableOf(request.module, request.object, &why);
    if (!t) return fail(why);
    if (cfgRequestHook_t reshape = hooksOf(*t).request) {
        if (reshape(request, getFlags, &why) != 0) return fail(why);
        t = tableOf(request.module, request.object, &why);
        if (!t) return fail(why);
    }
    Given given;
    if (readGiven(*t, request, operation == "get", &given, &why) != 0) return fail(why);
    if (operation == "get") return getRows(*t, getFlags, given);
    if (change(*t, operation, given, &why) != 0) return fail(why);
    cfgReply_t reply;
    reply.status = 1;
    return reply;
}

int cfgStoreDelete(cfgTable &table, size_t index, std::string *why) {
    // Rows being deleted further up: a circle of references ends at them.
    static std::vector<std::pair<const cfgTable *, uint32_t>> going;
    cfgRow row = table.rows()[index];
    if (runHooks(table, cfgEvent::remove, CM_ACTION_DELETE, row, &row, why) != 0) return -1;
    going.emplace_back(&table, row.instance);
    int rc = 0;
    for (bool more = true; more && rc == 0;) {
        more = false;
        for (const cfgReferrer &r : cfgReferrers(table, row)) {
            const cfgRow &other = r.table->rows()[r.row];
            std::pair<const cfgTable *, uint32_t> key(r.table, other.instance);
            if (std::find(going.begin(), going.end(), key) != going.end()) continue;
            if (!r.table->decl().fields[r.field].cascade) {
                *why = table.describe(row) + " is in use by " + r.table->describe(other) + ".";
                rc = -1;
            } else {
                rc = cfgStoreDelete(*r.table, r.row, why);
                more = true;  // the indexes have moved: look again
            }
            break;
        }
    }
    going.pop_back();
    if (rc != 0) return -1;
    int at = table.find(row);
    if (at >= 0) table.erase(size_t(at));
    return 0;
}

uint32_t cfgStoreUptime() {
    return uint32_t((clockNowUs() - gStartUs) / 1000000);
}

uint32_t cfgStoreGeneration() {
    return gGeneration;
}

const cfgStoreEnvironment_t &cfgStoreEnvironment() {
    return gEnvironment;
}

void cfgStoreSetEnvironment(const cfgStoreEnvironment_t &environment) {
    gEnvironment = environment;
}

bool cfgStoreIsBackendModule(const std::string &module) {
    const std::vector<std::string> &b = gCatalogue.backends;
    return std::find(b.begin(), b.end(), module) != b.end();
}

bool cfgStoreIsStoreModule(const std::string &module) {
    for (const cfgObjectDecl &o : gCatalogue.objects)
        if (o.module == module) return true;
    return false;
}

std::string cfgStoreSingleValue(const std::string &module, const std::string &object,
                                const std::string &field) {
    cfgTable *t = cfgTableFind(module, object);
    if (!t || t->decl().kind != cfgKind::single || t->rows().empty()) return "";
    const std::string *value = t->value(t->rows()[0], field);
    return value ? *value : "";
}

const std::vector<cfgFactoryRow> &cfgStoreFactory() {
    return gCatalogue.factory;
}

int cfgStoreMakeFactoryRow(const cfgFactoryRow &row, const std::string &text, std::string *why) {
    cfgObjectText read;
    if (cfgRowRead(text, &read, why) != 0) return -1;
    cfgTable *t = tableOf(row.module, read.object, why);
    if (!t) return -1;
    Given given;
    if (readGiven(*t, read, false, &given, why) != 0) return -1;
    if (t->decl().kind == cfgKind::table) given.action = CM_ACTION_CREATE;
    return change(*t, "set", given, why);
}

std::vector<cfgRecord_t> cfgStoreRecords() {
    std::vector<cfgRecord_t> out;
    for (const cfgTable &t : cfgTables()) {
        if (!isStored(t.decl().kind)) continue;
        for (const cfgRow &row : t.rows()) {
            cfgRecord_t record{t.decl().module, row.instance, ""};
            t.format(row, &record.xml);
            out.push_back(std::move(record));
        }
    }
    return out;
}

int cfgStoreRestore(const cfgRecord_t &record, std::string *why) {
    if (!cfgStoreIsStoreModule(record.module)) {
        *why = "unknown module " + record.module;
        return -1;
    }
    return putRowText(record.module, record.xml, record.instance, false, why);
}
