// Read-ahead of get-next walks: the one form of a get-next request that cfgmgr and the
// frontend library both write, so that an answer cfgmgr computed ahead of time is
// handed over only for a request that means exactly what cfgmgr answered.
//
// A walk asks for the row after the one it was just given, naming that row by its key
// fields beside whatever else its first request gave. cfgmgr, asked for a get-next with
// read-ahead, answers it and then the requests that would follow: the first request's
// fields with the key fields of each row answered in turn. It sends each with its
// canonical text; the library keeps them and answers a later get-next of the same
// canonical text itself (cmclient/cm.h says when it drops them).
#pragma once
#include <cstdint>
#include <map>
#include <string>

// The fields a get gives: by name, only those with a value (an empty element gives
// nothing), the last value of a name given twice.
using cmGivenFields = std::map<std::string, std::string>;

// "<module_M><get><O><f1>v1</f1>...</O></get></module_M>", the fields in name order
// and their values escaped.
std::string cmCanonicalGet(const std::string &module, const std::string &object,
                           const cmGivenFields &fields);

// The canonical text of a request text that is a get of one object with plain fields
// (no attributes, no text outside the fields, no elements inside them); "" for any
// other text.
std::string cmCanonicalGetOfText(const char *text);

// Answers asked ahead of a get-next walk: the first few, then twice as many on each
// request that carries on where the last answers ended, up to the most.
constexpr uint32_t CM_READ_AHEAD_FIRST = 4, CM_READ_AHEAD_MOST = 128;
