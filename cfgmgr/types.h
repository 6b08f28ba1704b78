// The value types of the store's fields. A value given as text is checked against its
// field's type and kept in one canonical form, the text replies show, together with a
// number that orders it: integers, booleans, IPv4 addresses and ports order by their
// number, every other type by its canonical text.
#pragma once
#include <cstdint>
#include <string>

struct cfgType {
    const char *name;  // as the catalogue writes it ("uint32", "portlist", ...)
    uint16_t code;     // the configuration object library's type code
    bool numeric;      // ordered by number
    bool isText;       // a free text (length bounded by the field's maxlen)
    bool isAction;     // a row action ("create", "delete", ...): read from requests, never kept
    bool isPortList;
};

// The type of that catalogue name, or nullptr.
const cfgType *cfgTypeFind(const std::string &name);

// Reads `text` as a value of `type`: 0 with its canonical text and ordering number, or
// -1 when the text is not such a value. Texts are taken as they are.
int cfgTypeRead(const cfgType &type, const std::string &text, std::string *canonical,
                uint64_t *order);

// Port lists: the canonical list `base` with the ports of `given` added (or taken away).
std::string cfgPortsCombine(const std::string &base, const std::string &given, bool add);

// The name of a front port as the store writes it: "1:5", or "5" on a switch of one slot.
std::string cfgPortName(int slot, int port);
