// The module definitions of this library, by registry name.
#include <cstring>

#include "cfgmgmt/objdefs/objdef_module.h"

extern const cmModuleDef_t gVlanModule, gFdbModule, gAclModule, gPmModule, gPolMgrModule,
    gUpmModule;

const cmModuleDef_t *cmModuleFind(const char *name) {
    static const cmModuleDef_t *const kModules[] = {&gVlanModule, &gFdbModule,    &gAclModule,
                                                    &gPmModule,   &gPolMgrModule, &gUpmModule};
    if (!name) return nullptr;
    for (const cmModuleDef_t *m : kModules)
        if (strcmp(m->name, name) == 0) return m;
    return nullptr;
}
