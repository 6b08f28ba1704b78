#include "framework/xmlfwk_info.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "framework/xmlfwk_tables.h"
#include "platform/util.h"

namespace {

// An element's metadata is its own annotation's, else its type's.
xmlDomNode_t *appinfoOf(const xmlSchemaElement_t *e) {
    if (e->appinfo) return e->appinfo;
    return e->type ? e->type->appinfo : nullptr;
}

xmlFwkTypeInfo_t typeInfoOf(const xmlSchemaElement_t *e) {
    return {
        xmlSchemaElementKind(e) == XML_SCHEMA_COMPLEX ? XML_FWK_KIND_SEQUENCE : XML_FWK_KIND_SIMPLE,
        e->name, e, appinfoOf(e)};
}

void freeFields(xmlFwkFieldList_t *list) {
    if (!list) return;
    for (int i = 0; i < list->count; i++) {
        freeFields(list->fields[i]->nested);
        free(list->fields[i]);
    }
    free(list);
}

// Descriptors of a sequence type's children, at most `budget` of them all told. The
// schema reader refuses types that contain themselves, so the recursion ends.
xmlFwkFieldList_t *buildFields(const xmlSchemaType_t *type, xmlDomNode_t *appinfo, int *budget) {
    auto *list = static_cast<xmlFwkFieldList_t *>(calloc(1, sizeof(xmlFwkFieldList_t)));
    if (!list) return nullptr;
    for (int i = 0; i < type->childCount && list->count < XML_FWK_MAX_FIELDS; i++) {
        const xmlSchemaElement_t *c = type->children[i];
        if (strcmp(c->name, "extension") == 0) continue;
        auto *d = static_cast<xmlFwkFieldDesc_t *>(calloc(1, sizeof(xmlFwkFieldDesc_t)));
        if (!d || --*budget < 0) {
            free(d);
            freeFields(list);
            return nullptr;
        }
        list->fields[list->count++] = d;
        d->name = c->name;
        d->typeInfo = typeInfoOf(c);
        d->kind = d->typeInfo.kind;
        d->nameinfo = xmlFwkNameinfo(d->typeInfo.appinfo, d->name);
        if (!d->nameinfo) d->nameinfo = xmlFwkNameinfo(appinfo, d->name);
        if (d->kind == XML_FWK_KIND_SEQUENCE) {
            if (!(d->nested = buildFields(c->type, d->typeInfo.appinfo, budget))) {
                freeFields(list);
                return nullptr;
            }
            continue;
        }
        d->baseType = *c->typeName || !c->type ? c->typeName : c->type->base;
        if (c->type && *c->type->name) {
            d->enumType = c->type->name;
            d->enumCount = c->type->enumCount;
            d->enumValues = c->type->enumValues;
        }
    }
    return list;
}

bool isIndex(const xmlFwkFieldDesc_t *d) {
    const char *access = xmlFwkFieldMeta(d, "access");
    return access && strstr(access, "INDEX");
}

void split(xmlFwkObjectInfo_t *info) {
    if (!info->fields) {
        printf("Input Element List is NULL\n");
        return;
    }
    info->indexFields = static_cast<xmlFwkFieldList_t *>(calloc(1, sizeof(xmlFwkFieldList_t)));
    info->otherFields = static_cast<xmlFwkFieldList_t *>(calloc(1, sizeof(xmlFwkFieldList_t)));
    if (!info->indexFields || !info->otherFields) return;
    for (int i = 0; i < info->fields->count; i++) {
        xmlFwkFieldDesc_t *d = info->fields->fields[i];
        xmlFwkFieldList_t *to = isIndex(d) ? info->indexFields : info->otherFields;
        to->fields[to->count++] = d;
    }
}

}  // namespace

xmlFwkObjectInfo_t *xmlFwkBuildObjectInfo(const xmlSchema_t *schema, const char *name,
                                          const char *container) {
    if (!schema || !name || !*name) return nullptr;
    // The schema element of object "VlanConfig" is "vlanConfig".
    char element[XML_FWK_NAME_MAX + 1];
    strlcpy(element, name, sizeof element);
    if (element[0] >= 'A' && element[0] <= 'Z') element[0] = char(element[0] + 32);
    const xmlSchemaElement_t *e = xmlSchemaFindNode(element, container, schema);
    if (!e || !e->type) return nullptr;

    auto *info = static_cast<xmlFwkObjectInfo_t *>(calloc(1, sizeof(xmlFwkObjectInfo_t)));
    if (!info) return nullptr;
    info->name = strdup(name);
    info->container = strdup(container ? container : "");
    info->typeInfo = typeInfoOf(e);
    if (info->typeInfo.kind == XML_FWK_KIND_SEQUENCE) {
        int budget = XML_FWK_MAX_DESCRIPTORS;
        if (!(info->fields = buildFields(e->type, info->typeInfo.appinfo, &budget))) {
            printf("Object %s: more than %d fields, or no memory\n", name, XML_FWK_MAX_DESCRIPTORS);
            xmlFwkFreeObjectInfo(info);
            return nullptr;
        }
    }
    split(info);
    return info;
}

void xmlFwkFreeObjectInfo(xmlFwkObjectInfo_t *info) {
    if (!info) return;
    freeFields(info->fields);
    free(info->indexFields);
    free(info->otherFields);
    free(info->name);
    free(info->container);
    free(info);
}

xmlDomNode_t *xmlFwkNameinfo(xmlDomNode_t *appinfo, const char *fieldName) {
    if (!appinfo || !fieldName) return nullptr;
    xmlDomNodeList_t *list = nullptr;
    int count = xmlDomGetCompleteNodeListByTagName(appinfo, "nameinfo", &list);
    xmlDomNode_t *found = nullptr;
    for (int i = 0; i < count && i < XML_FWK_MAX_NAMEINFO && !found; i++) {
        const char *extName = xmlDomGetAttributeValue(list->nodes[i], "extName");
        if (extName && strcmp(extName, fieldName) == 0) found = list->nodes[i];
    }
    xmlDomFreeNodeList(list);
    return found;
}

const char *xmlFwkGetMeta(xmlDomNode_t *appinfo, const char *key, const char *fieldName) {
    if (!appinfo || !key) return nullptr;
    if (const char *own = xmlDomGetCharacterData(appinfo, key, 0)) return own;
    return xmlDomGetAttributeValue(xmlFwkNameinfo(appinfo, fieldName), key);
}

const char *xmlFwkFieldMeta(const xmlFwkFieldDesc_t *field, const char *key) {
    if (!field) return nullptr;
    if (const char *own = xmlDomGetCharacterData(field->typeInfo.appinfo, key, 0)) return own;
    return xmlDomGetAttributeValue(field->nameinfo, key);
}

xmlDomNode_t *xmlFwkFieldMetaElement(const xmlFwkFieldDesc_t *field, const char *name) {
    if (!field) return nullptr;
    if (xmlDomNode_t *own = xmlDomGetCharacterNode(field->typeInfo.appinfo, name, 0)) return own;
    return xmlDomGetCharacterNode(field->nameinfo, name, 0);
}
