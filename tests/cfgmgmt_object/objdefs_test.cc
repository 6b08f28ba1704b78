#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cfgmgmt/cmBackend/src/cm_object.h"
#include "cfgmgmt/objdefs/acl_obj.h"
#include "cfgmgmt/objdefs/objdef_module.h"
#include "cfgmgmt/objdefs/upm_obj.h"
#include "cfgmgmt/objdefs/vlan_obj.h"
#include "tests/cfgmgmt_object/test_module.h"

namespace {

// Every module's tables must obey the rules the parser and formatter rely on.
TEST(ObjectDefinitions, TablesAreSortedAndDescriptorsFitTheirStructures) {
    for (const char *name : {"vlan", "fdb", "acl", "pm", "polMgr", "upm", "tst"}) {
        const cmModuleDef_t *m = std::string(name) == "tst" ? &gTstModule : cmModuleFind(name);
        ASSERT_NE(m, nullptr) << name;
        for (uint32_t i = 0; i < m->tagCount; i++) {
            EXPECT_EQ(m->tags[i].id, i + 1) << name << " " << m->tags[i].name;
            if (i > 0) {
                EXPECT_LT(strcmp(m->tags[i - 1].name, m->tags[i].name), 0) << name;
            }
            EXPECT_EQ(cmModuleLookup(m, m->tags[i].name), &m->tags[i]);
            if (m->tags[i].kind == cmTagKind_object) {
                ASSERT_LT(m->tags[i].objectIndex, m->descCount) << m->tags[i].name;
                EXPECT_NE(m->descs[m->tags[i].objectIndex], nullptr);
            }
        }
        EXPECT_EQ(cmModuleLookup(m, "noSuchTag"), nullptr);
        for (uint32_t d = 1; d < m->descCount; d++) {
            const cmObjectDesc_t *desc = m->descs[d];
            EXPECT_LE(desc->validOffset + (desc->fieldCount + 7) / 8, desc->size) << name << d;
            EXPECT_LE(desc->nextOffset + sizeof(void *), desc->size);
            for (uint16_t f = 0; f < desc->fieldCount; f++) {
                const cmFieldDesc_t &fd = desc->fields[f];
                ASSERT_GE(fd.tagId, 1) << name << d;
                ASSERT_LE(fd.tagId, m->tagCount) << name << d;
                uint32_t kind = m->tags[fd.tagId - 1].kind;
                EXPECT_EQ(kind, fd.type == cmType_complex ? cmTagKind_object : cmTagKind_leaf)
                    << name << " " << m->tags[fd.tagId - 1].name;
                uint32_t bytes = fd.arrayMax && fd.type != cmType_string
                                     ? 8 + fd.arrayMax * cmTypeElementSize(fd.type, fd.size)
                                     : cmTypeElementSize(fd.type, fd.size);
                EXPECT_LE(fd.offset + bytes, desc->size)
                    << name << " " << m->tags[fd.tagId - 1].name;
            }
        }
    }
}

class Modules : public ::testing::Test {
protected:
    void SetUp() override {
        registerTestModules();
        cmObjectInit_acl();
        cmObjectInit_upm();
        parser = cmObjectParserAlloc();
    }
    void TearDown() override { cmObjectParserFree(parser); }
    cmObjectParser_t *parser = nullptr;
};

TEST_F(Modules, ServiceRequestsParseWithTheirModules) {
    struct Request {
        const char *text;
        const char *module;
        const char *object;
    } requests[] = {
        {"<module_vlan><get><vlan><vrName>VR-Default</vrName><name>v1</name></vlan></get>"
         "</module_vlan>",
         "vlan", "vlan"},
        {"<module_fdb><get><fdb_show><type>1</type><vlan_name/><port_list/>"
         "<vlanInstance>0</vlanInstance><mac_addr>00:00:00:00:00:0a</mac_addr></fdb_show></get>"
         "</module_fdb>",
         "fdb", "fdb_show"},
        {"<module_pm><get><pMStatement><policyName>p</policyName><entryNumber>1</entryNumber>"
         "</pMStatement></get></module_pm>",
         "pm", "pMStatement"},
        {"<module_upm><set><cfgUpmTimer><rowStatus>create</rowStatus><sec>0</sec><min>1</min>"
         "<hour>2</hour><day>3</day><month>4</month><year>2024</year><timerType>1</timerType>"
         "<timerName>t</timerName></cfgUpmTimer></set></module_upm>",
         "upm", "cfgUpmTimer"},
    };
    for (const Request &r : requests) {
        cmRequestParts_t parts;
        ASSERT_EQ(cmRequestSplit(r.text, &parts), 0) << r.text;
        EXPECT_EQ(std::string(parts.module, parts.moduleLength), r.module);
        cmObject_t *o = cmObjectParse(parser, r.module, parts.body, parts.bodyLength);
        ASSERT_NE(o, nullptr) << r.text << ": " << parser->errorBuffer->data;
        EXPECT_STREQ(o->tag->name, r.object);
        cmFuncTableEntryGet(r.module)->free(o, cmFree_all);
    }
    cmRequestParts_t parts;
    EXPECT_EQ(cmRequestSplit("<module_vlan><get/></module_vlan>", &parts), -1);
    EXPECT_EQ(cmRequestSplit("<module_vlan><get><vlan/>", &parts), -1);
}

}  // namespace
