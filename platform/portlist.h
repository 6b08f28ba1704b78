// Port lists: one bit for the management port and 256 port bits for each of 16 slots.
//
// Word 0: bit 31 is the management port, bits 0-30 reserved. Words 1-128: slot s owns
// words 1 + ((s - 1) % 16) * 8 .. 8 + ((s - 1) % 16) * 8; port p of a slot is bit
// 0x80000000 >> ((p - 1) % 32) of word ((p - 1) % 256) / 32 of its block.
//
// A port identifier is a 32-bit value: slot in bits 16-31, port in bits 0-15; the
// management port has the identifier PL_MGMT_PORT.
#pragma once
#include <cstdint>

constexpr int PL_WORDS = 129;
constexpr int PL_SLOTS = 16;
constexpr int PL_PORTS_PER_SLOT = 256;
constexpr uint32_t PL_MGMT_BIT = 0x80000000u;
constexpr uint32_t PL_MGMT_PORT = 0xFFFFFFFFu;

struct portlist_t {
    uint32_t words[PL_WORDS];
};

inline uint32_t plPortId(int slot, int port) {
    return (static_cast<uint32_t>(slot) << 16) | (static_cast<uint32_t>(port) & 0xFFFF);
}
inline bool plIsMgmtPort(uint32_t portId) {
    return portId == PL_MGMT_PORT;
}

void plClearAll(portlist_t *list);
// Slot 1..16 (taken modulo 16 like the list itself), port 1..256; others are ignored.
void plSetPort(portlist_t *list, int slot, int port);
void plClearPort(portlist_t *list, int slot, int port);
bool plTestPort(const portlist_t *list, int slot, int port);
inline void plSetMgmt(portlist_t *list) {
    list->words[0] |= PL_MGMT_BIT;
}
inline bool plTestMgmt(const portlist_t *list) {
    return (list->words[0] & PL_MGMT_BIT) != 0;
}

// Reads a port list of `family` (0 or 1) into `list` (cleared first); 1, or 0 when the
// text is not a list of this switch's ports. Items are joined by ",": "mgmt", a port
// or a run of ports "3-7" on a single-slot system, "1:3" / "1:3-7" / "1:*" (every
// port of the slot) on a multi-slot system. Blanks around items are ignored. Ports of
// a run that are not of the family are left out; a slot or port that the switch does
// not have fails. The empty text gives the empty list.
int STRING_TO_PORTLIST(portlist_t *list, const char *text, int family);
// Reads one port ("mgmt", "5" or "1:5" as above) into a port identifier; 1 or 0.
int STRING_TO_PORTMASK(uint32_t *portId, const char *text, int family);
// 1 when the list holds no port of `family` on any slot (the management bit is not
// looked at), else 0.
int PORTLIST_ISCLR_ALL_BY_TYPE(const portlist_t *list, int family);
