// The port family: a port's configuration is a row of "ports" keyed by slot and port,
// while what the platform reports comes from views keyed by the port ("1:5") that also
// answer to a port list ("*" for every port). The QoS profiles of a port come back as
// repeated elements, one per profile.
#include <cctype>
#include <cstdio>
#include <cstring>
#include <string>

#include "framework/xmlfwk_handlers.h"
#include "framework/xmlfwk_tables.h"

using namespace xmlFwkHandler;

namespace {

enum { kQosProfiles = 8, kWalkMax = 4096 };

bool is(const char *a, const char *b) {
    return a && b && strcmp(a, b) == 0;
}

bool isView(const char *o) {
    for (const char *v :
         {"show_ports_transceiver", "show_ports_config", "show_ports_info_detail",
          "show_ports_info", "show_qosprofile", "show_ports_utilization", "show_ports_qos_monitor",
          "show_ports_stats", "show_ports_txerrors", "show_ports_rxerrors"})
        if (is(o, v)) return true;
    return false;
}

void qosKind(xmlDomNode_t *parent, const char *o, const char *portBased) {
    if (!is(o, "show_qosprofile")) return;
    append(parent, "ingress", "0");
    append(parent, "portBased", portBased);
}

void viewFill(xmlDomNode_t *parent, int requestOp, int op, xmlFwkValue_t *record,
              xmlFwkValue_t *templateRecord, const char *o) {
    const char *value = text(record);
    bool portList = record && is(record->extName, "portList");
    bool qosType = record && is(o, "show_ports_qos_monitor") && is(record->extName, "type");
    switch (op) {
        case XML_FWK_OP_GET_NEXT:
            qosKind(parent, o, "0");
            if (portList && requestOp == XML_FWK_OP_WALK) {
                append(parent, "port", value);
                append(parent, "portList", "*");
            } else if (portList) {
                append(parent, "port", text(templateRecord));
                append(parent, "portList", value);
            } else {
                appendField(parent, record);
            }
            break;
        case XML_FWK_OP_NONE:
            qosKind(parent, o, "0");
            if (portList) append(parent, "portList", "*");
            if (qosType) append(parent, "type", value && *value ? value : "0");
            break;
        case XML_FWK_OP_GET_ONE:
            qosKind(parent, o, "1");
            if (portList) append(parent, "portList", value);
            if (qosType) appendField(parent, record);
            break;
        case XML_FWK_OP_SET:
            if (!is(o, "show_qosprofile")) {
                printf("SET operation not supported for %s\n", o);
            } else if (!record) {
                printf("Unable to set portlist, attr is NULL");
            } else {
                append(parent, "portList", value);
            }
            break;
        default:
            break;
    }
}

// "1:5" gives slot 1 and port 5; "5" slot 1; a port written "*" is port 1.
void slotPort(xmlDomNode_t *parent, const char *value) {
    std::string v = value ? value : "";
    size_t colon = v.find(':');
    std::string slot = colon == std::string::npos ? "1" : v.substr(0, colon);
    std::string rest = colon == std::string::npos ? v : v.substr(colon + 1);
    std::string port;
    for (char c : rest) {
        if (!isdigit(static_cast<unsigned char>(c))) break;
        port += c;
    }
    if (!rest.empty() && rest[0] == '*') port = "1";
    append(parent, "slot", slot.c_str());
    append(parent, "port", port.c_str());
}

void portFill(xmlDomNode_t *parent, int op, xmlFwkValue_t *record, xmlFwkValue_t *templateRecord,
              const char *internalObject, const char *externalObject, xmlFwkObjectInfo_t *info) {
    const char *o = internalObject;
    if (internalObjectId(o) < 0) return;
    int adjusted = adjustOp(op, record);
    bool keyOp = adjusted == XML_FWK_OP_GET_ONE || adjusted == XML_FWK_OP_GET_NEXT ||
                 adjusted == XML_FWK_OP_SET;
    if (isView(o)) return viewFill(parent, op, adjusted, record, templateRecord, o);
    if (is(o, "ports")) {
        if (!keyOp || !record) return;
        if (is(record->extName, "portList") && record->intName &&
            strstr(record->intName, "slot,port"))
            slotPort(parent, text(record));
        else
            printf("Invalid index parameter passed for object : %s\n", o);
        return;
    }
    if (is(o, "show_ports_info_detail_vlans")) {
        if (keyOp && record) append(parent, "port", text(record));
        return;
    }
    if (is(o, "srpPortConfig")) {
        if (keyOp && record)
            append(parent, "priPort", text(record));
        else if (!keyOp)
            printf("Operation not supported for %s\n", o);
        return;
    }
    xmlFwkDefaultFill(parent, op, record, templateRecord, internalObject, externalObject, info);
}

const char *requestObjectName(xmlDomNode_t *request) {
    xmlDomNode_t *object = xmlFwkRequestObject(request);
    return object ? object->name : nullptr;
}

// The VLANs of a port, comma-separated, walked by VLAN instance.
void portVlans(soap *soap, xmlFwkValue_t *record, xmlDomNode_t *request, char **message,
               int *status, int *flags) {
    *flags = XML_FWK_FLAG_CONSUMED;
    std::string names, first;
    *status = 0;
    for (int n = 0; n < kWalkMax; n++) {
        char *data = nullptr;
        int got = 0;
        get(soap, XML_FWK_OP_WALK, request, &data, &got);
        if (got == 0) {
            if (n == 0) {
                *message = data;
                return;
            }
            xmlFree(data);
            break;
        }
        *status = 1;
        Reply r(data);
        xmlFree(data);
        const char *instance = r.value("vlanIfInstance");
        const char *name = r.value("vlanName");
        if (got < 2 && r.empty()) break;
        if (!instance || !*instance || first == instance) break;
        if (first.empty()) first = instance;
        if (!names.empty()) names += ",";
        names += name ? name : "";
        setField(request, "vlanIfInstance", instance);
        if (got < 2) break;
    }
    // The schema nests the VLAN names in "vlans"; the answer gives them as one text.
    if (record->kind == XML_FWK_VALUE_LIST) {
        xmlFwkListFree(record->value.list);
        record->kind = XML_FWK_VALUE_TEXT;
        record->value.text = nullptr;
    }
    xmlFwkValueSetText(record, names.c_str());
    setMessage(message, "<show_ports_info_detail_vlans/>");
}

// The eight QoS profiles of a port, from the repeated minBw, maxBw and priority of the
// reply.
void qosProfiles(xmlFwkValue_t *record, const char *data) {
    Reply r(data);
    if (r.empty()) return;
    xmlDomNodeList_t *lists[3] = {};
    const char *names[3] = {"minBw", "maxBw", "priority"};
    for (int i = 0; i < 3; i++)
        xmlDomGetCompleteNodeListByTagName(r.document(), names[i], &lists[i]);
    auto entry = [&](int which, int i) -> const char * {
        return lists[which] && i < lists[which]->count ? xmlDomGetData(lists[which]->nodes[i])
                                                       : nullptr;
    };
    auto fill = [&](xmlFwkValueList_t *profile, int i) {
        char name[16];
        snprintf(name, sizeof name, "QP%d", i + 1);
        bool any = false;
        for (int which = 0; which < 3; which++) {
            const char *v = entry(which, i);
            xmlFwkValue_t *field = xmlFwkListFind(profile, names[which]);
            if (v && field) {
                xmlFwkValueSetText(field, v);
                any = true;
            }
        }
        if (xmlFwkValue_t *q = xmlFwkListFind(profile, "qos")) xmlFwkValueSetText(q, name);
        return any;
    };
    if (record->kind == XML_FWK_VALUE_ARRAY && record->value.array) {
        xmlFwkValueArray_t *array = record->value.array;
        for (int i = 0; i < array->count && i < kQosProfiles; i++) fill(array->lists[i], i);
    } else if (record->kind == XML_FWK_VALUE_LIST && record->value.list) {
        auto *array = static_cast<xmlFwkValueArray_t *>(xmlCalloc(1, sizeof(xmlFwkValueArray_t)));
        for (int i = 0; array && i < kQosProfiles; i++) {
            xmlFwkValueList_t *profile = xmlFwkListCopy(record->value.list);
            if (!profile) break;
            if (fill(profile, i))
                array->lists[array->count++] = profile;
            else
                xmlFwkListFree(profile);
        }
        if (array && array->count > 0) {
            xmlFwkListFree(record->value.list);
            record->kind = XML_FWK_VALUE_ARRAY;
            record->value.array = array;
        } else {
            xmlFree(array);
        }
    }
    for (xmlDomNodeList_t *l : lists) xmlDomFreeNodeList(l);
}

void portGet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
             xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
             char **message, int *status, int *flags) {
    const char *object = requestObjectName(request);
    xmlFwkValue_t *vlans = xmlFwkListFind(reply, "vlans");
    if (is(object, "show_ports_info_detail_vlans") && vlans)
        return portVlans(soap, vlans, request, message, status, flags);
    xmlFwkDefaultGet(soap, op, index, filter, reply, info, request, message, status, flags);
    xmlFwkValue_t *profiles = xmlFwkListFind(reply, "eQosProfile");
    if (is(object, "show_qosprofile") && profiles && (*status == 1 || *status == 2)) {
        qosProfiles(profiles, *message);
        *flags = XML_FWK_FLAG_CONSUMED;
        if (!*message) setMessage(message, "<show_qosprofile/>");
    }
}

void portSet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *values,
             xmlFwkValueList_t *unused, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
             char **message, int *status) {
    xmlDomNode_t *ports = find(request, "ports");
    auto addToPorts = [&](const char *name, const char *value) {
        if (ports) append(ports, name, value);
    };
    if (find(request, "mediumPreferred")) addToPorts("forcePreferred", "0");
    if (xmlDomNode_t *qos = find(request, "show_qosprofile")) {
        xmlDomSetNodeName(qos, "qosprofile");
        if (xmlDomNode_t *name = find(request, "qosProfileName"))
            xmlDomSetNodeName(name, "arrayIndex");
    }
    if (find(request, "cirRate")) addToPorts("rateLimitEnabled", "1");
    if (const char *autoNeg = findText(request, "autoNegotiation")) {
        const char *advertised = is(autoNeg, "1") ? "1" : "0";
        if (find(request, "duplex")) addToPorts("isDuplexAdvt", advertised);
        if (find(request, "speed")) addToPorts("isSpeedAdvt", advertised);
    }
    xmlFwkDefaultSet(soap, op, index, values, unused, info, request, message, status);
}

}  // namespace

void xmlFwkRegisterPortHandlers() {
    for (int id : {2, 6, 7}) xmlFwkRegister(id, portFill, portGet, portSet, 0);
    for (int id : {1, 3, 4, 5}) xmlFwkRegister(id, portFill, nullptr, nullptr, 0);
}
