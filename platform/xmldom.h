// The platform's XML tree library: documents parsed from text (over expat) or built by
// hand, searched, changed and written back as text.
//
// Names are kept as written, prefix included ("S:Envelope"); namespace declarations are
// ordinary attributes ("xmlns:S"). An element's data is the character data directly inside
// it; parsed data, and data given to xmlDomCreateCharacterNode or xmlDomAppendData, is a
// value and is escaped when written, while data given to xmlDomSetData is markup and is
// written unchanged.
//
// Ownership:
// - A document, or an element not (or no longer) in a tree, belongs to the caller, who
//   releases it with xmlDomFreeNode (xmlDomFreeParserData for a document is the same).
//   xmlDomAppendChild hands the child to its new parent; xmlDomDeleteNode takes a node
//   out of its parent and releases it.
// - Texts returned by the getters belong to the tree and live as long as their node.
// - Node lists are allocated by the calls that fill them and released with
//   xmlDomFreeNodeList; the nodes in them stay in their tree.
// - Blocks from xmlStrdup and xmlCalloc are released with xmlFree.
#pragma once
#include <cstddef>
#include <cstdio>

enum { XML_DOM_DOCUMENT = 1, XML_DOM_ELEMENT = 2 };
enum {
    XML_DOM_MAX_DEPTH = 256,      // deeper texts are not parsed
    XML_DOM_LIST_MAX = 400,       // nodes in one node list
    XML_DOM_FILE_MAX = 16 << 20,  // bytes of one file xmlDomParseXmlFile reads
};
// Writing modes of xmlDomBuildXmlData.
enum { XML_DOM_WRITE_INDENTED = 1, XML_DOM_WRITE_COMPACT = 2 };

struct xmlDomAttr_t {
    char *name;
    char *value;
    xmlDomAttr_t *next;
};

struct xmlDomIndex_t;

struct xmlDomNode_t {
    int type;                  // XML_DOM_DOCUMENT or XML_DOM_ELEMENT
    char *name;                // element name as written; "#document" for a document
    char *data;                // character data directly inside, or nullptr
    int rawData;               // data is markup (xmlDomSetData): written unescaped
    xmlDomAttr_t *attributes;  // in document order
    xmlDomNode_t *parent;
    xmlDomNode_t *firstChild;
    xmlDomNode_t *lastChild;
    xmlDomNode_t *nextSibling;
    xmlDomIndex_t *index;  // a document parsed for fast search: its elements by name
};

struct xmlDomNodeList_t {
    int count;
    xmlDomNode_t *nodes[XML_DOM_LIST_MAX];
};

// Parse, write, free. A parsed document is a node of type XML_DOM_DOCUMENT whose only
// child is the root element; nullptr when the text is not well-formed, carries a
// document type declaration, or nests deeper than XML_DOM_MAX_DEPTH.
xmlDomNode_t *xmlDomParseXmlData(const char *text, size_t length);
// The same, and the document keeps an index of its elements by name (xmlDomFastSearch).
// Changing the tree's shape or names drops the index; searches then walk the tree.
xmlDomNode_t *xmlDomParseXmlDataFastSearch(const char *text, size_t length);
xmlDomNode_t *xmlDomParseXmlFile(const char *path);  // at most XML_DOM_FILE_MAX bytes
// Writes the node (a document: its children) as XML text into `buffer`. Returns the
// length written, or -1 when the text (with its terminating zero) does not fit in `size`
// bytes; the buffer then holds the empty text.
int xmlDomBuildXmlData(const xmlDomNode_t *node, char *buffer, size_t size, int mode);
// Prints the node as XML text; 0, or -1 when it could not be written.
int xmlDomUtilDumpNodeInXmlFormat(const xmlDomNode_t *node, int mode, FILE *out);
// Releases the node and everything below it. A node that is still in a tree is refused
// (nothing happens): take it out with xmlDomDeleteNode.
void xmlDomFreeNode(xmlDomNode_t *node);
void xmlDomFreeNodeList(xmlDomNodeList_t *list);
void xmlDomFreeParserData(xmlDomNode_t *document);

// Find and read. `flags` arguments are accepted and ignored.
// The first element of that name below the node, depth first (the node itself excluded).
xmlDomNode_t *xmlDomFindNode(const char *name, int flags, xmlDomNode_t *node);
// The first node of the list that is, or holds below it, an element of that name.
xmlDomNode_t *xmlDomFindInNodeList(const char *name, int flags, const xmlDomNodeList_t *list);
// Node lists: each call stores a new list in *list (nullptr when it finds nothing) and
// returns its count; a list stops at XML_DOM_LIST_MAX nodes.
// The node itself and every element below it with that name (any name when nullptr).
int xmlDomGetAllNodes(xmlDomNode_t *node, const char *name, xmlDomNodeList_t **list);
// The elements of that name below the node.
int xmlDomGetCompleteNodeListByTagName(xmlDomNode_t *node, const char *name,
                                       xmlDomNodeList_t **list);
// The elements of that name anywhere in the node's document (through the index when the
// document has one).
int xmlDomGrepCompleteNodeListByTagName(xmlDomNode_t *node, const char *name,
                                        xmlDomNodeList_t **list);
// The occurrences of a repeated element: the node and its later siblings of its name.
int xmlDomGetChilds(xmlDomNode_t *node, xmlDomNodeList_t **list);
// How many elements of that name the node's document holds, through its index when it
// has one; *first (when given) is set to the first of them, or nullptr.
int xmlDomFastSearch(xmlDomNode_t *node, const char *name, xmlDomNode_t **first);

xmlDomNode_t *xmlDomGetFirstChild(xmlDomNode_t *node);
int xmlDomHasChildNodes(const xmlDomNode_t *node);     // child elements or non-empty data
int xmlDomHasChildElements(const xmlDomNode_t *node);  // child elements
const char *xmlDomGetData(const xmlDomNode_t *node);   // "" when none
// The data of the node's first child element of that name, or nullptr when there is no
// such child ("" when it has no data).
const char *xmlDomGetCharacterData(xmlDomNode_t *node, const char *name, int flags);
xmlDomNode_t *xmlDomGetCharacterNode(xmlDomNode_t *node, const char *name, int flags);
// Writes the node's data and children (not the node's own tags) as compact XML text; as
// xmlDomBuildXmlData.
int xmlDomGetNodeContent(const xmlDomNode_t *node, char *buffer, size_t size);
const char *xmlDomGetAttributeValue(const xmlDomNode_t *node, const char *name);

// Build. Element and attribute names must be XML names; calls given another name fail
// (nullptr or -1) and change nothing. The int calls return 0 or -1.
xmlDomNode_t *xmlDomCreateDocument();
xmlDomNode_t *xmlDomCreateElement(const char *name);
xmlDomNode_t *xmlDomCreateCharacterNode(const char *name, const char *text);  // text escaped
// Appends a node that is in no tree; refused for a document or an ancestor of `parent`.
int xmlDomAppendChild(xmlDomNode_t *parent, xmlDomNode_t *child);
int xmlDomAppendData(xmlDomNode_t *node, const char *text);  // a value, escaped when written
int xmlDomSetData(xmlDomNode_t *node, const char *markup);   // written unchanged
int xmlDomSetNodeName(xmlDomNode_t *node, const char *name);
int xmlDomSetAttribute(xmlDomNode_t *node, const char *name, const char *value);
int xmlDomCopyAttributes(xmlDomNode_t *to, const xmlDomNode_t *from, int flags);
// Takes a child out of its parent and releases it.
int xmlDomDeleteNode(xmlDomNode_t *parent, xmlDomNode_t *node);

// Memory of the library (the C heap).
char *xmlStrdup(const char *text);
void *xmlCalloc(size_t count, size_t size);
void xmlFree(void *p);
