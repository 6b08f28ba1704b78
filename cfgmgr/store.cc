#include "cfgmgr/store.h"

#include <errno.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <cstring>
#include <map>
#include <sstream>

#include "cfgmgmt/cmBackend/src/cm_types.h"
#include "cfgmgmt/objdefs/acl_obj.h"
#include "cfgmgmt/objdefs/fdb_obj.h"
#include "cfgmgmt/objdefs/upm_obj.h"
#include "cfgmgmt/objdefs/vlan_obj.h"
#include "cfgmgr/cfgmgr_objdefs.h"
#include "cmclient/cm.h"
#include "platform/portlist.h"
#include "platform/util.h"

namespace {

struct Check {
    bool required = false, unique = false, hasRange = false, hasDefault = false, cascade = false;
    bool moves = false;  // a port list: a port given to one row is taken from the others
    int64_t low = 0, high = 0;
    int maxLength = -1;
    std::string defaultText;
    std::string refModule, refObject, refField;
};

enum class Kind { table, single, op };

struct Row {
    void *data;
    uint32_t instance;  // unique for the life of the store; FDB entries name their VLAN by it
};

struct Table {
    std::string module, object;
    const cmModuleDef_t *def = nullptr;
    const cmTag_t *tag = nullptr;
    const cmObjectDesc_t *desc = nullptr;
    Kind kind = Kind::table;
    bool readOnly = false;
    std::string op;
    std::vector<int> keys;  // field indexes
    int actionField = -1;
    std::map<int, Check> checks;
    std::vector<Row> rows;  // in key order
};

// Never destroyed: rows live until the process ends, and a destructor running at exit
// would only hide them from the leak checker.
std::vector<Table> &gTables = *new std::vector<Table>;
std::vector<std::string> gBackends;
uint32_t gNextInstance = 1;
cmObjectParser_t *gParser;
buffer_t *gText;
cfgStoreHooks_t gHooks;

struct Failure {
    std::string text;
};

[[noreturn]] void fail(const std::string &text) {
    throw Failure{text};
}

// ---- fields

const cmFieldDesc_t &fieldOf(const Table &t, int i) {
    return t.desc->fields[i];
}
const char *fieldName(const Table &t, int i) {
    return t.def->tags[fieldOf(t, i).tagId - 1].name;
}
int fieldIndex(const Table &t, const std::string &name) {
    for (int i = 0; i < t.desc->fieldCount; i++)
        if (name == fieldName(t, i)) return i;
    return -1;
}
uint8_t *at(void *data, uint32_t offset) {
    return static_cast<uint8_t *>(data) + offset;
}
const uint8_t *at(const void *data, uint32_t offset) {
    return static_cast<const uint8_t *>(data) + offset;
}
bool isValid(const Table &t, const void *data, int i) {
    return cmObjectCheckValidCore(data, t.desc->validOffset, uint32_t(i)) != 0;
}
void setValid(const Table &t, void *data, int i, bool valid) {
    uint8_t &byte = at(data, t.desc->validOffset)[i / 8];
    uint8_t bit = uint8_t(1u << (i % 8));
    byte = valid ? uint8_t(byte | bit) : uint8_t(byte & ~bit);
}

bool isSignedType(uint16_t type) {
    return type == cmType_int8 || type == cmType_int16 || type == cmType_int ||
           type == cmType_int32 || type == cmType_long || type == cmType_int64;
}
bool isUnsignedType(uint16_t type) {
    return type == cmType_boolean || type == cmType_uint8 || type == cmType_uint16 ||
           type == cmType_ushort || type == cmType_uint32 || type == cmType_uint ||
           type == cmType_uint64 || type == cmType_action || type == cmType_hex;
}

bool numberOf(const cmFieldDesc_t &f, const void *data, int64_t *signedValue,
              uint64_t *unsignedValue, bool *isSigned) {
    const uint8_t *p = at(data, f.offset);
    if (isSignedType(f.type)) {
        *isSigned = true;
        switch (f.size) {
            case 1:
                *signedValue = int8_t(p[0]);
                return true;
            case 2: {
                int16_t v;
                memcpy(&v, p, 2);
                *signedValue = v;
                return true;
            }
            case 4: {
                int32_t v;
                memcpy(&v, p, 4);
                *signedValue = v;
                return true;
            }
            case 8: {
                int64_t v;
                memcpy(&v, p, 8);
                *signedValue = v;
                return true;
            }
        }
        return false;
    }
    if (isUnsignedType(f.type)) {
        *isSigned = false;
        switch (f.size) {
            case 1:
                *unsignedValue = p[0];
                return true;
            case 2: {
                uint16_t v;
                memcpy(&v, p, 2);
                *unsignedValue = v;
                return true;
            }
            case 4: {
                uint32_t v;
                memcpy(&v, p, 4);
                *unsignedValue = v;
                return true;
            }
            case 8: {
                uint64_t v;
                memcpy(&v, p, 8);
                *unsignedValue = v;
                return true;
            }
        }
    }
    return false;
}

int compareField(const cmFieldDesc_t &f, const void *a, const void *b) {
    if (f.type == cmType_string) {
        int c = strncmp(reinterpret_cast<const char *>(at(a, f.offset)),
                        reinterpret_cast<const char *>(at(b, f.offset)), f.size);
        return c < 0 ? -1 : c > 0;
    }
    int64_t sa = 0, sb = 0;
    uint64_t ua = 0, ub = 0;
    bool signedA, signedB;
    if (numberOf(f, a, &sa, &ua, &signedA) && numberOf(f, b, &sb, &ub, &signedB)) {
        if (signedA) return sa < sb ? -1 : sa > sb;
        return ua < ub ? -1 : ua > ub;
    }
    int c = memcmp(at(a, f.offset), at(b, f.offset), f.size);
    return c < 0 ? -1 : c > 0;
}

// Missing key fields sort before every value.
int compareKeys(const Table &t, const void *a, const void *b) {
    for (int i : t.keys) {
        bool va = isValid(t, a, i), vb = isValid(t, b, i);
        if (va != vb) return va ? 1 : -1;
        if (!va) continue;
        int c = compareField(fieldOf(t, i), a, b);
        if (c) return c;
    }
    return 0;
}

// The value as the formatter writes it, without its element: the text by which fields
// of different objects are compared and which messages show.
std::string fieldText(const Table &t, const void *data, int i) {
    bufferReset(gText);
    const cmFieldDesc_t &f = fieldOf(t, i);
    cmObjectFormatOne(gText, f.type, "v", at(data, f.offset), 0, 0);
    std::string s = gText->data ? gText->data : "";
    if (s.size() >= 7) s = s.substr(3, s.size() - 7);  // "<v>" ... "</v>"
    if (s.rfind("<![CDATA[", 0) == 0 && s.size() >= 12) s = s.substr(9, s.size() - 12);
    return s;
}

void *copyRow(const Table &t, const void *source) {
    void *copy = cmObjectAllocCore(t.desc, 0);
    if (!copy) fail("Out of memory");
    memcpy(copy, source, t.desc->size);
    memset(at(copy, t.desc->nextOffset), 0, sizeof(void *));
    return copy;
}

void freeRow(const Table &t, void *data) {
    if (data) cmObjectFreeCore(t.desc, data);
}

// Stores a value given as text into a row; the field's own converter checks it.
void storeText(const Table &t, void *data, int i, const std::string &text) {
    std::vector<char> writable(text.begin(), text.end());
    writable.push_back(0);
    cmObject_t item{};
    item.tag = &t.def->tags[fieldOf(t, i).tagId - 1];
    item.data = writable.data();
    if (cmObjectConstructCore(t.desc, data, &item, 0) != 0)
        fail("Value \"" + text + "\" is not valid for field \"" + fieldName(t, i) + "\".");
}

// ---- tables

Table *findTable(const std::string &module, const std::string &object) {
    for (Table &t : gTables)
        if (t.module == module && t.object == object) return &t;
    return nullptr;
}

Table &tableOrFail(const std::string &module, const std::string &object) {
    Table *t = findTable(module, object);
    if (!t) fail("Object \"" + object + "\" of module \"" + module + "\" is not configured.");
    return *t;
}

std::string describe(const Table &t, const void *data) {
    std::string s = t.object;
    const char *sep = " ";
    for (int i : t.keys) {
        if (!isValid(t, data, i)) continue;
        s += sep + std::string("\"") + fieldText(t, data, i) + "\"";
        sep = "/";
    }
    return s;
}

// Index of the first row not before `key`.
size_t lowerBound(const Table &t, const void *key) {
    auto it = std::lower_bound(t.rows.begin(), t.rows.end(), key, [&](const Row &r, const void *k) {
        return compareKeys(t, r.data, k) < 0;
    });
    return size_t(it - t.rows.begin());
}
size_t upperBound(const Table &t, const void *key) {
    auto it = std::upper_bound(t.rows.begin(), t.rows.end(), key, [&](const void *k, const Row &r) {
        return compareKeys(t, k, r.data) < 0;
    });
    return size_t(it - t.rows.begin());
}
int findRow(const Table &t, const void *key) {
    size_t i = lowerBound(t, key);
    return i < t.rows.size() && compareKeys(t, t.rows[i].data, key) == 0 ? int(i) : -1;
}

void requireKeys(const Table &t, const void *data) {
    for (int i : t.keys)
        if (!isValid(t, data, i))
            fail(std::string("Missing key field \"") + fieldName(t, i) + "\".");
}

bool refersTo(const Check &c, const Table &target, int targetField) {
    return c.refModule == target.module && c.refObject == target.object &&
           c.refField == fieldName(target, targetField);
}

// Every rule of the catalogue for one row as it would be stored. `self` is the row's
// index when it replaces a row, else -1.
void checkRow(const Table &t, const void *row, int self) {
    for (auto &[i, c] : t.checks) {
        const char *name = fieldName(t, i);
        if (!isValid(t, row, i)) {
            if (c.required)
                fail(std::string("Missing field \"") + name + "\" of " + t.object + ".");
            continue;
        }
        if (c.hasRange) {
            int64_t s = 0;
            uint64_t u = 0;
            bool isSigned = false;
            if (numberOf(fieldOf(t, i), row, &s, &u, &isSigned)) {
                bool inside = isSigned ? (s >= c.low && s <= c.high)
                                       : (c.high >= 0 && u <= uint64_t(c.high) &&
                                          (c.low <= 0 || u >= uint64_t(c.low)));
                if (!inside)
                    fail("Value " + fieldText(t, row, i) + " of field \"" + name +
                         "\" is out of range (" + std::to_string(c.low) + " to " +
                         std::to_string(c.high) + ").");
            }
        }
        if (c.maxLength >= 0 && fieldOf(t, i).type == cmType_string &&
            strlen(reinterpret_cast<const char *>(at(row, fieldOf(t, i).offset))) >
                size_t(c.maxLength))
            fail(std::string("Field \"") + name + "\" is longer than " +
                 std::to_string(c.maxLength) + " characters.");
        if (c.unique) {
            for (size_t r = 0; r < t.rows.size(); r++) {
                if (int(r) == self || !isValid(t, t.rows[r].data, i)) continue;
                if (compareField(fieldOf(t, i), row, t.rows[r].data) == 0)
                    fail(describe(t, t.rows[r].data) + " already has " + name + " " +
                         fieldText(t, row, i) + ".");
            }
        }
        if (!c.refModule.empty()) {
            Table &target = tableOrFail(c.refModule, c.refObject);
            int tf = fieldIndex(target, c.refField);
            std::string value = fieldText(t, row, i);
            bool found = false;
            for (const Row &r : target.rows)
                if (tf >= 0 && isValid(target, r.data, tf) &&
                    fieldText(target, r.data, tf) == value) {
                    found = true;
                    break;
                }
            if (!found) fail(target.object + " \"" + value + "\" does not exist.");
        }
    }
}

void insertRow(Table &t, void *data, uint32_t instance) {
    size_t i = lowerBound(t, data);
    t.rows.insert(t.rows.begin() + long(i), Row{data, instance});
}

void applyDefaults(const Table &t, void *row) {
    for (auto &[i, c] : t.checks)
        if (c.hasDefault && !isValid(t, row, i)) storeText(t, row, i, c.defaultText);
}

// Rows of other tables that refer to row `r` of t: each (table, row index) to delete
// with it, or a failure when one of them may not go.
std::vector<std::pair<Table *, size_t>> dependents(const Table &t, const void *row) {
    std::vector<std::pair<Table *, size_t>> out;
    for (Table &u : gTables) {
        for (auto &[i, c] : u.checks) {
            if (c.refModule.empty()) continue;
            for (int tf = 0; tf < t.desc->fieldCount; tf++) {
                if (!refersTo(c, t, tf) || !isValid(t, row, tf)) continue;
                std::string value = fieldText(t, row, tf);
                for (size_t r = 0; r < u.rows.size(); r++) {
                    if (!isValid(u, u.rows[r].data, i) || fieldText(u, u.rows[r].data, i) != value)
                        continue;
                    if (!c.cascade)
                        fail(describe(t, row) + " is in use by " + describe(u, u.rows[r].data) +
                             ".");
                    out.emplace_back(&u, r);
                }
            }
        }
    }
    return out;
}

void eraseRows(std::vector<std::pair<Table *, size_t>> rows) {
    // Highest index first, so the indexes of the others stay right.
    std::sort(rows.begin(), rows.end(), [](auto &a, auto &b) { return a.second > b.second; });
    rows.erase(std::unique(rows.begin(), rows.end()), rows.end());
    for (auto &[u, r] : rows) {
        freeRow(*u, u->rows[r].data);
        u->rows.erase(u->rows.begin() + long(r));
    }
}

// ---- replies

std::string format(const Table &t, const void *row) {
    bufferReset(gText);
    cmFormatContext_t context{0, gText};
    cmObjectFormatCore(t.def->tags, t.desc, &context, t.tag, row);
    return gText->data ? gText->data : "";
}

// ---- operations

uint32_t actionOf(const Table &t, const void *request) {
    if (t.actionField < 0 || !isValid(t, request, t.actionField)) return CM_ACTION_NONE;
    uint32_t action;
    memcpy(&action, at(request, fieldOf(t, t.actionField).offset), 4);
    return action;
}

bool isKey(const Table &t, int i) {
    return std::find(t.keys.begin(), t.keys.end(), i) != t.keys.end();
}

// A key field that is a number given as 0, or missing, matches any value in an exact
// get (an FDB entry is asked for by MAC address with VLAN instance 0).
bool wildcardKey(const Table &t, const void *request, int i) {
    int64_t s = 0;
    uint64_t u = 0;
    bool isSigned;
    if (!numberOf(fieldOf(t, i), request, &s, &u, &isSigned)) return false;
    return !isValid(t, request, i) || (isSigned ? s == 0 : u == 0);
}

cfgReply_t getTable(const Table &t, uint32_t flags, const void *request) {
    cfgReply_t reply;
    reply.status = 1;
    bool allKeys = true;
    for (int i : t.keys) allKeys = allKeys && isValid(t, request, i);
    if (flags == CM_GET_NEXT) {
        size_t i = upperBound(t, request);
        if (i < t.rows.size()) reply.data = format(t, t.rows[i].data);
        return reply;
    }
    if (flags == CM_GET_EXACT || allKeys) {
        bool wild = false;
        for (int i : t.keys) {
            if (wildcardKey(t, request, i)) {
                wild = true;
                continue;
            }
            if (!isValid(t, request, i))
                fail(std::string("Missing key field \"") + fieldName(t, i) + "\".");
        }
        if (!wild) {
            int found = findRow(t, request);
            if (found >= 0) reply.data = format(t, t.rows[size_t(found)].data);
            return reply;
        }
        for (const Row &r : t.rows) {
            bool match = true;
            for (int i : t.keys)
                if (!wildcardKey(t, request, i) &&
                    compareField(fieldOf(t, i), r.data, request) != 0) {
                    match = false;
                    break;
                }
            if (match) {
                reply.data = format(t, r.data);
                break;
            }
        }
        return reply;
    }
    for (const Row &r : t.rows) reply.data += format(t, r.data);
    return reply;
}

bool isPortList(const cmFieldDesc_t &f) {
    return f.type == cmType_portlist || f.type == cmType_portlist_type1;
}

// Port lists change by ports: configure adds the ports given, unconfigure removes them.
void changePorts(void *row, const void *request, const cmFieldDesc_t &f, bool add) {
    auto *to = reinterpret_cast<portlist_t *>(at(row, f.offset));
    const auto *given = reinterpret_cast<const portlist_t *>(at(request, f.offset));
    for (int w = 0; w < PL_WORDS; w++)
        to->words[w] = add ? (to->words[w] | given->words[w]) : (to->words[w] & ~given->words[w]);
}

// A port of a "moves" list belongs to one row at most: the row `keep` takes the ports it
// was given from every other row.
void takePortsFromOthers(Table &t, size_t keep, const void *request) {
    for (const auto &entry : t.checks) {
        if (!entry.second.moves || !isValid(t, request, entry.first)) continue;
        const cmFieldDesc_t &f = fieldOf(t, entry.first);
        for (size_t r = 0; r < t.rows.size(); r++)
            if (r != keep && isValid(t, t.rows[r].data, entry.first))
                changePorts(t.rows[r].data, request, f, false);
    }
}

void setTable(Table &t, const void *request) {
    if (t.readOnly) fail("Object " + t.object + " does not support method set.");
    requireKeys(t, request);
    uint32_t action = actionOf(t, request);
    int found = findRow(t, request);
    if (action == CM_ACTION_CREATE) {
        if (found >= 0) fail(describe(t, request) + " already exists.");
        void *row = copyRow(t, request);
        try {
            if (t.actionField >= 0) setValid(t, row, t.actionField, false);
            applyDefaults(t, row);
            checkRow(t, row, -1);
        } catch (...) {
            freeRow(t, row);
            throw;
        }
        insertRow(t, row, gNextInstance++);
        int created = findRow(t, request);
        if (created >= 0) takePortsFromOthers(t, size_t(created), request);
        return;
    }
    if (found < 0) fail(describe(t, request) + " does not exist.");
    if (action == CM_ACTION_DELETE) {
        auto rows = dependents(t, t.rows[size_t(found)].data);
        rows.emplace_back(&t, size_t(found));
        eraseRows(rows);
        return;
    }
    // configure (also a set without rowStatus) or unconfigure: change the fields given.
    void *row = copyRow(t, t.rows[size_t(found)].data);
    try {
        for (int i = 0; i < t.desc->fieldCount; i++) {
            if (isKey(t, i) || i == t.actionField || !isValid(t, request, i)) continue;
            const cmFieldDesc_t &f = fieldOf(t, i);
            if (isPortList(f) && isValid(t, row, i)) {
                changePorts(row, request, f, action != CM_ACTION_UNCONFIGURE);
            } else if (action == CM_ACTION_UNCONFIGURE) {
                auto c = t.checks.find(i);
                if (c != t.checks.end() && c->second.hasDefault)
                    storeText(t, row, i, c->second.defaultText);
                else
                    setValid(t, row, i, false);
            } else {
                memcpy(at(row, f.offset), at(request, f.offset), f.size);
                setValid(t, row, i, true);
            }
        }
        checkRow(t, row, found);
    } catch (...) {
        freeRow(t, row);
        throw;
    }
    freeRow(t, t.rows[size_t(found)].data);
    t.rows[size_t(found)].data = row;
    if (action != CM_ACTION_UNCONFIGURE) takePortsFromOthers(t, size_t(found), request);
}

void setSingle(Table &t, const void *request) {
    uint32_t before = cfgStoreLockoutThreshold();
    void *row = copyRow(t, t.rows[0].data);
    try {
        for (int i = 0; i < t.desc->fieldCount; i++) {
            if (i == t.actionField || !isValid(t, request, i)) continue;
            const cmFieldDesc_t &f = fieldOf(t, i);
            memcpy(at(row, f.offset), at(request, f.offset), f.size);
            setValid(t, row, i, true);
        }
        checkRow(t, row, 0);
    } catch (...) {
        freeRow(t, row);
        throw;
    }
    freeRow(t, t.rows[0].data);
    t.rows[0].data = row;
    uint32_t after = cfgStoreLockoutThreshold();
    if (after != before && gHooks.lockoutChanged) gHooks.lockoutChanged(after);
}

// fdb_op: static FDB entries are made and removed here and read as fdb_show rows.
void opFdb(const void *request) {
    const auto *op = static_cast<const fdb_op_t *>(request);
    Table &opTable = tableOrFail("fdb", "fdb_op");
    Table &fdb = tableOrFail("fdb", "fdb_show");
    Table &vlans = tableOrFail("vlan", "vlan");
    for (const char *name : {"macAddr", "vlanName"})
        if (!isValid(opTable, op, fieldIndex(opTable, name)))
            fail(std::string("Missing key field \"") + name + "\".");
    uint32_t action = actionOf(opTable, op);
    if (action != CM_ACTION_CREATE && action != CM_ACTION_DELETE)
        fail("fdb_op needs the action create or delete.");
    int vlanName = fieldIndex(vlans, "name");
    const Row *vlan = nullptr;
    for (const Row &r : vlans.rows)
        if (isValid(vlans, r.data, vlanName) &&
            strcmp(static_cast<const cfgVlan_t *>(r.data)->name, op->vlanName) == 0)
            vlan = &r;
    if (!vlan) fail(std::string("vlan \"") + op->vlanName + "\" does not exist.");

    auto *entry = static_cast<fdb_show_t *>(cmObjectAllocCore(fdb.desc, 0));
    if (!entry) fail("Out of memory");
    memcpy(entry->mac_addr, op->macAddr, 6);
    entry->vlanInstance = vlan->instance;
    for (const char *name : {"mac_addr", "vlanInstance"})
        setValid(fdb, entry, fieldIndex(fdb, name), true);
    int found = findRow(fdb, entry);
    try {
        if (action == CM_ACTION_DELETE) {
            if (found < 0)
                fail("FDB entry " + fieldText(fdb, entry, fieldIndex(fdb, "mac_addr")) +
                     " in vlan \"" + op->vlanName + "\" does not exist.");
            freeRow(fdb, entry);
            eraseRows({{&fdb, size_t(found)}});
            return;
        }
        if (found >= 0)
            fail("FDB entry " + fieldText(fdb, entry, fieldIndex(fdb, "mac_addr")) + " in vlan \"" +
                 op->vlanName + "\" already exists.");
        if (!isValid(opTable, op, fieldIndex(opTable, "portList")) ||
            PORTLIST_ISCLR_ALL_BY_TYPE(&op->portList, 0))
            fail("An FDB entry needs a port of the switch in \"portList\".");
        strlcpy(entry->vlan_name, op->vlanName, sizeof entry->vlan_name);
        entry->port_list = op->portList;
        entry->age = 0;
        strlcpy(entry->flags, "s", sizeof entry->flags);
        for (const char *name : {"vlan_name", "port_list", "age", "flags"})
            setValid(fdb, entry, fieldIndex(fdb, name), true);
        checkRow(fdb, entry, -1);
    } catch (...) {
        freeRow(fdb, entry);
        throw;
    }
    insertRow(fdb, entry, gNextInstance++);
}

void opSave() {
    std::string why;
    if (!gHooks.save) fail("Saving is not possible here.");
    if (gHooks.save(&why) != 0) fail("The configuration was not saved: " + why);
}

void opFile(const void *request) {
    const auto *op = static_cast<const cfgFileOp_t *>(request);
    Table &t = tableOrFail("cfgmgr", "fileOp");
    if (!isValid(t, op, fieldIndex(t, "op")) || strcmp(op->op, "rm") != 0)
        fail("fileOp supports the operation \"rm\".");
    if (!isValid(t, op, fieldIndex(t, "fileName")) || !op->fileName[0])
        fail("Missing field \"fileName\" of fileOp.");
    std::string name = op->fileName;
    if (name.find('/') != std::string::npos || name[0] == '.')
        fail("\"" + name + "\" is not a file of the configuration directory.");
    std::string dir = gHooks.configDir ? gHooks.configDir() : "";
    if (dir.empty()) fail("There is no configuration directory.");
    if (unlink((dir + "/" + name).c_str()) != 0) {
        if (errno == ENOENT) fail("File \"" + name + "\" does not exist.");
        fail("File \"" + name + "\" was not removed: " + strerror(errno) + ".");
    }
}

cfgReply_t serve(uint32_t flags, const char *text) {
    cfgReply_t reply;
    if (!text) fail("The request is empty.");
    cmRequestParts_t parts;
    if (cmRequestSplit(text, &parts) != 0)
        fail(
            "The request is not well formed: it must be one module element holding get, set or "
            "setop holding one object.");
    std::string module(parts.module, parts.moduleLength);
    std::string operation(parts.operation, parts.operationLength);
    if (operation != "get" && operation != "set" && operation != "setop")
        fail("Unknown operation \"" + operation + "\".");
    if (!cfgStoreIsStoreModule(module)) fail("Unknown module \"" + module + "\".");
    // The parser reads objects: it is given the operation's content.
    cmObject_t *object =
        cmObjectParse(gParser, module.c_str(), parts.body, uint32_t(parts.bodyLength));
    if (!object) {
        if (gParser->errorCount)
            fail(gParser->errorBuffer->data ? gParser->errorBuffer->data : "Parse error");
        fail("The request names no object.");
    }
    cmFuncTableEntry_t *entry = cmFuncTableEntryGet(module.c_str());
    struct Release {
        cmFuncTableEntry_t *entry;
        cmObject_t *object;
        ~Release() { entry->free(object, cmFree_all); }
    } release{entry, object};
    if (!object->tag || object->tag->kind != cmTagKind_object || !object->data)
        fail("The request names no object.");
    Table &t = tableOrFail(module, object->tag->name);
    bool supported = false;
    if (t.kind == Kind::table && operation == "get") return getTable(t, flags, object->data);
    if (t.kind == Kind::single && operation == "get") {
        reply.status = 1;
        reply.data = format(t, t.rows[0].data);
        return reply;
    }
    if (t.kind == Kind::table && operation == "set") {
        setTable(t, object->data);
        supported = true;
    } else if (t.kind == Kind::single && operation == "set") {
        setSingle(t, object->data);
        supported = true;
    } else if (t.kind == Kind::op && operation != "get") {
        supported = true;
        if (t.op == "fdb")
            opFdb(object->data);
        else if (t.op == "save")
            opSave();
        else if (t.op == "file")
            opFile(object->data);
        else
            supported = false;
    }
    if (!supported) fail("Object " + t.object + " does not support method " + operation + ".");
    reply.status = 1;
    return reply;
}

// ---- catalogue

int parseCatalogue(const std::string &text, std::string *why) {
    std::istringstream lines(text);
    std::string line;
    int number = 0;
    auto bad = [&](const std::string &what) {
        *why = "catalogue line " + std::to_string(number) + ": " + what;
        return -1;
    };
    while (std::getline(lines, line)) {
        number++;
        std::istringstream words(line);
        std::vector<std::string> w;
        for (std::string s; words >> s;) w.push_back(s);
        if (w.empty() || w[0][0] == '#') continue;
        if (w[0] == "backend" && w.size() == 2) {
            gBackends.push_back(w[1]);
            continue;
        }
        if (w.size() < 4) return bad("too short");
        if (w[0] == "object") {
            Table t;
            t.module = w[1];
            t.object = w[2];
            t.def = cfgModuleFind(t.module.c_str());
            if (!t.def) return bad("unknown module " + t.module);
            t.tag = cmModuleLookup(t.def, t.object.c_str());
            t.desc = cmModuleDesc(t.def, t.tag);
            if (!t.desc) return bad("unknown object " + t.object);
            for (int i = 0; i < t.desc->fieldCount; i++) {
                const cmFieldDesc_t &f = t.desc->fields[i];
                // Rows are copied as plain bytes: no field may own other storage.
                if ((f.arrayMax && f.type != cmType_string) || f.type == cmType_complex ||
                    f.type == cmType_octetString || f.type == cmType_oid ||
                    f.type == cmType_timeslotlist || f.type == cmType_bitarray)
                    return bad("object " + t.object + " has fields the store cannot keep");
                if (f.type == cmType_action) t.actionField = i;
            }
            size_t k = 3;
            if (k < w.size() && w[k] == "readonly") {
                t.readOnly = true;
                k++;
            }
            if (k < w.size() && w[k] == "single") {
                t.kind = Kind::single;
            } else if (k + 1 < w.size() && w[k] == "op") {
                t.kind = Kind::op;
                t.op = w[k + 1];
            } else if (k + 1 < w.size() && w[k] == "keys") {
                std::istringstream names(w[k + 1]);
                for (std::string name; std::getline(names, name, ',');) {
                    int i = fieldIndex(t, name);
                    if (i < 0) return bad("no field " + name);
                    t.keys.push_back(i);
                }
            } else {
                return bad("object needs keys, single or op");
            }
            if (findTable(t.module, t.object)) return bad("object given twice");
            gTables.push_back(std::move(t));
        } else if (w[0] == "field") {
            if (w.size() < 5) return bad("too short");
            Table *t = findTable(w[1], w[2]);
            if (!t) return bad("field of an unknown object");
            int i = fieldIndex(*t, w[3]);
            if (i < 0) return bad("no field " + w[3]);
            Check &c = t->checks[i];
            for (size_t k = 4; k < w.size(); k++) {
                if (w[k] == "required") {
                    c.required = true;
                } else if (w[k] == "unique") {
                    c.unique = true;
                } else if (w[k] == "cascade") {
                    c.cascade = true;
                } else if (w[k] == "moves") {
                    c.moves = true;
                } else if (w[k] == "range" && k + 2 < w.size()) {
                    c.hasRange = true;
                    c.low = strtoll(w[k + 1].c_str(), nullptr, 10);
                    c.high = strtoll(w[k + 2].c_str(), nullptr, 10);
                    k += 2;
                } else if (w[k] == "maxlen" && k + 1 < w.size()) {
                    c.maxLength = atoi(w[++k].c_str());
                } else if (w[k] == "default" && k + 1 < w.size()) {
                    c.hasDefault = true;
                    c.defaultText = w[++k];
                } else if (w[k] == "ref" && k + 1 < w.size()) {
                    std::string ref = w[++k];
                    size_t a = ref.find('/'), b = ref.rfind('/');
                    if (a == std::string::npos || a == b)
                        return bad("ref needs module/object/field");
                    c.refModule = ref.substr(0, a);
                    c.refObject = ref.substr(a + 1, b - a - 1);
                    c.refField = ref.substr(b + 1);
                } else {
                    return bad("unknown check " + w[k]);
                }
            }
        } else {
            return bad("unknown statement " + w[0]);
        }
    }
    // References must name objects and fields that exist, so that checks cannot fail
    // on the catalogue itself later.
    for (Table &t : gTables)
        for (auto &[i, c] : t.checks) {
            if (c.refModule.empty()) continue;
            Table *target = findTable(c.refModule, c.refObject);
            if (!target || fieldIndex(*target, c.refField) < 0)
                return bad("reference of " + t.object + " names nothing");
        }
    return 0;
}

void freeAllRows() {
    for (Table &t : gTables) {
        for (Row &r : t.rows) freeRow(t, r.data);
        t.rows.clear();
    }
}

void resetSingles() {
    for (Table &t : gTables) {
        if (t.kind != Kind::single) continue;
        void *row = cmObjectAllocCore(t.desc, 0);
        applyDefaults(t, row);
        t.rows.push_back(Row{row, gNextInstance++});
    }
}

}  // namespace

int cfgStoreInit(const std::string &catalogueText, std::string *why) {
    freeAllRows();
    gNextInstance = 1;
    gTables.clear();
    gBackends.clear();
    cmObjectInit_vlan();
    cmObjectInit_fdb();
    cmObjectInit_acl();
    cmObjectInit_upm();
    cmObjectInit_cfgmgr();
    if (!gParser) gParser = cmObjectParserAlloc();
    if (!gText) gText = bufferAlloc(1024);
    if (!gParser || !gText) {
        *why = "out of memory";
        return -1;
    }
    try {
        if (parseCatalogue(catalogueText, why) != 0) {
            gTables.clear();
            return -1;
        }
        resetSingles();
    } catch (const Failure &f) {
        *why = f.text;
        gTables.clear();
        return -1;
    }
    return 0;
}

void cfgStoreClear() {
    freeAllRows();
    gNextInstance = 1;
    try {
        resetSingles();
    } catch (const Failure &) {
    }
}

cfgReply_t cfgStoreHandle(uint32_t getFlags, const char *text) {
    try {
        return serve(getFlags, text);
    } catch (const Failure &f) {
        cfgReply_t reply;
        reply.message = f.text;
        return reply;
    }
}

bool cfgStoreIsBackendModule(const std::string &module) {
    return std::find(gBackends.begin(), gBackends.end(), module) != gBackends.end();
}

bool cfgStoreIsStoreModule(const std::string &module) {
    for (const Table &t : gTables)
        if (t.module == module) return true;
    return false;
}

uint32_t cfgStoreLockoutThreshold() {
    Table *t = findTable("cfgmgr", "loginLockout");
    if (!t || t->rows.empty()) return 3;
    return static_cast<const cfgLoginLockout_t *>(t->rows[0].data)->failures;
}

std::vector<cfgRecord_t> cfgStoreRecords() {
    std::vector<cfgRecord_t> out;
    for (const Table &t : gTables) {
        if (t.kind == Kind::op) continue;
        for (const Row &r : t.rows)
            out.push_back(cfgRecord_t{t.module, r.instance, format(t, r.data)});
    }
    return out;
}

int cfgStoreRestore(const cfgRecord_t &record, std::string *why) {
    try {
        if (!cfgStoreIsStoreModule(record.module)) fail("unknown module " + record.module);
        cmObject_t *object = cmObjectParse(gParser, record.module.c_str(), record.xml.c_str(),
                                           uint32_t(record.xml.size()));
        if (!object) fail(gParser->errorCount ? gParser->errorBuffer->data : "no object");
        cmFuncTableEntry_t *entry = cmFuncTableEntryGet(record.module.c_str());
        struct Release {
            cmFuncTableEntry_t *entry;
            cmObject_t *object;
            ~Release() { entry->free(object, cmFree_all); }
        } release{entry, object};
        if (!object->tag || !object->data) fail("no object");
        Table &t = tableOrFail(record.module, object->tag->name);
        if (t.kind == Kind::op) fail("an operation is not a row");
        void *row = copyRow(t, object->data);
        if (t.kind == Kind::single) {
            freeRow(t, t.rows[0].data);
            t.rows[0] = Row{row, record.instance};
        } else {
            bool complete = true;
            for (int i : t.keys) complete = complete && isValid(t, row, i);
            if (!complete || findRow(t, row) >= 0) {
                freeRow(t, row);
                fail("a row without its key, or twice: " + record.xml);
            }
            insertRow(t, row, record.instance);
        }
        if (record.instance >= gNextInstance) gNextInstance = record.instance + 1;
        return 0;
    } catch (const Failure &f) {
        *why = f.text;
        return -1;
    }
}

void cfgStoreSetHooks(const cfgStoreHooks_t &hooks) {
    gHooks = hooks;
}
