// cfgmgr's configuration store: a table of rows per configuration object, described by
// the object catalogue, changed and read only through request texts.
//
// Every request is checked completely before anything changes: a request that fails
// leaves the store as it was. Not thread-safe: cfgmgr serves one request at a time.
#pragma once
#include <cstdint>
#include <string>
#include <vector>

struct cfgReply_t {
    uint32_t status = 0;  // 1 done (get: data holds zero or more objects), 0 failure
    std::string message;  // why it failed
    std::string data;     // XML of the objects read
};

// Loads the catalogue text (see data/cfgmgr/catalogue) and empties the store. 0, or -1
// with the reason in *why (the store is then unusable).
int cfgStoreInit(const std::string &catalogueText, std::string *why);
// Forgets every row (the catalogue stays).
void cfgStoreClear();

// Serves one request ("<module_M><get|set|setop>OBJECT</...></module_M>"). `getFlags`
// selects the kind of get (cmclient/cm.h); other operations ignore it.
cfgReply_t cfgStoreHandle(uint32_t getFlags, const char *text);

// True when requests for the module go to a backend application.
bool cfgStoreIsBackendModule(const std::string &module);
// True when the store serves the module itself.
bool cfgStoreIsStoreModule(const std::string &module);

// The configured number of failed logins before lock-out.
uint32_t cfgStoreLockoutThreshold();

// Rows as saved records, in catalogue order, every table in key order.
struct cfgRecord_t {
    std::string module;
    uint32_t instance;
    std::string xml;  // the object element
};
std::vector<cfgRecord_t> cfgStoreRecords();
// Puts a saved record back (no checks beyond the field types and a free key); 0, or -1
// with *why.
int cfgStoreRestore(const cfgRecord_t &record, std::string *why);

// Hooks the store calls (set by cfgmgr; null in tests that need none).
struct cfgStoreHooks_t {
    // saveConfig: 0, or -1 with *why.
    int (*save)(std::string *why);
    // The lock-out threshold changed.
    void (*lockoutChanged)(uint32_t value);
    // Directory in which fileOp works ("" refuses every file operation).
    std::string (*configDir)();
};
void cfgStoreSetHooks(const cfgStoreHooks_t &hooks);
