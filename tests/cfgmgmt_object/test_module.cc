#include "tests/cfgmgmt_object/test_module.h"

#include "cfgmgmt/objdefs/fdb_obj.h"
#include "cfgmgmt/objdefs/vlan_obj.h"

const cmTag_t tstTags[] = {
    {"act", 1, cmTagKind_leaf, 0},           {"big", 2, cmTagKind_leaf, 0},
    {"blob", 3, cmTagKind_leaf, 0},          {"count", 4, cmTagKind_leaf, 0},
    {"flag", 5, cmTagKind_leaf, 0},          {"get", 6, cmTagKind_action, 0},
    {"grp", 7, cmTagKind_grouping, 0},       {"id", 8, cmTagKind_leaf, 0},
    {"item", 9, cmTagKind_object, 1},        {"kid", 10, cmTagKind_object, 2},
    {"label", 11, cmTagKind_leaf, 0},        {"mac", 12, cmTagKind_leaf, 0},
    {"module_tst", 13, cmTagKind_module, 0}, {"name", 14, cmTagKind_leaf, 0},
    {"nums", 15, cmTagKind_leaf, 0},         {"set", 16, cmTagKind_action, 0},
};
const uint32_t tstTagCount = sizeof(tstTags) / sizeof(tstTags[0]);

namespace {
const cmFieldDesc_t kKidFields[] = {
    CM_FIELD(tstKid_t, id, cmType_uint16, tst_id),
    CM_STRING(tstKid_t, label, tst_label),
};
}  // namespace
const cmObjectDesc_t tstKidDesc = CM_DESC(tstKid_t, kKidFields);

namespace {
const cmFieldDesc_t kItemFields[] = {
    CM_STRING(tstItem_t, name, tst_name),
    CM_FIELD(tstItem_t, count, cmType_uint32, tst_count),
    {cmType_uint32, 4, 2, tst_nums, nullptr, offsetof(tstItem_t, numsCount)},
    {cmType_int64, 8, 3, tst_big, nullptr, offsetof(tstItem_t, bigCount)},
    CM_FIELD(tstItem_t, flag, cmType_boolean, tst_flag),
    CM_FIELD(tstItem_t, mac, cmType_mac, tst_mac),
    CM_FIELD(tstItem_t, act, cmType_action, tst_act),
    {cmType_complex, sizeof(void *), 0, tst_kid, &tstKidDesc, offsetof(tstItem_t, kids)},
    {cmType_octetString, sizeof(void *), 0, tst_blob, nullptr, offsetof(tstItem_t, blob)},
};
}  // namespace
const cmObjectDesc_t tstItemDesc = CM_DESC(tstItem_t, kItemFields);

namespace {
const cmObjectDesc_t *const kDescs[] = {nullptr, &tstItemDesc, &tstKidDesc};
}  // namespace
const cmModuleDef_t gTstModule = {"tst", tstTags, tstTagCount, kDescs, 3};

void registerTestModules() {
    cmModuleRegister(&cmModuleEntry<gTstModule>::entry);
    cmObjectInit_vlan();
    cmObjectInit_fdb();
}
