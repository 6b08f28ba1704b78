#include "framework/xmlfwk_registry.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/xmlfwk_defaults.h"
#include "framework/xmlfwk_tables.h"
#include "platform/util.h"
#include "platform/xmldom_hash.h"

namespace {

enum {
    LIST_NAME_MAX = 79,  // characters of one schema file name
    LIST_NAMES_MAX = 70,
};

// Written only by xmlFwkInit and the registrations it runs.
struct Registry {
    xmlSchema_t *schema = nullptr;
    xmlFwkValueMapper_t *mapper = nullptr;
    xmlFwkCallbacks_t *callbacks = nullptr;
    xmlHash_t *objectInfo = nullptr;  // external object name -> xmlFwkObjectInfo_t
} gRegistry;

emsTrace_t *gXmlFwkLog = nullptr;

void freeInfo(void *info) {
    xmlFwkFreeObjectInfo(static_cast<xmlFwkObjectInfo_t *>(info));
}

// The schema file names of the list, one a line; a last line without a newline does not
// count. Over-long names are reported and skipped, names beyond the 70th ignored.
int readList(FILE *f, char *names[LIST_NAMES_MAX]) {
    int count = 0;
    char line[LIST_NAME_MAX + 1];
    size_t length = 0;
    bool tooLong = false;
    for (int c; (c = fgetc(f)) != EOF;) {
        if (c == '\r') continue;
        if (c != '\n') {
            if (length < LIST_NAME_MAX)
                line[length++] = char(c);
            else
                tooLong = true;
            continue;
        }
        line[length] = 0;
        if (tooLong) {
            printf("xsdlist.lst: a name longer than %d characters is skipped\n", LIST_NAME_MAX);
        } else if (count == LIST_NAMES_MAX) {
            printf("xsdlist.lst: more than %d names; %s is skipped\n", LIST_NAMES_MAX, line);
        } else if ((names[count] = strdup(line))) {
            count++;
        }
        length = 0;
        tooLong = false;
    }
    return count;
}

xmlSchema_t *readSchema(const char *directory) {
    std::string listPath = std::string(directory) + "/xsdlist.lst";
    FILE *f = fopen(listPath.c_str(), "r");
    if (!f) return nullptr;
    char *names[LIST_NAMES_MAX];
    int count = readList(f, names);
    fclose(f);
    if (count == 0) return nullptr;
    char why[512] = "";
    xmlSchema_t *schema = xmlSchemaParse(names, count, directory, why, sizeof why);
    if (!schema) printf("Schema files refused: %s\n", why);
    for (int i = 0; i < count; i++) free(names[i]);
    return schema;
}

}  // namespace

int xmlFwkInit(const char *directory) {
    return xmlFwkInitWith(directory, xmlFwkRegisterHandlers);
}

int xmlFwkInitWith(const char *directory, void (*registerHandlers)()) {
    xmlFwkFree();
    if (!directory || !(gRegistry.schema = readSchema(directory))) return 0;
    std::string mapperPath = std::string(directory) + "/valueMapper.xml";
    gRegistry.mapper = xmlFwkValueMapperLoad(mapperPath.c_str(), "i386");

    for (const xmlFwkObjectRow_t *r = xmlFwkObjectTable; r->objectId != -1; r++)
        xmlFwkRegister(r->objectId, xmlFwkDefaultFill, xmlFwkDefaultGet, xmlFwkDefaultSet, 0);
    if (registerHandlers) registerHandlers();
    // A handler may have left slots empty; they are filled now, so that requests, on
    // several threads, only ever read the records.
    for (xmlFwkCallbacks_t *c = gRegistry.callbacks; c; c = c->next) {
        if (!c->get) c->get = xmlFwkDefaultGet;
        if (!c->set) c->set = xmlFwkDefaultSet;
        if (!c->fill) c->fill = xmlFwkDefaultFill;
    }

    gRegistry.objectInfo = xmlHashCreate();
    for (xmlFwkCallbacks_t *c = gRegistry.callbacks; c && gRegistry.objectInfo; c = c->next) {
        if (!c->name) continue;
        xmlFwkObjectInfo_t *info =
            xmlFwkBuildObjectInfo(gRegistry.schema, c->name, XML_FWK_CONTAINER);
        if (info && xmlHashInsertElement(c->name, info, gRegistry.objectInfo) != 0)
            xmlFwkFreeObjectInfo(info);
    }
    initXmlFwkLog();
    return 1;
}

void xmlFwkFree() {
    xmlHashFree(gRegistry.objectInfo, freeInfo);
    for (xmlFwkCallbacks_t *c = gRegistry.callbacks; c;) {
        xmlFwkCallbacks_t *next = c->next;
        free(c->name);
        free(c);
        c = next;
    }
    xmlFwkValueMapperFree(gRegistry.mapper);
    xmlSchemaFree(gRegistry.schema);
    gRegistry = Registry();
}

void xmlFwkRegister(int objectId, xmlFwkFill_t fill, xmlFwkGet_t get, xmlFwkSet_t set,
                    uint32_t flags) {
    const xmlFwkObjectRow_t *row = xmlFwkObjectRow(objectId);
    xmlFwkCallbacks_t **at = &gRegistry.callbacks;
    while (*at && (*at)->objectId != objectId) at = &(*at)->next;
    xmlFwkCallbacks_t *c = *at;
    if (!c) {
        if (!(c = static_cast<xmlFwkCallbacks_t *>(calloc(1, sizeof(xmlFwkCallbacks_t))))) return;
        c->objectId = objectId;
        *at = c;
    }
    free(c->name);
    c->name = row ? strdup(row->name) : nullptr;
    c->soapType = row ? row->soapType : XML_FWK_NO_SOAP_TYPE;
    c->get = get;
    c->set = set;
    c->flags = flags;
    c->fill = fill;
}

const xmlFwkCallbacks_t *xmlFwkFindCallbacks(const char *name) {
    if (!name) return nullptr;
    for (const xmlFwkCallbacks_t *c = gRegistry.callbacks; c; c = c->next)
        if (c->name && strcmp(c->name, name) == 0) return c;
    return nullptr;
}

const xmlFwkCallbacks_t *xmlFwkCallbackList() {
    return gRegistry.callbacks;
}

xmlFwkObjectInfo_t *xmlFwkGetObjectInfo(const char *name, const char *container) {
    int count = 0;
    void *const *entries = xmlHashFindElementList(name, gRegistry.objectInfo, &count);
    if (!container) return count == 1 ? static_cast<xmlFwkObjectInfo_t *>(entries[0]) : nullptr;
    for (int i = 0; i < count; i++) {
        auto *info = static_cast<xmlFwkObjectInfo_t *>(entries[i]);
        if (strcmp(info->container, container) == 0) return info;
    }
    return nullptr;
}

const xmlSchema_t *xmlFwkSchema() {
    return gRegistry.schema;
}

const xmlFwkValueMapper_t *xmlFwkValueMapper() {
    return gRegistry.mapper;
}

void initXmlFwkLog() {
    if (!gXmlFwkLog) gXmlFwkLog = emsInitTraceBuffer("xmlfwk", 32768, 0, nullptr);
    int objects = 0, described = 0;
    for (const xmlFwkCallbacks_t *c = gRegistry.callbacks; c; c = c->next) {
        objects++;
        if (c->name && xmlFwkGetObjectInfo(c->name, XML_FWK_CONTAINER)) described++;
    }
    char line[128];
    int length =
        Sprintf(line, sizeof line, "object registry: %d objects, %d described by the schema",
                objects, described);
    emsTraceLog(gXmlFwkLog, 1, line, uint32_t(length));
}

emsTrace_t *xmlFwkLog() {
    return gXmlFwkLog;
}
