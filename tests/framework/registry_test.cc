// The object information registry over a small hand-written schema and value mapper: the
// fixed tables, start-up, value lists built from clients and filled from replies, and
// value translation.
#include <gtest/gtest.h>

#include <unistd.h>

#include <set>
#include <string>
#include <vector>

#include "framework/xmlfwk_defaults.h"
#include "framework/xmlfwk_registry.h"
#include "framework/xmlfwk_tables.h"
#include "soapStub.h"
#include "tests/framework/generic_schema.h"
#include "tests/support/scratch.h"

namespace {

const char kMapper[] = R"(<valueMapper>
  <PortConfig>
    <speed>
      <platform type="Default"><map north="10" south="1"/></platform>
      <platform><map north="x" south="y"/></platform>
      <platform type="Default"><map north="100" south="2"/><map north="AUTO" south="default"/>
      </platform>
    </speed>
    <state><platform type="Default"><map north="down" south="1"/></platform>
      <platform type="i386"><map north="up" south="1"/></platform></state>
  </PortConfig>
  <VlanConfig><state><platform type="i386"><map north="on" south="1"/></platform></state>
  </VlanConfig>
</valueMapper>)";

class Registry : public ::testing::Test {
protected:
    void SetUp() override {
        writeFile(dir_ / "objects.xsd", kGenericSchema);
        writeFile(dir_ / "valueMapper.xml", kMapper);
        writeFile(dir_ / "xsdlist.lst", "objects.xsd\n");
    }
    void TearDown() override { xmlFwkFree(); }
    xmlFwkObjectInfo_t *init(const char *object) {
        EXPECT_EQ(xmlFwkInit(dir_.c_str()), 1);
        return xmlFwkGetObjectInfo(object, XML_FWK_CONTAINER);
    }
    ScratchDir dir_{"xmlfwk"};
    ScopedEnv env_;
};

struct ListFree {
    void operator()(xmlFwkValueList_t *l) const { xmlFwkListFree(l); }
};
using List = std::unique_ptr<xmlFwkValueList_t, ListFree>;

struct DocFree {
    void operator()(xmlDomNode_t *n) const { xmlDomFreeNode(n); }
};
using Doc = std::unique_ptr<xmlDomNode_t, DocFree>;

Doc parse(const std::string &text, bool indexed = false) {
    return Doc(indexed ? xmlDomParseXmlDataFastSearch(text.data(), text.size())
                       : xmlDomParseXmlData(text.data(), text.size()));
}

List build(const xmlFwkFieldList_t *fields, xmlDomNode_t *node, int op, int presentOnly = 0) {
    List l(xmlFwkListNew());
    EXPECT_EQ(xmlFwkBuildValueList(node, op, fields, l.get(), presentOnly), 0);
    return l;
}

std::vector<std::string> recordNames(const xmlFwkValueList_t *l) {
    std::vector<std::string> out;
    for (int i = 0; i < l->count; i++) out.push_back(l->records[i].extName);
    return out;
}

const char *text(xmlFwkValueList_t *l, const char *name) {
    return static_cast<const char *>(xmlFwkListValueOf(l, name, XML_FWK_VALUE_TEXT));
}

// The object table is written by hand against the generated SOAP type numbers: each
// type is one object's, found back by its number.
TEST(RegistryTables, ObjectsFollowTheGeneratedTypeNumbers) {
    std::set<int> soapTypes;
    for (const xmlFwkObjectRow_t *r = xmlFwkObjectTable; r->objectId != -1; r++) {
        if (r->soapType == XML_FWK_NO_SOAP_TYPE) continue;
        EXPECT_TRUE(soapTypes.insert(r->soapType).second) << r->name;
        EXPECT_STREQ(xmlFwkNameBySoapType(r->soapType), r->name);
        EXPECT_EQ(xmlFwkObjectRow(r->objectId), r);
    }
}

TEST_F(Registry, InitFailsWithoutAListThatNamesReadableFiles) {
    const std::string longLine = std::string(80, 'x') + "\n";
    struct {
        const char *list;  // nullptr: no list file
        const char *why;
    } cases[] = {
        {nullptr, "no list"},
        {"objects.xsd\nmissing.xsd\n", "a missing file"},
        {longLine.c_str(), "a name over 79 characters"},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.why);
        unlink((dir_ / "xsdlist.lst").c_str());
        if (c.list) writeFile(dir_ / "xsdlist.lst", c.list);
        EXPECT_EQ(xmlFwkInit(dir_.c_str()), 0);
        EXPECT_EQ(xmlFwkCallbackList(), nullptr);
        EXPECT_EQ(xmlFwkSchema(), nullptr);
    }
}

TEST_F(Registry, ValueListsSelectFieldsByOperationAndAccess) {
    xmlFwkObjectInfo_t *vlan = init("VlanConfig");
    ASSERT_TRUE(vlan);
    Doc doc = parse("<vlanConfig><name>blue</name></vlanConfig>");
    xmlDomNode_t *object = xmlDomGetFirstChild(doc.get());
    using Names = std::vector<std::string>;
    struct {
        int op, presentOnly;
        Names selected;
    } cases[] = {
        {XML_FWK_OP_GET,
         0,
         {"queryParameters", "vrName", "name", "tagValue", "ipForwarding", "count", "address"}},
        {XML_FWK_OP_GET, 1, {"name"}},
        {XML_FWK_OP_SET, 0, {"vrName", "name", "tagValue", "ipForwarding", "secret", "address"}},
        {XML_FWK_OP_CREATE,
         0,
         {"queryParameters", "vrName", "name", "tagValue", "ipForwarding", "count", "secret",
          "address"}},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.op * 10 + c.presentOnly);
        EXPECT_EQ(recordNames(build(vlan->fields, object, c.op, c.presentOnly).get()), c.selected);
    }
}

TEST_F(Registry, ValueListsCarryValues) {
    xmlFwkObjectInfo_t *vlan = init("VlanConfig");
    ASSERT_TRUE(vlan);
    Doc doc = parse(
        "<vlanConfig><name>blue</name><tagValue/><address><ip>1.1.1.1</ip></address>"
        "</vlanConfig>");
    List l = build(vlan->fields, xmlDomGetFirstChild(doc.get()), XML_FWK_OP_CREATE);
    EXPECT_STREQ(text(l.get(), "name"), "blue");
    xmlFwkValue_t *address = xmlFwkListFind(l.get(), "address");
    ASSERT_EQ(address->kind, XML_FWK_VALUE_LIST);
    EXPECT_EQ(address->value.list->records[0].intObject, nullptr);  // not inherited
    EXPECT_STREQ(text(address->value.list, "ip"), "1.1.1.1");

    // Repeated: one instance each, the empty one dropped. Absent: listed, without values.
    Doc many = parse(
        "<vlanConfig><address><ip>a</ip></address><address/><address><mask>m</mask></address>"
        "</vlanConfig>");
    List m = build(vlan->fields, xmlDomGetFirstChild(many.get()), XML_FWK_OP_SET);
    auto *array = static_cast<xmlFwkValueArray_t *>(
        xmlFwkListValueOf(m.get(), "address", XML_FWK_VALUE_ARRAY));
    ASSERT_TRUE(array);
    ASSERT_EQ(array->count, 2);
    EXPECT_STREQ(text(array->lists[1], "mask"), "m");
}

TEST_F(Registry, RepliesFillByInternalNameAndOnlyUnambiguously) {
    xmlFwkObjectInfo_t *vlan = init("VlanConfig");
    ASSERT_TRUE(vlan);
    const std::string reply =
        "<reply><vlan><name>blue</name><tag>10</tag><portCount>3</portCount><ipaddress>1.1.1.1"
        "</ipaddress><netmask/></vlan><vlan><portCount>4</portCount></vlan></reply>";
    for (bool indexed : {true, false}) {
        SCOPED_TRACE(indexed);
        Doc doc = parse(reply, indexed);
        xmlDomNode_t *first = xmlDomFindNode("vlan", 0, doc.get());
        List l = build(vlan->fields, nullptr, XML_FWK_OP_GET);
        xmlFwkValueSetText(xmlFwkListFind(l.get(), "name"), "kept");
        xmlFwkFillFromReply("VlanConfig", l.get(), first, 0, indexed ? doc.get() : nullptr);
        EXPECT_STREQ(text(l.get(), "name"), "kept");  // no overwrite
        EXPECT_STREQ(text(l.get(), "tagValue"), "10");
        // "portCount" occurs twice in the reply: the index does not take it.
        EXPECT_STREQ(text(l.get(), "count"), indexed ? nullptr : "3");
        auto *address = static_cast<xmlFwkValueList_t *>(
            xmlFwkListValueOf(l.get(), "address", XML_FWK_VALUE_LIST));
        EXPECT_STREQ(text(address, "ip"), "1.1.1.1");  // nested fields read the same reply
        EXPECT_STREQ(text(address, "mask"), "");
        xmlFwkFillFromReply("VlanConfig", l.get(), first, 1, nullptr);
        EXPECT_STREQ(text(l.get(), "name"), "blue");
    }
}

TEST_F(Registry, PortListsJoinSlotAndPortUnlessTheSwitchHasNoSlots) {
    xmlFwkObjectInfo_t *port = init("PortConfig");
    ASSERT_TRUE(port);
    struct {
        const char *reply, *platform, *expected;
    } cases[] = {
        {"<ports><slot>2</slot><port>5</port></ports>", "2", "2:5"},
        {"<ports><slot>2</slot><port>5</port></ports>", "1", "5"},
        {"<ports><speed>2</speed></ports>", "2", nullptr},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.reply);
        env_.set("KARN_PLATFORM_TYPE", c.platform);
        Doc doc = parse(c.reply);
        List l = build(port->fields, nullptr, XML_FWK_OP_GET);
        ASSERT_EQ(xmlFwkListFind(l.get(), "portList")->special, 1);
        xmlFwkFillFromReply("PortConfig", l.get(), xmlDomGetFirstChild(doc.get()), 0, nullptr);
        EXPECT_STREQ(text(l.get(), "portList"), c.expected);
    }
}

TEST_F(Registry, EnumerationsAndTheValueMapperTranslateBothWays) {
    xmlFwkObjectInfo_t *port = init("PortConfig");
    xmlFwkObjectInfo_t *vlan = xmlFwkGetObjectInfo("VlanConfig", XML_FWK_CONTAINER);
    ASSERT_TRUE(port && vlan);
    struct {
        xmlFwkObjectInfo_t *object;
        const char *field, *value;
        int direction;
        const char *expected;
    } cases[] = {
        {vlan, "ipForwarding", "true", XML_FWK_TO_INTERNAL, "1"},
        {vlan, "ipForwarding", "0", XML_FWK_TO_EXTERNAL, "false"},
        {vlan, "ipForwarding", "maybe", XML_FWK_TO_INTERNAL, "maybe"},
        {port, "speed", "100", XML_FWK_TO_INTERNAL, "2"},  // the last "Default" element
        {port, "speed", "2", XML_FWK_TO_EXTERNAL, "100"},
        {port, "speed", "9", XML_FWK_TO_EXTERNAL, "AUTO"},  // south "default"
        {port, "speed", "", XML_FWK_TO_EXTERNAL, "unknown"},
        {port, "state", "1", XML_FWK_TO_EXTERNAL, "up"},  // the object's own, the platform's
    };
    for (auto &c : cases) {
        SCOPED_TRACE(std::string(c.field) + "=" + c.value);
        List l = build(c.object->fields, nullptr, XML_FWK_OP_CREATE);
        xmlFwkValueSetText(xmlFwkListFind(l.get(), c.field), c.value);
        xmlFwkMapValues(c.object->name, l.get(), c.direction, XML_FWK_OP_SET);
        EXPECT_STREQ(text(l.get(), c.field), c.expected);
    }
    // A field mapped for two objects is not guessed without the object.
    EXPECT_EQ(xmlFwkValueMapperFind(xmlFwkValueMapper(), "state", nullptr), nullptr);
    EXPECT_TRUE(xmlFwkValueMapperFind(xmlFwkValueMapper(), "speed", nullptr));
}

TEST_F(Registry, ValueTypesConvertOnSetsButNotOnGetFilters) {
    xmlFwkObjectInfo_t *vlan = init("VlanConfig");
    ASSERT_TRUE(vlan);
    for (int op : {XML_FWK_OP_GET, XML_FWK_OP_SET}) {
        List l = build(vlan->fields, nullptr, XML_FWK_OP_CREATE);
        xmlFwkValue_t *secret = xmlFwkListFind(l.get(), "secret");
        xmlFwkValueSetText(secret, "ab");
        xmlFwkMapValues("VlanConfig", l.get(), XML_FWK_TO_INTERNAL, op);
        EXPECT_STREQ(secret->value.text, op == XML_FWK_OP_SET ? "61:62" : "ab");
    }
    struct {
        int from, to;
        const char *value, *expected;
    } cases[] = {
        {XML_FWK_TYPE_OCTET, XML_FWK_TYPE_STRING, "61:62", "ab"},
        {XML_FWK_TYPE_OCTET, XML_FWK_TYPE_STRING, "61:00", "61:00"},  // not a text
        {XML_FWK_TYPE_STRING, XML_FWK_TYPE_PASSWORD, "secret", "*********"},
        {XML_FWK_TYPE_OCTET, XML_FWK_TYPE_TCP_ADDRESS, "0a:00:00:01:00:a1", "10.0.0.1:161"},
        {XML_FWK_TYPE_INT, XML_FWK_TYPE_NETMASK, "24", "255.255.255.0"},
        {XML_FWK_TYPE_INT, XML_FWK_TYPE_NETMASK, "33", "33"},
        {XML_FWK_TYPE_NETMASK, XML_FWK_TYPE_INT, "255.255.240.0", "20"},
        {XML_FWK_TYPE_NETMASK, XML_FWK_TYPE_INT, "255.0.255.0", "255.0.255.0"},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.value);
        xmlFwkValue_t record{};
        record.kind = XML_FWK_VALUE_TEXT;
        record.value.text = xmlStrdup(c.value);
        xmlFwkConvertType(c.from, c.to, &record);
        EXPECT_STREQ(record.value.text, c.expected);
        xmlFree(record.value.text);
    }
}

}  // namespace
