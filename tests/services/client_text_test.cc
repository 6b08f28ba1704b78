// The VLAN and FDB services' request texts: client values in them stay text, and
// control characters (also an unknown entity reference, which the SOAP engine turns
// into one) are refused before anything is sent.
#include "cmclient/cm.h"
#include "tests/services/service_fixture.h"

namespace {

using ClientTextTest = ServiceTest;

// Each operation's request text, with markup in every client value: it stays text.
TEST_F(ClientTextTest, RequestTextsCarryClientValuesAsText) {
    struct Case {
        std::string body;  // values as the client writes them in XML
        uint32_t operation, flags;
        std::string text;  // the request text cfgmgr gets
    };
    const Case cases[] = {
        {"<v:deleteVlan><name>x&lt;/name&gt;&lt;rowStatus&gt;</name><vr>'\"</vr></v:deleteVlan>",
         CM_OP_SET, 0,
         "<module_vlan><set><vlan><vrName>&apos;&quot;</vrName><name>x&lt;/name&gt;&lt;rowStatus"
         "&gt;</name><rowStatus>delete</rowStatus></vlan></set></module_vlan>"},
        {"<v:getVlan><name>&lt;b&gt;</name><vr>v&amp;r</vr></v:getVlan>", CM_OP_GET, CM_GET_EXACT,
         "<module_vlan><get><vlan><vrName>v&amp;r</vrName><name>&lt;b&gt;</name></vlan></get>"
         "</module_vlan>"},
        {"<v:getAllVlan/>", CM_OP_GET, CM_GET_NEXT,
         "<module_vlan><get><vlan/></get></module_vlan>"},
        {"<f:createFdb><macAddress>m&amp;</macAddress><vlan>&lt;v</vlan><port>1&gt;</port>"
         "</f:createFdb>",
         CM_OP_SET, 0,
         "<module_fdb><set><fdb_op><macAddr>m&amp;</macAddr><vlanName>&lt;v</vlanName><portList>"
         "1&gt;</portList><action>create</action><sub_action>4</sub_action></fdb_op></set>"
         "</module_fdb>"},
        {"<f:deleteFdb><macAddress>a&lt;</macAddress><vlan>b&amp;</vlan></f:deleteFdb>", CM_OP_SET,
         0,
         "<module_fdb><set><fdb_op><macAddr>a&lt;</macAddr><vlanName>b&amp;</vlanName><action>"
         "delete</action><sub_action>5</sub_action></fdb_op></set></module_fdb>"},
        {"<f:getFdb><macAddress>&lt;/mac_addr&gt;</macAddress></f:getFdb>", CM_OP_GET, CM_GET_EXACT,
         "<module_fdb><get><fdb_show><type>1</type><vlan_name/><port_list/><vlanInstance>0"
         "</vlanInstance><mac_addr>&lt;/mac_addr&gt;</mac_addr></fdb_show></get></module_fdb>"},
        {"<f:getAllFdb/>", CM_OP_GET, CM_GET_NEXT,
         "<module_fdb><get><fdb_show><type>0</type><vlan_name/><port_list/><vlanInstance>0"
         "</vlanInstance><mac_addr>00:00:00:00:00:00</mac_addr></fdb_show></get></module_fdb>"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.body);
        FakeCmCall call = sentOne(c.body);
        EXPECT_EQ(call.text, c.text);
        EXPECT_EQ(call.operation, c.operation);
        EXPECT_EQ(call.getFlags, c.flags);
        EXPECT_EQ(call.module, c.text.rfind("<module_vlan>", 0) == 0 ? "vlan" : "fdb");
    }
}

TEST_F(ClientTextTest, ControlCharactersAndUnknownEntitiesAreRefused) {
    struct Case {
        std::string body;
        const char *fault;
    };
    const Case cases[] = {
        {"<v:createVlan><name>&unknown;X</name><vr>VR-Default</vr></v:createVlan>",
         "Invalid character in name"},
        {"<v:deleteVlan><name>v</name><vr>VR&#127;</vr></v:deleteVlan>", "Invalid character in vr"},
        {"<f:createFdb><macAddress>m</macAddress><vlan>v</vlan><port>1&x;</port></f:createFdb>",
         "Invalid character in port"},
        {"<a:setDynamicAcl xmlns:a=\"urn:xapi/l2protocol/acl\"><rule><name>r&#9;1</name></rule>"
         "</a:setDynamicAcl>",
         "Invalid character in name"},
        // Lines are fine in a configuration.
        {"<c:execConfig><config>&lt;module_vlan&gt;\n\t&lt;set&gt;&amp;amp;</config>"
         "</c:execConfig>",
         ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.body);
        expectFault(c.body, c.fault);
    }
}

}  // namespace
