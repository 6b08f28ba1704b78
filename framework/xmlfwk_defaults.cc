// Stand-ins until the generic requests and the object handlers exist: the defaults
// refuse, and no handler registers anything.
#include "framework/xmlfwk_defaults.h"

void xmlFwkDefaultGet(soap *, int, xmlFwkValueList_t *, xmlFwkValueList_t *, xmlFwkValueList_t *,
                      xmlFwkObjectInfo_t *, xmlDomNode_t *, char **message, int *status,
                      int *flags) {
    if (message) *message = xmlStrdup("Operation not available");
    if (status) *status = 0;
    if (flags) *flags = 0;
}

void xmlFwkDefaultSet(soap *, int, xmlFwkValueList_t *, xmlFwkValueList_t *, xmlFwkValueList_t *,
                      xmlFwkObjectInfo_t *, xmlDomNode_t *, char **message, int *status) {
    if (message) *message = xmlStrdup("Operation not available");
    if (status) *status = 0;
}

void xmlFwkDefaultFill(xmlDomNode_t *, int, xmlFwkValue_t *, xmlFwkValue_t *, const char *,
                       const char *, xmlFwkObjectInfo_t *) {}

void xmlFwkRegisterHandlers() {}
