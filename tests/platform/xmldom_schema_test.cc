// The reader of our XML Schema files: types and elements across files by namespace,
// extension order, inline types, references, facets and appinfo; and the refusals.
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/xmldom_schema.h"

namespace {

const char kCommon[] = R"(<schema xmlns="http://www.w3.org/2001/XMLSchema" xmlns:c="urn:c"
    targetNamespace="urn:c">
  <simpleType name="TrueFalse"><restriction base="string">
    <enumeration value="unknown"/><enumeration value="true"/><enumeration value="false"/>
  </restriction></simpleType>
  <simpleType name="Str"><restriction base="string"/></simpleType>
  <complexType name="Base"><sequence><element name="queryParameters" type="string"/></sequence>
  </complexType>
  <complexType name="Address">
    <annotation><appinfo><k>address</k></appinfo></annotation>
    <sequence><element name="ip" type="c:Str"/></sequence>
  </complexType>
  <element name="top" type="c:Str"/>
</schema>)";

const char kVlan[] = R"(<xsd:schema xmlns:xsd="http://www.w3.org/2001/XMLSchema"
    xmlns:x="urn:c" xmlns:v="urn:v" targetNamespace="urn:v">
  <xsd:complexType name="AccessObject"><xsd:choice>
    <xsd:element name="vlanConfig" type="v:VlanConfig"/>
  </xsd:choice></xsd:complexType>
  <xsd:complexType name="VlanConfig">
    <xsd:annotation><xsd:appinfo><module>vlan</module></xsd:appinfo></xsd:annotation>
    <xsd:complexContent><xsd:extension base="x:Base"><xsd:sequence>
      <xsd:element name="name" type="x:Str">
        <xsd:annotation><xsd:appinfo><access>INDEX</access></xsd:appinfo></xsd:annotation>
      </xsd:element>
      <xsd:choice><xsd:element name="enabled" type="x:TrueFalse"/></xsd:choice>
      <xsd:element name="addr" type="x:Address"/>
      <xsd:element name="inline"><xsd:complexType><xsd:sequence>
        <xsd:element name="n" type="xsd:int"/>
      </xsd:sequence></xsd:complexType></xsd:element>
      <xsd:element ref="x:top"/>
      <xsd:any/>
    </xsd:sequence></xsd:extension></xsd:complexContent>
    <xsd:attribute name="operation" type="xsd:string"/>
  </xsd:complexType>
  <xsd:simpleType name="TrueFalse"><xsd:restriction base="xsd:string">
    <xsd:enumeration value="on"/>
  </xsd:restriction></xsd:simpleType>
</xsd:schema>)";

xmlSchema_t *parseTexts(const std::vector<std::string> &texts, std::string *why = nullptr) {
    std::vector<xmlSchemaText_t> in;
    for (const std::string &t : texts) in.push_back({"t.xsd", t.data(), t.size()});
    char reason[512] = "";
    xmlSchema_t *s = xmlSchemaParseTexts(in.data(), int(in.size()), reason, sizeof reason);
    if (why) *why = reason;
    return s;
}

TEST(XmlSchema, ResolvesTypesAcrossFilesByNamespace) {
    std::string why;
    xmlSchema_t *s = parseTexts({kVlan, kCommon}, &why);  // references point forward too
    ASSERT_TRUE(s) << why;
    const xmlSchemaElement_t *vlan = xmlSchemaFindNode("vlanConfig", "AccessObject", s);
    ASSERT_TRUE(vlan);
    EXPECT_STREQ(xmlDomGetCharacterData(vlan->type->appinfo, "module", 0), "vlan");

    const xmlSchemaType_t *t = vlan->type;
    std::vector<std::string> names;
    for (int i = 0; i < t->childCount; i++) names.push_back(t->children[i]->name);
    // The base type's elements first; the wildcard is no element.
    EXPECT_EQ(names, (std::vector<std::string>{"queryParameters", "name", "enabled", "addr",
                                               "inline", "top"}));
    const xmlSchemaElement_t *name = t->children[1], *enabled = t->children[2];
    const xmlSchemaElement_t *addr = t->children[3], *inl = t->children[4];
    EXPECT_STREQ(xmlDomGetCharacterData(name->appinfo, "access", 0), "INDEX");
    // x:TrueFalse is the one of urn:c, not urn:v's type of the same name.
    ASSERT_EQ(enabled->type->enumCount, 3);
    EXPECT_STREQ(enabled->type->enumValues[1], "true");
    EXPECT_STREQ(xmlDomGetCharacterData(addr->type->appinfo, "k", 0), "address");
    EXPECT_STREQ(inl->type->name, "");
    EXPECT_EQ(inl->type->children[0]->type, nullptr);  // built in
    EXPECT_EQ(xmlSchemaFindNode("top", nullptr, s), t->children[5]);
    xmlSchemaFree(s);
}

TEST(XmlSchema, RefusesDamagedSetsWithTheReason) {
    auto schema = [](const std::string &body) {
        return "<schema xmlns='http://www.w3.org/2001/XMLSchema' xmlns:t='urn:t' "
               "targetNamespace='urn:t'>" +
               body + "</schema>";
    };
    auto holder = [](const std::string &type) {
        return "<complexType name='H'><sequence><element name='e' type='" + type +
               "'/></sequence></complexType>";
    };
    const std::string longName(XML_SCHEMA_NAME_MAX + 1, 'n');
    struct {
        std::vector<std::string> texts;
        const char *why;
    } cases[] = {
        {{"<a/>"}, "not a schema"},
        {{schema(holder("t:Missing"))}, "unknown type t:Missing (of e)"},
        {{schema(holder("string") + holder("string"))}, "type H is defined twice"},
        {{schema(holder("t:H"))}, "type H contains itself"},
        {{schema("<complexType name='A'><sequence><element name='b' type='t:B'/></sequence>"
                 "</complexType>"),
          schema("<complexType name='B'><sequence><element name='a'><complexType><sequence>"
                 "<element name='x' type='t:A'/></sequence></complexType></element></sequence>"
                 "</complexType>")},
         "contains itself"},
        {{schema(holder("t:" + longName))}, "longer than 199"},
    };
    for (auto &c : cases) {
        SCOPED_TRACE(c.texts[0].substr(0, 120));
        std::string why;
        EXPECT_EQ(parseTexts(c.texts, &why), nullptr);
        EXPECT_NE(why.find(c.why), std::string::npos) << why;
    }
    const char *missing[] = {"", "none.xsd"};
    char why[256] = "";
    EXPECT_EQ(xmlSchemaParse(missing, 2, "/nonexistent", why, sizeof why), nullptr);
    EXPECT_STREQ(why, "none.xsd: cannot be read or is not well-formed XML");
}

}  // namespace
