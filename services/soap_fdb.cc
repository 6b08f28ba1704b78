// The FDB service: add and remove static forwarding-database entries, read one entry,
// list them all, through the configuration manager's module "fdb".
#include <cstdio>
#include <cstdlib>
#include <cstring>

#include "cfgmgmt/cmBackend/src/cm_print.h"
#include "cfgmgmt/cmBackend/src/cm_xml_text.h"
#include "cfgmgmt/objdefs/fdb_obj.h"
#include "cmclient/cm.h"
#include "session/session_auth.h"
#include "soap/cm_exchange.h"
#include "soap/soap_util.h"
#include "soap/wsvd_handlers.h"

namespace {

const char kFdbModule[] = "fdb";

int authenticate(wsvdRequest *r) {
    return wsvdRequestAuthenticate(r->userName, r->password, r->clientKind);
}

// -1 refused, 0 read-only, 1 read-write; faults for the first two.
int requireWrite(struct soap *soap, wsvdRequest *r) {
    int access = authenticate(r);
    if (access < 0) return cmFault(soap, CM_FAULT_NOT_VALID_USER);
    if (access == 0) return cmFault(soap, CM_FAULT_NO_WRITE);
    return 0;
}

// The request's texts that are given (null: not part of this request).
int refuseControl(struct soap *soap, const std::string *mac, const std::string *vlan,
                  const std::string *port) {
    if (int rc = cmRefuseControl(soap, "macAddress", *mac)) return rc;
    if (vlan)
        if (int rc = cmRefuseControl(soap, "vlan", *vlan)) return rc;
    return port ? cmRefuseControl(soap, "port", *port) : 0;
}

std::string portText(const fdb_show_t *f) {
    buffer_t b = {};
    bufferPutf(&b, "%P", const_cast<portlist_t *>(&f->port_list));
    std::string text = b.data ? b.data : "";
    free(b.data);
    return text;
}

// "0a:1b:ff:00:10:09": printed by hand, as a listing prints each entry's address twice
// and six conversions of snprintf cost more than the rest of the entry's text.
void macText(const uint8_t m[6], char out[18]) {
    static const char kHex[] = "0123456789abcdef";
    for (int i = 0; i < 6; i++) {
        out[3 * i] = kHex[m[i] >> 4];
        out[3 * i + 1] = kHex[m[i] & 15];
        out[3 * i + 2] = i < 5 ? ':' : 0;
    }
}

void fillFdbEntry(struct soap *soap, const fdb_show_t *f, qtn__Fdb_FdbEntry &e) {
    char mac[18];
    macText(f->mac_addr, mac);
    e.macAddress = serviceNewText(soap, mac);
    e.vlan = serviceNewText(soap, f->vlan_name, CM_FIELD_MAX);
    e.port = serviceNewText(soap, portText(f).c_str(), CM_FIELD_MAX);
    e.age = serviceNewValue<LONG64>(soap, LONG64(f->age));
    e.isStatic = serviceNewValue<bool>(soap, strchr(f->flags, 's') != nullptr);
    e.isPermanent = serviceNewValue<bool>(soap, strchr(f->flags, 'p') != nullptr);
}

struct FdbWalk {
    struct soap *soap;
    qtn__Fdb_FdbEntrySequence *sequence;
};

void takeFdb(void *context, void *object, uint32_t, char *next) {
    auto *walk = static_cast<FdbWalk *>(context);
    const auto *f = static_cast<const fdb_show_t *>(object);
    walk->sequence->fdb.emplace_back();
    fillFdbEntry(walk->soap, f, walk->sequence->fdb.back());
    char mac[18];
    macText(f->mac_addr, mac);
    snprintf(next, CM_TEXT_SIZE,
             "<module_fdb><get><fdb_show><mac_addr>%s</mac_addr><vlanInstance>%u</vlanInstance>"
             "<vlan_name/><port_list/><type>0</type></fdb_show></get></module_fdb>",
             mac, unsigned(f->vlanInstance));
}

void freeFdb(void *object) {
    fdb_show_t_free(static_cast<fdb_show_t *>(object));
}

}  // namespace

int wsvdOpCreateFdb(struct soap *soap, _qtnfdb__createFdb *request, _qtnfdb__createFdbResponse &) {
    wsvdRequest *r = serviceRequest(soap);
    if (int rc = requireWrite(soap, r)) return rc;
    if (!request || !request->vlan || !request->port || !request->macAddress)
        return cmFault(soap, CM_FAULT_MISSING_ARGUMENT);
    if (request->macAddress->empty()) return cmFault(soap, "Mac Address can not be NULL");
    if (request->vlan->empty()) return cmFault(soap, "Vlan can not be NULL");
    if (request->port->empty()) return cmFault(soap, "Port can not be NULL");
    if (int rc = refuseControl(soap, request->macAddress, request->vlan, request->port)) return rc;

    char text[CM_TEXT_SIZE];
    snprintf(text, sizeof text,
             "<module_fdb><set><fdb_op><macAddr>%s</macAddr><vlanName>%s</vlanName><portList>%s</"
             "portList>"
             "<action>create</action><sub_action>4</sub_action></fdb_op></set></module_fdb>",
             cmXmlEscape(*request->macAddress).c_str(), cmXmlEscape(*request->vlan).c_str(),
             cmXmlEscape(*request->port).c_str());
    return cmSet(soap, r, kFdbModule, CM_OP_SET, text, CM_SET_ONE_IS_SUCCESS, CM_TRACE_NONE,
                 nullptr);
}

int wsvdOpDeleteFdb(struct soap *soap, _qtnfdb__deleteFdb *request, _qtnfdb__deleteFdbResponse &) {
    wsvdRequest *r = serviceRequest(soap);
    if (int rc = requireWrite(soap, r)) return rc;
    if (!request || !request->macAddress || !request->vlan)
        return cmFault(soap, CM_FAULT_MISSING_ARGUMENT);
    if (request->macAddress->empty()) return cmFault(soap, "Mac Address can not be NULL");
    if (request->vlan->empty()) return cmFault(soap, "Vlan can not be NULL");
    if (int rc = refuseControl(soap, request->macAddress, request->vlan, nullptr)) return rc;

    char text[CM_TEXT_SIZE];
    snprintf(text, sizeof text,
             "<module_fdb><set><fdb_op><macAddr>%s</macAddr><vlanName>%s</vlanName><action>delete</"
             "action>"
             "<sub_action>5</sub_action></fdb_op></set></module_fdb>",
             cmXmlEscape(*request->macAddress).c_str(), cmXmlEscape(*request->vlan).c_str());
    return cmSet(soap, r, kFdbModule, CM_OP_SET, text, CM_SET_ONE_IS_SUCCESS, CM_TRACE_NONE,
                 nullptr);
}

int wsvdOpGetFdb(struct soap *soap, _qtnfdb__getFdb *request, _qtnfdb__getFdbResponse &response) {
    wsvdRequest *r = serviceRequest(soap);
    if (authenticate(r) < 0) return cmFault(soap, CM_FAULT_NOT_VALID_USER);
    if (!request || !request->macAddress) return cmFault(soap, CM_FAULT_MISSING_ARGUMENT);
    if (request->macAddress->empty()) return cmFault(soap, "Mac Address can not be Null");
    if (int rc = refuseControl(soap, request->macAddress, nullptr, nullptr)) return rc;

    char text[CM_TEXT_SIZE];
    snprintf(text, sizeof text,
             "<module_fdb><get><fdb_show><type>1</type><vlan_name/><port_list/><vlanInstance>0</"
             "vlanInstance>"
             "<mac_addr>%s</mac_addr></fdb_show></get></module_fdb>",
             cmXmlEscape(*request->macAddress).c_str());
    cmObjectParser_t *parser = cmObjectParserAlloc();
    if (!parser) return cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
    void *object = nullptr;
    int rc = cmGet(soap, r, parser, kFdbModule, CM_GET_EXACT, text, &object);
    cmObjectParserFree(parser);
    if (rc != 0 || !object) return rc;

    auto *fdb = static_cast<fdb_show_t *>(object);
    qtn__Fdb_FdbEntry *entry = soap_new_qtn__Fdb_FdbEntry(soap);
    if (entry) fillFdbEntry(soap, fdb, *entry);
    fdb_show_t_free(fdb);
    if (!entry) return cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
    response.reply = entry;
    return 0;
}

int wsvdOpGetAllFdb(struct soap *soap, _qtnfdb__getAllFdb *, _qtnfdb__getAllFdbResponse &response) {
    wsvdRequest *r = serviceRequest(soap);
    if (authenticate(r) < 0) return cmFault(soap, CM_FAULT_NOT_VALID_USER);

    qtn__Fdb_FdbEntrySequence *sequence = soap_new_qtn__Fdb_FdbEntrySequence(soap);
    if (!sequence) return cmFault(soap, CM_FAULT_OUT_OF_MEMORY);
    sequence->fdb.reserve(CM_WALK_MAX);
    FdbWalk context{soap, sequence};
    const cmWalk_t walk = {kFdbModule,
                           "<module_fdb><get><fdb_show><type>0</type><vlan_name/><port_list/"
                           "><vlanInstance>0</vlanInstance>"
                           "<mac_addr>00:00:00:00:00:00</mac_addr></fdb_show></get></module_fdb>",
                           CM_WALK_MAX,
                           takeFdb,
                           freeFdb,
                           &context};
    uint32_t count = 0;
    if (int rc = cmGetNextWalk(soap, r, &walk, &count)) return rc;
    response.reply = sequence;
    return 0;
}
