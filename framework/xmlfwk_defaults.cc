#include "framework/xmlfwk_defaults.h"

#include <stdsoap2.h>

#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>

#include "cmclient/cm.h"
#include "framework/idmgr_objects.h"
#include "framework/xmlfwk_handlers.h"
#include "framework/xmlfwk_tables.h"
#include "platform/util.h"
#include "platform/wsvdreq.h"
#include "soap/cm_exchange.h"

namespace {

enum {
    kModuleNameMax = 99,  // characters of a module name in "module_<name>"
    kTraceTextMax = 1024,
};

const char *const kRowStatus[] = {"configure", "create", "delete"};  // ops 6, 7, 8

// The text of every element whose name holds "assword" ("password", "authPassword")
// becomes "*****": request texts of account objects carry them, and the trace is a file.
void maskPasswords(std::string &text) {
    for (size_t open = text.find('<'); open != std::string::npos; open = text.find('<', open + 1)) {
        size_t close = text.find('>', open);
        if (close == std::string::npos) return;
        std::string_view tag(text.data() + open + 1, close - open - 1);
        if (tag.empty() || tag[0] == '/' || tag.back() == '/' ||
            tag.substr(0, tag.find(' ')).find("assword") == std::string_view::npos)
            continue;
        size_t end = text.find('<', close);
        if (end == std::string::npos) end = text.size();
        text.replace(close + 1, end - close - 1, "*****");
    }
}

// The framework's trace, at most kTraceTextMax bytes a line.
void trace(const char *prefix, const char *text) {
    std::string line = prefix;
    line.append(text ? text : "", text ? strnlen(text, kTraceTextMax) : 0);
    maskPasswords(line);
    line += "\n";
    emsTraceLog(xmlFwkLog(), 1, line.data(), uint32_t(line.size()));
}

bool appendElement(xmlDomNode_t *parent, const char *name, const char *text) {
    xmlDomNode_t *child = xmlDomCreateCharacterNode(name, text ? text : "");
    if (child && xmlDomAppendChild(parent, child) == 0) return true;
    xmlDomFreeNode(child);
    return false;
}

// Sends a request node with `opType` and `getFlags`: written into its text buffer,
// then one exchange.
void sendNode(soap *soap, xmlDomNode_t *request, uint32_t opType, uint32_t getFlags, char **message,
              int *status) {
    *status = 0;
    *message = nullptr;
    auto *record = soap ? static_cast<wsvdRequest *>(soap->user) : nullptr;
    char text[XML_FWK_REQUEST_TEXT_MAX];
    if (!request || !record) {
        *message = xmlStrdup("Internal Error");
        return;
    }
    if (xmlDomBuildXmlData(request, text, sizeof text, XML_DOM_WRITE_COMPACT) < 0) {
        *message = xmlStrdup("Request too long: its text exceeds 8192 bytes");
        return;
    }
    xmlFwkSendToCfgmgr(record, xmlFwkRequestModule(request), opType, getFlags, text, message,
                       status);
}

}  // namespace

void xmlFwkDefaultGet(soap *soap, int op, xmlFwkValueList_t *, xmlFwkValueList_t *,
                      xmlFwkValueList_t *, xmlFwkObjectInfo_t *, xmlDomNode_t *request,
                      char **message, int *status, int *flags) {
    if (flags) *flags = 0;
    bool next = op == XML_FWK_OP_WALK || op == XML_FWK_OP_GET_NEXT;
    char *text = nullptr;
    int got = 0;
    sendNode(soap, request, CM_OP_GET, next ? CM_GET_NEXT : CM_GET_EXACT, &text, &got);
    if (status) *status = got;
    if (message)
        *message = text;
    else
        xmlFree(text);
}

void xmlFwkDefaultSet(soap *soap, int, xmlFwkValueList_t *, xmlFwkValueList_t *,
                      xmlFwkValueList_t *, xmlFwkObjectInfo_t *, xmlDomNode_t *request,
                      char **message, int *status) {
    char *text = nullptr;
    int got = 0;
    sendNode(soap, request, CM_OP_SET, 0, &text, &got);
    if (status) *status = got;
    if (message)
        *message = text;
    else
        xmlFree(text);
}

void xmlFwkDefaultFill(xmlDomNode_t *parent, int op, xmlFwkValue_t *record, xmlFwkValue_t *,
                       const char *, const char *, xmlFwkObjectInfo_t *) {
    if (!parent) return;
    if (op < XML_FWK_OP_GET_ONE || op > XML_FWK_OP_DELETE) {
        printf("Operation Type is not supported\n");
        return;
    }
    if (op >= XML_FWK_OP_SET) appendElement(parent, "rowStatus", kRowStatus[op - XML_FWK_OP_SET]);
    // Only text records name a field of the request; nested ones have no element of
    // their own in it.
    if (!record || record->kind != XML_FWK_VALUE_TEXT || op == XML_FWK_OP_NONE) return;
    const char *value = record->value.text;
    if ((op == XML_FWK_OP_WALK || op == XML_FWK_OP_GET_NEXT) && !value) return;
    if (!appendElement(parent, record->intName, value))
        trace("A field without an XML name is left out: ", record->intName);
}

void xmlFwkSendToCfgmgr(wsvdRequest *request, const char *module, uint32_t opType,
                        uint32_t getFlags, const char *text, char **message, int *status) {
    *message = nullptr;
    *status = 0;
    trace("", text);
    uint32_t got = cmExchange(request, opType, opType == CM_OP_SET ? 0 : getFlags, module, text);
    if (got != 0) {
        *status = got == 2 ? 2 : 1;
        if (!request->replyData) {
            *status = 0;
            *message = xmlStrdup("Backend Unknown error");
        } else if (request->replyData[0]) {
            // The record's copy is handed over rather than copied: walks read large data.
            *message = request->replyData;
            request->replyData = nullptr;
        }
    } else {
        const char *why = request->replyMessage;
        *message = xmlStrdup(why && *why ? why : "Internal Error");
    }
    cmExchangeClear(request);
    trace("", *message);
}

xmlDomNode_t *xmlFwkBuildModuleRequest(const char *module, const char *internalObject,
                                       const char *externalObjectName, int op,
                                       xmlFwkValueList_t *list, xmlFwkValueList_t *templateList,
                                       xmlFwkObjectInfo_t *info) {
    if (!module || strlen(module) > kModuleNameMax || !internalObject) return nullptr;
    std::string rootName = std::string("module_") + module;
    xmlDomNode_t *root = xmlDomCreateElement(rootName.c_str());
    if (!root) return nullptr;
    const char *operation = op >= XML_FWK_OP_GET_ONE && op <= XML_FWK_OP_GET_NEXT ? "get"
                            : op >= XML_FWK_OP_SET && op <= XML_FWK_OP_DELETE     ? "set"
                                                                                  : nullptr;
    if (!operation) return root;
    xmlDomNode_t *opElement = xmlDomCreateElement(operation);
    xmlDomNode_t *object = xmlDomCreateElement(internalObject);
    if (!opElement || xmlDomAppendChild(root, opElement) != 0 || !object ||
        xmlDomAppendChild(opElement, object) != 0) {
        xmlDomFreeNode(object);
        if (opElement && !opElement->parent) xmlDomFreeNode(opElement);
        xmlDomFreeNode(root);
        return nullptr;
    }

    const xmlFwkCallbacks_t *callbacks = xmlFwkFindCallbacks(info ? info->name : nullptr);
    xmlFwkFill_t fill = callbacks && callbacks->fill ? callbacks->fill : xmlFwkDefaultFill;
    int count = list ? list->count : 0;
    if (count == 0 && callbacks)
        fill(object, op, nullptr, nullptr, internalObject, externalObjectName, info);
    for (int i = 0; i < count; i++) {
        xmlFwkValue_t *record = &list->records[i];
        if (!callbacks) {
            if (record->kind == XML_FWK_VALUE_TEXT)
                appendElement(object, record->intName, record->value.text);
            continue;
        }
        // Gets carry values in their external types (a reply's values are converted on
        // arrival); a set's values were converted when its lists were mapped, so they
        // are not converted a second time.
        bool convert = op < XML_FWK_OP_SET && record->kind == XML_FWK_VALUE_TEXT &&
                       record->value.text && record->extType && record->intType;
        if (convert) xmlFwkConvertType(record->extType, record->intType, record);
        fill(object, op, record, xmlFwkListRecord(templateList, i), internalObject,
             externalObjectName, info);
        if (convert) xmlFwkConvertType(record->intType, record->extType, record);
    }
    return root;
}

xmlDomNode_t *xmlFwkRequestObject(xmlDomNode_t *request) {
    return xmlDomGetFirstChild(xmlDomGetFirstChild(request));
}

const char *xmlFwkRequestModule(const xmlDomNode_t *request) {
    const char *underscore = request ? strchr(request->name, '_') : nullptr;
    return underscore ? underscore + 1 : "";
}

void xmlFwkRegisterHandlers() {
    xmlFwkRegisterPortHandlers();
    xmlFwkRegisterVlanHandlers();
    xmlFwkRegisterAaaHandlers();
    xmlFwkRegisterAccessHandlers();
    xmlFwkRegisterSwitchSaveHandler();
    xmlFwkRegisterIdMgr();
}
