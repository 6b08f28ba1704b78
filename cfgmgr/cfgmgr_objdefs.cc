#include "cfgmgr/cfgmgr_objdefs.h"

#include <cstring>

namespace {

const cmTag_t kCfgmgrTags[] = {
    {"failures", 1, cmTagKind_leaf, 0},
    {"fileName", 2, cmTagKind_leaf, 0},
    {"fileOp", 3, cmTagKind_object, 2},
    {"get", 4, cmTagKind_action, 0},
    {"loginLockout", 5, cmTagKind_object, 3},
    {"module_cfgmgr", 6, cmTagKind_module, 0},
    {"op", 7, cmTagKind_leaf, 0},
    {"saveConfig", 8, cmTagKind_object, 1},
    {"set", 9, cmTagKind_action, 0},
    {"set_def", 10, cmTagKind_leaf, 0},
    {"setop", 11, cmTagKind_action, 0},
};

const cmFieldDesc_t kSaveFields[] = {
    CM_FIELD(cfgSaveConfig_t, set_def, cmType_uint32, 10),
};
const cmFieldDesc_t kFileOpFields[] = {
    CM_STRING(cfgFileOp_t, op, 7),
    CM_STRING(cfgFileOp_t, fileName, 2),
};
const cmFieldDesc_t kLockoutFields[] = {
    CM_FIELD(cfgLoginLockout_t, failures, cmType_uint32, 1),
};
const cmObjectDesc_t kSaveDesc = CM_DESC(cfgSaveConfig_t, kSaveFields);
const cmObjectDesc_t kFileOpDesc = CM_DESC(cfgFileOp_t, kFileOpFields);
const cmObjectDesc_t kLockoutDesc = CM_DESC(cfgLoginLockout_t, kLockoutFields);
const cmObjectDesc_t *const kCfgmgrDescs[] = {nullptr, &kSaveDesc, &kFileOpDesc, &kLockoutDesc};

const cmTag_t kVrTags[] = {
    {"get", 1, cmTagKind_action, 0}, {"module_vr", 2, cmTagKind_module, 0},
    {"name", 3, cmTagKind_leaf, 0},  {"rowStatus", 4, cmTagKind_leaf, 0},
    {"set", 5, cmTagKind_action, 0}, {"setop", 6, cmTagKind_action, 0},
    {"vr", 7, cmTagKind_object, 1},  {"vrId", 8, cmTagKind_leaf, 0},
};
const cmFieldDesc_t kVrFields[] = {
    CM_STRING(cfgVr_t, name, 3),
    CM_FIELD(cfgVr_t, vrId, cmType_uint32, 8),
    CM_FIELD(cfgVr_t, rowStatus, cmType_action, 4),
};
const cmObjectDesc_t kVrDesc = CM_DESC(cfgVr_t, kVrFields);
const cmObjectDesc_t *const kVrDescs[] = {nullptr, &kVrDesc};

}  // namespace

extern const cmModuleDef_t gCfgmgrModule, gVrModule;
const cmModuleDef_t gCfgmgrModule = {"cfgmgr", kCfgmgrTags,
                                     sizeof kCfgmgrTags / sizeof kCfgmgrTags[0], kCfgmgrDescs, 4};
const cmModuleDef_t gVrModule = {"vr", kVrTags, sizeof kVrTags / sizeof kVrTags[0], kVrDescs, 2};

void cmObjectInit_cfgmgr() {
    cmModuleRegister(&cmModuleEntry<gCfgmgrModule>::entry);
    cmModuleRegister(&cmModuleEntry<gVrModule>::entry);
}

const cmModuleDef_t *cfgModuleFind(const char *name) {
    if (!name) return nullptr;
    if (strcmp(name, gCfgmgrModule.name) == 0) return &gCfgmgrModule;
    if (strcmp(name, gVrModule.name) == 0) return &gVrModule;
    return cmModuleFind(name);
}
