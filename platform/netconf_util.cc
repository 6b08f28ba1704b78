#include "platform/netconf_util.h"

#include <cstdlib>
#include <cstring>
#include <string>

namespace {

const char *const kTags[] = {
    "in-use",
    "invalid-value",
    "too-big",
    "missing-attribute",
    "bad-attribute",
    "unknown-attribute",
    "missing-element",
    "bad-element",
    "unknown-element",
    "unknown-namespace",
    "access-denied",
    "lock-denied",
    "resource-denied",
    "rollback-failed",
    "data-exists",
    "data-missing",
    "operation-not-supported",
    "operation-failed",
    "partial-operation",
};
const char *const kTypes[] = {"transport", "rpc", "protocol", "application"};
const char *const kSeverities[] = {"error", "warning"};

template <size_t N>
const char *codeText(const char *const (&texts)[N], int code, int first) {
    int i = code - first;
    return texts[i >= 0 && size_t(i) < N ? i : 0];
}

bool appendText(xmlDomNode_t *parent, const char *name, const char *text) {
    xmlDomNode_t *child = xmlDomCreateCharacterNode(name, text);
    if (child && xmlDomAppendChild(parent, child) == 0) return true;
    xmlDomFreeNode(child);
    return false;
}

xmlDomNode_t *netconfElement(const char *name) {
    xmlDomNode_t *e = xmlDomCreateElement(name);
    if (e && xmlDomSetAttribute(e, "xmlns", NETCONF_BASE_NS) != 0) {
        xmlDomFreeNode(e);
        return nullptr;
    }
    return e;
}

}  // namespace

const char *soapLocalName(const char *name) {
    if (!name) return "";
    const char *colon = strchr(name, ':');
    return colon ? colon + 1 : name;
}

namespace {

// The element after `n` in document order, not leaving the subtree of `top`; without
// recursion, as built trees have no depth limit.
xmlDomNode_t *nextBelow(xmlDomNode_t *n, const xmlDomNode_t *top) {
    if (n->firstChild) return n->firstChild;
    while (n != top && !n->nextSibling) n = n->parent;
    return n == top ? nullptr : n->nextSibling;
}

bool isNamed(const xmlDomNode_t *n, const char *localName) {
    return n->type == XML_DOM_ELEMENT && strcmp(soapLocalName(n->name), localName) == 0;
}

}  // namespace

xmlDomNode_t *soapFindElement(xmlDomNode_t *node, const char *localName) {
    if (!node || !localName) return nullptr;
    for (xmlDomNode_t *n = node->firstChild; n; n = nextBelow(n, node))
        if (isNamed(n, localName)) return n;
    return nullptr;
}

int soapFindElements(xmlDomNode_t *node, const char *localName, xmlDomNodeList_t **list) {
    if (!list) return 0;
    *list = nullptr;
    if (!node || !localName) return 0;
    for (xmlDomNode_t *n = node->firstChild; n; n = nextBelow(n, node)) {
        if (!isNamed(n, localName)) continue;
        if (!*list && !(*list = static_cast<xmlDomNodeList_t *>(calloc(1, sizeof **list))))
            return 0;
        (*list)->nodes[(*list)->count++] = n;
        if ((*list)->count == XML_DOM_LIST_MAX) break;
    }
    return *list ? (*list)->count : 0;
}

xmlDomNode_t *soapFindChild(xmlDomNode_t *node, const char *localName) {
    if (!node || !localName) return nullptr;
    for (xmlDomNode_t *c = node->firstChild; c; c = c->nextSibling)
        if (strcmp(soapLocalName(c->name), localName) == 0) return c;
    return nullptr;
}

soapNode_t *soapBuildNode(const char *text, size_t length) {
    xmlDomNode_t *document = xmlDomParseXmlData(text, length);
    xmlDomNode_t *envelope = xmlDomGetFirstChild(document);
    if (!envelope || strcmp(soapLocalName(envelope->name), "Envelope") != 0) {
        xmlDomFreeNode(document);
        return nullptr;
    }
    auto *node = static_cast<soapNode_t *>(calloc(1, sizeof(soapNode_t)));
    if (!node) {
        xmlDomFreeNode(document);
        return nullptr;
    }
    node->document = document;
    node->envelope = envelope;
    node->header = soapFindChild(envelope, "Header");
    node->body = soapFindChild(envelope, "Body");
    return node;
}

void soapFreeSoapNode(soapNode_t *node) {
    if (!node) return;
    xmlDomFreeNode(node->document);
    free(node);
}

xmlDomNode_t *rpcGetRpcNode(xmlDomNode_t *body) {
    return soapFindChild(body, "rpc");
}

xmlDomNode_t *rpcGetContent(xmlDomNode_t *rpc) {
    return xmlDomGetFirstChild(rpc);
}

xmlDomNode_t *rpcReplyCreate(int) {
    return netconfElement("rpc-reply");
}

xmlDomNode_t *netconfCreateError(int tag, int type, int severity, const char *message) {
    xmlDomNode_t *error = netconfElement("rpc-error");
    if (!error) return nullptr;
    bool ok = appendText(error, "error-type", codeText(kTypes, type, NETCONF_TYPE_TRANSPORT)) &&
              appendText(error, "error-tag", codeText(kTags, tag, NETCONF_TAG_IN_USE)) &&
              appendText(error, "error-severity",
                         codeText(kSeverities, severity, NETCONF_SEVERITY_ERROR)) &&
              (!message || appendText(error, "error-message", message));
    if (!ok) {
        xmlDomFreeNode(error);
        return nullptr;
    }
    return error;
}

const char *soapTypeAttribute(const xmlDomNode_t *node) {
    static const char kInstanceNs[] = "http://www.w3.org/2001/XMLSchema-instance";
    if (!node) return nullptr;
    if (const char *type = xmlDomGetAttributeValue(node, "xsi:type")) return type;
    for (const xmlDomAttr_t *a = node->attributes; a; a = a->next) {
        const char *colon = strchr(a->name, ':');
        if (!colon || strcmp(colon + 1, "type") != 0) continue;
        std::string binding = "xmlns:" + std::string(a->name, size_t(colon - a->name));
        for (const xmlDomNode_t *n = node; n; n = n->parent) {
            const char *ns = xmlDomGetAttributeValue(n, binding.c_str());
            if (!ns) continue;
            if (strcmp(ns, kInstanceNs) == 0) return a->value;
            break;  // the nearest binding of the prefix decides
        }
    }
    return nullptr;
}
