// The catalogue: statements that do not hold together stop cfgmgr with the line at
// fault, and the shipped catalogue declares what the daemon's object parser reads.
#include <cstring>
#include <string>

#include <gtest/gtest.h>

#include "cfgmgmt/objdefs/fdb_obj.h"
#include "cfgmgmt/objdefs/objdef_module.h"
#include "cfgmgmt/objdefs/vlan_obj.h"
#include "cfgmgr/store.h"

namespace {

TEST(CatalogueTest, ErrorsNameTheFileAndLine) {
    const char *head = "module m\nobject o table keys k\nfield k uint32\n";  // lines 1-3
    struct Case {
        std::string text;
        const char *message;
    } cases[] = {
        {std::string(head) + "field f color\n", "x line 4: unknown type \"color\""},
        {"module m\nobject o table keys k,j\nfield k uint32\n",
         "x line 2: key \"j\" is not a field of o"},
        {std::string(head) + "field r string ref m/nothing/f\n",
         "x line 4: ref names object m/nothing, which is not declared"},
        {std::string(head) + "field r string ref m/o/k\n",
         "x line 4: ref names a field of another type"},
        {std::string(head) + "field n uint8 range 1 300\n",
         "x line 4: \"300\" is not a value of type uint8"},
        {std::string(head) + "field n uint8 range 5 9 default 3\n",
         "x line 4: the default is out of range"},
        {std::string(head) + "field p portlist cascade\n", "x line 4: cascade needs a ref"},
        {std::string(head) + "field k string\n", "x line 4: field \"k\" given twice"},
        {"object o table keys k\n", "x line 1: object before any module statement"},
        {"module m\nobject o table\n", "x line 2: a table needs keys"},
        {"module m\nobject o table keys k scope j\nfield k uint32\nfield j uint32\n",
         "x line 2: the scope must be the first keys, in order"},
        {"module m\nobject a table keys k\nfield k uint32\nfield b uint32 ref m/b/k\n"
         "object b table keys k\nfield k uint32\nfield a uint32 ref m/a/k\n",
         "x line 2: references of a go round in a circle"},
        {std::string(head) + "frobnicate\n", "x line 4: unknown statement \"frobnicate\""},
    };
    for (const Case &c : cases) {
        cfgCatalogue catalogue;
        std::string why;
        EXPECT_EQ(cfgCatalogueParse({{"x", c.text}}, &catalogue, &why), -1) << c.text;
        EXPECT_EQ(why, c.message) << c.text;
    }
}

// Objects the modules must carry out: a view or an operation without its hook, or a
// hook for an object its module's catalogue does not declare, stop cfgmgr too.
TEST(CatalogueTest, ObjectsWithoutTheirHooksAreRefused) {
    struct Case {
        const char *text, *message;
    } cases[] = {
        {"module m\nobject v view keys k\nfield k uint32\n",
         "x line 2: v has no hook to compute or carry it out"},
        {"module fdb\nobject fdb_show readonly keys k\nfield k uint32\n",
         "hooks of fdb: fdb/fdb_op is not in the catalogue"},
    };
    for (const Case &c : cases) {
        std::string why;
        EXPECT_EQ(cfgStoreInitFrom({{"x", c.text}}, CFGMGR_DATA_DIR, &why), -1);
        EXPECT_EQ(why, c.message);
    }
}

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
