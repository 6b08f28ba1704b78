// Object information over schemas whose shared types would multiply descriptors without
// bound.
#include <gtest/gtest.h>

#include <string>

#include "framework/xmlfwk_info.h"
#include "framework/xmlfwk_registry.h"

namespace {

TEST(SchemaFiles, SharedTypesCannotMultiplyDescriptorsWithoutBound) {
    // Each level holds the next twice: 2^20 descriptors if nothing stopped it.
    std::string text =
        "<schema xmlns='http://www.w3.org/2001/XMLSchema' xmlns:t='urn:t' targetNamespace='urn:t'>"
        "<complexType name='AccessObject'><sequence><element name='wide' type='t:T0'/>"
        "</sequence></complexType>";
    for (int i = 0; i < 20; i++)
        text += "<complexType name='T" + std::to_string(i) +
                "'><sequence><element name='a' type='t:T" + std::to_string(i + 1) +
                "'/><element name='b' type='t:T" + std::to_string(i + 1) +
                "'/></sequence></complexType>";
    text +=
        "<complexType name='T20'><sequence><element name='v' type='string'/></sequence>"
        "</complexType></schema>";
    xmlSchemaText_t in = {"wide.xsd", text.data(), text.size()};
    xmlSchema_t *schema = xmlSchemaParseTexts(&in, 1);
    ASSERT_TRUE(schema);
    EXPECT_EQ(xmlFwkBuildObjectInfo(schema, "Wide", XML_FWK_CONTAINER), nullptr);
    xmlSchemaFree(schema);
}

}  // namespace
