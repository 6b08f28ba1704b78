#include "platform/portlist.h"

#include <cstring>
#include <string_view>

#include "platform/dmcard.h"

namespace {

// Word and bit of a port, or false when slot or port lies outside the list.
bool locate(int slot, int port, int *word, uint32_t *bit) {
    if (slot < 1 || port < 1 || port > PL_PORTS_PER_SLOT) return false;
    *word = 1 + ((slot - 1) % PL_SLOTS) * 8 + (port - 1) / 32;
    *bit = 0x80000000u >> ((port - 1) % 32);
    return true;
}

bool inFamily(int slot, int port, int family) {
    const dmPortFamilyMask_t *mask = dmGetPortFamilyBitMaskByPortFamily(slot, family);
    if (!mask || port < 1 || port > PL_PORTS_PER_SLOT) return false;
    return mask->words[(port - 1) / 32] & (0x80000000u >> ((port - 1) % 32));
}

bool multiSlot() {
    return dmConfig()->words[DM_CONFIG_SLOT_COUNT] >= 2;
}

std::string_view trim(std::string_view s) {
    while (!s.empty() && (s.front() == ' ' || s.front() == '\t')) s.remove_prefix(1);
    while (!s.empty() && (s.back() == ' ' || s.back() == '\t')) s.remove_suffix(1);
    return s;
}

// A decimal number of at most five digits.
bool number(std::string_view s, int *out) {
    if (s.empty() || s.size() > 5) return false;
    int v = 0;
    for (char c : s) {
        if (c < '0' || c > '9') return false;
        v = v * 10 + (c - '0');
    }
    *out = v;
    return true;
}

// A slot of the switch whose ports may be named.
bool slotUsable(int slot) {
    if (multiSlot() && (slot < dmGetSlotFirstIO() || slot > dmGetSlotLastIO())) return false;
    return dmSlotUsable(slot);
}

// "3" or "3-7" (or "*" when `star` is allowed) on `slot` into first/last.
bool portRun(std::string_view s, int slot, bool star, int *first, int *last) {
    int ports = dmGetCardPorts(slot);
    if (star && s == "*") {
        *first = 1;
        *last = ports;
        return ports > 0;
    }
    size_t dash = s.find('-');
    if (dash == std::string_view::npos) {
        if (!number(trim(s), first)) return false;
        *last = *first;
    } else if (!number(trim(s.substr(0, dash)), first) || !number(trim(s.substr(dash + 1)), last)) {
        return false;
    }
    return *first >= 1 && *first <= *last && *last <= ports;
}

// "s:rest" on a multi-slot system, "rest" on a single-slot one.
bool slotOf(std::string_view item, int *slot, std::string_view *rest) {
    if (!multiSlot()) {
        *slot = dmGetSlotFirst();
        *rest = item;
        return slotUsable(*slot);
    }
    size_t colon = item.find(':');
    if (colon == std::string_view::npos || !number(trim(item.substr(0, colon)), slot)) return false;
    *rest = trim(item.substr(colon + 1));
    return slotUsable(*slot);
}

}  // namespace

void plClearAll(portlist_t *list) {
    memset(list, 0, sizeof *list);
}

void plSetPort(portlist_t *list, int slot, int port) {
    int word;
    uint32_t bit;
    if (locate(slot, port, &word, &bit)) list->words[word] |= bit;
}

void plClearPort(portlist_t *list, int slot, int port) {
    int word;
    uint32_t bit;
    if (locate(slot, port, &word, &bit)) list->words[word] &= ~bit;
}

bool plTestPort(const portlist_t *list, int slot, int port) {
    int word;
    uint32_t bit;
    return locate(slot, port, &word, &bit) && (list->words[word] & bit);
}

int STRING_TO_PORTLIST(portlist_t *list, const char *text, int family) {
    if (!list || !text) return 0;
    portlist_t parsed;
    plClearAll(&parsed);
    std::string_view rest = trim(text);
    while (!rest.empty()) {
        size_t comma = rest.find(',');
        std::string_view item = trim(rest.substr(0, comma));
        rest = comma == std::string_view::npos ? std::string_view() : rest.substr(comma + 1);
        if (comma != std::string_view::npos && trim(rest).empty()) return 0;  // "1,"
        if (item == "mgmt") {
            plSetMgmt(&parsed);
            continue;
        }
        int slot, first, last;
        std::string_view ports;
        if (!slotOf(item, &slot, &ports) || !portRun(ports, slot, multiSlot(), &first, &last))
            return 0;
        for (int p = first; p <= last; p++)
            if (inFamily(slot, p, family)) plSetPort(&parsed, slot, p);
    }
    *list = parsed;
    return 1;
}

int STRING_TO_PORTMASK(uint32_t *portId, const char *text, int family) {
    if (!portId || !text) return 0;
    std::string_view item = trim(text);
    if (item == "mgmt") {
        *portId = PL_MGMT_PORT;
        return 1;
    }
    int slot, port;
    std::string_view rest;
    if (!slotOf(item, &slot, &rest) || !number(rest, &port) || !dmPortPresent(slot, port) ||
        !inFamily(slot, port, family))
        return 0;
    *portId = plPortId(slot, port);
    return 1;
}

int PORTLIST_ISCLR_ALL_BY_TYPE(const portlist_t *list, int family) {
    for (int slot = 1; slot <= PL_SLOTS; slot++) {
        const dmPortFamilyMask_t *mask = dmGetPortFamilyBitMaskByPortFamily(slot, family);
        if (!mask) continue;
        for (int w = 0; w < 8; w++)
            if (list->words[1 + (slot - 1) * 8 + w] & mask->words[w]) return 0;
    }
    return 1;
}
