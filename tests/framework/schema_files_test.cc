// Object information over schema files as generated for the SOAP service, and over
// schemas whose shared types would multiply descriptors without bound.
#include <gtest/gtest.h>

#include <dirent.h>

#include <string>
#include <vector>

#include "framework/xmlfwk_info.h"
#include "framework/xmlfwk_registry.h"
#include "framework/xmlfwk_tables.h"

namespace {

TEST(SchemaFiles, TheGeneratedSchemaDescribesEveryObjectButTheLicense) {
    std::vector<std::string> files;
    if (DIR *d = opendir(WSVD_SOAP_SCHEMA_DIR)) {
        while (dirent *e = readdir(d))
            if (std::string name = e->d_name; name.size() > 4 && name.ends_with(".xsd"))
                files.push_back(name);
        closedir(d);
    }
    ASSERT_FALSE(files.empty());
    std::vector<const char *> names;
    for (const std::string &f : files) names.push_back(f.c_str());
    char why[512] = "";
    xmlSchema_t *schema =
        xmlSchemaParse(names.data(), int(names.size()), WSVD_SOAP_SCHEMA_DIR, why, sizeof why);
    ASSERT_TRUE(schema) << why;
    for (const xmlFwkObjectRow_t *r = xmlFwkObjectTable; r->objectId != -1; r++) {
        SCOPED_TRACE(r->name);
        xmlFwkObjectInfo_t *info = xmlFwkBuildObjectInfo(schema, r->name, XML_FWK_CONTAINER);
        EXPECT_EQ(info != nullptr, r->soapType != XML_FWK_NO_SOAP_TYPE);
        if (info) {
            EXPECT_GT(info->fields->count, 1);  // queryParameters and its own
        }
        xmlFwkFreeObjectInfo(info);
    }
    xmlSchemaFree(schema);
}

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
