// Module "vlan": the VLAN object "vlan" (cfgVlan_t).
#pragma once
#include <cstdint>

#include "cfgmgmt/cmBackend/src/cm_object.h"
#include "platform/portlist.h"

struct cfgVlan_t {
    char name[33];
    char vrName[33];
    uint32_t tag;  // 802.1Q tag
    uint32_t ipMtu;
    uint16_t qosProfile;
    uint32_t loopbackEnable;  // boolean
    uint32_t ipForwarding;    // boolean
    portlist_t taggedPorts;
    portlist_t untaggedPorts;
    uint32_t rowStatus;  // action code
    cfgVlan_t *next;
    uint8_t valid[2];
};

// Object indexes of the module.
enum : uint32_t { cfgVlanIndex = 1 };

extern const cmTag_t vlanTags[];
extern const uint32_t vlanTagCount;
extern const cmObjectDesc_t cfgVlanDesc;

// Registers the module's entry "vlan" (creating the registry when needed).
void cmObjectInit_vlan();
void cfgVlan_t_free(cfgVlan_t *vlan);
