// The platform's NETCONF and SOAP node utilities, over the XML tree library: a SOAP
// envelope read into its parts, the NETCONF rpc it carries, and the rpc-reply and
// rpc-error elements of NETCONF base 1.0.
//
// Names are matched by their local part: "rpc", "netb:rpc" and "nc:rpc" are all the rpc
// element, whatever prefix the client bound to the namespace.
#pragma once
#include <cstddef>

#include "platform/xmldom.h"

#define NETCONF_BASE_NS "urn:ietf:params:xml:ns:netconf:base:1.0"

// A parsed SOAP envelope. The document owns every node; header and body are nullptr
// when the envelope has none.
struct soapNode_t {
    xmlDomNode_t *document;
    xmlDomNode_t *envelope;
    xmlDomNode_t *header;
    xmlDomNode_t *body;
};

// nullptr when the text is not well-formed XML or its root is not an Envelope.
soapNode_t *soapBuildNode(const char *text, size_t length);
void soapFreeSoapNode(soapNode_t *node);

// The part of an element name after its prefix ("rpc" of "netb:rpc").
const char *soapLocalName(const char *name);
// The first element below `node` (depth first, the node itself excluded) whose local
// name is `localName`, or nullptr.
xmlDomNode_t *soapFindElement(xmlDomNode_t *node, const char *localName);
// The elements below `node` whose local name is `localName`, in document order, as
// xmlDomGetCompleteNodeListByTagName lists them (released with xmlDomFreeNodeList).
int soapFindElements(xmlDomNode_t *node, const char *localName, xmlDomNodeList_t **list);
// The first child element of `node` whose local name is `localName`, or nullptr.
xmlDomNode_t *soapFindChild(xmlDomNode_t *node, const char *localName);

// The rpc element among the body's children, or nullptr.
xmlDomNode_t *rpcGetRpcNode(xmlDomNode_t *body);
// The operation the rpc carries: its first child element, or nullptr.
xmlDomNode_t *rpcGetContent(xmlDomNode_t *rpc);
// A new "rpc-reply" element in the NETCONF namespace (flags are accepted and ignored);
// the caller frees it with xmlDomFreeNode.
xmlDomNode_t *rpcReplyCreate(int flags);

// Error codes of netconfCreateError, numbered in the order of the NETCONF standard's
// lists of error tags and error types.
enum {
    NETCONF_TAG_IN_USE = 1,
    NETCONF_TAG_INVALID_VALUE,
    NETCONF_TAG_TOO_BIG,
    NETCONF_TAG_MISSING_ATTRIBUTE,
    NETCONF_TAG_BAD_ATTRIBUTE,
    NETCONF_TAG_UNKNOWN_ATTRIBUTE,
    NETCONF_TAG_MISSING_ELEMENT,
    NETCONF_TAG_BAD_ELEMENT,
    NETCONF_TAG_UNKNOWN_ELEMENT,
    NETCONF_TAG_UNKNOWN_NAMESPACE,
    NETCONF_TAG_ACCESS_DENIED,
    NETCONF_TAG_LOCK_DENIED,
    NETCONF_TAG_RESOURCE_DENIED,
    NETCONF_TAG_ROLLBACK_FAILED,
    NETCONF_TAG_DATA_EXISTS,
    NETCONF_TAG_DATA_MISSING,
    NETCONF_TAG_OPERATION_NOT_SUPPORTED,
    NETCONF_TAG_OPERATION_FAILED,
    NETCONF_TAG_PARTIAL_OPERATION,
};
enum {
    NETCONF_TYPE_TRANSPORT = 1,
    NETCONF_TYPE_RPC,
    NETCONF_TYPE_PROTOCOL,
    NETCONF_TYPE_APPLICATION,
};
enum { NETCONF_SEVERITY_ERROR = 0, NETCONF_SEVERITY_WARNING = 1 };

// A new "rpc-error" element in the NETCONF namespace holding error-type, error-tag,
// error-severity and, when `message` is given, error-message (escaped as a value).
// A code outside its list is written as the first of the list. nullptr when memory
// runs out.
xmlDomNode_t *netconfCreateError(int tag, int type, int severity, const char *message);

// The value of the element's XML Schema instance type attribute: "xsi:type", or "p:type"
// where the element or an ancestor binds p to the XML Schema instance namespace; nullptr
// when it has none.
const char *soapTypeAttribute(const xmlDomNode_t *node);
