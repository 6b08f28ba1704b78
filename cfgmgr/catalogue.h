// The object catalogue: which objects the store keeps, their fields with types and
// checks, their keys and what kind of object each is. It is read at start from the
// files of the data directory's "catalogue" folder, one file per module (cfgmgr/README.md
// describes the statements). A catalogue that does not hold together stops cfgmgr with
// the file and line of the statement at fault.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cfgmgr/types.h"

struct cfgFieldDecl {
    std::string name;
    const cfgType *type = nullptr;
    bool required = false;
    bool unique = false;   // no two rows hold the same value; also finds a row alone
    bool moves = false;    // a port list: a port given to one row is taken from the others
    bool cascade = false;  // with ref: deleting the referred row deletes this one
    bool hasRange = false;
    uint64_t low = 0, high = 0;  // ordering numbers of the range's ends
    std::string lowText, highText;
    size_t maxLength = 0;  // texts only
    bool hasDefault = false;
    std::string defaultText;  // canonical
    std::string refModule, refObject, refField;
    int line = 0;
};

enum class cfgKind {
    table,     // rows made, changed and deleted by sets
    single,    // exactly one row, changed by plain sets
    readonly,  // rows made only by the module's hooks (and saved)
    canned,    // read-only rows from a data file installed with cfgmgr (not saved)
    view,      // rows computed by the module's view hook on every read
    op,        // an operation: no rows, the module's hook does the work
};

struct cfgObjectDecl {
    std::string module, name;
    cfgKind kind = cfgKind::table;
    std::vector<cfgFieldDecl> fields;  // in the order replies write them
    std::vector<size_t> keys;          // field indexes, most significant first
    size_t scope = 0;                  // leading keys that bound a get-next walk
    std::string rowsFile;              // canned: relative to the data directory
    std::string where;                 // "file line N" of the object statement

    // Index of the named field, or -1.
    int field(const std::string &name) const;
    bool isKey(size_t field) const;
};

// A row made when no saved configuration is read: an object element.
struct cfgFactoryRow {
    std::string module, object;
    std::string text;
    std::string where;
};

struct cfgCatalogue {
    std::vector<cfgObjectDecl> objects;  // every object after those it refers to
    std::vector<cfgFactoryRow> factory;  // in the order of their objects
    std::vector<std::string> backends;   // modules served by backend applications
};

struct cfgCatalogueFile {
    std::string name;  // for messages
    std::string text;
};

// Reads the catalogue files in the order given; 0, or -1 with *why naming the file and
// line at fault.
int cfgCatalogueParse(const std::vector<cfgCatalogueFile> &files, cfgCatalogue *out,
                      std::string *why);
// The files of `dir`/catalogue in name order; 0, or -1 with *why.
int cfgCatalogueFiles(const std::string &dir, std::vector<cfgCatalogueFile> *files,
                      std::string *why);
// The whole content of a file; false when it cannot be read.
bool cfgReadFile(const std::string &path, std::string *text);
