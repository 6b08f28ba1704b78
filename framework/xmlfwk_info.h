// Object information: what the schema says about an external object, its fields in schema
// order and the metadata of its annotations (see README.md for the annotation format).
// Built once by the registry; read-only afterwards. Names and appinfo nodes point into
// the schema, which outlives the information.
#pragma once
#include "platform/xmldom.h"
#include "platform/xmldom_schema.h"

enum { XML_FWK_KIND_SEQUENCE = 1, XML_FWK_KIND_SIMPLE = 2 };
enum {
    XML_FWK_MAX_FIELDS = 199,  // descriptors of one type
    XML_FWK_MAX_SPLIT = 200,   // index or other descriptors of one object
    XML_FWK_MAX_NAMEINFO = 400,
    // Descriptors of one object, nested ones included: types that share child types could
    // otherwise multiply them beyond any memory.
    XML_FWK_MAX_DESCRIPTORS = 1024,  // the generated schema needs 63 at most
};

struct xmlFwkTypeInfo_t {
    int kind;          // XML_FWK_KIND_SEQUENCE: child elements; XML_FWK_KIND_SIMPLE: a value
    const char *name;  // the element's name
    const xmlSchemaElement_t *element;  // its child elements: element->type->children
    xmlDomNode_t *appinfo;              // the element's metadata, or nullptr
};

struct xmlFwkFieldList_t;

struct xmlFwkFieldDesc_t {
    int kind;              // as xmlFwkTypeInfo_t
    const char *name;      // the element's name: the field's external name
    const char *enumType;  // a simple field of a named simple type: its name; else nullptr
    const char *baseType;  // the declared type
    int enumCount;
    const char *const *enumValues;  // the enumeration facets of enumType
    xmlFwkTypeInfo_t typeInfo;
    // The field's "nameinfo" element: below its own appinfo, else below the appinfo of the
    // type it belongs to; nullptr when neither has one.
    xmlDomNode_t *nameinfo;
    xmlFwkFieldList_t *nested;  // XML_FWK_KIND_SEQUENCE: the nested type's fields
};

struct xmlFwkFieldList_t {
    int count;
    xmlFwkFieldDesc_t *fields[XML_FWK_MAX_SPLIT];
};

struct xmlFwkObjectInfo_t {
    char *name;       // external object name
    char *container;  // the schema container it was found in
    xmlFwkTypeInfo_t typeInfo;
    xmlFwkFieldList_t *fields;       // owns the descriptors (nullptr for a simple type)
    xmlFwkFieldList_t *indexFields;  // those whose "access" holds "INDEX"
    xmlFwkFieldList_t *otherFields;  // all others
};

// The information of external object `name` ("VlanConfig", found as element "vlanConfig"
// of `container`), or nullptr when the schema does not describe it (or describes more
// than XML_FWK_MAX_DESCRIPTORS fields, which is printed).
xmlFwkObjectInfo_t *xmlFwkBuildObjectInfo(const xmlSchema_t *schema, const char *name,
                                          const char *container);
void xmlFwkFreeObjectInfo(xmlFwkObjectInfo_t *info);

// Metadata `key` of a field: the text of appinfo's child element `key`; else, with a
// field name, attribute `key` of the first "nameinfo" element below appinfo whose
// "extName" is the field name. nullptr when there is none.
const char *xmlFwkGetMeta(xmlDomNode_t *appinfo, const char *key, const char *fieldName);
// The "nameinfo" element below appinfo whose "extName" is the field name, or nullptr.
xmlDomNode_t *xmlFwkNameinfo(xmlDomNode_t *appinfo, const char *fieldName);
// A field's metadata `key`: the text of its own appinfo's child element `key`, else the
// attribute `key` of its nameinfo element.
const char *xmlFwkFieldMeta(const xmlFwkFieldDesc_t *field, const char *key);
// A metadata element of a field ("typeMap", "special"): a child of its own appinfo, else
// of its nameinfo element.
xmlDomNode_t *xmlFwkFieldMetaElement(const xmlFwkFieldDesc_t *field, const char *name);
