// Value records: the fields of one object instance with their metadata, the unit in which
// requests and replies are built. A list owns everything it points to (texts, nested
// lists, arrays and their lists), all from xmlCalloc/xmlStrdup, and is released whole
// with xmlFwkListFree by whoever created it.
#pragma once
#include "framework/xmlfwk_info.h"
#include "platform/xmldom.h"

enum { XML_FWK_VALUE_TEXT = 1, XML_FWK_VALUE_LIST = 2, XML_FWK_VALUE_ARRAY = 3 };
enum { XML_FWK_LIST_MAX = 200, XML_FWK_ARRAY_MAX = 1024 };

struct xmlFwkValueList_t;
struct xmlFwkValueArray_t;

struct xmlFwkValue_t {
    char *extName;    // external field name
    char *intName;    // internal field name: metadata "variable", else extName
    char *intObject;  // metadata "internalObject": a holder other than the object's own
    char *module;     // metadata "module": the module of intObject
    union {
        char *text;                 // XML_FWK_VALUE_TEXT
        xmlFwkValueList_t *list;    // XML_FWK_VALUE_LIST
        xmlFwkValueArray_t *array;  // XML_FWK_VALUE_ARRAY
    } value;                        // all nullptr: absent
    char *version;                  // metadata "version"
    char *access;                   // metadata "access": any of INDEX, READ, WRITE, QUERY
    int kind;                       // XML_FWK_VALUE_*
    char *enumType;                 // the field's named simple type
    char *enumText;                 // "'a','b'": never requested by this system's operations
    char *baseType;                 // filled only with enumText
    int extType;                    // value type ids (xmlFwkTypeId), 0 when none
    int intType;
    int special;  // 1 when the field's metadata holds a "special" element
};

struct xmlFwkValueList_t {
    int count;
    xmlFwkValue_t records[XML_FWK_LIST_MAX];
};

// One nested list per instance of a repeated nested field.
struct xmlFwkValueArray_t {
    int count;
    xmlFwkValueList_t *lists[XML_FWK_ARRAY_MAX];
};

xmlFwkValueList_t *xmlFwkListNew();
void xmlFwkListFree(xmlFwkValueList_t *list);
xmlFwkValueList_t *xmlFwkListCopy(const xmlFwkValueList_t *list);  // deep; nullptr on failure
// Appends a deep copy of the record. 0, or -1 when memory or the list ran out.
int xmlFwkListAppendCopy(xmlFwkValueList_t *list, const xmlFwkValue_t *record);
// Frees every text value (they become absent) through nested lists; an array is replaced
// by its first instance, which becomes a nested list.
void xmlFwkListClear(xmlFwkValueList_t *list);
// The first record of that external name, or nullptr.
xmlFwkValue_t *xmlFwkListFind(xmlFwkValueList_t *list, const char *extName);
xmlFwkValue_t *xmlFwkListRecord(xmlFwkValueList_t *list, int i);  // nullptr out of range
// The value of record i, or of the first record of that name, when its kind is `kind`
// (the text, list or array pointer); nullptr otherwise.
void *xmlFwkListValueAt(xmlFwkValueList_t *list, int i, int kind);
void *xmlFwkListValueOf(xmlFwkValueList_t *list, const char *extName, int kind);
// Removes the first record of that name; the records after it move up. 0, or -1 when none.
int xmlFwkListRemove(xmlFwkValueList_t *list, const char *extName);
// Whether any record, at any depth, has a value.
bool xmlFwkListHasValue(const xmlFwkValueList_t *list);
// Replaces a text record's value with a copy of `text` (nullptr: absent). 0, or -1.
int xmlFwkValueSetText(xmlFwkValue_t *record, const char *text);

// Appends one record per descriptor selected for `op` to `list`, valued from the client's
// object element (which may be nullptr). With `presentOnly`, a get takes only the fields
// the element names (when it names any) and gives absent ones the empty text. 0, or -1
// when memory or the list ran out.
int xmlFwkBuildValueList(xmlDomNode_t *objectNode, int op, const xmlFwkFieldList_t *descriptors,
                         xmlFwkValueList_t *list, int presentOnly);
// Copies values of a configuration manager reply into the list's text records (not into
// arrays), by internal name: from the reply node's children, or, with `replyIndex` (a
// document parsed for fast search), from the one element of that name in the whole reply
// (a name found more than once is not taken). Records that have a value are kept unless
// `overwrite`.
void xmlFwkFillFromReply(const char *objectName, xmlFwkValueList_t *list, xmlDomNode_t *replyNode,
                         int overwrite, xmlDomNode_t *replyIndex);
