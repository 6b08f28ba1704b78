// The shipped catalogue declares what the daemon's object parser reads.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "cfgmgmt/objdefs/fdb_obj.h"
#include "cfgmgmt/objdefs/objdef_module.h"
#include "cfgmgmt/objdefs/vlan_obj.h"
#include "cfgmgr/store.h"

namespace {

// Every field of the daemon's vlan, fdb and upm structures is declared with the same
// element name and type, so what the store writes the daemon reads field for field.
TEST(CatalogueTest, ShippedObjectsMatchTheDaemonsObjectDefinitions) {
    std::string why;
    ASSERT_EQ(cfgStoreInit(CFGMGR_DATA_DIR, &why), 0) << why;
    struct Object {
        const char *module, *name;
        const cmTag_t *tags;
        const cmObjectDesc_t *desc;
    } objects[] = {
        {"vlan", "vlan", vlanTags, &cfgVlanDesc},
        {"fdb", "fdb_show", fdbTags, &fdbShowDesc},
        {"fdb", "fdb_op", fdbTags, &fdbOpDesc},
    };
    // The upm objects, from the module's own definition.
    std::vector<Object> all(std::begin(objects), std::end(objects));
    const cmModuleDef_t *upm = cmModuleFind("upm");
    for (const char *name :
         {"upmProfileBuffer", "cfgUpmProfile", "cfgUpmTimer", "cfgUpmStaticProfile",
          "cfgUpmProfileEvent", "showUpmProfileName", "showUpmProfile", "upmProfileExec"})
        all.push_back({"upm", name, upm->tags, cmModuleDesc(upm, cmModuleLookup(upm, name))});
    for (const Object &o : all) {
        cfgTable *t = cfgTableFind(o.module, o.name);
        ASSERT_NE(t, nullptr) << o.name;
        for (uint16_t i = 0; i < o.desc->fieldCount; i++) {
            const cmFieldDesc_t &f = o.desc->fields[i];
            const char *name = o.tags[f.tagId - 1].name;
            int declared = t->field(name);
            if (f.type == cmType_action && declared < 0 && strcmp(name, "rowStatus") == 0) continue;
            ASSERT_GE(declared, 0) << o.name << "." << name;
            EXPECT_EQ(t->decl().fields[size_t(declared)].type->code, f.type)
                << o.name << "." << name;
        }
    }
}

}  // namespace
