// Device manager: the switch's slots, cards and ports.
//
// The simulated switch is described by a small text file (see data/platform/switch for
// the format): $KARN_ROOT/platform/switch when it exists, else a built-in default (a
// stack of four slots: two 48-port and two 24-port cards, management port on slot 1).
// The description is read on first use; dmLoadSwitchDescription replaces it.
//
// Slots and ports are numbered from 1. Queries about slots or ports outside the
// description answer "absent" (0), never fail.
#pragma once
#include <cstdint>

// The device manager's configuration record; word DM_CONFIG_SLOT_COUNT is the number of
// slots (below 2: a single-slot system).
struct dmConfig_t {
    uint32_t words[16];
};
constexpr int DM_CONFIG_SLOT_COUNT = 7;
const dmConfig_t *dmConfig();

// Card states and flags that decide whether a slot's ports can be used.
constexpr int DM_CARD_STATE_OPERATIONAL = 130;       // states from here on are usable
constexpr uint32_t DM_CARD_FLAG_DISABLED = 0x10000;  // present but not to be used
constexpr uint32_t DM_CARD_FLAG_FORCED = 0x20000;    // usable whatever its state

int dmGetSlotFirst();
int dmGetSlotLast();
int dmGetSlotFirstIO();
int dmGetSlotLastIO();
int dmGetSlotSelf();  // the slot of the management processor running this process

int dmCardPresent(int slot);  // 1 or 0
int dmGetCardState(int slot);
uint32_t dmGetCardFlags(int slot);
int dmGetCardPorts(int slot);  // number of front ports of the slot's card, 0 when none
int dmGetMgmtPorts(int slot);  // number of management ports on that slot
int dmPortPresent(int slot, int port);

// A slot whose ports can be used: forced usable, or a present card that is
// operational and not disabled.
int dmSlotUsable(int slot);

// Ports of one family on one slot: 256 port bits numbered like a slot block of a
// portlist_t (port p is bit 0x80000000 >> ((p - 1) % 32) of word (p - 1) / 32).
struct dmPortFamilyMask_t {
    uint32_t slot;
    uint32_t family;
    uint32_t words[8];
};
// The mask of `family` (0 or 1) on `slot`, or nullptr. The record stays valid for the
// life of the process.
const dmPortFamilyMask_t *dmGetPortFamilyBitMaskByPortFamily(int slot, int family);

// Replaces the switch description with the one in `path`; 0, or -1 when the file cannot
// be read (the description is then unchanged). Bad lines are reported on stderr once
// and skipped. A null path restores the built-in default.
int dmLoadSwitchDescription(const char *path);
// The same from text in memory (tests).
int dmLoadSwitchDescriptionText(const char *text);
