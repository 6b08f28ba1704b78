// The object metadata the build installs, read by the daemon's registry and held against
// cfgmgr's catalogue and store: every external object is described, and every internal
// object it reads from is there to answer.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <tuple>
#include <vector>

#include "cfgmgr/catalogue.h"
#include "cfgmgr/persist.h"
#include "cfgmgr/store.h"
#include "cmclient/cm.h"
#include "framework/xmlfwk_registry.h"
#include "framework/xmlfwk_tables.h"

namespace {

const char kMetadataDir[] = WSVD_DATA_DIR "/config/www/api/xsd";

struct Holder {
    std::string module, object;
    bool operator<(const Holder &o) const {
        return std::tie(module, object) < std::tie(o.module, o.object);
    }
};

class Metadata : public ::testing::Test {
protected:
    static void SetUpTestSuite() {
        ASSERT_EQ(xmlFwkInit(kMetadataDir), 1);
        std::vector<cfgCatalogueFile> files;
        std::string why;
        ASSERT_EQ(cfgCatalogueFiles(WSVD_DATA_DIR "/cfgmgr", &files, &why), 0) << why;
        ASSERT_EQ(cfgCatalogueParse(files, &catalogue_, &why), 0) << why;
    }
    static void TearDownTestSuite() { xmlFwkFree(); }
    static bool declared(const std::string &name) {
        for (const cfgObjectDecl &o : catalogue_.objects)
            if (o.name == name) return true;
        return false;
    }
    static cfgCatalogue catalogue_;
};
cfgCatalogue Metadata::catalogue_;

// The internal objects that the fields a get reads come from. (The generator refuses,
// at every build, metadata whose objects, fields or codes the catalogue does not hold.)
void readFrom(const xmlFwkFieldList_t *list, Holder holder, std::set<Holder> *read) {
    for (int i = 0; list && i < list->count; i++) {
        const xmlFwkFieldDesc_t *d = list->fields[i];
        const char *access = xmlFwkFieldMeta(d, "access");
        if (!access || !*access) continue;
        Holder h = holder;
        if (const char *object = xmlFwkFieldMeta(d, "internalObject")) {
            h.object = object;
            h.module = xmlFwkFieldMeta(d, "module") ?: "";
        }
        if (d->kind == XML_FWK_KIND_SEQUENCE)
            readFrom(d->nested, h, read);
        else if (strstr(access, "READ"))
            read->insert(h);
    }
}

// Every object with a schema type is described; the one without (the licence) is not.
// The registry's fixed table of internal objects names objects the store declares.
TEST_F(Metadata, ObjectsAndInternalObjectsAreDescribedAndDeclared) {
    for (const xmlFwkObjectRow_t *r = xmlFwkObjectTable; r->objectId != -1; r++) {
        xmlFwkObjectInfo_t *info = xmlFwkGetObjectInfo(r->name, XML_FWK_CONTAINER);
        EXPECT_EQ(info != nullptr, r->soapType != XML_FWK_NO_SOAP_TYPE) << r->name;
    }
    for (const xmlFwkInternalObjectRow_t *r = xmlFwkInternalObjectTable; r->id != -1; r++)
        EXPECT_TRUE(declared(r->name)) << r->name;
}

// The store answers a walk of every internal object the metadata reads from: its
// views compute their rows for any request and its tables are there. The SSH server's
// object is the exception: this switch has none, and its object answers as on such a
// switch.
TEST_F(Metadata, EveryObjectReadFromAnswersAWalk) {
    std::string why;
    ASSERT_EQ(cfgStoreInit(WSVD_DATA_DIR "/cfgmgr", &why), 0) << why;
    ASSERT_EQ(cfgApplyFactory(&why), 0) << why;
    std::set<Holder> read;
    for (const xmlFwkObjectRow_t *r = xmlFwkObjectTable; r->objectId != -1; r++) {
        xmlFwkObjectInfo_t *info = xmlFwkGetObjectInfo(r->name, XML_FWK_CONTAINER);
        if (!info) continue;
        readFrom(info->fields,
                 {xmlFwkGetMeta(info->typeInfo.appinfo, "module", nullptr) ?: "",
                  xmlFwkGetMeta(info->typeInfo.appinfo, "internalObject", nullptr) ?: ""},
                 &read);
    }
    EXPECT_GT(read.size(), 70u);
    for (const auto &[module, object] : read) {
        if (object == "kasshd") continue;
        std::string text =
            "<module_" + module + "><get><" + object + "/></get></module_" + module + ">";
        cfgReply_t reply = cfgStoreHandle(CM_GET_NEXT, text.c_str());
        EXPECT_NE(reply.status, 0u) << text << ": " << reply.message;
    }
}

}  // namespace
