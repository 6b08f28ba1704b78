// SNMP access (GeneralConfig: the SSH and telnet servers' switches) and the switch's
// save (SwitchInfo: saving the configuration is a field of the switch).
#include <stdsoap2.h>

#include <cstring>
#include <string>

#include "cmclient/cm.h"
#include "framework/xmlfwk_handlers.h"
#include "framework/xmlfwk_tables.h"
#include "platform/wsvdreq.h"

using namespace xmlFwkHandler;

namespace {

bool is(const char *a, const char *b) {
    return a && b && strcmp(a, b) == 0;
}

const char *requestObjectName(xmlDomNode_t *request) {
    xmlDomNode_t *object = xmlFwkRequestObject(request);
    return object ? object->name : nullptr;
}

// A switch without an SSH server does not answer for it: that reads as "2".
void accessGet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
               xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
               char **message, int *status, int *flags) {
    xmlFwkDefaultGet(soap, op, index, filter, reply, info, request, message, status, flags);
    const char *object = requestObjectName(request);
    if (is(object, "kasshd")) {
        xmlFwkValue_t *ssh = xmlFwkListFind(reply, "sshAccess");
        if (*status == 0 && ssh) {
            xmlFwkValueSetText(ssh, "2");
            *flags = XML_FWK_FLAG_CONSUMED;
        }
    } else if (is(object, "telnetd")) {
        xmlFwkValue_t *telnet = xmlFwkListFind(reply, "telnetAccess");
        if (*status == 1 && *message && telnet) {
            Reply r(*message);
            xmlFwkValueSetText(telnet, r.value("enable"));
            *flags = XML_FWK_FLAG_CONSUMED;
        }
    }
}

// The save field "yes" (internally "1") saves the running configuration as the one
// the switch starts with; "no" saves nothing.
void switchSave(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *values,
                xmlFwkValueList_t *unused, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                char **message, int *status) {
    if (find(request, "saveConfig")) {
        if (!is(findText(request, "name"), "1")) {
            *status = 1;
            return;
        }
        remove(request, "set");
        auto *record = soap ? static_cast<wsvdRequest *>(soap->user) : nullptr;
        if (!record) return setMessage(message, "Internal Error");
        std::string root = request->name;
        std::string text = "<" + root +
                           "><setop><saveConfig><name></name><set_def>0</set_def>"
                           "</saveConfig></setop></" +
                           root + ">";
        xmlFwkSendToCfgmgr(record, xmlFwkRequestModule(request), CM_OP_SETOP, 0, text.c_str(),
                           message, status);
        op = XML_FWK_OP_SET;
        if (*status == 0) return;
    }
    if (find(request, "vlanGlobalConfig") || find(request, "cliSession")) {
        setMessage(message, nullptr);
        xmlFwkDefaultSet(soap, op, index, values, unused, info, request, message, status);
    }
}

}  // namespace

void xmlFwkRegisterAccessHandlers() {
    xmlFwkRegister(25, nullptr, accessGet, nullptr, 0);
}

void xmlFwkRegisterSwitchSaveHandler() {
    xmlFwkRegister(22, nullptr, nullptr, switchSave, 0);
}
