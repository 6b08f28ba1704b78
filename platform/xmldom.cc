#include "platform/xmldom.h"

#include <expat.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

namespace {

struct Builder {
    XML_Parser parser;
    xmlDomNode_t *root = nullptr;
    xmlDomNode_t *current = nullptr;
    int depth = 0;
    bool failed = false;
    std::string text;  // character data of `current` gathered so far
};

void flushText(Builder *b) {
    if (!b->current || b->text.empty()) return;
    size_t old = b->current->data ? strlen(b->current->data) : 0;
    char *joined = static_cast<char *>(realloc(b->current->data, old + b->text.size() + 1));
    if (!joined) {
        b->failed = true;
        return;
    }
    memcpy(joined + old, b->text.data(), b->text.size());
    joined[old + b->text.size()] = 0;
    b->current->data = joined;
    b->text.clear();
}

void XMLCALL onStart(void *user, const XML_Char *name, const XML_Char **) {
    Builder *b = static_cast<Builder *>(user);
    if (b->failed) return;
    if (++b->depth > XML_DOM_MAX_DEPTH) {
        b->failed = true;
        XML_StopParser(b->parser, XML_FALSE);
        return;
    }
    flushText(b);
    xmlDomNode_t *n = static_cast<xmlDomNode_t *>(calloc(1, sizeof(xmlDomNode_t)));
    if (!n || !(n->name = strdup(name))) {
        free(n);
        b->failed = true;
        XML_StopParser(b->parser, XML_FALSE);
        return;
    }
    n->parent = b->current;
    if (!b->current) {
        b->root = n;
    } else {
        xmlDomNode_t **tail = &b->current->firstChild;
        while (*tail) tail = &(*tail)->nextSibling;
        *tail = n;
    }
    b->current = n;
}

void XMLCALL onEnd(void *user, const XML_Char *) {
    Builder *b = static_cast<Builder *>(user);
    if (b->failed) return;
    flushText(b);
    b->depth--;
    if (b->current) b->current = b->current->parent;
}

void XMLCALL onText(void *user, const XML_Char *s, int len) {
    Builder *b = static_cast<Builder *>(user);
    if (!b->failed && b->current) b->text.append(s, size_t(len));
}

}  // namespace

xmlDomNode_t *xmlDomParseXmlData(const char *text, size_t length) {
    if (!text) return nullptr;
    Builder b;
    b.parser = XML_ParserCreate(nullptr);
    if (!b.parser) return nullptr;
    XML_SetUserData(b.parser, &b);
    XML_SetElementHandler(b.parser, onStart, onEnd);
    XML_SetCharacterDataHandler(b.parser, onText);
    bool ok = length <= size_t(INT32_MAX) &&
              XML_Parse(b.parser, text, int(length), XML_TRUE) == XML_STATUS_OK;
    XML_ParserFree(b.parser);
    if (!ok || b.failed) {
        xmlDomFreeNode(b.root);
        return nullptr;
    }
    return b.root;
}

void xmlDomFreeNode(xmlDomNode_t *node) {
    if (!node) return;
    // Recursion depth is bounded by XML_DOM_MAX_DEPTH; siblings are walked in a loop.
    xmlDomNode_t *child = node->firstChild;
    while (child) {
        xmlDomNode_t *sibling = child->nextSibling;
        xmlDomFreeNode(child);
        child = sibling;
    }
    free(node->name);
    free(node->data);
    free(node);
}

xmlDomNode_t *xmlDomGetFirstChild(xmlDomNode_t *node) {
    return node ? node->firstChild : nullptr;
}

xmlDomNode_t *xmlDomFindNode(const char *name, int, xmlDomNode_t *node) {
    if (!node || !name) return nullptr;
    for (xmlDomNode_t *c = node->firstChild; c; c = c->nextSibling) {
        if (strcmp(c->name, name) == 0) return c;
        if (xmlDomNode_t *found = xmlDomFindNode(name, 0, c)) return found;
    }
    return nullptr;
}

const char *xmlDomGetCharacterData(xmlDomNode_t *node, const char *name, int) {
    if (!node || !name) return nullptr;
    for (xmlDomNode_t *c = node->firstChild; c; c = c->nextSibling)
        if (strcmp(c->name, name) == 0) return c->data ? c->data : "";
    return nullptr;
}

const char *xmlDomGetData(xmlDomNode_t *node) {
    return node && node->data ? node->data : "";
}

char *xmlStrdup(const char *text) {
    return text ? strdup(text) : nullptr;
}
void *xmlCalloc(size_t count, size_t size) {
    return calloc(count, size);
}
void xmlFree(void *p) {
    free(p);
}
