// The reader of our XML Schema files: the sets it refuses, with the reason. (What it
// reads from a good set is what the framework's tests over the installed metadata and
// over their hand-written schema stand on.)
#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "platform/xmldom_schema.h"

namespace {

xmlSchema_t *parseTexts(const std::vector<std::string> &texts, std::string *why = nullptr) {
    std::vector<xmlSchemaText_t> in;
    for (const std::string &t : texts) in.push_back({"t.xsd", t.data(), t.size()});
    char reason[512] = "";
    xmlSchema_t *s = xmlSchemaParseTexts(in.data(), int(in.size()), reason, sizeof reason);
    if (why) *why = reason;
    return s;
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
