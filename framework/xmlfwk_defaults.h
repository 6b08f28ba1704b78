// What the registry stores in callback slots that no object handler filled, the calls
// with which object handlers build and send their own requests, and the registrations
// of the object handlers, which xmlFwkInit runs in this order: port and VLAN, AAA, SSH
// and telnet access, switch save, identity manager, IPFIX port.
//
// A request node is a tree "module_<module>" / "get" or "set" / <internal object> /
// field elements; values in it are escaped when it is written, so client text cannot
// change the request's shape.
#pragma once
#include <cstdint>

#include "framework/xmlfwk_registry.h"

struct wsvdRequest;

// Sends a request node as a get: op 3 and 4 ask for the object after the key
// (CM_GET_NEXT), every other op for the object the key names (CM_GET_EXACT).
void xmlFwkDefaultGet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
                      xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                      char **message, int *status, int *flags);
// Sends a request node as a set.
void xmlFwkDefaultSet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *values,
                      xmlFwkValueList_t *unused, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                      char **message, int *status);
// Appends one field for `op` to the internal object element `parent`: get ops the field
// element (op 2 always, ops 3 and 4 only with a value), set ops a "rowStatus"
// ("configure", "create", "delete") before it.
void xmlFwkDefaultFill(xmlDomNode_t *parent, int op, xmlFwkValue_t *record,
                       xmlFwkValue_t *templateRecord, const char *internalObject,
                       const char *externalObject, xmlFwkObjectInfo_t *info);

enum { XML_FWK_REQUEST_TEXT_MAX = 8192 };  // bytes of one request text, its zero included

// One exchange with the configuration manager for the request being served (`request`
// is soap->user). *status: 0 failure, 1 success, 2 success with more to come; *message
// (heap text, freed with xmlFree): the reply data on success (nullptr when it is empty),
// else the error. The text and the outcome go to the framework's trace.
void xmlFwkSendToCfgmgr(wsvdRequest *request, const char *module, uint32_t opType,
                        uint32_t getFlags, const char *text, char **message, int *status);

// A request node for `internalObject` of `module`: the operation element "get" (ops 2 to
// 4) or "set" (ops 6 to 8) or none, and one field per record of `list` added by the
// object's fill builder, which sees the record of `templateList` at the same position
// (an empty list makes one call without a record). nullptr when the module name is 100
// characters or longer, a name is not an XML name, or memory runs out. Freed with
// xmlDomFreeNode.
xmlDomNode_t *xmlFwkBuildModuleRequest(const char *module, const char *internalObject,
                                       const char *externalObjectName, int op,
                                       xmlFwkValueList_t *list, xmlFwkValueList_t *templateList,
                                       xmlFwkObjectInfo_t *info);
// The internal object element of a request node, or nullptr.
xmlDomNode_t *xmlFwkRequestObject(xmlDomNode_t *request);
// The module of a request node: its root element's name after the first "_".
const char *xmlFwkRequestModule(const xmlDomNode_t *request);

void xmlFwkRegisterHandlers();
