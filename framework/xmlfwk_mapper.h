// Translation of field values between their external form (what clients see) and their
// internal form (what the configuration manager keeps): the value mapper read from
// "valueMapper.xml", the built-in enumerations, and value type conversions.
#pragma once
#include <cstddef>

#include "framework/xmlfwk_value.h"
#include "platform/xmldom_hash.h"

enum { XML_FWK_TO_INTERNAL = 1, XML_FWK_TO_EXTERNAL = 2 };
enum { XML_FWK_MAP_TEXT_MAX = 4096 };  // longer values are not mapped

struct xmlFwkMapPair_t {
    char *north;  // external text
    char *south;  // internal text; "default" answers any internal text
};

struct xmlFwkMapObject_t;

struct xmlFwkMapField_t {
    char *name;  // external field name
    xmlFwkMapObject_t *object;
    int pairCount;
    xmlFwkMapPair_t *pairs;  // chosen for this platform
    xmlFwkMapField_t *next;  // of the same object
};

struct xmlFwkMapObject_t {
    char *name;  // external object name
    xmlFwkMapField_t *fields;
    xmlFwkMapObject_t *next;
};

struct xmlFwkValueMapper_t {
    xmlFwkMapObject_t *objects;
    xmlHash_t *byField;  // field name -> its xmlFwkMapField_t entries
};

// Reads a value mapper file for a platform type ("i386"). A missing or damaged file, or
// one without a "valueMapper" element, gives an empty mapper; nullptr only when memory
// runs out.
xmlFwkValueMapper_t *xmlFwkValueMapperLoad(const char *path, const char *platform);
void xmlFwkValueMapperFree(xmlFwkValueMapper_t *mapper);
// The entry of a field: with an object name, the one of that object; without, the only
// one (several print a complaint and give none).
const xmlFwkMapField_t *xmlFwkValueMapperFind(const xmlFwkValueMapper_t *mapper,
                                              const char *fieldName, const char *objectName);

// One text value, held in `buffer` (`size` bytes), translated in place through the
// registry's value mapper or the built-in enumerations. External to internal also
// converts the record's value types for every op but a get. Return the buffer; a value
// without a mapping, or whose translation does not fit, is left as it is.
char *xmlFwkExtToInt(const char *objectName, xmlFwkValue_t *record, char *buffer, size_t size,
                     int op);
char *xmlFwkIntToExt(const char *objectName, xmlFwkValue_t *record, char *buffer, size_t size);
// Every value of the list, nested ones included, in `direction` (XML_FWK_TO_*).
void xmlFwkMapValues(const char *objectName, xmlFwkValueList_t *list, int direction, int op);
// Replaces the record's text value by its conversion between value types (xmlFwkTypeId
// ids); pairs without a conversion, and values that do not convert, stay as they are.
void xmlFwkConvertType(int fromType, int toType, xmlFwkValue_t *record);
