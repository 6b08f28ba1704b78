// The VLAN service: create and delete a VLAN, read one, list them all, through the
// configuration manager's module "vlan".
#include <algorithm>
#include <cstdio>
#include <cstring>
#include <string>

#include "cfgmgmt/cmBackend/src/cm_xml_text.h"
#include "cfgmgmt/objdefs/vlan_obj.h"
#include "cmclient/cm.h"
#include "session/session_auth.h"
#include "soap/cm_exchange.h"
#include "soap/soap_util.h"
#include "soap/wsvd_handlers.h"

namespace {

const char kVlanModule[] = "vlan";

int authenticate(wsvdRequest *r) {
    return wsvdRequestAuthenticate(r->userName, r->password, r->clientKind);
}

int refuseControl(struct soap *soap, const std::string &name, const std::string &vr) {
    if (int rc = cmRefuseControl(soap, "name", name)) return rc;
    return cmRefuseControl(soap, "vr", vr);
}

// Creation and deletion differ only in the row status they send.
int setVlanRow(struct soap *soap, const std::string *name, const std::string *vr,
               const char *rowStatus, cmTraceStyle trace) {
    wsvdRequest *r = serviceRequest(soap);
    int access = authenticate(r);
    if (access < 0) return cmFault(soap, CM_FAULT_NOT_VALID_USER);
    if (access == 0) return cmFault(soap, CM_FAULT_NO_WRITE);
    if (!name || !vr) return cmFault(soap, CM_FAULT_MISSING_ARGUMENT);
    if (name->empty()) return cmFault(soap, "Name can not be Null");
    if (vr->empty()) return cmFault(soap, "VR can not be Null");
    if (int rc = refuseControl(soap, *name, *vr)) return rc;

    char text[CM_TEXT_SIZE];
    snprintf(
        text, sizeof text,
        "<module_vlan><set><vlan><vrName>%s</vrName><name>%s</name><rowStatus>%s</rowStatus></vlan>"
        "</set></module_vlan>",
        cmXmlEscape(*vr).c_str(), cmXmlEscape(*name).c_str(), rowStatus);
    return cmSet(soap, r, kVlanModule, CM_OP_SET, text, CM_SET_ONE_IS_SUCCESS, trace, nullptr);
}

// Written piece by piece rather than with snprintf of two escaped copies: a listing
// prints one for each of its entries. Cut at CM_TEXT_SIZE - 1 characters all the same.
void printVlanKey(char *text, const char *vr, const char *name) {
    std::string key = "<module_vlan><get><vlan><vrName>";
    cmXmlEscapeAppend(key, vr);
    key += "</vrName><name>";
    cmXmlEscapeAppend(key, name);
    key += "</name></vlan></get></module_vlan>";
    size_t n = std::min(key.size(), size_t(CM_TEXT_SIZE - 1));
    memcpy(text, key.data(), n);
    text[n] = 0;
}

void fillVlanEntry(struct soap *soap, const cfgVlan_t *v, qtn__Vlan_VlanEntry &e) {
    char qos[16];
    snprintf(qos, sizeof qos, "%u", unsigned(v->qosProfile));
    e.name = serviceNewText(soap, v->name, CM_FIELD_MAX);
    e.vr = serviceNewText(soap, v->vrName, CM_FIELD_MAX);
    e.tag = serviceNewValue<LONG64>(soap, LONG64(v->tag));
    e.ipMtu = serviceNewValue<LONG64>(soap, LONG64(v->ipMtu));
    e.qosProfile = serviceNewText(soap, qos, CM_FIELD_MAX);
    e.isLoopbackEnabled = serviceNewValue<bool>(soap, v->loopbackEnable != 0);
    e.isIpForwardingEnabled = serviceNewValue<bool>(soap, v->ipForwarding != 0);
}

struct VlanWalk {
    struct soap *soap;
    qtn__Vlan_VlanEntrySequence *sequence;
};

void takeVlan(void *context, void *object, uint32_t, char *next) {
    auto *walk = static_cast<VlanWalk *>(context);
    walk->sequence->vlan.emplace_back();
    qtn__Vlan_VlanEntry &e = walk->sequence->vlan.back();
    fillVlanEntry(walk->soap, static_cast<cfgVlan_t *>(object), e);
    // The next key is the entry as reported, so names are taken as cut.
    printVlanKey(next, e.vr ? e.vr->c_str() : "", e.name ? e.name->c_str() : "");
}

void freeVlan(void *object) {
    cfgVlan_t_free(static_cast<cfgVlan_t *>(object));
}

}  // namespace

int wsvdOpCreateVlan(struct soap *soap, _qtnvlan__createVlan *request,
                     _qtnvlan__createVlanResponse &) {
    return setVlanRow(soap, request ? request->name : nullptr, request ? request->vr : nullptr,
                      "create", CM_TRACE_CREATE);
}

int wsvdOpDeleteVlan(struct soap *soap, _qtnvlan__deleteVlan *request,
                     _qtnvlan__deleteVlanResponse &) {
    return setVlanRow(soap, request ? request->name : nullptr, request ? request->vr : nullptr,
                      "delete", CM_TRACE_NONE);
}

int wsvdOpGetVlan(struct soap *soap, _qtnvlan__getVlan *request,
                  _qtnvlan__getVlanResponse &response) {
    wsvdRequest *r = serviceRequest(soap);
    if (authenticate(r) < 0) return cmFault(soap, CM_FAULT_NOT_VALID_USER);
    if (!request || !request->name || !request->vr) return cmFault(soap, CM_FAULT_MISSING_ARGUMENT);
    if (int rc = refuseControl(soap, *request->name, *request->vr)) return rc;

    char text[CM_TEXT_SIZE];
    printVlanKey(text, request->vr->c_str(), request->name->c_str());
    cmObjectParser_t *parser = cmObjectParserAlloc();
    if (!parser) return cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
    void *object = nullptr;
    int rc = cmGet(soap, r, parser, kVlanModule, CM_GET_EXACT, text, &object);
    cmObjectParserFree(parser);
    if (rc != 0 || !object) return rc;

    auto *vlan = static_cast<cfgVlan_t *>(object);
    qtn__Vlan_VlanEntry *entry = soap_new_qtn__Vlan_VlanEntry(soap);
    if (entry) fillVlanEntry(soap, vlan, *entry);
    cfgVlan_t_free(vlan);
    if (!entry) return cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
    response.reply = entry;
    return 0;
}

int wsvdOpGetAllVlan(struct soap *soap, _qtnvlan__getAllVlan *,
                     _qtnvlan__getAllVlanResponse &response) {
    wsvdRequest *r = serviceRequest(soap);
    int access = authenticate(r);
    if (access < 0) return cmFault(soap, CM_FAULT_NOT_VALID_USER);
    if (access == 0) return cmFault(soap, CM_FAULT_NO_WRITE);

    qtn__Vlan_VlanEntrySequence *sequence = soap_new_qtn__Vlan_VlanEntrySequence(soap);
    if (!sequence) return cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
    sequence->vlan.reserve(CM_WALK_MAX);
    VlanWalk context{soap, sequence};
    const cmWalk_t walk = {kVlanModule, "<module_vlan><get><vlan/></get></module_vlan>",
                           CM_WALK_MAX, takeVlan,
                           freeVlan,    &context};
    uint32_t count = 0;
    if (int rc = cmGetNextWalk(soap, r, &walk, &count)) return rc;
    response.reply = sequence;
    return 0;
}
