#include "cfgmgmt/objdefs/vlan_obj.h"

#include "cfgmgmt/objdefs/objdef_module.h"

enum : uint16_t {
    vlanTag_get = 1,
    vlanTag_ipForwarding = 2,
    vlanTag_ipMtu = 3,
    vlanTag_loopbackEnable = 4,
    vlanTag_module_vlan = 5,
    vlanTag_name = 6,
    vlanTag_qosProfile = 7,
    vlanTag_rowStatus = 8,
    vlanTag_set = 9,
    vlanTag_setop = 10,
    vlanTag_tag = 11,
    vlanTag_taggedPorts = 12,
    vlanTag_untaggedPorts = 13,
    vlanTag_vlan = 14,
    vlanTag_vrName = 15,
};
const cmTag_t vlanTags[] = {
    {"get", 1, cmTagKind_action, 0},          {"ipForwarding", 2, cmTagKind_leaf, 0},
    {"ipMtu", 3, cmTagKind_leaf, 0},          {"loopbackEnable", 4, cmTagKind_leaf, 0},
    {"module_vlan", 5, cmTagKind_module, 0},  {"name", 6, cmTagKind_leaf, 0},
    {"qosProfile", 7, cmTagKind_leaf, 0},     {"rowStatus", 8, cmTagKind_leaf, 0},
    {"set", 9, cmTagKind_action, 0},          {"setop", 10, cmTagKind_action, 0},
    {"tag", 11, cmTagKind_leaf, 0},           {"taggedPorts", 12, cmTagKind_leaf, 0},
    {"untaggedPorts", 13, cmTagKind_leaf, 0}, {"vlan", 14, cmTagKind_object, 1},
    {"vrName", 15, cmTagKind_leaf, 0},
};
const uint32_t vlanTagCount = sizeof(vlanTags) / sizeof(vlanTags[0]);

namespace {

const cmFieldDesc_t kVlanFields[] = {
    CM_STRING(cfgVlan_t, name, vlanTag_name),
    CM_STRING(cfgVlan_t, vrName, vlanTag_vrName),
    CM_FIELD(cfgVlan_t, tag, cmType_uint32, vlanTag_tag),
    CM_FIELD(cfgVlan_t, ipMtu, cmType_uint32, vlanTag_ipMtu),
    CM_FIELD(cfgVlan_t, qosProfile, cmType_uint16, vlanTag_qosProfile),
    CM_FIELD(cfgVlan_t, loopbackEnable, cmType_boolean, vlanTag_loopbackEnable),
    CM_FIELD(cfgVlan_t, ipForwarding, cmType_boolean, vlanTag_ipForwarding),
    CM_FIELD(cfgVlan_t, taggedPorts, cmType_portlist, vlanTag_taggedPorts),
    CM_FIELD(cfgVlan_t, untaggedPorts, cmType_portlist, vlanTag_untaggedPorts),
    CM_FIELD(cfgVlan_t, rowStatus, cmType_action, vlanTag_rowStatus),
};

}  // namespace

const cmObjectDesc_t cfgVlanDesc = CM_DESC(cfgVlan_t, kVlanFields);

namespace {
const cmObjectDesc_t *const kVlanDescs[] = {nullptr, &cfgVlanDesc};
}  // namespace

extern const cmModuleDef_t gVlanModule;
const cmModuleDef_t gVlanModule = {"vlan", vlanTags, vlanTagCount, kVlanDescs, 2};

void cmObjectInit_vlan() {
    cmModuleRegister(&cmModuleEntry<gVlanModule>::entry);
}

void cfgVlan_t_free(cfgVlan_t *vlan) {
    cmObjectFreeCore(&cfgVlanDesc, vlan);
}
