#include "framework/netconf.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/xmlfwk_request.h"
#include "framework/xmlfwk_tables.h"
#include "platform/netconf_util.h"
#include "soap/soap_util.h"
#include "soap/wsvd_handlers.h"

namespace {

struct SoapNodeFree {
    void operator()(soapNode_t *n) const { soapFreeSoapNode(n); }
};
struct NodeFree {
    void operator()(xmlDomNode_t *n) const { xmlDomFreeNode(n); }
};
using Node = std::unique_ptr<xmlDomNode_t, NodeFree>;

// The result becomes one rpc-error element; always 0, the failure.
int rpcError(xmlFwkResult_t *result, int tag, int type, const char *message) {
    Node error(netconfCreateError(tag, type, NETCONF_SEVERITY_ERROR, message));
    std::vector<char> text(2 * NETCONF_MESSAGE_MAX + 1024);
    if (!error ||
        xmlDomBuildXmlData(error.get(), text.data(), text.size(), XML_DOM_WRITE_COMPACT) < 0)
        text[0] = 0;
    result->set(text.data());
    return 0;
}

// The processor's message as an rpc-error of the application.
int processError(xmlFwkResult_t *result) {
    std::string message = result->text.substr(0, NETCONF_MESSAGE_MAX);
    return rpcError(result, NETCONF_TAG_INVALID_VALUE, NETCONF_TYPE_APPLICATION, message.c_str());
}

// The first "object" element below `holder`, renamed to the object its type names;
// nullptr when there is none or it has no type.
xmlDomNode_t *typedObject(xmlDomNode_t *holder) {
    xmlDomNode_t *object = soapFindElement(holder, "object");
    const char *type = soapTypeAttribute(object);
    if (!type) return nullptr;
    const char *colon = strchr(type, ':');
    std::string name = colon ? colon + 1 : type;
    return xmlDomSetNodeName(object, name.c_str()) == 0 ? object : nullptr;
}

// The session's access allows the operation: any valid session reads, a read-write one
// edits. 0 when it does not, with the rpc-error in the result.
int allowed(soap *soap, bool edit, xmlFwkResult_t *result) {
    wsvdClientHeader_t bodyHeader;
    int access = xmlFwkSessionAccess(soap, edit ? XML_FWK_OP_SET : XML_FWK_OP_GET, &bodyHeader);
    if (access < 0)
        return rpcError(result, NETCONF_TAG_ACCESS_DENIED, NETCONF_TYPE_PROTOCOL,
                        "Invalid session id");
    if (access == 0 && edit)
        return rpcError(result, NETCONF_TAG_ACCESS_DENIED, NETCONF_TYPE_PROTOCOL,
                        "No write permission");
    return 1;
}

int getConfig(soap *soap, xmlDomNode_t *operation, xmlDomNode_t *reply, xmlFwkResult_t *result) {
    xmlDomNode_t *filter = soapFindElement(operation, "filter");
    xmlDomNode_t *object = typedObject(filter);
    if (!object)
        return rpcError(result, NETCONF_TAG_UNKNOWN_ELEMENT, NETCONF_TYPE_APPLICATION,
                        "Invalid Object");
    xmlDomUtilDumpNodeInXmlFormat(object, XML_DOM_WRITE_INDENTED, stdout);
    xmlDomNode_t *data = xmlDomCreateElement("data");
    if (!data || xmlDomAppendChild(reply, data) != 0) {
        xmlDomFreeNode(data);
        return rpcError(result, NETCONF_TAG_OPERATION_FAILED, NETCONF_TYPE_APPLICATION, nullptr);
    }
    if (const char *ns = xmlDomGetAttributeValue(filter, "xmlns"))
        xmlDomSetAttribute(data, "xmlns", ns);

    int status = 0;
    xmlFwkProcess(soap, "aaa", object, XML_FWK_OP_GET, XML_FWK_CONTAINER, result, &status, "", 0, 1,
                  0);
    if (!status) return processError(result);
    // The objects are already XML: they go into "data" as markup.
    xmlDomSetData(data, result->text.c_str());
    std::vector<char> text(result->size);
    if (xmlDomBuildXmlData(data, text.data(), text.size(), XML_DOM_WRITE_COMPACT) < 0) {
        result->set("The answer is too large");
        return processError(result);
    }
    result->set(text.data());
    return 1;
}

int editConfig(soap *soap, xmlDomNode_t *operation, xmlFwkResult_t *result) {
    xmlDomNode_t *object = typedObject(soapFindElement(operation, "top"));
    if (!object)
        return rpcError(result, NETCONF_TAG_UNKNOWN_ELEMENT, NETCONF_TYPE_APPLICATION,
                        "Invalid Object");
    int status = 0;
    xmlFwkProcess(soap, "aaa", object, XML_FWK_OP_SET, XML_FWK_CONTAINER, result, &status, "", 0, 1,
                  0);
    if (!status) return processError(result);
    result->set("<ok/>");
    return 1;
}

// The rpc's other attributes onto the reply. Namespace declarations stay behind: the
// SOAP layer writes those it needs.
void copyAttributes(soap *soap, const soap_dom_attribute *from, soap_dom_attribute *to) {
    soap_dom_attribute *last = nullptr;
    for (const soap_dom_attribute *a = from; a; a = a->next) {
        if (!a->name || !a->text || strncmp(a->name, "xmlns", 5) == 0) continue;
        soap_dom_attribute *copy = last ? soap_att_new(soap, a->nstr, a->name) : to;
        if (!copy) return;
        if (!last) soap_att_set(copy, a->nstr, a->name);
        soap_att_text(copy, a->text);
        if (last) last->next = copy;
        last = copy;
    }
}

}  // namespace

int netconfProcess(soap *soap, xmlFwkResult_t *result) {
    std::string text = serviceRequestText(static_cast<wsvdRequest *>(soap->user));
    std::unique_ptr<soapNode_t, SoapNodeFree> node(soapBuildNode(text.data(), text.size()));
    if (!node || !node->body)
        return rpcError(result, NETCONF_TAG_INVALID_VALUE, NETCONF_TYPE_TRANSPORT,
                        "Could not parse input request");
    xmlDomNode_t *rpc = rpcGetRpcNode(node->body);
    if (!rpc)
        return rpcError(result, NETCONF_TAG_INVALID_VALUE, NETCONF_TYPE_RPC,
                        "Could not found rpc element");
    Node reply(rpcReplyCreate(0));
    if (!reply) return rpcError(result, NETCONF_TAG_OPERATION_FAILED, NETCONF_TYPE_RPC, nullptr);
    xmlDomCopyAttributes(reply.get(), rpc, 0);
    xmlDomNode_t *operation = rpcGetContent(rpc);
    if (!operation)
        return rpcError(result, NETCONF_TAG_INVALID_VALUE, NETCONF_TYPE_RPC,
                        "Could not found netconf operation element");

    const char *name = soapLocalName(operation->name);
    bool read = strcmp(name, "get-config") == 0 || strcmp(name, "get") == 0;
    bool edit = strcmp(name, "edit-config") == 0;
    if (!allowed(soap, edit, result)) return 0;
    if (read) return getConfig(soap, operation, reply.get(), result);
    if (edit) return editConfig(soap, operation, result);
    return rpcError(result, NETCONF_TAG_OPERATION_NOT_SUPPORTED, NETCONF_TYPE_PROTOCOL, nullptr);
}

int netconfRpc(struct soap *soap, netb__rpcType *in, _netb__rpc_reply &out) {
    xmlFwkResult_t result;
    result.size = NETCONF_RESULT_SIZE;
    if (!netconfProcess(soap, &result)) {
        const char *detail = soap_strdup(soap, result.text.c_str());
        return soap_sender_fault(soap, nullptr, detail);
    }
    if (in) {
        out.message_id = in->message_id;
        copyAttributes(soap, &in->__anyAttribute, &out.__anyAttribute);
    }
    out.__content = soap_strdup(soap, result.text.c_str());
    return out.__content ? 0 : soap_sender_fault(soap, "Out of memory", nullptr);
}
