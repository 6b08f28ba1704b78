#include <gtest/gtest.h>

#include <cstdlib>
#include <cstring>
#include <string>

#include "cfgmgmt/cmBackend/src/cm_object.h"
#include "tests/cfgmgmt_object/test_module.h"

namespace {

class Format : public ::testing::Test {
protected:
    void SetUp() override {
        registerTestModules();
        out = bufferAlloc(0);
        item = static_cast<tstItem_t *>(cmObjectAllocCore(&tstItemDesc, 0));
    }
    void TearDown() override {
        cmObjectFreeCore(&tstItemDesc, item);
        bufferFree(out);
    }
    std::string format(uint32_t flags = 0, bool wrap = true) {
        bufferReset(out);
        cmFormatContext_t ctx = {flags, out};
        cmObjectFormatCore(tstTags, &tstItemDesc, &ctx, wrap ? &tstTags[tst_item - 1] : nullptr,
                           item);
        return out->data ? out->data : "";
    }
    void setValid(int field) { cmObjectSetValidCore(item, tstItemDesc.validOffset, field); }
    buffer_t *out = nullptr;
    tstItem_t *item = nullptr;
};

TEST_F(Format, ObjectWithoutValidFieldsIsItsWrapperOrNothing) {
    item->count = 5;  // not valid: not written
    EXPECT_EQ(format(), "<item></item>");
    EXPECT_EQ(format(0, false), "");
}

TEST_F(Format, StringsUseCdataOnlyWhenNotEmpty) {
    setValid(0);
    EXPECT_EQ(format(), "<item><name></name></item>");
    strcpy(item->name, "a<b");
    EXPECT_EQ(format(), "<item><name><![CDATA[a<b]]></name></item>");
    strcpy(item->name, "x]]>y");
    EXPECT_EQ(format(), "<item><name><![CDATA[x]]]]><![CDATA[>y]]></name></item>");
}

TEST_F(Format, WritesFieldsInDescriptorOrderWithArraysAndChildren) {
    item->count = 3;
    item->numsCount = 2;
    item->nums[0] = 10;
    item->nums[1] = 11;
    item->bigCount = 1;
    item->big[0] = -9000000000LL;
    item->flag = 1;
    const uint8_t mac[6] = {0, 0x0a, 0, 0, 0, 0xff};
    memcpy(item->mac, mac, 6);
    auto *kid = static_cast<tstKid_t *>(cmObjectAllocCore(&tstKidDesc, 1));
    kid->id = 7;
    auto *kid2 = static_cast<tstKid_t *>(cmObjectAllocCore(&tstKidDesc, 0));
    kid->next = kid2;
    item->kids = kid;
    for (int f : {1, 2, 3, 4, 5, 7}) setValid(f);
    EXPECT_EQ(format(),
              "<item><count>3</count><nums>10</nums><nums>11</nums>"
              "<big>-9000000000</big><flag>1</flag><mac>00:0a:00:00:00:ff</mac>"
              "<kid><id>7</id><label></label></kid><kid></kid></item>");
    item->numsCount = 0;
    EXPECT_EQ(format().find("<nums>"), std::string::npos);
}

TEST_F(Format, ActionFieldsAreWrittenOnlyWithTheActionFlag) {
    item->act = 1;
    setValid(6);
    EXPECT_EQ(format(), "<item></item>");
    EXPECT_EQ(format(cmRequestFlag_action), "<item><act>active</act></item>");
    memset(item->valid, 0, sizeof item->valid);  // written even when not valid
    EXPECT_EQ(format(cmRequestFlag_action), "<item><act>active</act></item>");
}

TEST_F(Format, ListWritesEveryStructureInOrder) {
    item->count = 1;
    setValid(1);
    auto *second = static_cast<tstItem_t *>(cmObjectAllocCore(&tstItemDesc, 0));
    second->count = 2;
    cmObjectSetValidCore(second, tstItemDesc.validOffset, 1);
    item->next = second;
    cmFormatContext_t ctx = {0, out};
    cmObjectFormatList(tstTags, &tstItemDesc, &ctx, &tstTags[tst_item - 1], item);
    EXPECT_STREQ(out->data, "<item><count>1</count></item><item><count>2</count></item>");
    item->next = nullptr;
    cmObjectFreeCore(&tstItemDesc, second);
}

TEST_F(Format, DescriptorWithoutFieldsIsAnEmptyElement) {
    const cmObjectDesc_t none = {8, 0, 4, 0, 0, nullptr};
    cmFormatContext_t ctx = {0, out};
    cmObjectFormatCore(tstTags, &none, &ctx, &tstTags[tst_kid - 1], item);
    EXPECT_STREQ(out->data, "<kid></kid>");
}

struct Printed {
    uint16_t type;
    const char *text;  // parsed, then printed
    const char *printed;
};

TEST(FormatOne, PrintsWhatWasParsed) {
    const Printed cases[] = {
        {cmType_boolean, "true", "1"},
        {cmType_uint8, "300", "44"},
        {cmType_uint32, "4294967295", "4294967295"},
        {cmType_int64, "-9000000000", "-9000000000"},
        {cmType_uint64, "18446744073709551615", "18446744073709551615"},
        {cmType_float, "2.9", "2.000000"},
        {cmType_hex, "0xff", "0xff"},
        {cmType_ipv4, "10.0.0.1", "10.0.0.1"},
        {cmType_ipv6, "fe80::1", "fe80::1"},
        {cmType_ipAddressN, "10.0.0.3", "10.0.0.3"},
        {cmType_mac, "00-11-22-AA-BB-CC", "00:11:22:aa:bb:cc"},
        {cmType_vpnvrfrd, "10.1.1.1:5", "10.1.1.1:5"},
        {cmType_portlist, "1:1-3,1:5,2:4", "1:1-3,1:5,2:4"},
        {99, "", ""},
    };
    for (const Printed &c : cases) {
        alignas(8) unsigned char storage[1024] = {};
        char text[64];
        snprintf(text, sizeof text, "%s", c.text);
        if (c.type != 99) {
            ASSERT_EQ(cmObjectConstructOne(c.type, storage, 16, nullptr, 0, text), 0) << c.text;
        }
        buffer_t out = {};
        cmObjectFormatOne(&out, c.type, "v", storage, 0, 0);
        EXPECT_EQ(std::string(out.data), "<v>" + std::string(c.printed) + "</v>") << c.text;
        free(out.data);
    }
}

}  // namespace
