#include "cfgmgr/types.h"

#include <cstdlib>
#include <cstring>
#include <limits>

#include "cfgmgmt/cmBackend/src/cm_object.h"
#include "cfgmgmt/cmBackend/src/cm_types.h"
#include "platform/dmcard.h"
#include "platform/portlist.h"

namespace {

struct Integer {
    bool isSigned;
    int64_t low;
    uint64_t high;
};

struct TypeRow {
    cfgType type;
    Integer range;  // integers only (high 0 otherwise)
};

constexpr uint64_t kSignBit = uint64_t(1) << 63;

const TypeRow kTypes[] = {
    {{"string", cmType_string, false, true, false, false}, {}},
    {{"boolean", cmType_boolean, true, false, false, false}, {}},
    {{"int8", cmType_int8, true, false, false, false}, {true, INT8_MIN, INT8_MAX}},
    {{"int16", cmType_int16, true, false, false, false}, {true, INT16_MIN, INT16_MAX}},
    {{"int32", cmType_int32, true, false, false, false}, {true, INT32_MIN, INT32_MAX}},
    {{"int64", cmType_int64, true, false, false, false}, {true, INT64_MIN, INT64_MAX}},
    {{"uint8", cmType_uint8, true, false, false, false}, {false, 0, UINT8_MAX}},
    {{"uint16", cmType_uint16, true, false, false, false}, {false, 0, UINT16_MAX}},
    {{"uint32", cmType_uint32, true, false, false, false}, {false, 0, UINT32_MAX}},
    {{"uint64", cmType_uint64, true, false, false, false}, {false, 0, UINT64_MAX}},
    {{"ipv4", cmType_ipv4, true, false, false, false}, {}},
    {{"hex", cmType_hex, false, false, false, false}, {}},
    {{"mac", cmType_mac, false, false, false, false}, {}},
    {{"ipmask", cmType_ipmask, false, false, false, false}, {}},
    {{"ipv6", cmType_ipv6, false, false, false, false}, {}},
    {{"ipaddress", cmType_ipAddressN, false, false, false, false}, {}},
    {{"port", cmType_port, true, false, false, false}, {}},
    {{"portlist", cmType_portlist, false, false, false, true}, {}},
    {{"date", cmType_date, false, false, false, false}, {}},
    {{"time", cmType_tod, false, false, false, false}, {}},
    {{"action", cmType_action, false, false, true, false}, {}},
};

bool isInteger(const TypeRow &row) {
    return row.range.high != 0;
}

// Decimal digits with an optional "-" (signed types only), nothing else.
bool readInteger(const Integer &range, const std::string &text, std::string *canonical,
                 uint64_t *order) {
    size_t at = 0;
    bool negative = range.isSigned && !text.empty() && text[0] == '-';
    if (negative) at = 1;
    if (at == text.size()) return false;
    uint64_t magnitude = 0;
    for (; at < text.size(); at++) {
        if (text[at] < '0' || text[at] > '9') return false;
        unsigned digit = unsigned(text[at] - '0');
        if (magnitude > (std::numeric_limits<uint64_t>::max() - digit) / 10) return false;
        magnitude = magnitude * 10 + digit;
    }
    if (negative) {
        if (magnitude > uint64_t(-(range.low + 1)) + 1) return false;
        int64_t value = magnitude == 0 ? 0 : -int64_t(magnitude - 1) - 1;
        *canonical = std::to_string(value);
        *order = uint64_t(value) ^ kSignBit;
        return true;
    }
    if (magnitude > range.high) return false;
    *canonical = std::to_string(magnitude);
    *order = range.isSigned ? magnitude ^ kSignBit : magnitude;
    return true;
}

std::string print(uint16_t code, const void *value) {
    buffer_t out = {};
    cmObjectFormatOne(&out, code, "v", value, 0, 0);
    std::string printed = out.data ? out.data : "";
    free(out.data);
    return printed.size() < 7 ? "" : printed.substr(3, printed.size() - 7);  // "<v>" ... "</v>"
}

// Every other type goes through the configuration object library's own converter
// and printer, so that the store writes what the daemon's object parser reads.
bool readByLibrary(const cfgType &type, const std::string &text, std::string *canonical,
                   uint64_t *order) {
    alignas(8) unsigned char value[sizeof(portlist_t) + 64] = {};
    std::string writable = text;  // some converters write into their text
    if (cmObjectConstructOne(type.code, value, 0, nullptr, 0, writable.data()) != 0) return false;
    *canonical = print(type.code, value);
    *order = 0;
    if (type.code == cmType_boolean || type.code == cmType_ipv4 || type.code == cmType_port) {
        uint32_t number;
        memcpy(&number, value, sizeof number);
        *order = number;
    }
    return true;
}

}  // namespace

const cfgType *cfgTypeFind(const std::string &name) {
    for (const TypeRow &row : kTypes)
        if (name == row.type.name) return &row.type;
    return nullptr;
}

int cfgTypeRead(const cfgType &type, const std::string &text, std::string *canonical,
                uint64_t *order) {
    if (type.isText) {
        *canonical = text;
        *order = 0;
        return 0;
    }
    if (type.isAction) {
        // Row actions are matched by name; any other text is refused.
        uint32_t action;
        if (!STRING_TO_ACTION(&action, text.c_str())) return -1;
        *canonical = text;
        *order = action;
        return 0;
    }
    for (const TypeRow &row : kTypes)
        if (&row.type == &type && isInteger(row))
            return readInteger(row.range, text, canonical, order) ? 0 : -1;
    return readByLibrary(type, text, canonical, order) ? 0 : -1;
}

std::string cfgPortsCombine(const std::string &base, const std::string &given, bool add) {
    portlist_t to = {}, from = {};
    std::string a = base, b = given;
    if (cmObjectConstructOne(cmType_portlist, &to, 0, nullptr, 0, a.data()) != 0 ||
        cmObjectConstructOne(cmType_portlist, &from, 0, nullptr, 0, b.data()) != 0)
        return base;  // both are canonical lists: this does not happen
    for (int w = 0; w < PL_WORDS; w++)
        to.words[w] = add ? (to.words[w] | from.words[w]) : (to.words[w] & ~from.words[w]);
    return print(cmType_portlist, &to);
}

std::string cfgPortName(int slot, int port) {
    bool multiSlot = dmConfig()->words[DM_CONFIG_SLOT_COUNT] >= 2;
    return multiSlot ? std::to_string(slot) + ":" + std::to_string(port) : std::to_string(port);
}
