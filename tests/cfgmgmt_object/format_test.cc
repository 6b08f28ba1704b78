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

// Each type's converter, its failure code, and its printer, through the type code.
TEST(FormatOne, PrintsWhatEachTypeParsedOrSaysWhyNot) {
    struct {
        uint16_t type;
        const char *text;
        int rc;
        const char *printed;  // nullptr: not printed
    } cases[] = {
        {cmType_boolean, "true", 0, "1"},
        {cmType_boolean, "yes", -1, nullptr},
        {cmType_char, "ab", -2, nullptr},
        {cmType_int8, "1x", -3, nullptr},
        {cmType_uint8, "300", 0, "44"},
        {cmType_int32, "q", -8, nullptr},
        {cmType_uint32, "4294967295", 0, "4294967295"},
        {cmType_int64, "-9000000000", 0, "-9000000000"},
        {cmType_uint64, "18446744073709551615", 0, "18446744073709551615"},
        {cmType_float, "2.9", 0, "2.000000"},
        {cmType_float, "junk", 0, "0.000000"},
        {cmType_hex, "0xff", 0, "0xff"},
        {cmType_portlist, "1:1-3,1:5,2:4", 0, "1:1-3,1:5,2:4"},
        {cmType_portlist, "", 0, ""},
        {cmType_portlist, "nonsense", -30, nullptr},
        {cmType_port, "x", -31, nullptr},
        {cmType_ipAddressN, "10.0.0.3", 0, "10.0.0.3"},
        {cmType_ipAddressN, "1.2.3", -15, nullptr},
        {cmType_ipv4, "10.0.0.1", 0, "10.0.0.1"},
        {cmType_ipmask, "1.2.3.4/33", -19, nullptr},
        {cmType_ipv6, "fe80::1", 0, "fe80::1"},
        {cmType_mac, "00-11-22-AA-BB-CC", 0, "00:11:22:aa:bb:cc"},
        {cmType_mac, "00:11", -23, nullptr},
        {cmType_action, "remove", -26, nullptr},
        {cmType_tod, "25:00", -27, nullptr},
        {cmType_vpnvrfrd, "10.1.1.1:5", 0, "10.1.1.1:5"},
        {cmType_ipAddrN, "1.2", -35, nullptr},
        {cmType_portlist_type1, "nonsense", -40, nullptr},
        {cmType_timeslotlist, "33", -42, nullptr},
        {cmType_bitarray, "5-2", -43, nullptr},
        {99, "1", -100, ""},  // an unknown type: refused, and printed as nothing
    };
    for (const auto &c : cases) {
        alignas(8) unsigned char storage[1024] = {};
        char text[64];
        snprintf(text, sizeof text, "%s", c.text);
        EXPECT_EQ(cmObjectConstructOne(c.type, storage, 16, nullptr, 0, text), c.rc)
            << "type " << c.type << " text \"" << c.text << "\"";
        if (!c.printed) continue;
        buffer_t out = {};
        cmObjectFormatOne(&out, c.type, "v", storage, 0, 0);
        EXPECT_EQ(std::string(out.data), "<v>" + std::string(c.printed) + "</v>") << c.text;
        free(out.data);
    }
}

}  // namespace
