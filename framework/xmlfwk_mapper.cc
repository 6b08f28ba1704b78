#include "framework/xmlfwk_mapper.h"

#include <cstdio>
#include <cstring>
#include <vector>

#include "framework/xmlfwk_registry.h"
#include "framework/xmlfwk_tables.h"
#include "platform/strconv.h"
#include "platform/util.h"
#include "platform/xmldom.h"

namespace {

void freeField(void *p) {
    auto *f = static_cast<xmlFwkMapField_t *>(p);
    for (int i = 0; i < f->pairCount; i++) {
        xmlFree(f->pairs[i].north);
        xmlFree(f->pairs[i].south);
    }
    xmlFree(f->pairs);
    xmlFree(f->name);
    xmlFree(f);
}

// The platform element that supplies a field's pairs: the one of this platform wherever it
// stands, else the last "Default" one.
xmlDomNode_t *platformElement(xmlDomNode_t *field, const char *platform) {
    xmlDomNode_t *fallback = nullptr;
    for (xmlDomNode_t *p = field->firstChild; p; p = p->nextSibling) {
        const char *type = xmlDomGetAttributeValue(p, "type");
        if (!type) {
            printf("Platform Type is missed in the valueMapper XML file for %s\n", field->name);
            continue;
        }
        if (strcmp(type, platform) == 0) return p;
        if (strcmp(type, "Default") == 0) fallback = p;
    }
    return fallback;
}

bool readPairs(xmlFwkMapField_t *f, xmlDomNode_t *chosen) {
    int count = 0;
    for (xmlDomNode_t *c = chosen ? chosen->firstChild : nullptr; c; c = c->nextSibling) count++;
    if (count == 0) return true;
    f->pairs = static_cast<xmlFwkMapPair_t *>(xmlCalloc(size_t(count), sizeof(xmlFwkMapPair_t)));
    if (!f->pairs) return false;
    for (xmlDomNode_t *c = chosen->firstChild; c; c = c->nextSibling) {
        // A pair without a side never matches on that side.
        xmlFwkMapPair_t &pair = f->pairs[f->pairCount++];
        const char *north = xmlDomGetAttributeValue(c, "north");
        const char *south = xmlDomGetAttributeValue(c, "south");
        if ((north && !(pair.north = xmlStrdup(north))) ||
            (south && !(pair.south = xmlStrdup(south))))
            return false;
    }
    return true;
}

bool equal(const char *a, const char *b) {
    return a && b && strcmp(a, b) == 0;
}

// Copies `text` into the buffer when it fits, and says whether it did.
bool replace(char *buffer, size_t size, const char *text) {
    if (strlen(text) >= size) return false;
    memmove(buffer, text, strlen(text) + 1);
    return true;
}

}  // namespace

xmlFwkValueMapper_t *xmlFwkValueMapperLoad(const char *path, const char *platform) {
    auto *m = static_cast<xmlFwkValueMapper_t *>(xmlCalloc(1, sizeof(xmlFwkValueMapper_t)));
    if (!m || !(m->byField = xmlHashCreate())) {
        xmlFree(m);
        return nullptr;
    }
    xmlDomNode_t *doc = xmlDomParseXmlFile(path);
    xmlDomNode_t *root = xmlDomGetFirstChild(doc);
    xmlDomNode_t *top = root && strcmp(root->name, "valueMapper") == 0
                            ? root
                            : xmlDomFindNode("valueMapper", 0, root);
    xmlFwkMapObject_t **lastObject = &m->objects;
    bool ok = true;
    for (xmlDomNode_t *o = top ? top->firstChild : nullptr; o && ok; o = o->nextSibling) {
        auto *object = static_cast<xmlFwkMapObject_t *>(xmlCalloc(1, sizeof(xmlFwkMapObject_t)));
        if (!object || !(object->name = xmlStrdup(o->name))) {
            xmlFree(object);
            ok = false;
            break;
        }
        *lastObject = object;
        lastObject = &object->next;
        xmlFwkMapField_t **lastField = &object->fields;
        for (xmlDomNode_t *fe = o->firstChild; fe; fe = fe->nextSibling) {
            auto *f = static_cast<xmlFwkMapField_t *>(xmlCalloc(1, sizeof(xmlFwkMapField_t)));
            if (!f || !(f->name = xmlStrdup(fe->name)) ||
                !readPairs(f, platformElement(fe, platform))) {
                if (f) freeField(f);
                ok = false;
                break;
            }
            if (xmlHashInsertElement(f->name, f, m->byField) != 0) {
                printf("valueMapper: field %s is mapped for too many objects; %s skipped\n",
                       f->name, object->name);
                freeField(f);
                continue;
            }
            f->object = object;
            *lastField = f;
            lastField = &f->next;
        }
    }
    xmlDomFreeParserData(doc);
    if (!ok) {
        xmlFwkValueMapperFree(m);
        return nullptr;
    }
    return m;
}

void xmlFwkValueMapperFree(xmlFwkValueMapper_t *mapper) {
    if (!mapper) return;
    // The hash holds every field entry; the object entries only chain them.
    xmlHashFree(mapper->byField, freeField);
    for (xmlFwkMapObject_t *o = mapper->objects; o;) {
        xmlFwkMapObject_t *next = o->next;
        xmlFree(o->name);
        xmlFree(o);
        o = next;
    }
    xmlFree(mapper);
}

const xmlFwkMapField_t *xmlFwkValueMapperFind(const xmlFwkValueMapper_t *mapper,
                                              const char *fieldName, const char *objectName) {
    if (!mapper || !fieldName) return nullptr;
    int count = 0;
    void *const *entries = xmlHashFindElementList(fieldName, mapper->byField, &count);
    if (count == 0) return nullptr;
    if (!objectName) {
        if (count == 1) return static_cast<const xmlFwkMapField_t *>(entries[0]);
        printf("More than one Object Information found, invalid , Name:  %s \n", fieldName);
        return nullptr;
    }
    for (int i = 0; i < count; i++) {
        auto *f = static_cast<const xmlFwkMapField_t *>(entries[i]);
        if (strcmp(f->object->name, objectName) == 0) return f;
    }
    return nullptr;
}

char *xmlFwkExtToInt(const char *objectName, xmlFwkValue_t *record, char *buffer, size_t size,
                     int op) {
    if (!record || !buffer) return buffer;
    const char *mapped = nullptr;
    if (const xmlFwkMapField_t *f =
            xmlFwkValueMapperFind(xmlFwkValueMapper(), record->extName, objectName)) {
        for (int i = 0; i < f->pairCount && !mapped; i++)
            if (equal(f->pairs[i].north, buffer)) mapped = f->pairs[i].south;
    } else if (const xmlFwkEnumRow_t *e = xmlFwkEnumRow(record->enumType)) {
        for (int i = 0; i < XML_FWK_ENUM_PAIRS && e->pairs[i].external && !mapped; i++)
            if (strcmp(e->pairs[i].external, buffer) == 0) mapped = e->pairs[i].internal;
    }
    if (mapped) {
        replace(buffer, size, mapped);
    } else if (op != XML_FWK_OP_GET && record->extType && record->intType) {
        xmlFwkConvertType(record->extType, record->intType, record);
        if (record->kind == XML_FWK_VALUE_TEXT && record->value.text)
            replace(buffer, size, record->value.text);
    }
    return buffer;
}

char *xmlFwkIntToExt(const char *objectName, xmlFwkValue_t *record, char *buffer, size_t size) {
    if (!record || !buffer) return buffer;
    const char *mapped = nullptr;
    if (const xmlFwkMapField_t *f =
            xmlFwkValueMapperFind(xmlFwkValueMapper(), record->extName, objectName)) {
        if (!*buffer) mapped = "unknown";
        for (int i = 0; i < f->pairCount && !mapped; i++)
            if (equal(f->pairs[i].south, buffer) || equal(f->pairs[i].south, "default"))
                mapped = f->pairs[i].north;
    } else if (const xmlFwkEnumRow_t *e = xmlFwkEnumRow(record->enumType)) {
        if (!*buffer) mapped = "unknown";
        for (int i = 0; i < XML_FWK_ENUM_PAIRS && e->pairs[i].external && !mapped; i++)
            if (strcmp(e->pairs[i].internal, buffer) == 0) mapped = e->pairs[i].external;
    }
    if (mapped) replace(buffer, size, mapped);
    return buffer;
}

void xmlFwkMapValues(const char *objectName, xmlFwkValueList_t *list, int direction, int op) {
    if (!list) return;
    for (int i = 0; i < list->count; i++) {
        xmlFwkValue_t *r = &list->records[i];
        if (r->kind == XML_FWK_VALUE_LIST) {
            xmlFwkMapValues(objectName, r->value.list, direction, op);
            continue;
        }
        if (r->kind == XML_FWK_VALUE_ARRAY) {
            for (int j = 0; r->value.array && j < r->value.array->count; j++)
                xmlFwkMapValues(objectName, r->value.array->lists[j], direction, op);
            continue;
        }
        if (r->kind != XML_FWK_VALUE_TEXT) continue;
        const char *text = r->value.text;
        if (!text || !*text) {
            // An enumerated field the configuration manager left empty reads "unknown".
            // (Without a mapping an absent value stays absent rather than becoming empty.)
            char mapped[16] = "";
            if (direction == XML_FWK_TO_EXTERNAL && r->enumType &&
                *xmlFwkIntToExt(objectName, r, mapped, sizeof mapped))
                xmlFwkValueSetText(r, mapped);
            continue;
        }
        size_t length = strlen(text);
        if (length > XML_FWK_MAP_TEXT_MAX) continue;
        // Room for a mapped text and for the longest type conversion (octets: 3 per byte).
        std::vector<char> buffer(3 * length + 1024);
        memcpy(buffer.data(), text, length + 1);
        if (direction == XML_FWK_TO_INTERNAL)
            xmlFwkExtToInt(objectName, r, buffer.data(), buffer.size(), op);
        else
            xmlFwkIntToExt(objectName, r, buffer.data(), buffer.size());
        xmlFwkValueSetText(r, buffer.data());
    }
}

void xmlFwkConvertType(int fromType, int toType, xmlFwkValue_t *record) {
    if (!record || record->kind != XML_FWK_VALUE_TEXT || !record->value.text) return;
    const char *text = record->value.text;
    // Large enough for every conversion: octets take three characters per byte.
    std::vector<char> out(3 * strlen(text) + 528);
    int rc = -1;
    if (fromType == XML_FWK_TYPE_STRING && toType == XML_FWK_TYPE_OCTET)
        rc = strStringToOctet(text, out.data(), out.size());
    else if (fromType == XML_FWK_TYPE_OCTET && toType == XML_FWK_TYPE_STRING)
        rc = strOctetToString(text, out.data(), out.size());
    else if (fromType == XML_FWK_TYPE_STRING && toType == XML_FWK_TYPE_PASSWORD)
        rc = Sprintf(out.data(), out.size(), "*********") > 0 ? 0 : -1;
    else if (fromType == XML_FWK_TYPE_OCTET && toType == XML_FWK_TYPE_TCP_ADDRESS)
        rc = strOctetToTcpAddress(text, out.data(), out.size());
    else if (fromType == XML_FWK_TYPE_INT && toType == XML_FWK_TYPE_NETMASK)
        rc = strIntToNetmask(text, out.data(), out.size());
    else if (fromType == XML_FWK_TYPE_NETMASK && toType == XML_FWK_TYPE_INT)
        rc = strNetmaskToInt(text, out.data(), out.size());
    if (rc == 0) xmlFwkValueSetText(record, out.data());
}
