// cfgmgr's store and saved file, in-process.
#include <fstream>
#include <sstream>
#include <string>

#include <gtest/gtest.h>

#include "cfgmgr/persist.h"
#include "cfgmgr/store.h"
#include "cmclient/cm.h"

namespace {

std::string readData(const char *name) {
    std::ifstream in(std::string(CFGMGR_DATA_DIR) + "/" + name);
    std::stringstream s;
    s << in.rdbuf();
    return s.str();
}

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_EQ(cfgStoreInit(readData("catalogue"), &why), 0) << why;
        cfgRelayClear();
        ASSERT_EQ(cfgApplyDefaults(readData("defaults"), &why), 0) << why;
    }
};

}  // namespace

namespace {

// A saved file reads back to the same store; any damage to it is refused as a whole and
// leaves an empty store, never a part of the file.
TEST_F(StoreTest, SavedTextReadsBackAndDamageIsRefused) {
    ASSERT_EQ(cfgStoreHandle(0,
                             "<module_vlan><set><vlan><vrName>VR-Default</vrName><name>a]]>b"
                             "</name><tag>7</tag><rowStatus>create</rowStatus></vlan></set>"
                             "</module_vlan>")
                  .status,
              0u);  // "]]>" cannot stand in element text: the parser refuses it
    ASSERT_EQ(cfgStoreHandle(0,
                             "<module_vlan><set><vlan><vrName>VR-Default</vrName><name>a&amp;b"
                             "</name><tag>7</tag><rowStatus>create</rowStatus></vlan></set>"
                             "</module_vlan>")
                  .status,
              1u);
    cfgRelayRecord("wsvdbe", "<module_wsvdbe><set><x>1</x></set></module_wsvdbe>");
    const std::string saved = cfgPersistText();
    std::string why;
    ASSERT_EQ(cfgPersistParse(saved, &why), 0) << why;
    EXPECT_EQ(cfgPersistText(), saved);
    EXPECT_EQ(cfgRelayTexts("wsvdbe").size(), 1u);

    size_t firstRecord = saved.find("\nR ") + 1;
    struct Damage {
        const char *what;
        std::string text;
    } damages[] = {
        {"empty", ""},
        {"cut short", saved.substr(0, saved.size() / 2)},
        {"no trailer", saved.substr(0, saved.rfind("E "))},
        {"flipped byte",
         [&] {
             std::string s = saved;
             s[firstRecord + 40] ^= 1;
             return s;
         }()},
        {"record dropped",
         [&] {
             std::string s = saved;
             size_t end = s.find("\nR ", firstRecord) + 1;
             return s.erase(firstRecord, end - firstRecord);
         }()},
        {"other magic", "cfgmgr-config 2\n" + saved.substr(saved.find('\n') + 1)},
    };
    for (const Damage &d : damages) {
        EXPECT_EQ(cfgPersistParse(d.text, &why), -1) << d.what;
        EXPECT_FALSE(why.empty()) << d.what;
        EXPECT_EQ(
            cfgStoreHandle(CM_GET_PLAIN, "<module_vlan><get><vlan/></get></module_vlan>").data, "")
            << d.what;
        EXPECT_TRUE(cfgRelayTexts("wsvdbe").empty()) << d.what;
    }
}

// Objects of different kinds answer the methods they support and nothing else.
TEST_F(StoreTest, MethodsByObjectKind) {
    struct Case {
        uint32_t flags;
        const char *text;
        uint32_t status;
        const char *message;
    } cases[] = {
        {0, "<module_cfgmgr><get><saveConfig/></get></module_cfgmgr>", 0,
         "Object saveConfig does not support method get."},
        {0,
         "<module_cfgmgr><setop><saveConfig><set_def>0</set_def></saveConfig></setop></"
         "module_cfgmgr>",
         0, "Saving is not possible here."},
        {0,
         "<module_cfgmgr><setop><fileOp><op>cp</op><fileName>x</fileName></fileOp></setop></"
         "module_cfgmgr>",
         0, "fileOp supports the operation \"rm\"."},
        {0,
         "<module_cfgmgr><setop><fileOp><op>rm</op><fileName>../x</fileName></fileOp></setop></"
         "module_cfgmgr>",
         0, "\"../x\" is not a file of the configuration directory."},
        {0,
         "<module_vlan><setop><vlan><vrName>VR-Default</vrName><name>Default</name></vlan></"
         "setop></module_vlan>",
         0, "Object vlan does not support method setop."},
        {0, "<module_vlan><sit><vlan/></sit></module_vlan>", 0, "Unknown operation \"sit\"."},
        {0, "<module_acl><get><x/></get></module_acl>", 0, "Unknown module \"acl\"."},
        {0, "<module_vlan><get></get></module_vlan>", 0, "The request names no object."},
        {CM_GET_EXACT, "<module_cfgmgr><get><loginLockout/></get></module_cfgmgr>", 1, ""},
        {0,
         "<module_vlan><set><vlan><vrName>VR-Default</vrName><name>Default</name><tag>4095</tag></"
         "vlan></set></module_vlan>",
         0, "vlan \"VR-Mgmt\"/\"Mgmt\" already has tag 4095."},
    };
    for (const Case &c : cases) {
        cfgReply_t r = cfgStoreHandle(c.flags, c.text);
        EXPECT_EQ(r.status, c.status) << c.text;
        EXPECT_EQ(r.message, c.message) << c.text;
    }
}

}  // namespace
