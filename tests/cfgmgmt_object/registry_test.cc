#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "cfgmgmt/cmBackend/src/cm_object.h"

namespace {

cmFuncTableEntry_t makeEntry(const char *name) {
    return {name, nullptr, nullptr, nullptr, nullptr};
}

std::vector<std::string> names() {
    std::vector<std::string> out;
    for (uint32_t i = 0; i < gFuncTable->count; i++) out.push_back(gFuncTable->entries[i]->name);
    return out;
}

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        cmFuncTableTerm();
        ASSERT_NE(cmFuncTableInit(), nullptr);
    }
    void TearDown() override { cmFuncTableTerm(); }
};

TEST_F(Registry, KeepsEntriesInNameOrderReplacesInPlaceAndRemovesByAddress) {
    EXPECT_EQ(cmFuncTableInit(), gFuncTable);  // a second init keeps the registry
    cmFuncTableEntry_t vlan = makeEntry("vlan"), acl = makeEntry("acl"), upm = makeEntry("upm"),
                       fdb = makeEntry("fdb"), vlan2 = makeEntry("vlan"), upm2 = makeEntry("upm");
    for (auto *e : {&vlan, &acl, &upm, &fdb, &vlan2}) cmFuncTableEntryInsert(e);
    EXPECT_EQ(names(), (std::vector<std::string>{"acl", "fdb", "upm", "vlan"}));
    EXPECT_EQ(cmFuncTableEntryGet("vlan"), &vlan2);
    EXPECT_EQ(cmFuncTableEntryGet("pm"), nullptr);

    cmFuncTableEntryRemove(&upm2);  // same name, not registered
    EXPECT_EQ(cmFuncTableEntryGet("upm"), &upm);
    cmFuncTableEntryRemove(&fdb);
    EXPECT_EQ(names(), (std::vector<std::string>{"acl", "upm", "vlan"}));
    EXPECT_EQ(cmFuncTableEntryGet("upm"), &upm);
}

TEST_F(Registry, FullRegistrySearchesEveryPosition) {
    static char keys[64][8];
    static cmFuncTableEntry_t entries[64];
    for (int i = 63; i >= 0; i--) {  // reverse order: every insert goes in front
        snprintf(keys[i], sizeof keys[i], "m%02d", i);
        entries[i] = makeEntry(keys[i]);
        cmFuncTableEntryInsert(&entries[i]);
    }
    ASSERT_EQ(gFuncTable->count, 64u);
    for (int i = 0; i < 64; i++) EXPECT_EQ(cmFuncTableEntryGet(keys[i]), &entries[i]) << i;
    cmFuncTableEntry_t extra = makeEntry("zz");
    EXPECT_DEATH(cmFuncTableEntryInsert(&extra), "no room");
}

TEST(Stack, PushPopPeekAndGrow) {
    karnStack_t *s = stackAlloc(2);
    int values[40];
    for (int &v : values) ASSERT_EQ(stackPush(s, &v), 0);
    EXPECT_EQ(s->count, 40u);
    EXPECT_EQ(stackPeek(s), &values[39]);
    for (int i = 39; i >= 0; i--) EXPECT_EQ(stackPop(s), &values[i]);
    EXPECT_EQ(stackPop(s), nullptr);
    EXPECT_EQ(stackPeek(s), nullptr);
    stackFree(s);
}

}  // namespace
