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
        {0, "<module_cfgmgr><get><saveConfig/></get></module_cfgmgr>",
         "Object saveConfig does not support method get."},
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
         "<module_cfgmgr><set><fileOp><op>rm</op><srcloc>flash</srcloc><src>x.pol</src></fileOp></"
         "set>"
         "</module_cfgmgr>",
         "Location \"flash\" is unknown; files are in \"config\"."},
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
        {0, vlanSet("<vrName>VR-Default</vrName><name>x</name><a/><b>1</b>"),
         "Unknown fields \"a\", \"b\" of vlan."},
        {0, vlanSet("<vrName>VR-Default</vrName><name>Default</name><tag>4095</tag>"),
         "vlan \"VR-Mgmt\"/\"Mgmt\" already has tag 4095."},
        {0, newVlan("<name>Default</name>"), "vlan \"VR-Default\"/\"Default\" already exists."},
        {0, vlanSet("<vrName>VR-Mgmt</vrName><name>Default</name><rowStatus>create</rowStatus>"),
         "vlan \"VR-Default\"/\"Default\" already has name Default."},
        {0, newVlan("<name>x</name><tag>4096</tag>"),
         "Value 4096 of field \"tag\" is out of range (1 to 4095)."},
        {0, newVlan("<name>x</name><tag>-1</tag>"), "Value \"-1\" is not valid for field \"tag\"."},
        {0, newVlan("<name>" + std::string(33, 'n') + "</name>"),
         "Field \"name\" is longer than 32 characters."},
        {0, vlanSet("<vrName>VR-Default</vrName><name>x</name><rowStatus>make</rowStatus>"),
         "Value \"make\" is not valid for field \"rowStatus\"."},
        {0, vlanSet("<name>x</name><rowStatus>create</rowStatus>"),
         "Missing key field \"vrName\"."},
        {0, vlanSet("<vrName>VR-Nope</vrName><name>x</name><rowStatus>create</rowStatus>"),
         "vr \"VR-Nope\" does not exist."},
        // A unique field and a key field that disagree name no row.
        {0, vlanSet("<vrName>VR-Mgmt</vrName><tag>1</tag><ipMtu>9000</ipMtu>"),
         "vlan \"VR-Mgmt\" does not exist."},
        {0, vlanSet("<vrName>VR-Default</vrName><name>x</name><name>y</name>"),
         "vlan \"VR-Default\"/\"y\" does not exist."},
        {0,
         "<module_vr><set><vr><name>VR-Default</name><rowStatus>delete</rowStatus></vr></set></"
         "module_vr>",
         "vr \"VR-Default\" is in use by vlan \"VR-Default\"/\"Default\"."},
        {0,
         "<module_fdb><set><fdb_show><mac_addr>00:00:00:00:00:01</mac_addr></fdb_show></set></"
         "module_fdb>",
         "Object fdb_show does not support method set."},
        {0, "<module_system><set><fan_info><fanId>1</fanId></fan_info></set></module_system>",
         "Object fan_info does not support method set."},
        {0,
         "<module_fdb><set><fdb_op><macAddr>00:00:00:00:00:01</macAddr><vlanName>Default</vlanName>"
         "<portList>mgmt</portList><action>create</action></fdb_op></set></module_fdb>",
         "An FDB entry needs a port of the switch in \"portList\"."},
        {CM_GET_EXACT, kAllVlans, "Missing key field \"vrName\"."},
        // Malformed texts.
        {0, "<module_vlan><set><vlan><name>v17</name>", nullptr},
        {0, "<module_vlan><set><vlan><name><b>x</b></name></vlan></set></module_vlan>",
         "Field \"name\" holds elements; fields hold values only."},
        {0, "<module_vlan><set><vlan/><vlan/></set></module_vlan>",
         "The request holds more than one object."},
        {0, "<module_vlan><set>text<vlan/></set></module_vlan>",
         "Text outside of fields: fields hold values."},
        {0, "<!DOCTYPE x [<!ENTITY a \"b\">]><module_vlan><get><vlan/></get></module_vlan>",
         "A document type is not allowed here."},
        {0,
         "<module_vlan><set><vlan><name>" + std::string(70000, 'n') +
             "</name></vlan></set></module_vlan>",
         "Field \"name\" is longer than 65535 characters."},
        {0, "", "The request is empty."},
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

// Port lists change by ports, and an untagged port moves from the VLAN that had it.
// The view of each port's VLANs follows, one port at a time.
TEST_F(StoreTest, PortsMoveAndThePortViewFollows) {
    auto portVlans = [](const char *given) {
        return cfgStoreHandle(
            CM_GET_NEXT, ("<module_port><get><show_ports_info_detail_vlans>" + std::string(given) +
                          "</show_ports_info_detail_vlans></get></module_port>")
                             .c_str());
    };
    ASSERT_TRUE(changes(newVlan("<name>blue</name><untaggedPorts>1:3-4</untaggedPorts>")));
    ASSERT_TRUE(changes(vlanSet("<name>Default</name><taggedPorts>1:3</taggedPorts>")));
    ASSERT_TRUE(
        changes(vlanSet("<name>blue</name><untaggedPorts>1:4</untaggedPorts>"
                        "<rowStatus>unconfigure</rowStatus>")));
    std::string d = vlanGet("<name>Default</name>");
    EXPECT_NE(
        d.find("<taggedPorts>1:3</taggedPorts><untaggedPorts>1:1-2,1:5-48,2:1-48,3:1-24,4:1-24<"),
        std::string::npos)
        << d;

    cfgReply_t r = portVlans("<port>1:3</port>");  // Default (tagged), then blue
    EXPECT_EQ(r.status, 2u);
    EXPECT_NE(r.data.find("<vlanName><![CDATA[Default]]></vlanName><tagged>1</tagged>"),
              std::string::npos)
        << r.data;
    std::string instance = r.data.substr(r.data.find("<vlanIfInstance>") + 16);
    instance = instance.substr(0, instance.find('<'));
    r = portVlans(("<port>1:3</port><vlanIfInstance>" + instance + "</vlanIfInstance>").c_str());
    EXPECT_EQ(r.status, 1u);
    EXPECT_NE(r.data.find("<vlanName><![CDATA[blue]]></vlanName><tagged>0</tagged>"),
              std::string::npos)
        << r.data;
    r = portVlans("<port>1:4</port>");  // in no VLAN now
    EXPECT_EQ(r.status, 1u);
    EXPECT_EQ(r.data, "");
    EXPECT_EQ(portVlans("<port>9:1</port>").message,
              "Value \"9:1\" is not valid for field \"port\".");
}

// Read-only rows: from the platform's description of the switch and from the canned
// rows installed with cfgmgr.
TEST_F(StoreTest, PlatformViewsAndCannedRows) {
    int ports = 0;
    std::string text = "<module_port><get><show_ports_info/></get></module_port>";
    for (cfgReply_t r; (r = cfgStoreHandle(CM_GET_NEXT, text.c_str())).data != ""; ports++) {
        ASSERT_EQ(r.status, ports == 143 ? 1u : 2u) << r.data;
        std::string port = r.data.substr(r.data.find("<port>") + 6);
        text = "<module_port><get><show_ports_info><port>" + port.substr(0, port.find('<')) +
               "</port></show_ports_info></get></module_port>";
    }
    EXPECT_EQ(ports, 48 + 48 + 24 + 24);
    cfgReply_t fans = cfgStoreHandle(
        CM_GET_NEXT,
        "<module_system><get><fan_info><fanId>2</fanId></fan_info></get></module_system>");
    EXPECT_EQ(fans.status, 1u);
    EXPECT_NE(fans.data.find("<fanId>3</fanId>"), std::string::npos) << fans.data;
    // A keyless object answers its one row to every get, so a walk ends with it.
    cfgReply_t system =
        cfgStoreHandle(CM_GET_NEXT, "<module_system><get><dm_system/></get></module_system>");
    EXPECT_EQ(system.status, 1u);
    EXPECT_NE(system.data.find("<powerSupplies>2</powerSupplies>"), std::string::npos)
        << system.data;
}

}  // namespace
