// The modules' hooks over the shipped catalogue, in-process: the rows a VLAN brings with
// it and the ports it takes.
#include <gtest/gtest.h>

#include <string>

#include "cfgmgr/persist.h"
#include "cfgmgr/store.h"
#include "cmclient/cm.h"

namespace {

class ModulesTest : public ::testing::Test {
protected:
    void SetUp() override {
        std::string why;
        ASSERT_EQ(cfgStoreInit(CFGMGR_DATA_DIR, &why), 0) << why;
        ASSERT_EQ(cfgApplyFactory(&why), 0) << why;
    }
};

cfgReply_t get(const std::string &module, const std::string &object, const std::string &fields,
               uint32_t flags = CM_GET_EXACT) {
    std::string text = "<module_" + module + "><get><" + object + ">" + fields + "</" + object +
                       "></get></module_" + module + ">";
    return cfgStoreHandle(flags, text.c_str());
}

::testing::AssertionResult set(const std::string &module, const std::string &object,
                               const std::string &fields, const char *operation = "set") {
    std::string text = "<module_" + module + "><" + operation + "><" + object + ">" + fields +
                       "</" + object + "></" + operation + "></module_" + module + ">";
    cfgReply_t r = cfgStoreHandle(0, text.c_str());
    if (r.status == 1) return ::testing::AssertionSuccess();
    return ::testing::AssertionFailure() << text << ": " << r.message;
}

// The text of the first element `name` of a reply ("" when there is none).
std::string field(const std::string &data, const std::string &name) {
    size_t at = data.find("<" + name + ">");
    if (at == std::string::npos) return "";
    at += name.size() + 2;
    std::string text = data.substr(at, data.find("</" + name + ">", at) - at);
    if (text.rfind("<![CDATA[", 0) == 0) text = text.substr(9, text.size() - 12);
    return text;
}

// A VLAN brings its rows of the per-VLAN settings and takes them when it goes; a VLAN
// refused for its own rules is refused for them, not for its rows.
TEST_F(ModulesTest, VlanRowsComeAndGoWithTheVlan) {
    const std::string blue = "<vrName>VR-Default</vrName><name>blue</name>";
    ASSERT_TRUE(set("vlan", "vlan", blue + "<tag>10</tag><rowStatus>create</rowStatus>"));
    EXPECT_NE(get("vlan", "dhcpServerVlanConfig", "<vlan>blue</vlan>").data, "");
    ASSERT_TRUE(set("vlan", "dhcpServerVlanConfig", "<vlan>blue</vlan><enabled>1</enabled>"));
    EXPECT_EQ(field(get("vlan", "vlanProc", "<name1>blue</name1>").data, "tagType"), "802dot1Q");
    // A request that names the VLAN by "name", as the VLAN's own object does, finds what
    // the VLAN is made of.
    EXPECT_EQ(field(get("vlan", "vlanPort", "<name>blue</name>").data, "vlanName"), "blue");
    EXPECT_EQ(field(get("vlan", "vlanProc", "<name>blue</name>").data, "name1"), "blue");
    EXPECT_EQ(cfgStoreHandle(0,
                             "<module_vlan><set><vlan><vrName>VR-Default</vrName><name>red"
                             "</name><tag>10</tag><rowStatus>create</rowStatus></vlan></set>"
                             "</module_vlan>")
                  .message,
              "vlan \"VR-Default\"/\"blue\" already has tag 10.");
    ASSERT_TRUE(set("vlan", "vlan", blue + "<rowStatus>delete</rowStatus>"));
    EXPECT_EQ(get("vlan", "dhcpServerVlanConfig", "<vlan>blue</vlan>").data, "");
}

// Ports join a VLAN through vlanPort: an untagged port leaves the VLAN that had it, a
// port is tagged or untagged in a VLAN but not both, and a delete takes ports away.
TEST_F(ModulesTest, VlanPortSetsAddAndTakeThePortsOfAVlan) {
    ASSERT_TRUE(set("vlan", "vlan",
                    "<vrName>VR-Default</vrName><name>v</name><rowStatus>create"
                    "</rowStatus>"));
    auto ports = [](const char *vlan) {
        std::string data =
            get("vlan", "vlanPort", std::string("<vlanName>") + vlan + "</vlanName>").data;
        return field(data, "taggedPorts") + "/" + field(data, "untaggedPorts");
    };
    std::string before = ports("Default");
    ASSERT_TRUE(set("vlan", "vlanPort",
                    "<vlanName>v</vlanName><taggedPorts>1:5,1:6</taggedPorts><untaggedPorts>1:7"
                    "</untaggedPorts><keywordAll>0</keywordAll><rowStatus>create</rowStatus>"));
    EXPECT_EQ(ports("v"), "1:5-6/1:7");
    EXPECT_EQ(before.find("1:1-6,1:8"), std::string::npos);
    EXPECT_NE(ports("Default").find("1:1-6,1:8"), std::string::npos) << ports("Default");
    ASSERT_TRUE(set("vlan", "vlanPort",
                    "<vlanName>v</vlanName><untaggedPorts>1:6</untaggedPorts><rowStatus>configure"
                    "</rowStatus>"));
    EXPECT_EQ(ports("v"), "1:5/1:6-7");
    ASSERT_TRUE(set("vlan", "vlanPort",
                    "<vlanName>v</vlanName><taggedPorts>1:5</taggedPorts><untaggedPorts>1:6,1:7"
                    "</untaggedPorts><rowStatus>delete</rowStatus>"));
    EXPECT_EQ(ports("v"), "/");
    for (const char *bad : {"<vlanName>none</vlanName><taggedPorts>1:5</taggedPorts>",
                            "<vlanName>v</vlanName><translatedPorts>1:5</translatedPorts>"})
        EXPECT_FALSE(set("vlan", "vlanPort", bad)) << bad;
}

}  // namespace
