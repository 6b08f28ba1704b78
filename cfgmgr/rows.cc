#include "cfgmgr/rows.h"

#include <algorithm>

namespace {

// Never destroyed: rows live until the process ends, and a destructor running at exit
// would only hide them from the leak checker.
std::vector<cfgTable> &gTables = *new std::vector<cfgTable>;
uint32_t gNextInstance = 1;

struct Change {
    enum Kind { inserted, erased, replaced } kind;
    cfgTable *table;
    cfgRow row;  // inserted: the new row (for its key); erased, replaced: the old row
};
std::vector<Change> &gJournal = *new std::vector<Change>;
bool gJournalOpen;

void journal(Change::Kind kind, cfgTable *table, const cfgRow &row) {
    if (gJournalOpen && table->kept()) gJournal.push_back(Change{kind, table, row});
}

// Writes a text as CDATA; a "]]>" inside it is split across two sections so that the
// text reads back unchanged.
void putCdata(const std::string &text, std::string *out) {
    out->append("<![CDATA[");
    size_t from = 0;
    for (size_t end; (end = text.find("]]>", from)) != std::string::npos; from = end + 2) {
        out->append(text, from, end + 2 - from);
        out->append("]]><![CDATA[");
    }
    out->append(text, from, std::string::npos);
    out->append("]]>");
}

bool isNumericZero(const cfgFieldDecl &f, const cfgValue &v) {
    return f.type->numeric && v.set && v.text == "0";
}

}  // namespace

int cfgCompareValues(const cfgFieldDecl &field, const cfgValue &a, const cfgValue &b) {
    if (field.type->numeric) return a.order < b.order ? -1 : a.order > b.order;
    int c = a.text.compare(b.text);
    return c < 0 ? -1 : c > 0;
}

cfgTable::cfgTable(const cfgObjectDecl &decl, bool kept) : decl_(&decl), kept_(kept) {}

// ---- values

cfgRow cfgTable::blank() const {
    cfgRow row;
    row.values.resize(decl_->fields.size());
    return row;
}

const std::string *cfgTable::value(const cfgRow &row, const std::string &field) const {
    int i = decl_->field(field);
    if (i < 0 || !row.values[size_t(i)].set) return nullptr;
    return &row.values[size_t(i)].text;
}

int cfgTable::assign(cfgRow &row, size_t index, const std::string &text, std::string *why,
                     bool limits) const {
    const cfgFieldDecl &f = decl_->fields[index];
    cfgValue v;
    if (f.type->isAction || cfgTypeRead(*f.type, text, &v.text, &v.order) != 0) {
        *why = "Value \"" + text + "\" is not valid for field \"" + f.name + "\".";
        return -1;
    }
    if (limits && f.type->isText && v.text.size() > f.maxLength) {
        *why = "Field \"" + f.name + "\" is longer than " + std::to_string(f.maxLength) +
               " characters.";
        return -1;
    }
    if (limits && f.hasRange && (v.order < f.low || v.order > f.high)) {
        *why = "Value " + v.text + " of field \"" + f.name + "\" is out of range (" + f.lowText +
               " to " + f.highText + ").";
        return -1;
    }
    v.set = true;
    row.values[index] = std::move(v);
    return 0;
}

int cfgTable::assign(cfgRow &row, const std::string &field, const std::string &text,
                     std::string *why) const {
    int i = decl_->field(field);
    if (i < 0) {
        *why = "Unknown field \"" + field + "\" of " + decl_->name + ".";
        return -1;
    }
    return assign(row, size_t(i), text, why);
}

void cfgTable::reset(cfgRow &row, size_t field) const {
    const cfgFieldDecl &f = decl_->fields[field];
    std::string unused;
    // Defaults are checked when the catalogue is read: this cannot fail.
    if (!f.hasDefault || assign(row, field, f.defaultText, &unused, false) != 0)
        row.values[field] = cfgValue();
}

std::string cfgTable::describe(const cfgRow &row) const {
    std::string s = decl_->name;
    const char *separator = " ";
    for (size_t k : decl_->keys) {
        if (!row.values[k].set) continue;
        s += separator + ("\"" + row.values[k].text + "\"");
        separator = "/";
    }
    // A row named by a unique field alone is described by it.
    for (size_t i = 0; i < row.values.size() && *separator == ' '; i++)
        if (decl_->fields[i].unique && row.values[i].set)
            return s + " \"" + row.values[i].text + "\"";
    return s;
}

void cfgTable::format(const cfgRow &row, std::string *out) const {
    out->append("<").append(decl_->name).append(">");
    for (size_t i = 0; i < decl_->fields.size(); i++) {
        const cfgValue &v = row.values[i];
        if (!v.set) continue;
        const cfgFieldDecl &f = decl_->fields[i];
        out->append("<").append(f.name).append(">");
        if (f.type->isText && !v.text.empty())
            putCdata(v.text, out);
        else
            out->append(v.text);  // canonical texts of the other types need no escaping
        out->append("</").append(f.name).append(">");
    }
    out->append("</").append(decl_->name).append(">");
}

// ---- order and lookup

bool cfgTable::hasKey(const cfgRow &row) const {
    for (size_t k : decl_->keys)
        if (!row.values[k].set) return false;
    return true;
}

// A key field that is not set sorts before every value.
int cfgTable::compareKeys(const cfgRow &a, const cfgRow &b) const {
    for (size_t k : decl_->keys) {
        const cfgValue &va = a.values[k], &vb = b.values[k];
        if (va.set != vb.set) return va.set ? 1 : -1;
        if (!va.set) continue;
        if (int c = cfgCompareValues(decl_->fields[k], va, vb)) return c;
    }
    return 0;
}

size_t cfgTable::lowerBound(const cfgRow &key) const {
    auto it =
        std::lower_bound(rows_.begin(), rows_.end(), key,
                         [&](const cfgRow &r, const cfgRow &k) { return compareKeys(r, k) < 0; });
    return size_t(it - rows_.begin());
}

size_t cfgTable::upperBound(const cfgRow &key) const {
    auto it =
        std::upper_bound(rows_.begin(), rows_.end(), key,
                         [&](const cfgRow &k, const cfgRow &r) { return compareKeys(k, r) < 0; });
    return size_t(it - rows_.begin());
}

int cfgTable::find(const cfgRow &key) const {
    size_t i = lowerBound(key);
    return i < rows_.size() && compareKeys(rows_[i], key) == 0 ? int(i) : -1;
}

int cfgTable::findBy(size_t field, const cfgValue &value) const {
    const cfgFieldDecl &f = decl_->fields[field];
    if (f.unique && indexed_) {
        // Canonical texts are equal exactly when the values are.
        auto it = byUnique_[field].find(value.text);
        return it == byUnique_[field].end() ? -1 : int(it->second);
    }
    for (size_t i = 0; i < rows_.size(); i++)
        if (rows_[i].values[field].set && cfgCompareValues(f, rows_[i].values[field], value) == 0)
            return int(i);
    return -1;
}

void cfgTable::indexUniqueFields() const {
    if (indexed_) return;
    byUnique_.assign(decl_->fields.size(), {});
    for (size_t i = 0; i < decl_->fields.size(); i++) {
        if (!decl_->fields[i].unique) continue;
        for (size_t r = 0; r < rows_.size(); r++)
            if (rows_[r].values[i].set) byUnique_[i].emplace(rows_[r].values[i].text, r);
    }
    indexed_ = true;
}

int cfgTable::locate(const cfgRow &given) const {
    if (hasKey(given)) return find(given);
    for (size_t i = 0; i < decl_->fields.size(); i++) {
        if (!decl_->fields[i].unique || !given.values[i].set) continue;
        int found = findBy(i, given.values[i]);
        // Key fields given beside the unique one must agree with the row found.
        if (found >= 0 && !matches(rows_[size_t(found)], given, false)) return -1;
        return found;
    }
    return -2;
}

// Every key field that `given` sets holds the same value in `row`.
bool cfgTable::matches(const cfgRow &row, const cfgRow &given, bool numericZeroIsAny) const {
    for (size_t k : decl_->keys) {
        const cfgFieldDecl &f = decl_->fields[k];
        const cfgValue &g = given.values[k];
        if (!g.set || (numericZeroIsAny && isNumericZero(f, g))) continue;
        if (cfgCompareValues(f, row.values[k], g) != 0) return false;
    }
    return true;
}

// The first `scope` keys of `row` equal those of `given`; a scope key that `given` does
// not set ends the scope there.
bool cfgTable::inScope(const cfgRow &row, const cfgRow &given, size_t scope) const {
    for (size_t s = 0; s < scope; s++) {
        size_t k = decl_->keys[s];
        if (!given.values[k].set) return true;
        if (cfgCompareValues(decl_->fields[k], row.values[k], given.values[k]) != 0) return false;
    }
    return true;
}

int cfgTable::get(cfgGet kind, const cfgRow &given, cfgFound *found, std::string *why) const {
    found->rows.clear();
    found->status = 1;
    // Reads by a unique field come in walks, without changes in between: worth an index.
    if (!hasKey(given)) indexUniqueFields();
    if (kind == cfgGet::next) {
        // The walk goes on after the row named; a request that names a row by a unique
        // field goes on after that row's whole key, so the walk always advances.
        const cfgRow *cursor = &given;
        if (!hasKey(given)) {
            int at = locate(given);
            if (at == -1) return 0;  // that row has gone: the walk is over
            if (at >= 0) cursor = &rows_[size_t(at)];
        }
        size_t i = upperBound(*cursor);
        if (i >= rows_.size() || !inScope(rows_[i], given, decl_->scope)) return 0;
        found->rows.push_back(i);
        if (i + 1 < rows_.size() && inScope(rows_[i + 1], given, decl_->scope)) found->status = 2;
        return 0;
    }
    bool zeroIsAny = kind == cfgGet::exact;
    bool wildcard = false;
    for (size_t k : decl_->keys)
        wildcard = wildcard || (zeroIsAny && isNumericZero(decl_->fields[k], given.values[k]));
    int at = wildcard ? -2 : locate(given);
    if (at >= 0) found->rows.push_back(size_t(at));
    if (at != -2) return 0;
    if (kind == cfgGet::exact) {
        for (size_t k : decl_->keys) {
            const cfgFieldDecl &f = decl_->fields[k];
            if (!given.values[k].set && !f.type->numeric) {
                *why = "Missing key field \"" + f.name + "\".";
                return -1;
            }
        }
    }
    for (size_t i = 0; i < rows_.size(); i++) {
        if (!matches(rows_[i], given, zeroIsAny)) continue;
        found->rows.push_back(i);
        if (kind == cfgGet::exact) break;
    }
    return 0;
}

// ---- changes

int cfgTable::check(const cfgRow &row, int self, std::string *why) const {
    for (size_t i = 0; i < decl_->fields.size(); i++) {
        const cfgFieldDecl &f = decl_->fields[i];
        const cfgValue &v = row.values[i];
        if (!v.set || (f.type->isText && f.required && v.text.empty())) {
            if (f.required) {
                *why = std::string(decl_->isKey(i) ? "Missing key field \"" : "Missing field \"") +
                       f.name + (decl_->isKey(i) ? "\"." : "\" of " + decl_->name + ".");
                return -1;
            }
            continue;
        }
        if (f.unique) {
            int other = findBy(i, v);
            if (other >= 0 && other != self) {
                *why =
                    describe(rows_[size_t(other)]) + " already has " + f.name + " " + v.text + ".";
                return -1;
            }
        }
        if (!f.refModule.empty()) {
            cfgTable *target = cfgTableFind(f.refModule, f.refObject);
            int tf = target ? target->field(f.refField) : -1;
            if (tf < 0 || target->findBy(size_t(tf), v) < 0) {
                *why = f.refObject + " \"" + v.text + "\" does not exist.";
                return -1;
            }
        }
    }
    return 0;
}

int cfgTable::insert(cfgRow row, std::string *why) {
    for (size_t k : decl_->keys) {
        if (!row.values[k].set) {
            *why = "Missing key field \"" + decl_->fields[k].name + "\".";
            return -1;
        }
    }
    if (find(row) >= 0) {
        *why = describe(row) + " already exists.";
        return -1;
    }
    if (check(row, -1, why) != 0) return -1;
    if (row.instance == 0) row.instance = cfgInstanceNext();
    journal(Change::inserted, this, row);
    changed();
    rows_.insert(rows_.begin() + long(lowerBound(row)), std::move(row));
    return 0;
}

int cfgTable::replace(size_t index, cfgRow row, std::string *why) {
    if (check(row, int(index), why) != 0) return -1;
    update(index, std::move(row));
    return 0;
}

void cfgTable::update(size_t index, cfgRow row) {
    row.instance = rows_[index].instance;
    journal(Change::replaced, this, rows_[index]);
    changed();
    rows_[index] = std::move(row);
}

void cfgTable::erase(size_t index) {
    journal(Change::erased, this, rows_[index]);
    changed();
    rows_.erase(rows_.begin() + long(index));
}

int cfgTable::put(cfgRow row, std::string *why) {
    if (find(row) >= 0) {
        *why = describe(row) + " is there twice.";
        return -1;
    }
    changed();
    rows_.insert(rows_.begin() + long(lowerBound(row)), std::move(row));
    return 0;
}

void cfgTable::clear() {
    changed();
    rows_.clear();
}

// ---- the store's tables

void cfgTablesInit(const cfgCatalogue &catalogue) {
    gTables.clear();
    gJournal.clear();
    gJournalOpen = false;
    gTables.reserve(catalogue.objects.size());
    for (const cfgObjectDecl &o : catalogue.objects) gTables.emplace_back(o, true);
    cfgInstanceReset();
}

std::vector<cfgTable> &cfgTables() {
    return gTables;
}

cfgTable *cfgTableFind(const std::string &module, const std::string &object) {
    for (cfgTable &t : gTables)
        if (t.decl().module == module && t.decl().name == object) return &t;
    return nullptr;
}

std::vector<cfgReferrer> cfgReferrers(const cfgTable &table, const cfgRow &row) {
    std::vector<cfgReferrer> out;
    for (cfgTable &u : gTables) {
        for (size_t i = 0; i < u.decl().fields.size(); i++) {
            const cfgFieldDecl &f = u.decl().fields[i];
            if (f.refModule != table.decl().module || f.refObject != table.name()) continue;
            const std::string *value = table.value(row, f.refField);
            if (!value) continue;
            for (size_t r = 0; r < u.rows().size(); r++) {
                const cfgRow &other = u.rows()[r];
                if (&u == &table && other.instance == row.instance) continue;
                if (other.values[i].set && other.values[i].text == *value)
                    out.push_back(cfgReferrer{&u, r, i});
            }
        }
    }
    return out;
}

uint32_t cfgInstanceNext() {
    return gNextInstance++;
}

void cfgInstanceAbove(uint32_t used) {
    if (used >= gNextInstance) gNextInstance = used + 1;
}

void cfgInstanceReset() {
    gNextInstance = 1;
}

// ---- the journal

void cfgJournalBegin() {
    gJournal.clear();
    gJournalOpen = true;
}

void cfgJournalCommit() {
    gJournal.clear();
    gJournalOpen = false;
}

void cfgJournalRollback() {
    gJournalOpen = false;
    for (auto it = gJournal.rbegin(); it != gJournal.rend(); ++it) {
        cfgTable *t = it->table;
        std::vector<cfgRow> &rows = t->rows_;
        t->changed();
        switch (it->kind) {
            case Change::inserted: {
                int at = t->find(it->row);
                if (at >= 0) rows.erase(rows.begin() + at);
                break;
            }
            case Change::erased:
                rows.insert(rows.begin() + long(t->lowerBound(it->row)), std::move(it->row));
                break;
            case Change::replaced: {
                int at = t->find(it->row);
                if (at >= 0) rows[size_t(at)] = std::move(it->row);
                break;
            }
        }
    }
    gJournal.clear();
}
