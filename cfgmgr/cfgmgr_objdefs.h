// cfgmgr's own modules: "cfgmgr" (saving the configuration, files of the configuration
// directory, the login lock-out setting) and "vr" (virtual routers).
#pragma once
#include <cstdint>

#include "cfgmgmt/objdefs/objdef_module.h"

struct cfgSaveConfig_t {
    uint32_t set_def;  // 0: the running configuration becomes the saved one
    cfgSaveConfig_t *next;
    uint8_t valid[1];
};

struct cfgFileOp_t {
    char op[17];         // "rm"
    char fileName[257];  // a plain name in the configuration directory
    cfgFileOp_t *next;
    uint8_t valid[1];
};

struct cfgLoginLockout_t {
    uint32_t failures;  // failed logins before an account is locked out
    cfgLoginLockout_t *next;
    uint8_t valid[1];
};

struct cfgVr_t {
    char name[33];
    uint32_t vrId;
    uint32_t rowStatus;  // action code
    cfgVr_t *next;
    uint8_t valid[1];
};

// Registers the two modules (creating the registry when needed).
void cmObjectInit_cfgmgr();
// cfgmgr's own module definitions, else the shared ones (cmModuleFind); nullptr.
const cmModuleDef_t *cfgModuleFind(const char *name);
