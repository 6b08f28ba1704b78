// What a module adds to the store beyond its catalogue: functions run when one of its
// objects is created, configured, unconfigured or deleted, the work of its operations
// (objects of kind op) and its derived views (objects of kind view).
//
// A module's hooks live in cfgmgr/modules/<name>.cc, which ends with
// CFG_MODULE_HOOKS(<name>, table); the build gathers every file of that folder into
// one list, so adding a module touches no shared line. cfgmgr/README.md tells how.
//
// Hooks run inside one request: every change they make to any table (through
// cfgTable::insert, replace, update, erase and cfgStoreDelete) is undone when the
// request fails, whoever failed it. Effects outside the store cannot be undone, so an
// operation does them last.
#pragma once
#include <cstddef>
#include <cstdint>
#include <string>
#include <type_traits>
#include <vector>

#include "cfgmgr/request.h"
#include "cfgmgr/rows.h"

enum class cfgEvent {
    create,       // a new row; `row` is what will be stored, defaults applied
    configure,    // a changed row; `row` is what will replace the old one
    unconfigure,  // as configure, with the named fields taken back to their defaults
    remove,       // a row going (also when it goes with a row it refers to); `row` is it
    op,           // an operation object was set; `row` is null
    view,         // a view is read: the view hook computes its rows
    request,      // a request for the object arrived: the request hook may reshape it
};

struct cfgChange {
    cfgEvent event;
    uint32_t action;        // the row action the request gave (CM_ACTION_*), or 0
    cfgTable &table;        // the object's table (for an operation: to read the fields)
    const cfgRow &request;  // the values the request gave
    cfgRow *row;            // see cfgEvent; create and configure hooks may change it
    std::string why;        // the reason when the hook fails
};

// 0 to go on, or -1 with change.why: the request fails and nothing of it stays.
typedef int (*cfgChangeHook_t)(cfgChange &change);
// Appends the view's rows (in any order) to *rows; `request` holds the values the get
// gave, so a hook may leave out rows that cannot answer it. 0, or -1 with *why.
typedef int (*cfgViewHook_t)(const cfgTable &view, const cfgRow &request, std::vector<cfgRow> *rows,
                             std::string *why);

// Reads a request whose fields go together by where they stand (text.sequence) into
// the fields the store reads (text.fields), before anything else is done with it; it
// may also name another object of the module. `getFlags` are the request's (the kind of
// get; cmclient/cm.h). 0, or -1 with *why.
typedef int (*cfgRequestHook_t)(cfgObjectText &text, uint32_t getFlags, std::string *why);

struct cfgHook_t {
    const char *module;
    const char *object;
    cfgEvent event;
    cfgChangeHook_t change;              // every event but view and request
    cfgViewHook_t view;                  // view only
    cfgRequestHook_t request = nullptr;  // request only
};

struct cfgModuleHooks_t {
    const char *name;
    const cfgHook_t *hooks;
    size_t count;
};

// Every module's hooks (null-terminated), built from the files of cfgmgr/modules/.
extern const cfgModuleHooks_t *const gCfgModuleHooks[];

#define CFG_MODULE_HOOKS(name, table)              \
    extern const cfgModuleHooks_t cfgHooks_##name; \
    const cfgModuleHooks_t cfgHooks_##name = {#name, table, sizeof(table) / sizeof(table[0])}

// ---- what hooks may call besides the tables of rows.h

// Deletes a row together with the rows that cascade from it, running their remove
// hooks; fails when another row still refers to it. 0, or -1 with *why.
int cfgStoreDelete(cfgTable &table, size_t index, std::string *why);

// The text of a field of a row, or `otherwise` when it has no value (rows read back from
// a saved file keep only the fields that were saved).
inline std::string cfgValueOr(const cfgTable &table, const cfgRow &row, const std::string &field,
                              const std::string &otherwise = "") {
    const std::string *value = table.value(row, field);
    return value ? *value : otherwise;
}

// Seconds since the store was set up: the switch's uptime, as views report it.
uint32_t cfgStoreUptime();

// Changes each time the store is set up again, so that hooks keeping state of their own
// (running totals) know to start over.
uint32_t cfgStoreGeneration();

// Fills a row field by field from texts, keeping the first failure: how view hooks make
// their rows.
//   cfgRowWriter r(view);
//   r.set("port", "1:5").set("speed", 1000);
//   if (r.addTo(rows, why) != 0) return -1;
class cfgRowWriter {
public:
    explicit cfgRowWriter(const cfgTable &table) : table_(table), row_(table.blank()) {}
    cfgRowWriter &set(const std::string &field, const std::string &text) {
        if (why_.empty()) table_.assign(row_, field, text, &why_);
        return *this;
    }
    cfgRowWriter &set(const std::string &field, const char *text) {
        return set(field, std::string(text));
    }
    template <class N, std::enable_if_t<std::is_integral_v<N> || std::is_enum_v<N>, int> = 0>
    cfgRowWriter &set(const std::string &field, N number) {
        if constexpr (std::is_enum_v<N>)
            return set(field, std::to_string(std::underlying_type_t<N>(number)));
        else
            return set(field, std::to_string(number));
    }
    // Every field of `row` (of `from`) that this table declares too.
    cfgRowWriter &copy(const cfgTable &from, const cfgRow &row) {
        for (size_t i = 0; i < from.decl().fields.size(); i++)
            if (row.values[i].set && table_.field(from.decl().fields[i].name) >= 0)
                set(from.decl().fields[i].name, row.values[i].text);
        return *this;
    }
    // Appends the row: 0, or -1 with the first failure in *why.
    int addTo(std::vector<cfgRow> *rows, std::string *why) {
        if (!why_.empty()) {
            *why = why_;
            return -1;
        }
        rows->push_back(std::move(row_));
        row_ = table_.blank();
        return 0;
    }

private:
    const cfgTable &table_;
    cfgRow row_;
    std::string why_;
};

// What the store needs from the process it runs in (set by cfgmgr's server; empty in
// tests that need none).
struct cfgStoreEnvironment_t {
    int (*save)(std::string *why);  // saves the running configuration: 0, or -1
    std::string (*configDir)();     // the configuration directory ("": none)
    // What a view shows changed outside any request (a UPM run ended): readers are told
    // as after a set, so that no answer read ahead of a walk hides it.
    void (*changed)();
};
const cfgStoreEnvironment_t &cfgStoreEnvironment();
