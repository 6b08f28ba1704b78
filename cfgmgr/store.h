// cfgmgr's configuration store: the objects of the catalogue, their rows, and the
// requests that read and change them.
//
// A request either succeeds as a whole or leaves the store as it was. Not thread-safe:
// cfgmgr serves one request at a time.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

#include "cfgmgr/catalogue.h"
#include "cfgmgr/hooks.h"

struct cfgReply_t {
    uint32_t status = 0;  // 0 failure; a get-next: 2 when another row follows, else 1
    std::string message;  // why it failed
    std::string data;     // XML of the rows read (empty when none)
    // A get of a keyed object: the key fields of the last row read, by name, with their
    // values as stored (what the next get of a walk names it by).
    std::vector<std::pair<std::string, std::string>> lastKey;
};

// Reads the catalogue and canned rows of the data directory `dataDir` (see
// data/cfgmgr) and empties the store; 0, or -1 with the reason in *why (the store is
// then unusable).
int cfgStoreInit(const std::string &dataDir, std::string *why);
// The same from catalogue files given in memory (canned rows still from `dataDir`).
int cfgStoreInitFrom(const std::vector<cfgCatalogueFile> &files, const std::string &dataDir,
                     std::string *why);
// Forgets every row but the canned ones; single objects go back to their defaults.
void cfgStoreClear();

// Serves one request ("<module_M><get|set|setop>OBJECT</...></module_M>"). `getFlags`
// selects the kind of get (cmclient/cm.h); other operations ignore it.
cfgReply_t cfgStoreHandle(uint32_t getFlags, const char *text);

// True when requests for the module go to a backend application.
bool cfgStoreIsBackendModule(const std::string &module);
// True when the store serves the module itself.
bool cfgStoreIsStoreModule(const std::string &module);
// A field of a single object ("" when it has no value).
std::string cfgStoreSingleValue(const std::string &module, const std::string &object,
                                const std::string &field);

// The factory rows of the catalogue, and the making of one (its text after any
// substitution): 0, or -1 with *why.
const std::vector<cfgFactoryRow> &cfgStoreFactory();
int cfgStoreMakeFactoryRow(const cfgFactoryRow &row, const std::string &text, std::string *why);

// Rows as saved records, every object after those it refers to, rows in key order.
struct cfgRecord_t {
    std::string module;
    uint32_t instance;
    std::string xml;  // the object element
};
std::vector<cfgRecord_t> cfgStoreRecords();
// Puts a saved record back (no checks beyond the field types and a free key); 0, or -1
// with *why.
int cfgStoreRestore(const cfgRecord_t &record, std::string *why);

void cfgStoreSetEnvironment(const cfgStoreEnvironment_t &environment);
