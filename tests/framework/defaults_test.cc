// The default fill builder and request nodes as object handlers build them, and the
// framework's trace of what it sends.
#include "framework/xmlfwk_defaults.h"
#include "framework/xmlfwk_tables.h"
#include "platform/ems.h"
#include "tests/framework/generic_fixture.h"

namespace {

struct NodeFree {
    void operator()(xmlDomNode_t *n) const { xmlDomFreeNode(n); }
};
using Node = std::unique_ptr<xmlDomNode_t, NodeFree>;
struct ListFree {
    void operator()(xmlFwkValueList_t *l) const { xmlFwkListFree(l); }
};
using List = std::unique_ptr<xmlFwkValueList_t, ListFree>;

std::string xml(const xmlDomNode_t *n) {
    char out[2048];
    return n && xmlDomBuildXmlData(n, out, sizeof out, XML_DOM_WRITE_COMPACT) >= 0 ? out : "(none)";
}

xmlFwkValue_t textRecord(const char *intName, const char *value) {
    xmlFwkValue_t r{};
    r.kind = XML_FWK_VALUE_TEXT;
    r.intName = const_cast<char *>(intName);
    r.value.text = const_cast<char *>(value);
    return r;
}

TEST(DefaultFill, WhatEachOpAdds) {
    struct Case {
        int op;
        const char *value;  // nullptr: absent
        bool record;
        const char *expected;
    };
    const Case cases[] = {
        {2, "5", true, "<f>5</f>"},
        {2, nullptr, true, "<f/>"},
        {3, nullptr, true, ""},
        {4, "", true, "<f/>"},
        {5, "5", true, ""},
        {6, "5", true, "<rowStatus>configure</rowStatus><f>5</f>"},
        {6, nullptr, false, "<rowStatus>configure</rowStatus>"},
        {9, "5", true, ""},
    };
    for (const Case &c : cases) {
        SCOPED_TRACE(c.op);
        Node parent(xmlDomCreateElement("o"));
        xmlFwkValue_t r = textRecord("f", c.value);
        xmlFwkDefaultFill(parent.get(), c.op, c.record ? &r : nullptr, nullptr, "o", "O", nullptr);
        std::string out = xml(parent.get());
        EXPECT_EQ(out == "<o/>" ? "" : out.substr(3, out.size() - 7), c.expected);
    }
}

TEST_F(GenericTest, RequestNodesAsHandlersBuildThem) {
    xmlFwkObjectInfo_t *info = xmlFwkGetObjectInfo("VirtualRouter", XML_FWK_CONTAINER);
    ASSERT_TRUE(info);
    List index(xmlFwkListNew());
    ASSERT_EQ(xmlFwkBuildValueList(nullptr, XML_FWK_OP_SET, info->indexFields, index.get(), 0), 0);
    xmlFwkValueSetText(&index->records[0], "a&b");

    Node set(xmlFwkBuildModuleRequest("vr", "vr", "VirtualRouter", 7, index.get(), nullptr, info));
    EXPECT_EQ(xml(set.get()),
              "<module_vr><set><vr><rowStatus>create</rowStatus><name>a&amp;b</name>"
              "</vr></set></module_vr>");
    // An empty list asks the fill builder once, without a record.
    List none(xmlFwkListNew());
    Node single(xmlFwkBuildModuleRequest("system", "dm_system", "VirtualRouter", 6, none.get(),
                                         nullptr, info));
    EXPECT_EQ(xml(single.get()),
              "<module_system><set><dm_system><rowStatus>configure</rowStatus></dm_system></set>"
              "</module_system>");

    // Values typed differently inside are converted for gets; a set's values were
    // converted when its lists were mapped.
    List typed(xmlFwkListNew());
    xmlFwkValue_t secret = textRecord("f", "ab");
    secret.extType = XML_FWK_TYPE_STRING;
    secret.intType = XML_FWK_TYPE_OCTET;
    ASSERT_EQ(xmlFwkListAppendCopy(typed.get(), &secret), 0);
    Node get(xmlFwkBuildModuleRequest("vr", "vr", "VirtualRouter", 2, typed.get(), nullptr, info));
    EXPECT_EQ(xml(get.get()), "<module_vr><get><vr><f>61:62</f></vr></get></module_vr>");
    EXPECT_STREQ(typed->records[0].value.text, "ab");
    Node put(xmlFwkBuildModuleRequest("vr", "vr", "VirtualRouter", 6, typed.get(), nullptr, info));
    EXPECT_EQ(
        xml(put.get()),
        "<module_vr><set><vr><rowStatus>configure</rowStatus><f>ab</f></vr></set></module_vr>");

    EXPECT_FALSE(xmlFwkBuildModuleRequest(std::string(100, 'm').c_str(), "vr", "VirtualRouter", 2,
                                          index.get(), nullptr, info));
    Node longest(xmlFwkBuildModuleRequest(std::string(99, 'm').c_str(), "vr", "VirtualRouter", 5,
                                          index.get(), nullptr, info));
    EXPECT_TRUE(longest);
    EXPECT_FALSE(xmlFwkBuildModuleRequest("vr", "not a name", "VirtualRouter", 2, index.get(),
                                          nullptr, info));
}

TEST_F(GenericTest, TheTraceShowsRequestsWithoutPasswords) {
    initXmlFwkLog();
    script({cmOk()});
    wsvdRequest r{};
    r.seqnum = 7;
    r.answer = &answer_;
    gFake.active = &r;
    char *message = nullptr;
    int status = 0;
    xmlFwkSendToCfgmgr(&r, "aaa", CM_OP_SET, CM_GET_NEXT,
                       "<module_aaa><set><account><name>bob</name><password>s3cret</password>"
                       "<authPassword >t0p</authPassword></account></set></module_aaa>",
                       &message, &status);
    gFake.active = nullptr;
    EXPECT_EQ(status, 1);
    EXPECT_EQ(message, nullptr);
    ASSERT_EQ(gFake.cmCalls.size(), 1u);
    EXPECT_EQ(gFake.cmCalls[0].module, "aaa");
    std::string trace = emsTraceText(xmlFwkLog());
    EXPECT_NE(trace.find("<name>bob</name><password>*****</password><authPassword >*****"
                         "</authPassword>"),
              std::string::npos)
        << trace;
    EXPECT_EQ(trace.find("s3cret"), std::string::npos);
}

}  // namespace
