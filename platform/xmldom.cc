#include "platform/xmldom.h"

#include <expat.h>

#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <new>
#include <string>
#include <unordered_map>
#include <vector>

struct xmlDomIndex_t {
    std::unordered_map<std::string, std::vector<xmlDomNode_t *>> byName;
};

namespace {

const char kDocumentName[] = "#document";

bool isNameStart(unsigned char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_' || c == ':' || c >= 0x80;
}

bool isXmlName(const char *name) {
    if (!name || !isNameStart(static_cast<unsigned char>(*name))) return false;
    for (const char *p = name + 1; *p; p++) {
        unsigned char c = static_cast<unsigned char>(*p);
        if (!isNameStart(c) && !(c >= '0' && c <= '9') && c != '-' && c != '.') return false;
    }
    return true;
}

xmlDomNode_t *newNode(int type, const char *name) {
    auto *n = static_cast<xmlDomNode_t *>(calloc(1, sizeof(xmlDomNode_t)));
    if (!n) return nullptr;
    n->type = type;
    if (!(n->name = strdup(name))) {
        free(n);
        return nullptr;
    }
    return n;
}

void link(xmlDomNode_t *parent, xmlDomNode_t *child) {
    child->parent = parent;
    if (parent->lastChild)
        parent->lastChild->nextSibling = child;
    else
        parent->firstChild = child;
    parent->lastChild = child;
}

// Next element after `n` in document order, not leaving the subtree of `top`.
xmlDomNode_t *nextInSubtree(xmlDomNode_t *n, const xmlDomNode_t *top) {
    if (n->firstChild) return n->firstChild;
    while (n != top) {
        if (n->nextSibling) return n->nextSibling;
        n = n->parent;
    }
    return nullptr;
}

xmlDomNode_t *rootOf(xmlDomNode_t *n) {
    while (n->parent) n = n->parent;
    return n;
}

// The index describes the tree as parsed; any change of shape or names makes it wrong.
void dropIndex(xmlDomNode_t *n) {
    xmlDomNode_t *root = rootOf(n);
    delete root->index;
    root->index = nullptr;
}

void freeAttributes(xmlDomAttr_t *a) {
    while (a) {
        xmlDomAttr_t *next = a->next;
        free(a->name);
        free(a->value);
        free(a);
        a = next;
    }
}

void freeOne(xmlDomNode_t *n) {
    freeAttributes(n->attributes);
    delete n->index;
    free(n->name);
    free(n->data);
    free(n);
}

// Collects elements of a name (any name when null) from `start` on in document order,
// within the subtree of `top`.
int collect(xmlDomNode_t *start, const xmlDomNode_t *top, const char *name,
            xmlDomNodeList_t **list) {
    *list = nullptr;
    for (xmlDomNode_t *n = start; n; n = nextInSubtree(n, top)) {
        if (n->type != XML_DOM_ELEMENT || (name && strcmp(n->name, name) != 0)) continue;
        if (!*list && !(*list = static_cast<xmlDomNodeList_t *>(calloc(1, sizeof **list))))
            return 0;
        (*list)->nodes[(*list)->count++] = n;
        if ((*list)->count == XML_DOM_LIST_MAX) break;
    }
    return *list ? (*list)->count : 0;
}

// ---- parsing ----

struct Builder {
    XML_Parser parser;
    xmlDomNode_t *document = nullptr;
    xmlDomNode_t *current = nullptr;
    int depth = 0;
    bool failed = false;
    std::string text;  // character data of `current` gathered since its last child
};

void stop(Builder *b) {
    b->failed = true;
    XML_StopParser(b->parser, XML_FALSE);
}

bool appendText(xmlDomNode_t *n, const char *text, size_t length) {
    if (length == 0) return true;
    size_t old = n->data ? strlen(n->data) : 0;
    auto *joined = static_cast<char *>(realloc(n->data, old + length + 1));
    if (!joined) return false;
    memcpy(joined + old, text, length);
    joined[old + length] = 0;
    n->data = joined;
    return true;
}

void flushText(Builder *b) {
    if (!appendText(b->current, b->text.data(), b->text.size())) stop(b);
    b->text.clear();
}

void XMLCALL onStart(void *user, const XML_Char *name, const XML_Char **attrs) {
    auto *b = static_cast<Builder *>(user);
    if (b->failed) return;
    if (++b->depth > XML_DOM_MAX_DEPTH) return stop(b);
    flushText(b);
    xmlDomNode_t *n = newNode(XML_DOM_ELEMENT, name);
    if (!n) return stop(b);
    link(b->current, n);
    b->current = n;
    xmlDomAttr_t **tail = &n->attributes;
    for (int i = 0; attrs[i]; i += 2) {
        auto *a = static_cast<xmlDomAttr_t *>(calloc(1, sizeof(xmlDomAttr_t)));
        if (!a) return stop(b);
        *tail = a;
        tail = &a->next;
        if (!(a->name = strdup(attrs[i])) || !(a->value = strdup(attrs[i + 1]))) return stop(b);
    }
}

bool onlySpace(const char *s) {
    for (; *s; s++)
        if (*s != ' ' && *s != '\t' && *s != '\n' && *s != '\r') return false;
    return true;
}

void XMLCALL onEnd(void *user, const XML_Char *) {
    auto *b = static_cast<Builder *>(user);
    if (b->failed) return;
    flushText(b);
    xmlDomNode_t *n = b->current;
    // Indentation between child elements is layout, not data.
    if (n->firstChild && n->data && onlySpace(n->data)) {
        free(n->data);
        n->data = nullptr;
    }
    b->depth--;
    b->current = n->parent;
}

void XMLCALL onText(void *user, const XML_Char *s, int len) {
    auto *b = static_cast<Builder *>(user);
    if (!b->failed && b->current != b->document) b->text.append(s, size_t(len));
}

// Entity definitions could make a small text expand without bound; no text we read
// needs a document type declaration.
void XMLCALL onDoctype(void *user, const XML_Char *, const XML_Char *, const XML_Char *, int) {
    stop(static_cast<Builder *>(user));
}

bool buildIndex(xmlDomNode_t *document) {
    auto *index = new (std::nothrow) xmlDomIndex_t;
    if (!index) return false;
    for (xmlDomNode_t *n = document->firstChild; n; n = nextInSubtree(n, document))
        index->byName[n->name].push_back(n);
    document->index = index;
    return true;
}

xmlDomNode_t *parse(const char *text, size_t length, bool indexed) {
    if (!text || length > size_t(INT32_MAX)) return nullptr;
    Builder b;
    if (!(b.document = newNode(XML_DOM_DOCUMENT, kDocumentName))) return nullptr;
    b.current = b.document;
    b.parser = XML_ParserCreate(nullptr);
    if (!b.parser) {
        freeOne(b.document);
        return nullptr;
    }
    XML_SetUserData(b.parser, &b);
    XML_SetElementHandler(b.parser, onStart, onEnd);
    XML_SetCharacterDataHandler(b.parser, onText);
    XML_SetStartDoctypeDeclHandler(b.parser, onDoctype);
    bool ok = XML_Parse(b.parser, text, int(length), XML_TRUE) == XML_STATUS_OK;
    XML_ParserFree(b.parser);
    if (!ok || b.failed || (indexed && !buildIndex(b.document))) {
        xmlDomFreeNode(b.document);
        return nullptr;
    }
    return b.document;
}

// ---- writing ----

// The reference that stands for a character that would end or change a text (or, in an
// attribute, the attribute value); nullptr for any other character.
const char *reference(char c, bool attribute) {
    if (c == '&') return "&amp;";
    if (c == '<') return "&lt;";
    if (c == '>') return "&gt;";
    if (c == '\r') return "&#13;";  // a raw one would be read back as a newline
    if (!attribute) return nullptr;
    if (c == '"') return "&quot;";
    if (c == '\t') return "&#9;";
    if (c == '\n') return "&#10;";
    return nullptr;
}

// Hands `s` to `put` in pieces, with references in place of such characters.
template <class Put>
void escape(const char *s, bool attribute, Put put) {
    const char *run = s;
    for (; *s; s++) {
        const char *with = reference(*s, attribute);
        if (!with) continue;
        put(run, size_t(s - run));
        put(with, strlen(with));
        run = s + 1;
    }
    put(run, size_t(s - run));
}

struct Writer {
    char *buffer = nullptr;  // bounded output, or
    size_t size = 0;
    FILE *out = nullptr;  // a stream
    size_t length = 0;
    bool failed = false;

    void put(const char *s, size_t n) {
        if (failed || n == 0) return;
        if (out) {
            failed = fwrite(s, 1, n, out) != n;
            length += n;
        } else if (length + n < size) {
            memcpy(buffer + length, s, n);
            length += n;
        } else {
            failed = true;
        }
    }
    void put(const char *s) { put(s, strlen(s)); }
    void escaped(const char *s, bool attribute) {
        escape(s, attribute, [this](const char *p, size_t n) { put(p, n); });
    }
    void data(const xmlDomNode_t *n) {
        if (!n->data) return;
        if (n->rawData)
            put(n->data);
        else
            escaped(n->data, false);
    }
    void indent(int mode, int depth) {
        if (mode != XML_DOM_WRITE_INDENTED) return;
        if (length > 0) put("\n");
        for (int i = 0; i < depth; i++) put("  ");
    }
    // Start tag; an element without data or children is written whole ("<a/>").
    void open(const xmlDomNode_t *n, int mode, int depth) {
        if (n->type == XML_DOM_DOCUMENT) return;
        indent(mode, depth);
        put("<");
        put(n->name);
        for (const xmlDomAttr_t *a = n->attributes; a; a = a->next) {
            put(" ");
            put(a->name);
            put("=\"");
            escaped(a->value, true);
            put("\"");
        }
        if (!n->firstChild && !(n->data && *n->data)) {
            put("/>");
            return;
        }
        put(">");
        data(n);
    }
    void close(const xmlDomNode_t *n, int mode, int depth) {
        if (n->type == XML_DOM_DOCUMENT || (!n->firstChild && !(n->data && *n->data))) return;
        if (n->firstChild) indent(mode, depth);
        put("</");
        put(n->name);
        put(">");
    }

    // The subtree of `top` (without `withTop`: only its data and children) in document
    // order, without recursion: built trees have no depth limit.
    void tree(const xmlDomNode_t *top, int mode, bool withTop) {
        if (withTop)
            open(top, mode, 0);
        else
            data(top);
        // A document's tags are not written: its children stand at its own depth.
        int depth = top->type == XML_DOM_ELEMENT ? 1 : 0;
        for (const xmlDomNode_t *n = top->firstChild; n;) {
            open(n, mode, depth);
            if (n->firstChild) {
                n = n->firstChild;
                depth++;
                continue;
            }
            close(n, mode, depth);
            while (n->parent != top && !n->nextSibling) {
                n = n->parent;
                close(n, mode, --depth);
            }
            n = n->nextSibling;
        }
        if (withTop) close(top, mode, 0);
    }
};

// Writes into a bounded buffer, whole or not at all: -1 leaves the empty text.
int writeBounded(const xmlDomNode_t *node, char *buffer, size_t size, int mode, bool withTop) {
    if (!buffer || size == 0) return -1;
    Writer w;
    w.buffer = buffer;
    w.size = size;
    if (node) w.tree(node, mode, withTop);
    if (!node || w.failed) {
        buffer[0] = 0;
        return -1;
    }
    buffer[w.length] = 0;
    return int(w.length);
}

}  // namespace

// ---- parse, write, free ----

xmlDomNode_t *xmlDomParseXmlData(const char *text, size_t length) {
    return parse(text, length, false);
}

xmlDomNode_t *xmlDomParseXmlDataFastSearch(const char *text, size_t length) {
    return parse(text, length, true);
}

xmlDomNode_t *xmlDomParseXmlFile(const char *path) {
    if (!path) return nullptr;
    FILE *f = fopen(path, "rb");
    if (!f) return nullptr;
    std::string text;
    char chunk[16384];
    size_t n;
    bool tooLong = false;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) {
        if (text.size() + n > size_t(XML_DOM_FILE_MAX)) {
            tooLong = true;
            break;
        }
        text.append(chunk, n);
    }
    bool readError = ferror(f) != 0;
    fclose(f);
    if (tooLong || readError) return nullptr;
    return parse(text.data(), text.size(), false);
}

int xmlDomBuildXmlData(const xmlDomNode_t *node, char *buffer, size_t size, int mode) {
    return writeBounded(node, buffer, size, mode, true);
}

int xmlDomGetNodeContent(const xmlDomNode_t *node, char *buffer, size_t size) {
    return writeBounded(node, buffer, size, XML_DOM_WRITE_COMPACT, false);
}

int xmlDomUtilDumpNodeInXmlFormat(const xmlDomNode_t *node, int mode, FILE *out) {
    if (!node || !out) return -1;
    Writer w;
    w.out = out;
    w.tree(node, mode, true);
    w.put("\n");
    return w.failed ? -1 : 0;
}

void xmlDomFreeNode(xmlDomNode_t *node) {
    if (!node || node->parent) return;
    // Children first, without recursion: walk down to a leaf, free it, go on from its
    // parent (whose first child is now the leaf's next sibling).
    xmlDomNode_t *n = node;
    for (;;) {
        while (n->firstChild) n = n->firstChild;
        if (n == node) break;
        xmlDomNode_t *parent = n->parent;
        parent->firstChild = n->nextSibling;
        freeOne(n);
        n = parent;
    }
    freeOne(node);
}

void xmlDomFreeNodeList(xmlDomNodeList_t *list) {
    free(list);
}

void xmlDomFreeParserData(xmlDomNode_t *document) {
    xmlDomFreeNode(document);
}

// ---- find and read ----

xmlDomNode_t *xmlDomFindNode(const char *name, int, xmlDomNode_t *node) {
    if (!node || !name) return nullptr;
    for (xmlDomNode_t *n = node->firstChild; n; n = nextInSubtree(n, node))
        if (strcmp(n->name, name) == 0) return n;
    return nullptr;
}

xmlDomNode_t *xmlDomFindInNodeList(const char *name, int, const xmlDomNodeList_t *list) {
    if (!list || !name) return nullptr;
    for (int i = 0; i < list->count; i++) {
        xmlDomNode_t *n = list->nodes[i];
        if (strcmp(n->name, name) == 0 || xmlDomFindNode(name, 0, n)) return n;
    }
    return nullptr;
}

int xmlDomGetAllNodes(xmlDomNode_t *node, const char *name, xmlDomNodeList_t **list) {
    if (!list) return 0;
    *list = nullptr;
    return node ? collect(node, node, name, list) : 0;
}

int xmlDomGetCompleteNodeListByTagName(xmlDomNode_t *node, const char *name,
                                       xmlDomNodeList_t **list) {
    if (!list) return 0;
    *list = nullptr;
    if (!node || !name || !node->firstChild) return 0;
    return collect(node->firstChild, node, name, list);
}

int xmlDomGrepCompleteNodeListByTagName(xmlDomNode_t *node, const char *name,
                                        xmlDomNodeList_t **list) {
    if (!list) return 0;
    *list = nullptr;
    if (!node || !name) return 0;
    xmlDomNode_t *root = rootOf(node);
    if (!root->index) return collect(root, root, name, list);
    auto found = root->index->byName.find(name);
    if (found == root->index->byName.end()) return 0;
    if (!(*list = static_cast<xmlDomNodeList_t *>(calloc(1, sizeof **list)))) return 0;
    for (xmlDomNode_t *n : found->second) {
        if ((*list)->count == XML_DOM_LIST_MAX) break;
        (*list)->nodes[(*list)->count++] = n;
    }
    return (*list)->count;
}

int xmlDomGetChilds(xmlDomNode_t *node, xmlDomNodeList_t **list) {
    if (!list) return 0;
    *list = nullptr;
    if (!node || !(*list = static_cast<xmlDomNodeList_t *>(calloc(1, sizeof **list)))) return 0;
    for (xmlDomNode_t *n = node; n && (*list)->count < XML_DOM_LIST_MAX; n = n->nextSibling)
        if (strcmp(n->name, node->name) == 0) (*list)->nodes[(*list)->count++] = n;
    return (*list)->count;
}

int xmlDomFastSearch(xmlDomNode_t *node, const char *name, xmlDomNode_t **first) {
    if (first) *first = nullptr;
    if (!node || !name) return 0;
    xmlDomNode_t *root = rootOf(node);
    if (root->index) {
        auto found = root->index->byName.find(name);
        if (found == root->index->byName.end()) return 0;
        if (first) *first = found->second.front();
        return int(found->second.size());
    }
    int count = 0;
    for (xmlDomNode_t *n = root->firstChild; n; n = nextInSubtree(n, root)) {
        if (strcmp(n->name, name) != 0) continue;
        if (count++ == 0 && first) *first = n;
    }
    return count;
}

xmlDomNode_t *xmlDomGetFirstChild(xmlDomNode_t *node) {
    return node ? node->firstChild : nullptr;
}

int xmlDomHasChildNodes(const xmlDomNode_t *node) {
    return node && (node->firstChild || (node->data && *node->data));
}

int xmlDomHasChildElements(const xmlDomNode_t *node) {
    return node && node->firstChild;
}

const char *xmlDomGetData(const xmlDomNode_t *node) {
    return node && node->data ? node->data : "";
}

xmlDomNode_t *xmlDomGetCharacterNode(xmlDomNode_t *node, const char *name, int) {
    if (!node || !name) return nullptr;
    for (xmlDomNode_t *c = node->firstChild; c; c = c->nextSibling)
        if (strcmp(c->name, name) == 0) return c;
    return nullptr;
}

const char *xmlDomGetCharacterData(xmlDomNode_t *node, const char *name, int flags) {
    xmlDomNode_t *child = xmlDomGetCharacterNode(node, name, flags);
    return child ? xmlDomGetData(child) : nullptr;
}

const char *xmlDomGetAttributeValue(const xmlDomNode_t *node, const char *name) {
    if (!node || !name) return nullptr;
    for (const xmlDomAttr_t *a = node->attributes; a; a = a->next)
        if (strcmp(a->name, name) == 0) return a->value;
    return nullptr;
}

// ---- build ----

xmlDomNode_t *xmlDomCreateDocument() {
    return newNode(XML_DOM_DOCUMENT, kDocumentName);
}

xmlDomNode_t *xmlDomCreateElement(const char *name) {
    return isXmlName(name) ? newNode(XML_DOM_ELEMENT, name) : nullptr;
}

xmlDomNode_t *xmlDomCreateCharacterNode(const char *name, const char *text) {
    xmlDomNode_t *n = xmlDomCreateElement(name);
    if (n && xmlDomAppendData(n, text) != 0) {
        xmlDomFreeNode(n);
        return nullptr;
    }
    return n;
}

int xmlDomAppendChild(xmlDomNode_t *parent, xmlDomNode_t *child) {
    if (!parent || !child || child->parent || child->type == XML_DOM_DOCUMENT) return -1;
    for (xmlDomNode_t *a = parent; a; a = a->parent)
        if (a == child) return -1;
    // A subtree that was parsed for fast search loses its index in another tree.
    delete child->index;
    child->index = nullptr;
    dropIndex(parent);
    link(parent, child);
    return 0;
}

int xmlDomAppendData(xmlDomNode_t *node, const char *text) {
    if (!node || !text) return -1;
    if (!node->rawData) return appendText(node, text, strlen(text)) ? 0 : -1;
    // The node holds markup: the value joins it escaped.
    std::string escaped;
    escape(text, false, [&escaped](const char *p, size_t n) { escaped.append(p, n); });
    return appendText(node, escaped.data(), escaped.size()) ? 0 : -1;
}

int xmlDomSetData(xmlDomNode_t *node, const char *markup) {
    if (!node || !markup) return -1;
    char *copy = strdup(markup);
    if (!copy) return -1;
    free(node->data);
    node->data = copy;
    node->rawData = 1;
    return 0;
}

int xmlDomSetNodeName(xmlDomNode_t *node, const char *name) {
    if (!node || node->type != XML_DOM_ELEMENT || !isXmlName(name)) return -1;
    char *copy = strdup(name);
    if (!copy) return -1;
    free(node->name);
    node->name = copy;
    dropIndex(node);
    return 0;
}

int xmlDomSetAttribute(xmlDomNode_t *node, const char *name, const char *value) {
    if (!node || node->type != XML_DOM_ELEMENT || !isXmlName(name) || !value) return -1;
    char *copy = strdup(value);
    if (!copy) return -1;
    xmlDomAttr_t **tail = &node->attributes;
    for (; *tail; tail = &(*tail)->next) {
        if (strcmp((*tail)->name, name) == 0) {
            free((*tail)->value);
            (*tail)->value = copy;
            return 0;
        }
    }
    auto *a = static_cast<xmlDomAttr_t *>(calloc(1, sizeof(xmlDomAttr_t)));
    if (!a || !(a->name = strdup(name))) {
        free(a);
        free(copy);
        return -1;
    }
    a->value = copy;
    *tail = a;
    return 0;
}

int xmlDomCopyAttributes(xmlDomNode_t *to, const xmlDomNode_t *from, int) {
    if (!to || !from) return -1;
    for (const xmlDomAttr_t *a = from->attributes; a; a = a->next)
        if (xmlDomSetAttribute(to, a->name, a->value) != 0) return -1;
    return 0;
}

int xmlDomDeleteNode(xmlDomNode_t *parent, xmlDomNode_t *node) {
    if (!parent || !node || node->parent != parent) return -1;
    xmlDomNode_t *before = nullptr;
    for (xmlDomNode_t *c = parent->firstChild; c != node; c = c->nextSibling) before = c;
    if (before)
        before->nextSibling = node->nextSibling;
    else
        parent->firstChild = node->nextSibling;
    if (parent->lastChild == node) parent->lastChild = before;
    dropIndex(parent);
    node->parent = nullptr;
    node->nextSibling = nullptr;
    xmlDomFreeNode(node);
    return 0;
}

// ---- memory ----

char *xmlStrdup(const char *text) {
    return text ? strdup(text) : nullptr;
}

void *xmlCalloc(size_t count, size_t size) {
    return calloc(count, size);
}

void xmlFree(void *p) {
    free(p);
}
