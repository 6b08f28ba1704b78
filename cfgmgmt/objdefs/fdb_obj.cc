#include "cfgmgmt/objdefs/fdb_obj.h"

#include "cfgmgmt/objdefs/objdef_module.h"

enum : uint16_t {
    fdbTag_action = 1,
    fdbTag_age = 2,
    fdbTag_fdb_op = 3,
    fdbTag_fdb_show = 4,
    fdbTag_flags = 5,
    fdbTag_get = 6,
    fdbTag_macAddr = 7,
    fdbTag_mac_addr = 8,
    fdbTag_module_fdb = 9,
    fdbTag_portList = 10,
    fdbTag_port_list = 11,
    fdbTag_set = 12,
    fdbTag_setop = 13,
    fdbTag_sub_action = 14,
    fdbTag_type = 15,
    fdbTag_vlanInstance = 16,
    fdbTag_vlanName = 17,
    fdbTag_vlan_name = 18,
};
const cmTag_t fdbTags[] = {
    {"action", 1, cmTagKind_leaf, 0},       {"age", 2, cmTagKind_leaf, 0},
    {"fdb_op", 3, cmTagKind_object, 2},     {"fdb_show", 4, cmTagKind_object, 1},
    {"flags", 5, cmTagKind_leaf, 0},        {"get", 6, cmTagKind_action, 0},
    {"macAddr", 7, cmTagKind_leaf, 0},      {"mac_addr", 8, cmTagKind_leaf, 0},
    {"module_fdb", 9, cmTagKind_module, 0}, {"portList", 10, cmTagKind_leaf, 0},
    {"port_list", 11, cmTagKind_leaf, 0},   {"set", 12, cmTagKind_action, 0},
    {"setop", 13, cmTagKind_action, 0},     {"sub_action", 14, cmTagKind_leaf, 0},
    {"type", 15, cmTagKind_leaf, 0},        {"vlanInstance", 16, cmTagKind_leaf, 0},
    {"vlanName", 17, cmTagKind_leaf, 0},    {"vlan_name", 18, cmTagKind_leaf, 0},
};
const uint32_t fdbTagCount = sizeof(fdbTags) / sizeof(fdbTags[0]);

namespace {

const cmFieldDesc_t kShowFields[] = {
    CM_FIELD(fdb_show_t, mac_addr, cmType_mac, fdbTag_mac_addr),
    CM_STRING(fdb_show_t, vlan_name, fdbTag_vlan_name),
    CM_FIELD(fdb_show_t, port_list, cmType_portlist, fdbTag_port_list),
    CM_FIELD(fdb_show_t, age, cmType_uint32, fdbTag_age),
    CM_STRING(fdb_show_t, flags, fdbTag_flags),
    CM_FIELD(fdb_show_t, vlanInstance, cmType_uint32, fdbTag_vlanInstance),
    CM_FIELD(fdb_show_t, type, cmType_uint32, fdbTag_type),
};

const cmFieldDesc_t kOpFields[] = {
    CM_FIELD(fdb_op_t, macAddr, cmType_mac, fdbTag_macAddr),
    CM_STRING(fdb_op_t, vlanName, fdbTag_vlanName),
    CM_FIELD(fdb_op_t, portList, cmType_portlist, fdbTag_portList),
    CM_FIELD(fdb_op_t, action, cmType_action, fdbTag_action),
    CM_FIELD(fdb_op_t, sub_action, cmType_uint32, fdbTag_sub_action),
};

}  // namespace

const cmObjectDesc_t fdbShowDesc = CM_DESC(fdb_show_t, kShowFields);
const cmObjectDesc_t fdbOpDesc = CM_DESC(fdb_op_t, kOpFields);

namespace {
const cmObjectDesc_t *const kFdbDescs[] = {nullptr, &fdbShowDesc, &fdbOpDesc};
}  // namespace

extern const cmModuleDef_t gFdbModule;
const cmModuleDef_t gFdbModule = {"fdb", fdbTags, fdbTagCount, kFdbDescs, 3};

void cmObjectInit_fdb() {
    cmModuleRegister(&cmModuleEntry<gFdbModule>::entry);
}

void fdb_show_t_free(fdb_show_t *entry) {
    cmObjectFreeCore(&fdbShowDesc, entry);
}
void fdb_op_t_free(fdb_op_t *op) {
    cmObjectFreeCore(&fdbOpDesc, op);
}
