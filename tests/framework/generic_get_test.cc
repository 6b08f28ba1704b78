// Generic gets by walk shape: exact, walk from the start, continuation after "more
// follow", "next" paging, query parameters and filters, and the guards that end walks
// which the configuration manager would never end.
#include <regex>

#include "framework/xmlfwk_defaults.h"
#include "framework/xmlfwk_process.h"
#include "tests/framework/generic_fixture.h"

namespace {

// The names of the answered objects, in order.
std::vector<std::string> names(const std::string &out) {
    std::vector<std::string> found;
    std::regex object("<object[^>]*><name>([^<]*)</name>");
    for (std::sregex_iterator i(out.begin(), out.end(), object), end; i != end; ++i)
        found.push_back((*i)[1]);
    return found;
}

std::vector<FakeCmReply> rows(int from, int to, uint32_t lastStatus = 1) {
    std::vector<FakeCmReply> replies;
    for (int n = from; n <= to; n++) replies.push_back(cmOk(vrRow(n), n == to ? lastStatus : 2));
    return replies;
}

std::string vrGet(const char *kind, const std::string &name = "") {
    return std::string(kind) + " <module_vr><get>" +
           (name.empty() ? "<vr/>" : "<vr><name>" + name + "</name></vr>") + "</get></module_vr>";
}

std::vector<std::string> namesFrom(int from, int to) {
    std::vector<std::string> out;
    for (int n = from; n <= to; n++) out.push_back("vr" + std::to_string(n));
    return out;
}

TEST_F(GenericTest, WalkShapes) {
    struct Case {
        const char *what;
        std::string attributes;  // of getRequest
        std::string fields;
        std::vector<FakeCmReply> replies;
        std::vector<std::string> sent;
        std::vector<std::string> names;
    };
    const std::string next2 = "action=\"next\" maxSize=\"2\"";
    const Case cases[] = {
        {"exact: one round", "", "<name>vr2</name>", replies(cmOk(vrRow(2))),
         texts(vrGet("E", "vr2")), texts("vr2")},
        {"exact, then more follow after it", "", "<name>vr2</name>",
         replies(cmOk(vrRow(2), 2), cmOk(vrRow(3), 1)), texts(vrGet("E", "vr2"), vrGet("N", "vr2")),
         texts("vr2", "vr3")},
        {"walk from the start until the last", "", "", rows(1, 3),
         texts(vrGet("N"), vrGet("N", "vr1"), vrGet("N", "vr2")), namesFrom(1, 3)},
        {"walk filtered by a value of another field", "", "<vrId>2</vrId>", rows(1, 3),
         texts(vrGet("N"), vrGet("N", "vr1"), vrGet("N", "vr2")), texts("vr2")},
        {"an empty index value walks", "", "<name></name>", rows(1, 2),
         texts(vrGet("N"), vrGet("N", "vr1")), namesFrom(1, 2)},
        {"next page of 2 from the start", next2, "", rows(1, 5, 2),
         texts(vrGet("N"), vrGet("N", "vr1")), namesFrom(1, 2)},
        {"next page after the object given", next2, "<name>vr2</name>", rows(3, 5, 2),
         texts(vrGet("N", "vr2"), vrGet("N", "vr3")), namesFrom(3, 4)},
        {"next without maxSize: one object", "action=\"next\"", "", rows(1, 3, 2),
         texts(vrGet("N")), texts("vr1")},
        {"next, maxSize 0: one object", "action=\"next\" maxSize=\"0\"", "", rows(1, 3, 2),
         texts(vrGet("N")), texts("vr1")},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        gFake = FakePeers();
        script(c.replies);
        std::string out = generic("getRequest", vr(c.fields), " " + c.attributes);
        EXPECT_EQ(fault(out), "");
        EXPECT_EQ(sent(), c.sent);
        EXPECT_EQ(names(out), c.names) << out;
    }
}

TEST_F(GenericTest, PagesAreCappedAt256Objects) {
    script(rows(1, 300, 2));
    std::string out = generic("getRequest", vr(""), " action=\"next\" maxSize=\"257\"");
    EXPECT_EQ(names(out).size(), 256u);
    EXPECT_EQ(gFake.cmCalls.size(), 256u);
}

TEST_F(GenericTest, QueryParametersChooseTheAnsweredFields) {
    struct Case {
        const char *query;
        const char *fields;  // of the answered object after its name
    };
    const Case cases[] = {
        {"include:vrId, state", "<vrId>2</vrId><state>true</state>"},
        {"exclude:state", "<vrId>2</vrId><description>d2</description>"},
        {"include:name", ""},  // an index field counts as found but is answered anyway
        {"x;include:description", "<description>d2</description>"},
        {"color:red", "<vrId>2</vrId><state>true</state><description>d2</description>"},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.query);
        gFake = FakePeers();
        script({cmOk(vrRow(2))});
        std::string out = generic("getRequest", vr(std::string("<queryParameters>") + c.query +
                                                   "</queryParameters><name>vr2</name>"));
        EXPECT_EQ(objects(out), std::string("<objects><object xsi:type=\"vlan:VirtualRouter\">"
                                            "<name>vr2</name>") +
                                    c.fields + "</object></objects>");
    }
}

TEST_F(GenericTest, FurtherInternalObjectsAreReadOncePerObject) {
    // VlanConfig's address lives in vlanIpAddress: each object read from vlan is
    // completed by an exact get of vlanIpAddress with the same key.
    const std::string key = "<vrName>VR-Default</vrName><name>blue</name>";
    const std::string row = "<vlan>" + key + "<tag>10</tag><ipForwarding>1</ipForwarding></vlan>";
    const std::string address =
        "<vlanIpAddress>" + key +
        "<ipaddress>10.0.0.1</ipaddress><netmask>8</netmask></vlanIpAddress>";
    script({cmOk(row, 2), cmOk(address), cmOk()});
    std::string out = generic("getRequest", vlan(""));
    EXPECT_EQ(sent(), (std::vector<std::string>{
                          "N <module_vlan><get><vlan/></get></module_vlan>",
                          "E <module_vlan><get><vlanIpAddress>" + key +
                              "</vlanIpAddress></get></module_vlan>",
                          "N <module_vlan><get><vlan>" + key + "</vlan></get></module_vlan>"}));
    EXPECT_EQ(objects(out),
              "<objects><object xsi:type=\"vlan:VlanConfig\">" + key +
                  "<tagValue>10</tagValue><ipForwarding>true</ipForwarding><count/><address>"
                  "<ip>10.0.0.1</ip><mask>8</mask></address></object></objects>");

    // Exact: request 0 failing fails the get; a further request failing leaves its
    // fields empty.
    gFake = FakePeers();
    script({cmStatus(0, "VLAN \"blue\" does not exist."), cmOk(address)});
    EXPECT_EQ(fault(generic("getRequest", vlan(key))), "VLAN \"blue\" does not exist.");
    EXPECT_EQ(gFake.cmCalls.size(), 1u);
    gFake = FakePeers();
    script({cmOk(row), cmStatus(0, "no address")});
    out = generic("getRequest", vlan(key));
    EXPECT_NE(objects(out).find("<tagValue>10</tagValue><ipForwarding>true</ipForwarding><count/>"
                                "<address><ip/><mask/></address>"),
              std::string::npos)
        << out;
}

TEST_F(GenericTest, AnObjectWithoutIndexFieldsIsReadInOneRound) {
    script({cmOk("<dm_system><sysName>sw1</sysName><uptime>5</uptime></dm_system>", 2)});
    std::string out = generic("getRequest", typed("system:SwitchInfo", "<sysName>sw1</sysName>"));
    EXPECT_EQ(sent(),
              std::vector<std::string>{"N <module_system><get><dm_system/></get></module_system>"});
    EXPECT_EQ(objects(out),
              "<objects><object xsi:type=\"system:SwitchInfo\"><sysName>sw1</sysName>"
              "<uptime>5</uptime></object></objects>");
}

TEST_F(GenericTest, WalksThatWouldNotEndFailInstead) {
    FakeCmReply notSent;
    notSent.sendResult = 0;
    FakeCmReply noData;
    noData.status = 1;
    struct Case {
        const char *what;
        std::string fields;
        std::vector<FakeCmReply> replies;
        size_t requests;
        const char *fault;
    };
    const char *internal = "Internal Server Error";
    const Case cases[] = {
        {"a reply that does not move the cursor", "", replies(cmOk(vrRow(1), 2), cmOk(vrRow(1), 2)),
         2, internal},
        {"more follow, but no object", "", replies(cmOk("", 2)), 1, internal},
        {"more follow after an exact get, for ever", "<name>vr2</name>",
         replies(cmOk(vrRow(2), 2), cmOk(vrRow(3), 2), cmOk(vrRow(3), 2)), 2, internal},
        // The next walk request would be the first again: it is not sent.
        {"a reply without the index", "", replies(cmOk("<vr><vrId>1</vrId></vr>", 2)), 1, internal},
        {"the configuration manager's failure", "", replies(cmOk(vrRow(1), 2), cmStatus(0, "gone")),
         2, "gone"},
        {"a failure without a message", "", replies(cmStatus(0)), 1, "Internal Error"},
        {"a damaged reply", "", replies(cmOk("<vr><name>", 2)), 1,
         "Internal Server Error : Could not parse response data"},
        {"nothing sent", "", replies(notSent), 1, "Unable to send message to cfgmgr."},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.what);
        gFake = FakePeers();
        script(c.replies);
        EXPECT_EQ(fault(generic("getRequest", vr(c.fields))), c.fault);
        EXPECT_EQ(gFake.cmCalls.size(), c.requests);
    }
}

TEST_F(GenericTest, AnswersLargerThanTheirBufferEndTheWalk) {
    // Each object carries 1 MB of description: seven fit in the answer's 8388508 bytes,
    // the eighth ends the walk.
    std::string big(1 << 20, 'x');
    gFake.cmAnswer = [&big](const FakeCmCall &) {
        int n = int(gFake.cmCalls.size());
        return cmOk("<vr><name>vr" + std::to_string(n) + "</name><description>" + big +
                        "</description></vr>",
                    2);
    };
    std::string out = generic("getRequest", vr(""));
    EXPECT_EQ(names(out).size(), 7u);
    EXPECT_EQ(gFake.cmCalls.size(), 8u);
    EXPECT_NE(out.find("</object></objects>"), std::string::npos);
}

// An object handler's get: the default sender, then an object of its own in place of
// the one the walk would write.
void writesItsOwnObjects(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
                         xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                         char **message, int *status, int *flags) {
    xmlFwkDefaultGet(soap, op, index, filter, reply, info, request, message, status, flags);
    if (*status && *message) {
        std::string own = "<object>" + std::string(*message).substr(10, 3) + "</object>";
        xmlFwkResultAppend(own.c_str());
        *flags |= XML_FWK_FLAG_SKIP;
    }
}

TEST_F(GenericTest, ObjectHandlersSendThroughTheDefaultsAndMayWriteObjects) {
    xmlFwkFree();
    // VirtualRouter (9) with a get of its own; its fill and set slots left empty get
    // the defaults.
    ASSERT_EQ(xmlFwkInitWith(dir_.c_str(),
                             [] { xmlFwkRegister(9, nullptr, writesItsOwnObjects, nullptr, 0); }),
              1);
    script(rows(1, 2));
    EXPECT_EQ(objects(generic("getRequest", vr(""))),
              "<objects><object>vr1</object><object>vr2</object></objects>");
    gFake = FakePeers();
    generic("setRequest", vr("<name>vr1</name><vrId>3</vrId>"));
    EXPECT_EQ(sent(), std::vector<std::string>{
                          "S "
                          "<module_vr><set><vr><rowStatus>configure</rowStatus><name>vr1</"
                          "name><vrId>3</vrId></vr></set></module_vr>"});
    EXPECT_EQ(xmlFwkResultAppend("<object/>"), -1);  // no get is being served
}

}  // namespace
