// The object information registry: which external objects exist, the callbacks that read
// and change each, and what the schema says about them. Built once by xmlFwkInit on the
// main thread before requests are served, and only read afterwards: every callback slot
// is filled (with the generic defaults where a handler left it empty) before xmlFwkInit
// returns, so requests never write to it.
#pragma once
#include <cstdint>

#include "framework/xmlfwk_info.h"
#include "framework/xmlfwk_mapper.h"
#include "framework/xmlfwk_value.h"
#include "platform/ems.h"
#include "platform/xmldom.h"
#include "platform/xmldom_schema.h"

struct soap;

// Sends one get and reports: *status 0 failure, 1 success, 2 success with more objects to
// come; *message the reply data on success (heap text, nullptr when none) or the error;
// *flags XML_FWK_FLAG_* bits.
typedef void (*xmlFwkGet_t)(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
                            xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info,
                            xmlDomNode_t *request, char **message, int *status, int *flags);
// Sends one set, create or delete, reporting as a get does.
typedef void (*xmlFwkSet_t)(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *values,
                            xmlFwkValueList_t *unused, xmlFwkObjectInfo_t *info,
                            xmlDomNode_t *request, char **message, int *status);
// Appends one field's elements to the internal object element of a request being built
// (record nullptr when the list is empty).
typedef void (*xmlFwkFill_t)(xmlDomNode_t *parent, int op, xmlFwkValue_t *record,
                             xmlFwkValue_t *templateRecord, const char *internalObject,
                             const char *externalObject, xmlFwkObjectInfo_t *info);

enum {
    XML_FWK_FLAG_CONSUMED = 1,  // the callback consumed the reply: do not parse it
    XML_FWK_FLAG_SKIP = 2,      // do not write this instance
    XML_FWK_FLAG_NO_FILTER = 4,
};

struct xmlFwkCallbacks_t {
    int32_t soapType;  // from xmlFwkObjectTable; XML_FWK_NO_SOAP_TYPE when not in it
    int32_t objectId;
    char *name;  // from xmlFwkObjectTable; nullptr when not in it
    xmlFwkGet_t get;
    xmlFwkSet_t set;
    uint32_t flags;
    xmlFwkFill_t fill;
    xmlFwkCallbacks_t *next;  // registration order
};

// The container of every external object in the schema.
#define XML_FWK_CONTAINER "AccessObject"

// Builds the registry from "xsdlist.lst" (one schema file name a line, relative to the
// directory), the schema files it names and "valueMapper.xml". 1 when built; 0 when the
// list is missing or names no file, or the schema files are refused (the reason is
// printed); the registry is then empty.
int xmlFwkInit(const char *directory);
// The same with the object handlers' registrations in `registerHandlers` (xmlFwkInit
// passes xmlFwkRegisterHandlers).
int xmlFwkInitWith(const char *directory, void (*registerHandlers)());
// Back to empty. The daemon keeps its registry for good; tests start over.
void xmlFwkFree();

// Registers or replaces (all slots, absent ones included) an object's callbacks. Only
// before xmlFwkInit has finished.
void xmlFwkRegister(int objectId, xmlFwkFill_t fill, xmlFwkGet_t get, xmlFwkSet_t set,
                    uint32_t flags);
const xmlFwkCallbacks_t *xmlFwkFindCallbacks(const char *name);
const xmlFwkCallbacks_t *xmlFwkCallbackList();
// The information of an object; with no container there must be exactly one entry.
xmlFwkObjectInfo_t *xmlFwkGetObjectInfo(const char *name, const char *container);

const xmlSchema_t *xmlFwkSchema();
const xmlFwkValueMapper_t *xmlFwkValueMapper();

// The framework's trace buffer ("xmlfwk"); started last by xmlFwkInit.
void initXmlFwkLog();
emsTrace_t *xmlFwkLog();
