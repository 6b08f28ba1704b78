// The row engine: one table of rows per object of the catalogue, each row a value per
// declared field, kept in key order. It finds rows (by key, or by a unique field alone),
// answers the three kinds of get, checks rows against the catalogue and makes the
// changes, writing each into a journal so that a request that fails can be undone as a
// whole. Not thread-safe: cfgmgr serves one request at a time.
#pragma once
#include <cstdint>
#include <string>
#include <unordered_map>
#include <vector>

#include "cfgmgr/catalogue.h"

struct cfgValue {
    std::string text;    // canonical
    uint64_t order = 0;  // numeric types: orders the values
    bool set = false;
};

struct cfgRow {
    std::vector<cfgValue> values;  // one per declared field
    uint32_t instance = 0;         // unique for the life of the store; 0 until inserted
};

// What a get answers: the rows, and the reply status (a get-next: 2 when another row
// follows within the walk's scope, else 1).
struct cfgFound {
    std::vector<size_t> rows;
    uint32_t status = 1;
};

enum class cfgGet {
    exact,  // the row the key names (a numeric key given as 0 or not at all matches any)
    next,   // the row after the key, within the walk's scope
    plain,  // the row the key names, or every row the given key fields match
};

class cfgTable {
public:
    // `kept`: a table of the store, whose changes are journaled; views are not.
    cfgTable(const cfgObjectDecl &decl, bool kept);

    const cfgObjectDecl &decl() const { return *decl_; }
    const std::vector<cfgRow> &rows() const { return rows_; }
    const std::string &name() const { return decl_->name; }
    bool kept() const { return kept_; }

    // ---- values
    cfgRow blank() const;
    int field(const std::string &name) const { return decl_->field(name); }
    // The value of a field, or nullptr when it is not set (or no such field).
    const std::string *value(const cfgRow &row, const std::string &field) const;
    // Sets a field from text, checked against its type and (with `limits`) its length
    // and range; 0, or -1 with *why.
    int assign(cfgRow &row, size_t field, const std::string &text, std::string *why,
               bool limits = true) const;
    int assign(cfgRow &row, const std::string &field, const std::string &text,
               std::string *why) const;
    // Sets a field to its default, or leaves it without a value when it has none.
    void reset(cfgRow &row, size_t field) const;
    // "vlan \"VR-Default\"/\"Default\"": the object and its key values (or, without
    // them, the value of a unique field).
    std::string describe(const cfgRow &row) const;
    // Appends "<object><field>value</field>...</object>" with the fields in declared order.
    void format(const cfgRow &row, std::string *out) const;

    // ---- order and lookup
    bool hasKey(const cfgRow &row) const;  // every key field is set
    int compareKeys(const cfgRow &a, const cfgRow &b) const;
    int find(const cfgRow &key) const;                      // the row with that whole key, or -1
    int findBy(size_t field, const cfgValue &value) const;  // the first row holding it, or -1
    // The row a request names by its whole key or, failing that, by a unique field it
    // gives: its index, -1 when no row matches, -2 when the request names neither.
    int locate(const cfgRow &given) const;
    // A get; 0, or -1 with *why (an exact get without the key).
    int get(cfgGet kind, const cfgRow &given, cfgFound *found, std::string *why) const;

    // ---- changes (each checked against the catalogue's rules for the whole row)
    // Required fields, unique values and references; `self` is the index of the row
    // being replaced, or -1.
    int check(const cfgRow &row, int self, std::string *why) const;
    int insert(cfgRow row, std::string *why);                 // a row whose key is free
    int replace(size_t index, cfgRow row, std::string *why);  // the same key
    // Replaces a row without checks, for changes that cannot break a rule (ports taken
    // away from a row).
    void update(size_t index, cfgRow row);
    void erase(size_t index);
    // Without checks or journal, and with the instance it has: rows read back from a
    // saved file, canned rows, views. Fails only when the key is taken.
    int put(cfgRow row, std::string *why);
    void clear();

private:
    friend void cfgJournalRollback();
    size_t lowerBound(const cfgRow &key) const;
    size_t upperBound(const cfgRow &key) const;
    bool inScope(const cfgRow &row, const cfgRow &given, size_t scope) const;
    bool matches(const cfgRow &row, const cfgRow &given, bool numericZeroIsAny) const;

    void changed() { indexed_ = false; }
    void indexUniqueFields() const;

    const cfgObjectDecl *decl_;
    bool kept_;
    std::vector<cfgRow> rows_;
    // For each unique field, the row holding each value: built by a get that names a row
    // by a unique field, dropped at every change (a walk reads without changing).
    mutable std::vector<std::unordered_map<std::string, size_t>> byUnique_;
    mutable bool indexed_ = false;
};

// Compares two values of a field's type.
int cfgCompareValues(const cfgFieldDecl &field, const cfgValue &a, const cfgValue &b);

// ---- the store's tables, in catalogue order
// Builds one empty table per object (views and operations included); forgets the old ones.
void cfgTablesInit(const cfgCatalogue &catalogue);
std::vector<cfgTable> &cfgTables();
cfgTable *cfgTableFind(const std::string &module, const std::string &object);
// A row that refers to another through a field declared with ref.
struct cfgReferrer {
    cfgTable *table;
    size_t row;
    size_t field;  // the referring field
};
// The rows that refer to `row` of `table` (itself left out), in table order.
std::vector<cfgReferrer> cfgReferrers(const cfgTable &table, const cfgRow &row);
// Row instance numbers: the next one to give, and making sure it is above `used`.
uint32_t cfgInstanceNext();
void cfgInstanceAbove(uint32_t used);
void cfgInstanceReset();

// ---- the journal of one request
void cfgJournalBegin();
void cfgJournalCommit();
void cfgJournalRollback();  // undoes every change since cfgJournalBegin
