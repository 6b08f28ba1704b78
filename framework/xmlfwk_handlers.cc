#include "framework/xmlfwk_handlers.h"

#include <cstdio>
#include <cstring>

#include "framework/xmlfwk_tables.h"

namespace xmlFwkHandler {

int adjustOp(int op, const xmlFwkValue_t *record) {
    if (!record) return op;
    bool valued = text(record) != nullptr;
    if (op == XML_FWK_OP_WALK) return valued ? XML_FWK_OP_GET_NEXT : XML_FWK_OP_NONE;
    if (op == XML_FWK_OP_GET_NEXT && !valued) return XML_FWK_OP_NONE;
    return op;
}

const char *text(const xmlFwkValue_t *record) {
    return record && record->kind == XML_FWK_VALUE_TEXT ? record->value.text : nullptr;
}

bool append(xmlDomNode_t *parent, const char *name, const char *value) {
    if (!parent || !name) return false;
    xmlDomNode_t *child = xmlDomCreateCharacterNode(name, value ? value : "");
    if (child && xmlDomAppendChild(parent, child) == 0) return true;
    xmlDomFreeNode(child);
    return false;
}

void appendField(xmlDomNode_t *parent, const xmlFwkValue_t *record) {
    if (record && record->kind == XML_FWK_VALUE_TEXT) append(parent, record->intName, text(record));
}

int internalObjectId(const char *internalObject) {
    int id = xmlFwkInternalObjectId(internalObject);
    if (id <= 0) {
        printf("Could not find object Id information : %s\n", internalObject ? internalObject : "");
        return -1;
    }
    return id;
}

xmlDomNode_t *find(xmlDomNode_t *request, const char *name) {
    if (!request || !name) return nullptr;
    if (request->name && strcmp(request->name, name) == 0) return request;
    return xmlDomFindNode(name, 0, request);
}

const char *findText(xmlDomNode_t *request, const char *name) {
    xmlDomNode_t *node = find(request, name);
    return node ? xmlDomGetData(node) : nullptr;
}

void remove(xmlDomNode_t *request, const char *name) {
    xmlDomNode_t *node = find(request, name);
    if (node && node->parent) xmlDomDeleteNode(node->parent, node);
}

std::string xml(const xmlDomNode_t *node) {
    if (!node) return "";
    char buffer[XML_FWK_REQUEST_TEXT_MAX];
    if (xmlDomBuildXmlData(node, buffer, sizeof buffer, XML_DOM_WRITE_COMPACT) < 0) return "";
    return buffer;
}

void sendFixed(soap *soap, int op, const char *module, const std::string &text, char **message,
               int *status) {
    std::string rootName = std::string("module_") + module;
    xmlDomNode_t *root = xmlDomCreateElement(rootName.c_str());
    if (!root || xmlDomSetData(root, text.c_str()) != 0) {
        xmlDomFreeNode(root);
        *status = 0;
        setMessage(message, "Internal Error");
        return;
    }
    xmlFwkDefaultSet(soap, op, nullptr, nullptr, nullptr, nullptr, root, message, status);
    xmlDomFreeNode(root);
}

void setField(xmlDomNode_t *request, const char *name, const char *value) {
    xmlDomNode_t *object = xmlFwkRequestObject(request);
    if (!object) return;
    xmlDomNode_t *old = xmlDomGetCharacterNode(object, name, 0);
    if (old) xmlDomDeleteNode(object, old);
    append(object, name, value);
}

void get(soap *soap, int op, xmlDomNode_t *request, char **message, int *status) {
    int flags = 0;
    xmlFwkDefaultGet(soap, op, nullptr, nullptr, nullptr, nullptr, request, message, status,
                     &flags);
}

Reply::Reply(const char *data) {
    if (data && *data) document_ = xmlDomParseXmlData(data, strlen(data));
}

Reply::~Reply() {
    xmlDomFreeNode(document_);
}

const char *Reply::value(const char *name) const {
    xmlDomNode_t *node = document_ ? xmlDomFindNode(name, 0, document_) : nullptr;
    return node ? xmlDomGetData(node) : nullptr;
}

void setMessage(char **message, const char *text) {
    if (!message) return;
    xmlFree(*message);
    *message = text ? xmlStrdup(text) : nullptr;
}

}  // namespace xmlFwkHandler
