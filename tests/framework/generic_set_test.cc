// Generic set, create and delete: the requests they send, their failures, the forms in
// which a request names its object, and who may do what.
#include "tests/framework/generic_fixture.h"

namespace {

const std::string kVlanKey = "<vrName>VR-Default</vrName><name>blue</name>";

std::string vrSet(const std::string &fields, const char *action = "configure") {
    return std::string("S <module_vr><set><vr><rowStatus>") + action +
           "</rowStatus><name>vr1</name>" + fields + "</vr></set></module_vr>";
}

std::string vlanSet(const char *object, const char *action, const std::string &fields) {
    std::string status = std::string("<rowStatus>") + action + "</rowStatus>";
    return std::string("S <module_vlan><set><") + object + ">" + status +
           "<vrName>VR-Default</vrName>" + status + "<name>blue</name>" + fields + "</" + object +
           "></set></module_vlan>";
}

TEST_F(GenericTest, SetShapes) {
    struct Case {
        const char *what;
        const char *operation;
        std::string fault;
        std::string object;
        std::vector<FakeCmReply> replies;
        std::vector<std::string> sent;
    };
    const std::string noInput = "Invalid set request, no input parameters specified";
    const Case cases[] = {
        {"set one field", "setRequest", "", vr("<name>vr1</name><vrId>5</vrId>"), replies(),
         texts(vrSet("<vrId>5</vrId>"))},
        {"an enumerated value in its internal form", "setRequest", "",
         vr("<name>vr1</name><state>false</state>"), replies(),
         texts(vrSet("<adminState>0</adminState>"))},
        {"client text stays a value", "setRequest", "",
         vr("<name>vr1</name><description>&lt;/description&gt;&amp;</description>"), replies(),
         texts(vrSet("<description>&lt;/description&gt;&amp;</description>"))},
        {"delete by the index", "deleteRequest", "", vr("<name>vr1</name>"), replies(),
         texts(vrSet("", "delete"))},
        {"a create over two internal objects sets the second", "createRequest", "",
         vlan(kVlanKey + "<tagValue>10</tagValue><address><ip>10.0.0.1</ip></address>"), replies(),
         texts(vlanSet("vlan", "create", "<tag>10</tag>"),
               vlanSet("vlanIpAddress", "configure", "<ipaddress>10.0.0.1</ipaddress>"))},
        {"a failure stops, the requests before stay", "createRequest", "Bad address x.",
         vlan(kVlanKey + "<tagValue>10</tagValue><address><ip>x</ip></address>"),
         replies(cmOk(), cmStatus(0, "Bad address x.")),
         texts(vlanSet("vlan", "create", "<tag>10</tag>"),
               vlanSet("vlanIpAddress", "configure", "<ipaddress>x</ipaddress>"))},
        {"nothing to set", "setRequest", noInput, vr("<name>vr1</name>"), replies(), texts()},
        {"only read-only fields", "setRequest", noInput, vlan(kVlanKey + "<count>3</count>"),
         replies(), texts()},
        {"without the whole index nothing is set", "setRequest", noInput,
         vlan("<name>blue</name><tagValue>3</tagValue>"), replies(), texts()},
        {"an object without settable fields", "setRequest", "Input parameters are not settable",
         typed("aaa:PasswordPolicy", "<minLength>8</minLength>"), replies(), texts()},
        {"an object without its internal object", "setRequest", noInput,
         typed("system:Fan", "<speed>1</speed>"), replies(), texts()},
        {"a value outside an enumeration", "setRequest", "Invalid value \"maybe\" for field state",
         vr("<name>vr1</name><state>maybe</state>"), replies(), texts()},
        {"a field the object does not have", "setRequest",
         "Unknown field \"colour\" in VirtualRouter", vr("<name>vr1</name><colour>red</colour>"),
         replies(), texts()},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        gFake = FakePeers();
        script(c.replies);
        std::string out = generic(c.operation, c.object);
        EXPECT_EQ(fault(out), c.fault);
        EXPECT_EQ(sent(), c.sent);
        if (c.fault.empty()) {
            // Success answers the empty text.
            std::string element = std::string("switch:") + c.operation;
            element.replace(element.find("Request"), 7, "Response");
            EXPECT_NE(out.find("<" + element + "></" + element + ">"), std::string::npos) << out;
        }
    }
}

TEST_F(GenericTest, RequestsNameTheirObjectInFourForms) {
    const std::string vrFields = "<name>vr1</name>";
    struct Case {
        const char *what;
        std::string object;
        const char *fault;
    };
    const Case cases[] = {
        {"a filter of a known type", vr(vrFields), ""},
        {"a filter whose type prefix the SOAP layer does not know",
         "<filter xmlns:v='urn:other' xsi:type='v:VirtualRouter' objectType='x'>" + vrFields +
             "</filter>",
         ""},
        {"switchObject with module and object",
         "<switchObject><module>vlan</module><object><virtualRouter>" + vrFields +
             "</virtualRouter></object></switchObject>",
         ""},
        {"switchObject / vlanObject / moduleObject",
         "<switchObject><vlanObject><moduleObject><virtualRouter>" + vrFields +
             "</virtualRouter></moduleObject></vlanObject></switchObject>",
         ""},
        {"a type that names no object", typed("vlan:Nothing", vrFields),
         "XML API Interfaces are not supported for this object (Nothing), no callback"},
        {"an object the schema does not describe", typed("system:License", ""),
         "XML API Interfaces are not supported for this object (License)"},
        {"a filter without a type", "<filter objectType='x'>" + vrFields + "</filter>",
         "Object not registered with the framework"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        gFake = FakePeers();
        script({cmOk(vrRow(1))});
        std::string out = generic("getRequest", c.object);
        EXPECT_EQ(fault(out), c.fault);
        if (!*c.fault) {
            EXPECT_NE(out.find("<name>vr1</name><vrId>1</vrId>"), std::string::npos);
        }
    }
}

TEST_F(GenericTest, TheSessionDecidesWhoMayDoWhat) {
    std::string unknown = "22af00000000ff";
    auto body = [](const char *op, const std::string &hdr) {
        return "<sw:" + std::string(op) + kGenericNs + ">" + hdr +
               vr("<name>vr1</name><vrId>2</vrId>") + "</sw:" + op + ">";
    };
    auto inBody = [](const std::string &session) {
        return "<hdr><reqId>9</reqId><sessionId>" + session + "</sessionId></hdr>";
    };
    struct Case {
        const char *what;
        const char *operation;
        std::string soapHeader;
        std::string bodyHeader;
        uint32_t clientKind;
        bool sessionsOff;
        const char *fault;
    };
    const Case cases[] = {
        {"no session", "getRequest", "", "", WSVD_CLIENT_WEB, false, "Invalid session id"},
        {"an unknown session", "getRequest", header(unknown), "", WSVD_CLIENT_WEB, false,
         "Invalid session id"},
        {"a read-only session reads", "getRequest", header(ro_), "", WSVD_CLIENT_WEB, false, ""},
        {"a read-only session sets nothing", "setRequest", header(ro_), "", WSVD_CLIENT_WEB, false,
         "No write permission"},
        {"nor deletes", "deleteRequest", "", inBody(ro_), WSVD_CLIENT_WEB, false,
         "No write permission"},
        {"a read-write session in the body sets", "setRequest", "", inBody(rw_), WSVD_CLIENT_WEB,
         false, ""},
        {"a local client sets nothing", "setRequest", "", "", WSVD_CLIENT_LOCAL, false,
         "No write permission"},
        {"with session checks off every caller reads", "getRequest", "", "", WSVD_CLIENT_WEB, true,
         ""},
        {"and sets nothing", "deleteRequest", "", "", WSVD_CLIENT_WEB, true, "No write permission"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        if (c.sessionsOff)
            env_.set("KARN_SESSION_VAR", "1");
        else
            env_.unset("KARN_SESSION_VAR");
        wsvdSessionTableReset();  // reads KARN_SESSION_VAR
        openSession(2, 1);
        openSession(3, 0);
        gFake = FakePeers();
        script({cmOk(vrRow(1))});
        // The sessions come back with the same ids.
        std::string out = serve(body(c.operation, c.bodyHeader), c.soapHeader, c.clientKind);
        EXPECT_EQ(fault(out), c.fault);
        EXPECT_EQ(gFake.cmCalls.size(), *c.fault ? 0u : 1u);
    }
}

TEST_F(GenericTest, ASessionFromTheBodyIsEchoedAfterTheAnswer) {
    // The header is echoed as it came.
    std::string hdr = "<hdr><reqId>9</reqId><sessionId>" + rw_ + "</sessionId></hdr>";
    script({cmOk(vrRow(1))});
    std::string out = serve("<sw:getRequest" + kGenericNs + ">" + hdr + vr("<name>vr1</name>") +
                            "</sw:getRequest>");
    EXPECT_NE(out.find("</objects>" + hdr + "</switch:getResponse>"), std::string::npos) << out;
    out = serve("<sw:setRequest" + kGenericNs + ">" + hdr + vr("<name>vr1</name><vrId>2</vrId>") +
                "</sw:setRequest>");
    EXPECT_NE(out.find("<switch:setResponse>" + hdr + "</switch:setResponse>"), std::string::npos)
        << out;
    // Named by the SOAP header: nothing is echoed.
    out = generic("setRequest", vr("<name>vr1</name><vrId>2</vrId>"));
    EXPECT_NE(out.find("<switch:setResponse></switch:setResponse>"), std::string::npos) << out;
}

TEST_F(GenericTest, DeepOrHugeObjectsAreRefusedAndTheNextRequestIsServed) {
    std::string deep;
    for (int i = 0; i < 100; i++) deep = "<d>" + deep + "</d>";
    std::string huge = "<name>vr1</name><description>" + std::string(9000, 'x') + "</description>";
    struct Case {
        const char *what;
        std::string object;
        const char *fault;
    };
    const Case cases[] = {
        {"nested deeper than the SOAP engine reads", vr("<name>vr1</name>" + deep), nullptr},
        {"a request text longer than cfgmgr takes", vr(huge),
         "Request too long: its text exceeds 8192 bytes"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        gFake = FakePeers();
        std::string refused = fault(generic("setRequest", c.object));
        if (c.fault)
            EXPECT_EQ(refused, c.fault);
        else
            EXPECT_NE(refused, "");
        EXPECT_TRUE(gFake.cmCalls.empty());
        script({cmOk(vrRow(1))});
        EXPECT_NE(generic("getRequest", vr("<name>vr1</name>")).find("<name>vr1</name>"),
                  std::string::npos);
    }
}

}  // namespace
