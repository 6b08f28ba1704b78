// The saved configuration and the factory defaults.
//
// The saved file "cfgmgr.cfg" in the configuration directory holds the store's rows and
// the set requests relayed to backends, in records, closed by a trailer with a checksum.
// It is replaced atomically (temporary file, fsync, rename, fsync of the directory), so
// a crash or power cut leaves either the old or the new file.
#pragma once
#include <string>
#include <utility>
#include <vector>

extern const char kSavedFileName[];  // "cfgmgr.cfg"

// Set requests that reached a backend, kept per module in the order they succeeded.
void cfgRelayRecord(const std::string &module, const std::string &text);
std::vector<std::string> cfgRelayTexts(const std::string &module);
void cfgRelayClear();

// Writes the running configuration; 0, or -1 with *why.
int cfgPersistSave(const std::string &dir, std::string *why);
// Reads the saved configuration into the (cleared) store: 1 loaded, 0 no saved file,
// -1 damaged: *why says how, the file is renamed to "cfgmgr.cfg.damaged" and the store
// is left empty.
int cfgPersistLoad(const std::string &dir, std::string *why);
// The text of a saved file for the current store, and its reading (for tests and fuzzing).
std::string cfgPersistText();
int cfgPersistParse(const std::string &text, std::string *why);

// Makes the catalogue's factory rows, "@ALLPORTS@" standing for every front port of the
// switch and "@MGMTPORT@" for its management port. A row that holds "@SLOT@",
// "@PORTNUM@" or "@PORTNAME@" is made once for each front port, with its slot, its number
// in the slot and its name ("1:5"; "5" on a switch of one slot). 0, or -1 with *why
// naming the first row that could not be made (the others are made all the same).
int cfgApplyFactory(std::string *why);
// Port-list texts of every front port of the switch and of its management port.
std::string cfgAllPortsText();
