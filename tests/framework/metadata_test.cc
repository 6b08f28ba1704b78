// The object metadata the build installs, read by the daemon's registry and held against
// cfgmgr's catalogue as the store reads it: every external object is described, every
// field of every object is mapped onto a field the store declares (or says why it is
// not), every request's index fields are fields of the objects it goes to, and every
// internal code the daemon sends for an enumeration is a value the store takes.
#include <gtest/gtest.h>

#include <cstring>
#include <set>
#include <string>
#include <vector>

#include "cfgmgr/catalogue.h"
#include "cfgmgr/persist.h"
#include "cfgmgr/store.h"
#include "cfgmgr/types.h"
#include "cmclient/cm.h"
#include "framework/xmlfwk_registry.h"
#include "framework/xmlfwk_tables.h"

namespace {

const char kMetadataDir[] = WSVD_DATA_DIR "/config/www/api/xsd";

struct Holder {
    std::string module, object;
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

    static const cfgObjectDecl *declared(const Holder &h) {
        for (const cfgObjectDecl &o : catalogue_.objects)
            if (o.module == h.module && o.name == h.object) return &o;
        return nullptr;
    }

    static cfgCatalogue catalogue_;
};
cfgCatalogue Metadata::catalogue_;

// Walks an object's fields with the internal object each belongs to, noting what does
// not hold together.
class Checker {
public:
    Checker(const char *object, const cfgObjectDecl *(*declared)(const Holder &))
        : object_(object), declared_(declared) {}

    void fields(const xmlFwkFieldList_t *list, const Holder &holder) {
        for (int i = 0; list && i < list->count; i++) field(list->fields[i], holder);
    }
    const std::vector<std::string> &problems() const { return problems_; }
    const std::set<std::pair<std::string, std::string>> &holders() const { return holders_; }
    // The internal objects of the fields a get reads.
    const std::set<std::pair<std::string, std::string>> &read() const { return read_; }

private:
    void field(const xmlFwkFieldDesc_t *d, Holder holder) {
        std::string where = std::string(object_) + "." + d->name;
        const char *access = xmlFwkFieldMeta(d, "access");
        if (!access) return problem(where + " is neither mapped nor said not to be");
        if (!*access) {
            const char *reason = xmlDomGetAttributeValue(d->nameinfo, "reason");
            if (!reason || !*reason) problem(where + " is not mapped and says not why");
            return;
        }
        if (const char *object = xmlFwkFieldMeta(d, "internalObject")) {
            holder.object = object;
            const char *module = xmlFwkFieldMeta(d, "module");
            if (!module)
                return problem(where + " names internal object " + object + " without its module");
            holder.module = module;
        }
        if (d->kind == XML_FWK_KIND_SEQUENCE) return fields(d->nested, holder);
        if (strcmp(access, "QUERY") == 0) return;
        holders_.emplace(holder.module, holder.object);
        if (strstr(access, "READ")) read_.emplace(holder.module, holder.object);
        const cfgObjectDecl *o = declared_(holder);
        if (!o)
            return problem(where + ": the catalogue has no " + holder.module + "/" + holder.object);
        const char *variable = xmlFwkFieldMeta(d, "variable");
        std::string variables = variable ? variable : d->name;
        for (size_t at = 0; at <= variables.size();) {
            size_t comma = variables.find(',', at);
            if (comma == std::string::npos) comma = variables.size();
            std::string name = variables.substr(at, comma - at);
            at = comma + 1;
            int f = o->field(name);
            if (f < 0) {
                problem(where + ": " + holder.object + " has no field " + name);
            } else {
                codesFit(d, where, o->fields[size_t(f)]);
            }
        }
    }

    // The internal codes of an enumerated field are values of the store's field.
    void codesFit(const xmlFwkFieldDesc_t *d, const std::string &where, const cfgFieldDecl &f) {
        std::vector<std::string> codes;
        if (const xmlFwkMapField_t *m =
                xmlFwkValueMapperFind(xmlFwkValueMapper(), d->name, object_)) {
            for (int i = 0; i < m->pairCount; i++)
                if (m->pairs[i].south && strcmp(m->pairs[i].south, "default") != 0)
                    codes.push_back(m->pairs[i].south);
        } else if (const xmlFwkEnumRow_t *e = xmlFwkEnumRow(d->enumType)) {
            for (int i = 0; i < XML_FWK_ENUM_PAIRS && e->pairs[i].internal; i++)
                codes.push_back(e->pairs[i].internal);
        }
        for (const std::string &code : codes) {
            std::string canonical;
            uint64_t order;
            if (cfgTypeRead(*f.type, code, &canonical, &order) != 0)
                problem(where + ": the store's " + f.name + " (" + f.type->name +
                        ") does not take " + code);
        }
    }

    void problem(const std::string &what) { problems_.push_back(what); }

    const char *object_;
    const cfgObjectDecl *(*declared_)(const Holder &);
    std::vector<std::string> problems_;
    std::set<std::pair<std::string, std::string>> holders_, read_;
};

TEST_F(Metadata, EveryObjectIsMappedOntoTheStore) {
    std::vector<std::string> problems;
    for (const xmlFwkObjectRow_t *r = xmlFwkObjectTable; r->objectId != -1; r++) {
        xmlFwkObjectInfo_t *info = xmlFwkGetObjectInfo(r->name, XML_FWK_CONTAINER);
        // An object without a schema type (the licence) is not supported; all others are.
        EXPECT_EQ(info != nullptr, r->soapType != XML_FWK_NO_SOAP_TYPE) << r->name;
        if (!info) continue;
        Holder main{xmlFwkGetMeta(info->typeInfo.appinfo, "module", nullptr) ?: "",
                    xmlFwkGetMeta(info->typeInfo.appinfo, "internalObject", nullptr) ?: ""};
        if (!declared(main)) {
            problems.push_back(std::string(r->name) + ": the catalogue has no " + main.module +
                               "/" + main.object);
            continue;
        }
        Checker check(r->name, declared);
        check.fields(info->fields, main);
        problems.insert(problems.end(), check.problems().begin(), check.problems().end());
        // Every request of the object carries its index fields, whatever it asks for.
        for (const auto &[module, object] : check.holders()) {
            const cfgObjectDecl *o = declared({module, object});
            for (int i = 0; o && i < info->indexFields->count; i++) {
                const xmlFwkFieldDesc_t *d = info->indexFields->fields[i];
                const char *variable = xmlFwkFieldMeta(d, "variable");
                if (xmlFwkFieldMetaElement(d, "special")) continue;  // given as slot and port
                if (o->field(variable ? variable : d->name) < 0)
                    problems.push_back(std::string(r->name) + ": " + object +
                                       " does not take the index field " + d->name);
            }
        }
    }
    EXPECT_TRUE(problems.empty()) << ::testing::PrintToString(problems);
}

// The registry's fixed table of internal objects names objects the store declares: a
// request built from an internal object id goes to an object that exists.
TEST_F(Metadata, EveryInternalObjectOfTheRegistryIsDeclared) {
    for (const xmlFwkInternalObjectRow_t *r = xmlFwkInternalObjectTable; r->id != -1; r++) {
        bool found = false;
        for (const cfgObjectDecl &o : catalogue_.objects) found = found || o.name == r->name;
        EXPECT_TRUE(found) << r->name;
    }
}

// The store answers a walk of every internal object the metadata reads from: its
// views compute their rows for any request and its tables are there. The SSH server's
// object is the exception: this switch has none, and its object answers as on such a
// switch.
TEST_F(Metadata, EveryObjectReadFromAnswersAWalk) {
    std::string why;
    ASSERT_EQ(cfgStoreInit(WSVD_DATA_DIR "/cfgmgr", &why), 0) << why;
    ASSERT_EQ(cfgApplyFactory(&why), 0) << why;
    std::set<std::pair<std::string, std::string>> read;
    for (const xmlFwkObjectRow_t *r = xmlFwkObjectTable; r->objectId != -1; r++) {
        xmlFwkObjectInfo_t *info = xmlFwkGetObjectInfo(r->name, XML_FWK_CONTAINER);
        if (!info) continue;
        Checker check(r->name, declared);
        check.fields(info->fields,
                     {xmlFwkGetMeta(info->typeInfo.appinfo, "module", nullptr),
                      xmlFwkGetMeta(info->typeInfo.appinfo, "internalObject", nullptr)});
        read.insert(check.read().begin(), check.read().end());
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
