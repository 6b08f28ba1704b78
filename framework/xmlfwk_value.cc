#include "framework/xmlfwk_value.h"

#include <cstring>
#include <initializer_list>
#include <string>

#include "framework/xmlfwk_mapper.h"
#include "framework/xmlfwk_tables.h"
#include "platform/dm.h"

namespace {

void freeArray(xmlFwkValueArray_t *array) {
    if (!array) return;
    for (int i = 0; i < array->count; i++) xmlFwkListFree(array->lists[i]);
    xmlFree(array);
}

void freeValue(xmlFwkValue_t *r) {
    if (r->kind == XML_FWK_VALUE_LIST)
        xmlFwkListFree(r->value.list);
    else if (r->kind == XML_FWK_VALUE_ARRAY)
        freeArray(r->value.array);
    else
        xmlFree(r->value.text);
    r->value.text = nullptr;
}

void freeRecord(xmlFwkValue_t *r) {
    freeValue(r);
    for (char *text : {r->extName, r->intName, r->intObject, r->module, r->version, r->access,
                       r->enumType, r->enumText, r->baseType})
        xmlFree(text);
    memset(r, 0, sizeof *r);
}

// Copies a text that may be absent; false when memory ran out.
bool dup(char **to, const char *from) {
    *to = from ? xmlStrdup(from) : nullptr;
    return !from || *to;
}

void *valueOf(xmlFwkValue_t *r) {
    switch (r->kind) {
        case XML_FWK_VALUE_TEXT:
            return r->value.text;
        case XML_FWK_VALUE_LIST:
            return r->value.list;
        case XML_FWK_VALUE_ARRAY:
            return r->value.array;
    }
    return nullptr;
}

bool copyRecord(xmlFwkValue_t *to, const xmlFwkValue_t *from) {
    memset(to, 0, sizeof *to);
    to->kind = from->kind;
    to->extType = from->extType;
    to->intType = from->intType;
    to->special = from->special;
    bool ok = dup(&to->extName, from->extName) && dup(&to->intName, from->intName) &&
              dup(&to->intObject, from->intObject) && dup(&to->module, from->module) &&
              dup(&to->version, from->version) && dup(&to->access, from->access) &&
              dup(&to->enumType, from->enumType) && dup(&to->enumText, from->enumText) &&
              dup(&to->baseType, from->baseType);
    if (!ok) return false;
    if (from->kind == XML_FWK_VALUE_LIST && from->value.list)
        return (to->value.list = xmlFwkListCopy(from->value.list)) != nullptr;
    if (from->kind == XML_FWK_VALUE_ARRAY && from->value.array) {
        auto *a = static_cast<xmlFwkValueArray_t *>(xmlCalloc(1, sizeof(xmlFwkValueArray_t)));
        if (!(to->value.array = a)) return false;
        for (int i = 0; i < from->value.array->count; i++) {
            if (!(a->lists[i] = xmlFwkListCopy(from->value.array->lists[i]))) return false;
            a->count++;
        }
        return true;
    }
    return from->kind != XML_FWK_VALUE_TEXT || dup(&to->value.text, from->value.text);
}

bool contains(const char *access, const char *word) {
    return access && strstr(access, word);
}

bool selected(const xmlFwkFieldDesc_t *d, xmlDomNode_t *objectNode, int op, int presentOnly) {
    const char *access = xmlFwkFieldMeta(d, "access");
    if (op == XML_FWK_OP_GET) {
        if (access && !contains(access, "INDEX") && !contains(access, "READ") &&
            !contains(access, "QUERY"))
            return false;
        return !(presentOnly && xmlDomHasChildElements(objectNode) &&
                 !xmlDomGetCharacterNode(objectNode, d->name, 0));
    }
    if (op == XML_FWK_OP_SET)
        return !access || contains(access, "INDEX") || contains(access, "WRITE");
    return true;
}

// Name, metadata and types of a descriptor's record.
bool describe(xmlFwkValue_t *r, const xmlFwkFieldDesc_t *d) {
    const char *variable = xmlFwkFieldMeta(d, "variable");
    if (!dup(&r->extName, d->name) || !dup(&r->intName, variable ? variable : d->name) ||
        !dup(&r->intObject, xmlFwkFieldMeta(d, "internalObject")) ||
        !dup(&r->module, xmlFwkFieldMeta(d, "module")) ||
        !dup(&r->version, xmlFwkFieldMeta(d, "version")) ||
        !dup(&r->access, xmlFwkFieldMeta(d, "access")) || !dup(&r->enumType, d->enumType))
        return false;
    const char *extType = xmlFwkFieldMeta(d, "extType");
    const char *intType = xmlFwkFieldMeta(d, "intType");
    if (xmlDomNode_t *typeMap = xmlFwkFieldMetaElement(d, "typeMap")) {
        extType = xmlDomGetAttributeValue(typeMap, "extType");
        intType = xmlDomGetAttributeValue(typeMap, "intType");
    }
    if (extType && intType) {
        r->extType = xmlFwkTypeId(extType);
        r->intType = xmlFwkTypeId(intType);
    }
    r->special = xmlFwkFieldMetaElement(d, "special") ? 1 : 0;
    return true;
}

xmlFwkValueList_t *nestedFrom(xmlDomNode_t *node, int op, const xmlFwkFieldDesc_t *d,
                              int presentOnly) {
    xmlFwkValueList_t *list = xmlFwkListNew();
    if (list && xmlFwkBuildValueList(node, op, d->nested, list, presentOnly) != 0) {
        xmlFwkListFree(list);
        return nullptr;
    }
    return list;
}

bool nestedValue(xmlFwkValue_t *r, xmlDomNode_t *objectNode, int op, const xmlFwkFieldDesc_t *d) {
    xmlDomNode_t *element = xmlDomGetCharacterNode(objectNode, d->name, 0);
    r->kind = XML_FWK_VALUE_LIST;
    if (!element) return (r->value.list = nestedFrom(nullptr, op, d, 0)) != nullptr;
    xmlDomNodeList_t *occurrences = nullptr;
    int count = xmlDomGetChilds(element, &occurrences);
    bool ok = true;
    if (count <= 1) {
        ok = (r->value.list = nestedFrom(element, op, d, 1)) != nullptr;
    } else {
        r->kind = XML_FWK_VALUE_ARRAY;
        auto *a = static_cast<xmlFwkValueArray_t *>(xmlCalloc(1, sizeof(xmlFwkValueArray_t)));
        ok = (r->value.array = a) != nullptr;
        for (int i = 0; ok && i < count && a->count < XML_FWK_ARRAY_MAX; i++) {
            xmlFwkValueList_t *instance = nestedFrom(occurrences->nodes[i], op, d, 1);
            if (!instance) {
                ok = false;
            } else if (xmlFwkListHasValue(instance)) {
                a->lists[a->count++] = instance;
            } else {
                xmlFwkListFree(instance);
            }
        }
    }
    xmlDomFreeNodeList(occurrences);
    return ok;
}

// The text of a reply field: the one element of that name in the indexed reply, or the
// reply node's child. nullptr when there is none (or, indexed, more than one).
const char *replyText(xmlDomNode_t *replyNode, xmlDomNode_t *replyIndex, const char *name) {
    if (replyIndex) {
        xmlDomNode_t *first = nullptr;
        return xmlDomFastSearch(replyIndex, name, &first) == 1 ? xmlDomGetData(first) : nullptr;
    }
    return xmlDomGetCharacterData(replyNode, name, 0);
}

// A port list the configuration manager gives as separate slot and port: "slot:port", or
// the port alone on a switch without slots.
void portListRule(xmlFwkValue_t *r, xmlDomNode_t *replyNode, xmlDomNode_t *replyIndex) {
    if (!strstr(r->extName, "portList") || !r->intName || !strstr(r->intName, "slot,port")) return;
    const char *slot = replyText(replyNode, replyIndex, "slot");
    const char *port = replyText(replyNode, replyIndex, "port");
    if (!slot && !port) return;
    std::string value;
    if (slot && dmGetPlatformType() != 1) value = std::string(slot) + ":";
    if (port) value += port;
    xmlFwkValueSetText(r, value.c_str());
}

}  // namespace

xmlFwkValueList_t *xmlFwkListNew() {
    return static_cast<xmlFwkValueList_t *>(xmlCalloc(1, sizeof(xmlFwkValueList_t)));
}

void xmlFwkListFree(xmlFwkValueList_t *list) {
    if (!list) return;
    for (int i = 0; i < list->count; i++) freeRecord(&list->records[i]);
    xmlFree(list);
}

xmlFwkValueList_t *xmlFwkListCopy(const xmlFwkValueList_t *list) {
    if (!list) return nullptr;
    xmlFwkValueList_t *copy = xmlFwkListNew();
    if (!copy) return nullptr;
    for (int i = 0; i < list->count; i++) {
        // Counted first, so that a partly copied record is released with the list.
        copy->count++;
        if (!copyRecord(&copy->records[i], &list->records[i])) {
            xmlFwkListFree(copy);
            return nullptr;
        }
    }
    return copy;
}

int xmlFwkListAppendCopy(xmlFwkValueList_t *list, const xmlFwkValue_t *record) {
    if (!list || !record || list->count == XML_FWK_LIST_MAX) return -1;
    xmlFwkValue_t *slot = &list->records[list->count];
    if (!copyRecord(slot, record)) {
        freeRecord(slot);  // what was copied before memory ran out
        return -1;
    }
    list->count++;
    return 0;
}

void xmlFwkListClear(xmlFwkValueList_t *list) {
    if (!list) return;
    for (int i = 0; i < list->count; i++) {
        xmlFwkValue_t *r = &list->records[i];
        if (r->kind == XML_FWK_VALUE_ARRAY) {
            xmlFwkValueArray_t *a = r->value.array;
            xmlFwkValueList_t *first = a && a->count ? a->lists[0] : nullptr;
            if (a && a->count) a->lists[0] = nullptr;
            freeArray(a);
            r->kind = XML_FWK_VALUE_LIST;
            r->value.list = first;
        }
        if (r->kind == XML_FWK_VALUE_LIST) {
            xmlFwkListClear(r->value.list);
        } else {
            freeValue(r);
        }
    }
}

xmlFwkValue_t *xmlFwkListFind(xmlFwkValueList_t *list, const char *extName) {
    if (!list || !extName) return nullptr;
    for (int i = 0; i < list->count; i++)
        if (list->records[i].extName && strcmp(list->records[i].extName, extName) == 0)
            return &list->records[i];
    return nullptr;
}

xmlFwkValue_t *xmlFwkListRecord(xmlFwkValueList_t *list, int i) {
    return list && i >= 0 && i < list->count ? &list->records[i] : nullptr;
}

void *xmlFwkListValueAt(xmlFwkValueList_t *list, int i, int kind) {
    xmlFwkValue_t *r = xmlFwkListRecord(list, i);
    return r && r->kind == kind ? valueOf(r) : nullptr;
}

void *xmlFwkListValueOf(xmlFwkValueList_t *list, const char *extName, int kind) {
    if (!list || !extName) return nullptr;
    for (int i = 0; i < list->count; i++) {
        xmlFwkValue_t *r = &list->records[i];
        if (r->extName && strcmp(r->extName, extName) == 0 && r->kind == kind) return valueOf(r);
    }
    return nullptr;
}

int xmlFwkListRemove(xmlFwkValueList_t *list, const char *extName) {
    xmlFwkValue_t *r = xmlFwkListFind(list, extName);
    if (!r) return -1;
    freeRecord(r);
    int i = int(r - list->records);
    memmove(r, r + 1, size_t(list->count - i - 1) * sizeof *r);
    list->count--;
    memset(&list->records[list->count], 0, sizeof *r);
    return 0;
}

bool xmlFwkListHasValue(const xmlFwkValueList_t *list) {
    if (!list) return false;
    for (int i = 0; i < list->count; i++) {
        const xmlFwkValue_t *r = &list->records[i];
        if (r->kind == XML_FWK_VALUE_TEXT && r->value.text) return true;
        if (r->kind == XML_FWK_VALUE_LIST && xmlFwkListHasValue(r->value.list)) return true;
        if (r->kind == XML_FWK_VALUE_ARRAY && r->value.array && r->value.array->count) return true;
    }
    return false;
}

int xmlFwkValueSetText(xmlFwkValue_t *record, const char *text) {
    if (!record || record->kind != XML_FWK_VALUE_TEXT) return -1;
    char *copy = nullptr;
    if (!dup(&copy, text)) return -1;
    xmlFree(record->value.text);
    record->value.text = copy;
    return 0;
}

int xmlFwkBuildValueList(xmlDomNode_t *objectNode, int op, const xmlFwkFieldList_t *descriptors,
                         xmlFwkValueList_t *list, int presentOnly) {
    if (!list) return -1;
    if (!descriptors) return 0;
    for (int i = 0; i < descriptors->count; i++) {
        const xmlFwkFieldDesc_t *d = descriptors->fields[i];
        if (!selected(d, objectNode, op, presentOnly)) continue;
        if (list->count == XML_FWK_LIST_MAX) return -1;
        xmlFwkValue_t *r = &list->records[list->count++];
        if (!describe(r, d)) return -1;
        if (d->kind == XML_FWK_KIND_SEQUENCE) {
            if (!nestedValue(r, objectNode, op, d)) return -1;
            continue;
        }
        r->kind = XML_FWK_VALUE_TEXT;
        xmlDomNode_t *element = xmlDomGetCharacterNode(objectNode, d->name, 0);
        const char *text =
            element ? xmlDomGetData(element) : (op == XML_FWK_OP_GET && presentOnly ? "" : nullptr);
        if (!dup(&r->value.text, text)) return -1;
    }
    return 0;
}

void xmlFwkFillFromReply(const char *objectName, xmlFwkValueList_t *list, xmlDomNode_t *replyNode,
                         int overwrite, xmlDomNode_t *replyIndex) {
    if (!list) return;
    for (int i = 0; i < list->count; i++) {
        xmlFwkValue_t *r = &list->records[i];
        if (r->kind == XML_FWK_VALUE_LIST) {
            xmlFwkFillFromReply(objectName, r->value.list, replyNode, overwrite, replyIndex);
            continue;
        }
        if (r->kind != XML_FWK_VALUE_TEXT || (!overwrite && r->value.text)) continue;
        if (const char *text = replyText(replyNode, replyIndex, r->intName)) {
            xmlFwkValueSetText(r, text);
            if (r->extType && r->intType) xmlFwkConvertType(r->intType, r->extType, r);
        }
        if (r->special) portListRule(r, replyNode, replyIndex);
    }
}
