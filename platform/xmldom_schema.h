// The XML tree library's reader of our own XML Schema files: named and anonymous complex
// types (their child elements in schema order, through sequence, choice and all, with an
// extended base type's elements first), simple types (restriction base and enumeration
// facets), element declarations and references, and the first annotation/appinfo of each
// type and element, kept as a DOM node. Type and element references are resolved across
// all files of one parse by namespace and name.
//
// A set of files is taken whole or refused: a file that cannot be read or is not a
// schema, a reference to a type or element that no file (and no built-in namespace)
// defines, a type defined twice, a type that contains or extends itself, a name longer
// than XML_SCHEMA_NAME_MAX, or an unsupported construct (group references) refuses the
// set, with the reason.
//
// Everything handed out (types, elements, their texts and appinfo nodes) belongs to the
// schema and lives until xmlSchemaFree.
#pragma once
#include <cstddef>

#include "platform/xmldom.h"

enum { XML_SCHEMA_COMPLEX = 1, XML_SCHEMA_SIMPLE = 2 };
enum { XML_SCHEMA_NAME_MAX = 199 };

struct xmlSchemaElement_t;

struct xmlSchemaType_t {
    const char *name;  // without prefix; "" for an anonymous type
    int kind;          // complex: a sequence of child elements; simple: a value
    int childCount;
    xmlSchemaElement_t *const *children;  // complex: child elements in schema order
    const char *base;                     // simple: the restriction base as written, or ""
    int enumCount;
    const char *const *enumValues;  // simple: the enumeration facets in order
    xmlDomNode_t *appinfo;          // the first appinfo of the type's annotation, or nullptr
};

struct xmlSchemaElement_t {
    const char *name;
    const char *typeName;   // the declared type as written ("com:StringLen32"), "" inline
    xmlSchemaType_t *type;  // its definition; nullptr for a built-in type (xsd:string)
    xmlDomNode_t *appinfo;  // the first appinfo of the element's own annotation, or nullptr
};

struct xmlSchema_t;

// Reads the files (names relative to `directory`; empty names are skipped). On failure
// returns nullptr and, when `why` is given, writes the reason there.
xmlSchema_t *xmlSchemaParse(const char *const *names, int count, const char *directory,
                            char *why = nullptr, size_t whySize = 0);
// The same over texts in memory; `names` only label them in reasons.
struct xmlSchemaText_t {
    const char *name;
    const char *text;
    size_t length;
};
xmlSchema_t *xmlSchemaParseTexts(const xmlSchemaText_t *texts, int count, char *why = nullptr,
                                 size_t whySize = 0);
void xmlSchemaFree(xmlSchema_t *schema);

// The child element `name` of the first complex type named `container` (in file order)
// that has one; with no container, the top-level element `name`. nullptr when not found.
const xmlSchemaElement_t *xmlSchemaFindNode(const char *name, const char *container,
                                            const xmlSchema_t *schema);
// XML_SCHEMA_COMPLEX when the element's type is complex, else XML_SCHEMA_SIMPLE.
int xmlSchemaElementKind(const xmlSchemaElement_t *element);
const char *xmlSchemaAppUtilGetElementName(const xmlSchemaElement_t *element);
