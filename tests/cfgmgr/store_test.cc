// cfgmgr's store with its shipped catalogue, and its saved file, in-process.
#include <string>

#include <gtest/gtest.h>

#include "cfgmgr/persist.h"
#include "cfgmgr/store.h"
#include "cmclient/cm.h"

namespace {

class StoreTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_EQ(cfgStoreInit(CFGMGR_DATA_DIR, &why), 0) << why;
        cfgRelayClear();
        ASSERT_EQ(cfgApplyFactory(&why), 0) << why;
    }
};

std::string vlanSet(const std::string &fields) {
    return "<module_vlan><set><vlan>" + fields + "</vlan></set></module_vlan>";
}

// A request that must succeed.
::testing::AssertionResult changes(const std::string &text) {
    cfgReply_t r = cfgStoreHandle(0, text.c_str());
    if (r.status == 1) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << text << ": " << r.message;
}

// A new VLAN of VR-Default with these fields.
std::string newVlan(const std::string &fields) {
    return vlanSet("<vrName>VR-Default</vrName>" + fields + "<rowStatus>create</rowStatus>");
}

std::string vlanGet(const std::string &fields) {
    return cfgStoreHandle(
               CM_GET_EXACT,
               ("<module_vlan><get><vlan>" + fields + "</vlan></get></module_vlan>").c_str())
        .data;
}

const char kAllVlans[] = "<module_vlan><get><vlan/></get></module_vlan>";

// A saved file reads back to the same store; any damage to it is refused as a whole and
// leaves an empty store, never a part of the file.
TEST_F(StoreTest, SavedTextReadsBackAndDamageIsRefused) {
    for (const std::string &text :
         {newVlan("<name>a]]&gt;b</name><tag>7</tag><untaggedPorts>1:5</untaggedPorts>"),
          std::string("<module_snmp><set><snmpEnableCLI><sysName>core &amp; edge</sysName>"
                      "</snmpEnableCLI></set></module_snmp>"),
          std::string("<module_snmp><set><snmpCommunityEntryCLI><communityIndex>c1</communityIndex>"
                      "<communityName>s3cret</communityName><rowStatus>create</rowStatus>"
                      "</snmpCommunityEntryCLI></set></module_snmp>"),
          std::string("<module_fdb><set><fdb_op><macAddr>00:00:00:00:00:01</macAddr>"
                      "<vlanName>a]]&gt;b</vlanName><portList>1:5</portList><action>create</action>"
                      "</fdb_op></set></module_fdb>")})
        ASSERT_TRUE(changes(text));
    cfgRelayRecord("wsvdbe", "<module_wsvdbe><set><x>1</x></set></module_wsvdbe>");
    const std::string saved = cfgPersistText();
    // Canned rows and views are not saved: they come from the data and the platform.
    EXPECT_EQ(saved.find("dm_system"), std::string::npos);
    EXPECT_EQ(saved.find("show_ports"), std::string::npos);
    std::string why;
    ASSERT_EQ(cfgPersistParse(saved, &why), 0) << why;
    EXPECT_EQ(cfgPersistText(), saved);
    EXPECT_EQ(cfgRelayTexts("wsvdbe").size(), 1u);
    EXPECT_NE(cfgStoreHandle(CM_GET_PLAIN, "<module_fdb><get><fdb_show/></get></module_fdb>")
                  .data.find("<vlan_name><![CDATA[a]]]]><![CDATA[>b]]></vlan_name>"),
              std::string::npos);

    size_t firstRecord = saved.find("\nR ") + 1;
    struct Damage {
        const char *what;
        std::string text;
    } damages[] = {
        {"cut short", saved.substr(0, saved.size() / 2)},
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
        EXPECT_EQ(cfgStoreHandle(CM_GET_PLAIN, kAllVlans).data, "") << d.what;
        EXPECT_TRUE(cfgRelayTexts("wsvdbe").empty()) << d.what;
    }
}

// Requests that cannot be carried out say why and leave the store as it was.
TEST_F(StoreTest, RefusedRequestsSayWhyAndChangeNothing) {
    const std::string before = cfgPersistText();
    struct Case {
        uint32_t flags;
        std::string text;
        const char *message;
    } cases[] = {
        {0,
         "<module_cfgmgr><setop><saveConfig><set_def>0</set_def></saveConfig></setop></"
         "module_cfgmgr>",
         "Saving is not possible here."},
        {0,
         "<module_cfgmgr><setop><fileOp><op>cp</op><src>x</src></fileOp></setop></module_cfgmgr>",
         "fileOp supports the operation \"rm\"."},
        {0,
         "<module_cfgmgr><set><fileOp><op>rm</op><srcloc>config</srcloc><src>../x</src></fileOp></"
         "set>"
         "</module_cfgmgr>",
         "\"../x\" is not a file of the configuration directory."},
        {0,
         "<module_vlan><setop><vlan><vrName>VR-Default</vrName><name>Default</name></vlan></"
         "setop></module_vlan>",
         "Object vlan does not support method setop."},
        {0, "<module_vlan><sit><vlan/></sit></module_vlan>", "Unknown operation \"sit\"."},
        {0, "<module_nope><get><x/></get></module_nope>", "Unknown module \"nope\"."},
        {0, "<module_vlan><get></get></module_vlan>", "The request names no object."},
        {0, "<module_vlan><get><vlans/></get></module_vlan>",
         "Unknown object \"vlans\" of module \"vlan\"."},
        {0, newVlan("<name>x</name><colour>red</colour>"), "Unknown field \"colour\" of vlan."},
        {0, vlanSet("<vrName>VR-Default</vrName><name>Default</name><tag>4095</tag>"),
         "vlan \"VR-Mgmt\"/\"Mgmt\" already has tag 4095."},
        {0, newVlan("<name>Default</name>"), "vlan \"VR-Default\"/\"Default\" already exists."},
        {0, newVlan("<name>x</name><tag>4096</tag>"),
         "Value 4096 of field \"tag\" is out of range (1 to 4095)."},
        {0, newVlan("<name>" + std::string(33, 'n') + "</name>"),
         "Field \"name\" is longer than 32 characters."},
        {0, vlanSet("<name>x</name><rowStatus>create</rowStatus>"),
         "Missing key field \"vrName\"."},
        {0, vlanSet("<vrName>VR-Nope</vrName><name>x</name><rowStatus>create</rowStatus>"),
         "vr \"VR-Nope\" does not exist."},
        // A unique field and a key field that disagree name no row.
        {0, vlanSet("<vrName>VR-Mgmt</vrName><tag>1</tag><ipMtu>9000</ipMtu>"),
         "vlan \"VR-Mgmt\" does not exist."},
        {0,
         "<module_vr><set><vr><name>VR-Default</name><rowStatus>delete</rowStatus></vr></set></"
         "module_vr>",
         "vr \"VR-Default\" is in use by vlan \"VR-Default\"/\"Default\"."},
        {0,
         "<module_fdb><set><fdb_op><macAddr>00:00:00:00:00:01</macAddr><vlanName>Default</vlanName>"
         "<portList>mgmt</portList><action>create</action></fdb_op></set></module_fdb>",
         "An FDB entry needs a port of the switch in \"portList\"."},
        // Malformed texts.
        {0, "<module_vlan><set><vlan><name>v17</name>", nullptr},
        {0, "<module_vlan><get><vlan/></get></module_vlan>\n<module_vlan/>",
         "The request is not well formed: junk after document element at line 2."},
        {0, "text <module_vlan><get><vlan/></get></module_vlan>",
         "The request is not well formed: syntax error at line 1."},
        {0, "<!DOCTYPE x [<!ENTITY a \"b\">]><module_vlan><get><vlan/></get></module_vlan>",
         "A document type is not allowed here."},
        {0,
         "<module_vlan><set><vlan><name>" + std::string(70000, 'n') +
             "</name></vlan></set></module_vlan>",
         "Field \"name\" is longer than 65535 characters."},
    };
    for (const Case &c : cases) {
        cfgReply_t r = cfgStoreHandle(c.flags, c.text.c_str());
        EXPECT_EQ(r.status, 0u) << c.text.substr(0, 200);
        if (c.message)
            EXPECT_EQ(r.message, c.message) << c.text.substr(0, 200);
        else
            EXPECT_FALSE(r.message.empty()) << c.text.substr(0, 200);
    }
    EXPECT_EQ(cfgPersistText(), before);
}

// Row actions may come before and between the key fields, and a field given twice
// takes its last value; empty elements of numbers name the field without a value.
TEST_F(StoreTest, RepeatedAndEmptyFields) {
    ASSERT_TRUE(
        changes(vlanSet("<rowStatus>create</rowStatus><vrName>VR-Default</vrName>"
                        "<rowStatus>create</rowStatus><name>v</name><ipMtu/>"
                        "<tag>5</tag><tag>6</tag>")));
    std::string v = vlanGet("<name>v</name>");
    EXPECT_NE(v.find("<tag>6</tag><ipMtu>1500</ipMtu>"), std::string::npos) << v;
    ASSERT_TRUE(changes(vlanSet("<name>v</name><ipMtu>9000</ipMtu>")));
    ASSERT_TRUE(changes(vlanSet("<name>v</name><ipMtu/>")));
    v = vlanGet("<name>v</name>");
    EXPECT_NE(v.find("<ipMtu>1500</ipMtu>"), std::string::npos) << v;
}

}  // namespace
