#include "framework/xmlfwk_request.h"

#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>

#include "framework/xmlfwk_tables.h"
#include "platform/netconf_util.h"
#include "session/session_auth.h"
#include "soap/cm_exchange.h"
#include "soap/soap_util.h"
#include "soap/wsvd_handlers.h"
#include "soap/wsvd_soap.h"

namespace {

enum { kHeaderTextMax = 1024 };  // a longer "hdr" block in the body is not read

struct NodeFree {
    void operator()(xmlDomNode_t *n) const { xmlDomFreeNode(n); }
};

struct ListFree {
    void operator()(xmlDomNodeList_t *l) const { xmlDomFreeNodeList(l); }
};
using NodeList = std::unique_ptr<xmlDomNodeList_t, ListFree>;

NodeList elementsNamed(xmlDomNode_t *node, const char *localName) {
    xmlDomNodeList_t *list = nullptr;
    soapFindElements(node, localName, &list);
    return NodeList(list);
}

struct Located {
    xmlDomNode_t *object = nullptr;
    std::string name;
    std::string category;
};

// The external object an element names: "VlanConfig" for "vlanConfig" or "VlanConfig",
// whatever its prefix.
std::string objectName(const xmlDomNode_t *element) {
    std::string name = soapLocalName(element->name);
    if (name[0] >= 'a' && name[0] <= 'z') name[0] = char(name[0] - 32);
    return name;
}

// The object element of a request whose filter's type the SOAP layer did not know.
Located locateUntyped(xmlDomNode_t *top) {
    Located at;
    NodeList switchObjects = elementsNamed(top, "switchObject");
    // One switchObject with the object and its module named.
    xmlDomNode_t *object = switchObjects && switchObjects->count == 1
                               ? soapFindChild(switchObjects->nodes[0], "object")
                               : nullptr;
    if (object) {
        at.object = xmlDomGetFirstChild(object);
        if (at.object) at.name = objectName(at.object);
        if (xmlDomNode_t *module = soapFindChild(switchObjects->nodes[0], "module"))
            at.category = xmlDomGetData(module);
        return at;
    }
    // A filter whose type names the category: "vlan:VlanConfig".
    NodeList filters = elementsNamed(top, "filter");
    for (int i = 0; filters && i < filters->count; i++) {
        const char *type = soapTypeAttribute(filters->nodes[i]);
        const char *colon = type ? strchr(type, ':') : nullptr;
        if (!colon) continue;
        at.object = filters->nodes[i];
        at.category.assign(type, size_t(colon - type));
        at.name = colon + 1;
        return at;
    }
    // switchObject / vlanObject / moduleObject / vlanConfig.
    if (!switchObjects) return at;
    xmlDomNode_t *holder = xmlDomGetFirstChild(switchObjects->nodes[0]);
    const char *holderName = holder ? soapLocalName(holder->name) : "";
    const char *objectWord = strstr(holderName, "Object");
    xmlDomNode_t *module = xmlDomGetFirstChild(holder);
    if (!objectWord || !module || !strstr(soapLocalName(module->name), "moduleObject")) return at;
    at.category.assign(holderName, size_t(objectWord - holderName));
    at.object = xmlDomGetFirstChild(module);
    if (at.object) at.name = objectName(at.object);
    return at;
}

int modeOf(xmlDomNode_t *document, int op) {
    if (op != XML_FWK_OP_GET) return -1;
    const char *action = xmlDomGetAttributeValue(soapFindElement(document, "getRequest"), "action");
    return action && strcmp(action, "next") == 0 ? XML_FWK_MODE_NEXT : 0;
}

// Objects of one "next" page: 1 without a maxSize, -1 (one object) for a negative one,
// at most XML_FWK_PAGE_MAX.
int maxSizeOf(xmlDomNode_t *document) {
    const char *text = xmlDomGetAttributeValue(soapFindElement(document, "getRequest"), "maxSize");
    if (!text) return 1;
    long value = strtol(text, nullptr, 10);
    if (value < 0) return -1;
    return value > XML_FWK_PAGE_MAX ? XML_FWK_PAGE_MAX : int(value);
}

// The session header echoed after a result, written as values.
std::string headerEcho(const wsvdClientHeader_t &hdr) {
    std::unique_ptr<xmlDomNode_t, NodeFree> echo(xmlDomCreateElement("hdr"));
    std::string reqId = std::to_string(int(hdr.reqId));
    for (auto [name, text] : {std::pair{"reqId", reqId.c_str()}, {"sessionId", hdr.sessionId}}) {
        xmlDomNode_t *child = xmlDomCreateCharacterNode(name, text);
        if (!child || !echo || xmlDomAppendChild(echo.get(), child) != 0) {
            xmlDomFreeNode(child);
            return "";
        }
    }
    char text[256];
    return xmlDomBuildXmlData(echo.get(), text, sizeof text, XML_DOM_WRITE_COMPACT) < 0 ? "" : text;
}

}  // namespace

int xmlFwkSessionAccess(soap *soap, int op, wsvdClientHeader_t *bodyHeader) {
    memset(bodyHeader, 0, sizeof *bodyHeader);
    auto *r = static_cast<wsvdRequest *>(soap->user);
    const char *sessionId = nullptr;
    const com__ClientHeader *header = wsvdSoapSessionHeader(soap);
    if (header && header->sessionId) {
        sessionId = header->sessionId->c_str();
    } else if (serviceBodyHeader(serviceRequestText(r), kHeaderTextMax, bodyHeader)) {
        sessionId = bodyHeader->sessionId;
    }
    return wsvdSessionCheck(sessionId, r ? r->clientKind : 0, op);
}

int xmlFwkParseRequest(soap *soap, int op, int soapType, xmlFwkResult_t *result) {
    std::string text = serviceRequestText(static_cast<wsvdRequest *>(soap->user));
    std::unique_ptr<xmlDomNode_t, NodeFree> document(xmlDomParseXmlData(text.data(), text.size()));
    if (!document) {
        printf("Could not parse input request\n");
        result->set("Could not parse input request");
        return 0;
    }
    int mode = modeOf(document.get(), op);

    Located at;
    if (soapType != 0) {
        at.object = soapFindElement(document.get(), "filter");
        const char *name = xmlFwkNameBySoapType(soapType);
        const char *category = xmlFwkCategoryBySoapType(soapType);
        at.name = name ? name : "";
        at.category = category ? category : "";
    } else {
        at = locateUntyped(xmlDomGetFirstChild(document.get()));
    }
    if (at.name.empty() || at.category.empty()) {
        printf("Object not registered with the framework, soapId  - %d\n", soapType);
        result->set("Object not registered with the framework");
        return 0;
    }
    // The processor knows the object by its element's name.
    if (!at.object || xmlDomSetNodeName(at.object, at.name.c_str()) != 0) {
        printf("Could not handle request, can not understand requested object: %s\n",
               at.name.c_str());
        result->set("Object may not be registered with framework");
        return 0;
    }
    int maxSize = mode == XML_FWK_MODE_NEXT ? maxSizeOf(document.get()) : -1;
    int status = 0;
    xmlFwkProcess(soap, at.category.c_str(), at.object, op, XML_FWK_CONTAINER, result, &status,
                  "xsi:type", 0, mode, maxSize);
    if (status && op != XML_FWK_OP_GET) result->text.clear();
    return status;
}

int xmlFwkRequest(soap *soap, int op, int soapType, char **result) {
    *result = nullptr;
    wsvdClientHeader_t bodyHeader;
    int access = xmlFwkSessionAccess(soap, op, &bodyHeader);
    if (access < 0) return cmFault(soap, CM_FAULT_INVALID_SESSION);
    if (access == 0 && op != XML_FWK_OP_GET) return cmFault(soap, CM_FAULT_NO_WRITE);

    xmlFwkResult_t answer;
    answer.size = op == XML_FWK_OP_GET ? XML_FWK_GET_RESULT_SIZE : XML_FWK_SET_RESULT_SIZE;
    if (!xmlFwkParseRequest(soap, op, soapType, &answer)) return cmFault(soap, answer.text.c_str());
    if (bodyHeader.sessionId[0]) {
        std::string echo = headerEcho(bodyHeader);
        if (answer.fits(echo.size())) answer.text += echo;
    }
    *result = soap_strdup(soap, answer.text.c_str());
    return *result ? 0 : cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
}

namespace {

// The type number of the request's filter: 0 when the SOAP layer read it as the base
// type, that is when its xsi:type named no object type it knows.
int filterType(const com__KarnBase *filter) {
    long type = filter ? filter->soap_type() : 0;
    return type == SOAP_TYPE_com__KarnBase ? 0 : int(type);
}

}  // namespace

int switchGet(struct soap *soap, _switch__getRequest *in, _switch__getResponse &out) {
    return xmlFwkRequest(soap, XML_FWK_OP_GET, filterType(in ? in->filter : nullptr),
                         &out.__result);
}

int switchSet(struct soap *soap, _switch__setRequest *in, _switch__setResponse &out) {
    return xmlFwkRequest(soap, XML_FWK_OP_SET, filterType(in ? in->filter : nullptr),
                         &out.__result);
}

int switchCreate(struct soap *soap, _switch__createRequest *in, _switch__createResponse &out) {
    return xmlFwkRequest(soap, XML_FWK_OP_CREATE, filterType(in ? in->filter : nullptr),
                         &out.__result);
}

int switchDelete(struct soap *soap, _switch__deleteRequest *in, _switch__deleteResponse &out) {
    return xmlFwkRequest(soap, XML_FWK_OP_DELETE, filterType(in ? in->filter : nullptr),
                         &out.__result);
}
