// The request texts of the services: client values in them stay text, and
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
        std::string text;  // the request text cfgmgr gets; operation 0: refused, the fault
    };
    const Case cases[] = {
        {"<v:createVlan><name>&unknown;X</name><vr>VR-Default</vr></v:createVlan>", 0, 0,
         "Invalid character in name"},
        {"<v:deleteVlan><name>v</name><vr>VR&#127;</vr></v:deleteVlan>", 0, 0,
         "Invalid character in vr"},
        // A configuration goes as written, lines and all.
        {"<c:execConfig><config>&lt;module_vlan&gt;\n\t&lt;set&gt;&amp;amp;</config></"
         "c:execConfig>",
         CM_OP_SET, 0, "<module_vlan>\n\t<set>&amp;"},
        {"<v:deleteVlan><name>x&lt;/name&gt;&lt;rowStatus&gt;</name><vr>'\"</vr></v:deleteVlan>",
         CM_OP_SET, 0,
         "<module_vlan><set><vlan><vrName>&apos;&quot;</vrName><name>x&lt;/name&gt;&lt;rowStatus"
         "&gt;</name><rowStatus>delete</rowStatus></vlan></set></module_vlan>"},
        {"<v:getVlan><name>&lt;b&gt;</name><vr>v&amp;r</vr></v:getVlan>", CM_OP_GET, CM_GET_EXACT,
         "<module_vlan><get><vlan><vrName>v&amp;r</vrName><name>&lt;b&gt;</name></vlan></get>"
         "</module_vlan>"},
        {"<v:getAllVlan/>", CM_OP_GET, CM_GET_NEXT,
         "<module_vlan><get><vlan/></get></module_vlan>"},
        // A request text is cut at 255 characters, an entity reference too.
        {"<v:getVlan><name>" + std::string(203, 'n') + "&amp;</name><vr>VR</vr></v:getVlan>",
         CM_OP_GET, CM_GET_EXACT,
         "<module_vlan><get><vlan><vrName>VR</vrName><name>" + std::string(203, 'n') + "&am"},
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
        {"<a:setDynamicAcl><rule><name>r&amp;1</name><applicationName>a&lt;b</applicationName>"
         "<isPersistent>true</isPersistent><match><protocol>tcp</protocol></match></rule>"
         "</a:setDynamicAcl>",
         CM_OP_SET, 0,
         "<module_acl><set><aclRuleObj><rowStatus>create</rowStatus><name>r&amp;1</name>"
         "<entryBuffer>entry r&amp;1 {\nif {\n protocol tcp;\n}\nthen {\n} }\n\n</entryBuffer>"
         "<dynamic>1</dynamic><applName>a&lt;b</applName></aclRuleObj></set></module_acl>"},
        {"<a:deleteDynamicAcl><name>&quot;r1&quot;</name></a:deleteDynamicAcl>", CM_OP_SET, 0,
         "<module_acl><set><aclRuleObj><rowStatus>delete</rowStatus><name>&quot;r1&quot;</name>"
         "<applName></applName></aclRuleObj></set></module_acl>"},
        {"<a:insertDynamicAclOnInterface><vlan>  v&amp;1</vlan><port> </port><newRule>r1</newRule>"
         "<existingRule>   </existingRule><direction>FIRST</direction><portDirection>EGRESS"
         "</portDirection><zone>z</zone></a:insertDynamicAclOnInterface>",
         CM_OP_SET, 0,
         "<module_acl><set><aclRuleAppl><rowStatus>configure</rowStatus><ruleAction>1</ruleAction>"
         "<ruleName>r1</ruleName><aclIfDirection>1</aclIfDirection><vlan>v&amp;1</vlan>"
         "<priority>0</priority><zone>z</zone></aclRuleAppl></set></module_acl>"},
        {"<a:insertDynamicAclOnInterface><port> 1:2</port><newRule>r2</newRule><existingRule> r1"
         "</existingRule><direction>LAST</direction><priority>7</priority><applicationName>app"
         "</applicationName></a:insertDynamicAclOnInterface>",
         CM_OP_SET, 0,
         "<module_acl><set><aclRuleAppl><rowStatus>configure</rowStatus><ruleAction>2</ruleAction>"
         "<ruleName>r2</ruleName><aclIfDirection>0</aclIfDirection><relName>r1</relName>"
         "<ports>1:2</ports><priority>7</priority><applName>app</applName></aclRuleAppl></set>"
         "</module_acl>"},
        {"<a:removeDynamicAclOnInterface><vlan> v1</vlan><port>  1:2</port><rule>r1</rule>"
         "<portDirection>INGRESS</portDirection></a:removeDynamicAclOnInterface>",
         CM_OP_SET, 0,
         "<module_acl><set><aclRuleAppl><rowStatus>unconfigure</rowStatus><ruleAction>5"
         "</ruleAction><aclIfDirection>0</aclIfDirection><ruleName>r1</ruleName><vlan> v1</vlan>"
         "<ports>1:2</ports></aclRuleAppl></set></module_acl>"},
        {"<a:removeDynamicAclOnAllInterfaces><rule>r1</rule><applicationName>a</applicationName>"
         "</a:removeDynamicAclOnAllInterfaces>",
         CM_OP_SET, 0,
         "<module_acl><set><aclRuleAppl><rowStatus>unconfigure</rowStatus><ruleAction>6"
         "</ruleAction><ruleName>r1</ruleName><applName>a</applName></aclRuleAppl></set>"
         "</module_acl>"},
        {"<p:deletePolicy><name>p&amp;1</name></p:deletePolicy>", CM_OP_SET, 0,
         "<module_cfgmgr><set><fileOp><op>rm</op><srcloc>config</srcloc><src>p&amp;1.pol</src>"
         "</fileOp></set></module_cfgmgr>"},
        {"<p:refreshPolicy><name>p1</name></p:refreshPolicy>", CM_OP_SET, 0,
         "<module_pm><set><pMPolicyUtil><option>5</option><polname>p1</polname></pMPolicyUtil>"
         "</set></module_pm>"},
        {"<p:bindPolicyOnInterface><name>p1</name><vlan>v&lt;1</vlan><port>1:1</port><direction>"
         "EGRESS</direction></p:bindPolicyOnInterface>",
         CM_OP_SET, 0,
         "<module_acl><set><aclIfEntry><aclName>p1</aclName><rowStatus>configure</rowStatus>"
         "<precedence>1</precedence><vlan>v&lt;1</vlan><ports>1:1</ports><aclIfDirection>1"
         "</aclIfDirection></aclIfEntry></set></module_acl>"},
        {"<p:listPolicyOnInterface/>", CM_OP_GET, CM_GET_PLAIN,
         "<module_acl><get><aclEntry><any>1</any><aclIfDirection>0</aclIfDirection></aclEntry>"
         "</get></module_acl>"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.body);
        if (c.operation == 0) {
            expectFault(c.body, c.text.c_str());
            continue;
        }
        FakeCmCall call = sentOne(c.body);
        EXPECT_EQ(call.text, c.text);
        EXPECT_EQ(call.operation, c.operation);
        EXPECT_EQ(call.getFlags, c.flags);
        std::string module = c.text.substr(8, c.text.find('>') - 8);  // <module_NAME>
        EXPECT_EQ(call.module, module == "pm" ? "polMgr" : module);
    }
}

}  // namespace
