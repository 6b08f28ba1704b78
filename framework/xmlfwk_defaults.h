// What the registry stores in callback slots that no object handler filled, and the
// registrations of the object handlers, which xmlFwkInit runs in this order: port and
// VLAN, AAA, SSH and telnet access, switch save, identity manager, IPFIX port.
#pragma once
#include "framework/xmlfwk_registry.h"

void xmlFwkDefaultGet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
                      xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                      char **message, int *status, int *flags);
void xmlFwkDefaultSet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *values,
                      xmlFwkValueList_t *unused, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                      char **message, int *status);
void xmlFwkDefaultFill(xmlDomNode_t *parent, int op, xmlFwkValue_t *record,
                       xmlFwkValue_t *templateRecord, const char *internalObject,
                       const char *externalObject, xmlFwkObjectInfo_t *info);

void xmlFwkRegisterHandlers();
