// The platform's XML tree library (the part in use so far): parse a text into a tree
// of elements, walk it, read element text, free it.
#pragma once
#include <cstddef>

struct xmlDomNode_t {
    char *name;                 // element name as written (prefix included)
    char *data;                 // concatenated character data directly inside the element
    xmlDomNode_t *parent;
    xmlDomNode_t *firstChild;
    xmlDomNode_t *nextSibling;
};

// The document's root element, or nullptr when the text is not well-formed (or is
// nested deeper than XML_DOM_MAX_DEPTH).
enum { XML_DOM_MAX_DEPTH = 256 };
xmlDomNode_t *xmlDomParseXmlData(const char *text, size_t length);
void xmlDomFreeNode(xmlDomNode_t *node);

xmlDomNode_t *xmlDomGetFirstChild(xmlDomNode_t *node);
// The first element of that name below the node (depth first), or nullptr.
xmlDomNode_t *xmlDomFindNode(const char *name, int flags, xmlDomNode_t *node);
// The text of the node's first child element of that name, or nullptr.
const char *xmlDomGetCharacterData(xmlDomNode_t *node, const char *name, int flags);
// The node's own text ("" when none).
const char *xmlDomGetData(xmlDomNode_t *node);

char *xmlStrdup(const char *text);
void *xmlCalloc(size_t count, size_t size);
void xmlFree(void *p);
