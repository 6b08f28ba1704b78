// A small module "tst" that exercises every storage rule the real modules do not:
// arrays (32- and 64-bit), nested objects, a short string, an octet string, a grouping
// element and an action field.
#pragma once
#include <cstdint>

#include "cfgmgmt/objdefs/objdef_module.h"

struct tstKid_t {
    uint16_t id;
    char label[9];
    tstKid_t *next;
    uint8_t valid[1];
};

struct tstItem_t {
    char name[17];
    uint32_t count;
    uint32_t numsCount;
    uint32_t nums[2];
    alignas(8) uint32_t bigCount;
    int64_t big[3];
    uint32_t flag;
    uint8_t mac[6];
    uint32_t act;
    tstKid_t *kids;
    void *blob;  // octetString_t *
    tstItem_t *next;
    uint8_t valid[2];
};

enum : uint16_t {
    tst_act = 1,
    tst_big,
    tst_blob,
    tst_count,
    tst_flag,
    tst_get,
    tst_grp,
    tst_id,
    tst_item,
    tst_kid,
    tst_label,
    tst_mac,
    tst_module,
    tst_name,
    tst_nums,
    tst_set,
};

extern const cmTag_t tstTags[];
extern const uint32_t tstTagCount;
extern const cmObjectDesc_t tstItemDesc, tstKidDesc;
extern const cmModuleDef_t gTstModule;

// Registers "tst", "vlan" and "fdb".
void registerTestModules();
