#include <gtest/gtest.h>

#include <cstring>
#include <string>

#include "cfgmgmt/cmBackend/src/cm_object.h"
#include "cfgmgmt/cmBackend/src/cm_types.h"
#include "tests/cfgmgmt_object/test_module.h"

namespace {

class Parser : public ::testing::Test {
protected:
    void SetUp() override {
        registerTestModules();
        parser = cmObjectParserAlloc();
        ASSERT_NE(parser, nullptr);
    }
    void TearDown() override {
        if (result) cmFuncTableEntryGet("tst")->free(result, cmFree_all);
        cmObjectParserFree(parser);
    }
    tstItem_t *parse(const std::string &text, const char *module = "tst") {
        if (result) cmFuncTableEntryGet("tst")->free(result, cmFree_all);
        result = cmObjectParse(parser, module, text.data(), static_cast<uint32_t>(text.size()));
        return result ? static_cast<tstItem_t *>(result->data) : nullptr;
    }
    std::string error() const { return parser->errorBuffer->data; }
    bool valid(const tstItem_t *item, int field) {
        return cmObjectCheckValidCore(item, tstItemDesc.validOffset, field) != 0;
    }
    cmObjectParser_t *parser = nullptr;
    cmObject_t *result = nullptr;
};

TEST_F(Parser, BuildsAnObjectAndIgnoresLayoutAndUnknownElements) {
    tstItem_t *item = parse(
        "<?xml version=\"1.0\"?>\n<item>\n  <name>first</name>\n"
        "  <bogus>text<deeper><name>x</name></deeper></bogus>\n"
        "  <grp>ignored<count>7</count></grp>\n  <flag>true</flag>\n"
        "  <mac>00:11:22:aa:bb:cc</mac>\n</item>\n");
    ASSERT_NE(item, nullptr) << error();
    EXPECT_EQ(parser->errorCount, 0u);
    EXPECT_EQ(result->tag->id, tst_item);
    EXPECT_STREQ(item->name, "first");
    EXPECT_EQ(item->count, 7u);
    EXPECT_EQ(item->flag, 1u);
    const uint8_t mac[6] = {0x00, 0x11, 0x22, 0xaa, 0xbb, 0xcc};
    EXPECT_EQ(memcmp(item->mac, mac, 6), 0);
    EXPECT_TRUE(valid(item, 0) && valid(item, 1) && valid(item, 4) && valid(item, 5));
    EXPECT_FALSE(valid(item, 2) || valid(item, 3) || valid(item, 6) || valid(item, 7));
}

TEST_F(Parser, CutsLongStringsAndKeepsLeafTextAsIs) {
    tstItem_t *item = parse("<item><name> 12345678901234567890</name></item>");
    ASSERT_NE(item, nullptr);
    EXPECT_STREQ(item->name, " 123456789012345");  // 16 characters of a 17-byte field
    item = parse("<item><name><![CDATA[a<b>&]]></name></item>");
    ASSERT_NE(item, nullptr);
    EXPECT_STREQ(item->name, "a<b>&");
}

TEST_F(Parser, StoresArraysUpToTheirLimit) {
    tstItem_t *item = parse(
        "<item><nums>4</nums><nums>5</nums><big>-1</big><big>9000000000</big>"
        "<big>3</big></item>");
    ASSERT_NE(item, nullptr) << error();
    EXPECT_EQ(item->numsCount, 2u);
    EXPECT_EQ(item->nums[0], 4u);
    EXPECT_EQ(item->nums[1], 5u);
    EXPECT_EQ(item->bigCount, 3u);  // 64-bit values start at the next 8-byte boundary
    EXPECT_EQ(item->big[0], -1);
    EXPECT_EQ(item->big[1], 9000000000LL);
    EXPECT_EQ(item->big[2], 3);

    EXPECT_EQ(parse("<item><nums>1</nums><nums>2</nums><nums>3</nums></item>"), nullptr);
    EXPECT_EQ(error(), "cmObjectParseEnd Failed to convert \"nums\" value \"3\".");
}

TEST_F(Parser, LinksNestedObjectsInFrontOfTheList) {
    tstItem_t *item = parse(
        "<item><kid><id>1</id><label>one</label></kid>"
        "<blob>0a:ff</blob><kid><id>2</id></kid></item>");
    ASSERT_NE(item, nullptr) << error();
    ASSERT_NE(item->kids, nullptr);
    EXPECT_EQ(item->kids->id, 2);
    ASSERT_NE(item->kids->next, nullptr);
    EXPECT_EQ(item->kids->next->id, 1);
    EXPECT_STREQ(item->kids->next->label, "one");
    EXPECT_EQ(item->kids->next->next, nullptr);
    auto *blob = static_cast<octetString_t *>(item->blob);
    ASSERT_NE(blob, nullptr);
    EXPECT_EQ(blob->length, 2u);
}

TEST_F(Parser, EmptyTextHoldsNoObject) {
    for (const char *text : {"", "  \n ", "<?xml version=\"1.0\"?>"}) {
        EXPECT_EQ(parse(text), nullptr) << text;
        EXPECT_EQ(parser->errorCount, 0u) << text << ": " << error();
    }
}

struct BadText {
    const char *text;
    const char *error;  // exact text, or the expat message when null
};

TEST_F(Parser, ReportsEachErrorAndFreesWhatWasBuilt) {
    const BadText cases[] = {
        {"<bogus/>", "Unknown tag \"bogus\"."},
        {"<item><kid><bogus/></kid><name>a<count>1</count></name></item>",
         "Tag \"name\" does not contain other tag."},
        {"<item/><item><name>x</name></item>",
         "Cannot configure more than one object in a single request."},
        {"<item><count>x</count></item>",
         "cmObjectParseEnd Failed to convert \"count\" value \"x\"."},
        {"<module_tst/>", "Unknown tag \"module_tst\" type 1."},
        {"<item><get/></item>", "Unknown tag \"get\" type 2."},
        {"stray<item/>", "Missing open tag."},
        {"<item><kid><kid/></kid></item>", "Failed when setting field \"kid\" type 2"},
        {"<item><kid><id>1</id></kid><blob>01</blob><kid><id>70000x</id></kid></item>",
         "cmObjectParseEnd Failed to convert \"id\" value \"70000x\"."},
        {"<item><name>a</item>", nullptr},
        {"<item>&undefined;</item>", nullptr},
    };
    for (const BadText &c : cases) {
        EXPECT_EQ(parse(c.text), nullptr) << c.text;
        EXPECT_NE(parser->errorCount, 0u) << c.text;
        if (c.error)
            EXPECT_EQ(error(), c.error) << c.text;
        else
            EXPECT_FALSE(error().empty()) << c.text;
        EXPECT_EQ(parser->current, nullptr);
        EXPECT_EQ(parser->objectStack->count, 0u);
    }
    // The context is clean for the next parse.
    tstItem_t *item = parse("<item><count>1</count></item>");
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->count, 1u);
}

TEST_F(Parser, KeepsThePreviousModuleWhenNoneIsNamed) {
    ASSERT_NE(parse("<item/>"), nullptr);
    EXPECT_NE(parse("<item><count>2</count></item>", nullptr), nullptr);
    EXPECT_EQ(parser->entry, cmFuncTableEntryGet("tst"));
}

TEST_F(Parser, MissingModuleIsFatal) {
    EXPECT_DEATH(parse("<item/>", "nosuchmodule"), "not registered");
}

TEST_F(Parser, GetObjectReadsTheMessageOfASuccessfulReply) {
    const char *ok =
        "<reply><status> SUCCESS</status><message><item><count>5</count></item>"
        "</message></reply>";
    auto *item = static_cast<tstItem_t *>(cmGetObject(parser, "tst", ok));
    ASSERT_NE(item, nullptr);
    EXPECT_EQ(item->count, 5u);
    cmObjectFreeCore(&tstItemDesc, item);

    EXPECT_EQ(cmGetObject(parser, "tst", "<status>\n  ERROR</status><message><item/></message>"),
              nullptr);
    EXPECT_EQ(error(), "CM operation ERROR!");
    EXPECT_EQ(cmGetObject(parser, "tst", "<status>OK</status>"), nullptr);
    EXPECT_EQ(cmGetObject(parser, "tst", "<message><item/></message>"), nullptr);
    EXPECT_EQ(cmGetObject(parser, "tst", "<status>OK</status><message><item/>"), nullptr);
}

TEST(ConstructOne, PortListHoldingOnlyTheManagementPortIsAccepted) {
    alignas(8) unsigned char storage[sizeof(portlist_t)] = {};
    char mgmt[] = "mgmt";
    EXPECT_EQ(cmObjectConstructOne(cmType_portlist, storage, 0, nullptr, 0, mgmt), 0);
    EXPECT_TRUE(plTestMgmt(reinterpret_cast<portlist_t *>(storage)));
}

}  // namespace
