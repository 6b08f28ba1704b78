// The VLAN family: VLANs, virtual routers, protocol filters, private VLAN, aggregation and
// translation members, and the provider backbone services. A VLAN's settings are spread
// over objects keyed by its name in their own key field (vlanProc "name1", vlanPort and
// vlanIpAddress "vlanName", the per-VLAN rows "vlan"), and its relations are set through
// pvlan with request texts of their own.
#include <cstdio>
#include <cstring>
#include <string>
#include <vector>

#include "framework/xmlfwk_handlers.h"
#include "framework/xmlfwk_process.h"
#include "framework/xmlfwk_tables.h"

using namespace xmlFwkHandler;

namespace {

enum {
    kVlanNameMax = 32,
    kWalkMax = 4096,  // replies of one walk of a handler: ends a walk that does not advance
    kPvlanTextMax = 2000,
    kLongTextMax = 2500,
};

bool is(const char *a, const char *b) {
    return a && b && strcmp(a, b) == 0;
}

bool oneOf(const char *name, std::initializer_list<const char *> names) {
    for (const char *n : names)
        if (is(name, n)) return true;
    return false;
}

// ---- fill

void vlanFill(xmlDomNode_t *parent, int op, xmlFwkValue_t *record, xmlFwkValue_t *templateRecord,
              const char *internalObject, const char *externalObject, xmlFwkObjectInfo_t *info) {
    if (internalObjectId(internalObject) < 0) return;
    int adjusted = adjustOp(op, record);
    const char *value = text(record);
    const char *o = internalObject;
    bool keyOps = adjusted == XML_FWK_OP_GET_ONE || adjusted == XML_FWK_OP_GET_NEXT ||
                  adjusted == XML_FWK_OP_SET;
    bool allOps = keyOps || adjusted == XML_FWK_OP_CREATE || adjusted == XML_FWK_OP_DELETE;
    auto rowStatus = [&](const char *setCreate) {
        if (adjusted == XML_FWK_OP_SET || adjusted == XML_FWK_OP_CREATE)
            append(parent, "rowStatus", setCreate);
        else if (adjusted == XML_FWK_OP_DELETE)
            append(parent, "rowStatus", "delete");
    };
    bool vlanKey = record && !is(record->extName, "vlanName");

    if (is(o, "protocol_op")) {
        if (adjusted == XML_FWK_OP_GET_ONE || adjusted == XML_FWK_OP_GET_NEXT) {
            appendField(parent, record);
            append(parent, "action", adjusted == XML_FWK_OP_GET_ONE ? "1" : "0");
        } else if (adjusted == XML_FWK_OP_NONE) {
            append(parent, "action", "0");
        } else if (adjusted >= XML_FWK_OP_SET && adjusted <= XML_FWK_OP_DELETE) {
            appendField(parent, record);
        }
    } else if (oneOf(o, {"vlan", "vlanProc"})) {
        if (!record) return;
        if (keyOps) {
            if (oneOf(externalObject, {"PrivateVlanMemberConfig", "VlanTranslateMemberConfig"})) {
                appendField(parent, record);
            } else if (is(record->extName, "vlanName")) {
            } else if (is(o, "vlanProc")) {
                append(parent, "name1", value);
                append(parent, "action", "SHOW_VLAN");
            } else {
                append(parent, "name", value);
            }
            if (adjusted == XML_FWK_OP_SET) append(parent, "rowStatus", "configure");
        } else if (adjusted == XML_FWK_OP_CREATE || adjusted == XML_FWK_OP_DELETE) {
            appendField(parent, record);
            append(parent, "rowStatus", adjusted == XML_FWK_OP_CREATE ? "create" : "delete");
        }
    } else if (oneOf(o, {"vlanPort", "vlanIpAddress"})) {
        if (!allOps || !vlanKey) return;
        append(parent, "vlanName", value);
        rowStatus("create");
    } else if (oneOf(o, {"ntUdpProfileEntry", "vlanIPv4AddrDiscover", "dhcpServerVlanConfig"})) {
        if (allOps && vlanKey) append(parent, "vlan", value);
    } else if (is(o, "stp_vlan_stats")) {
        if (!allOps || !vlanKey) return;
        append(parent, "vlan_name", value);
        append(parent, "search_dir", "2");
    } else if (is(o, "rtifIpv6Address")) {
        if (!allOps || !vlanKey) return;
        append(parent, "rtifName", value);
        rowStatus("create");
    } else if (is(o, "pvlan")) {
        if (!record) return;
        if (adjusted == XML_FWK_OP_GET_ONE || adjusted == XML_FWK_OP_GET_NEXT) {
            append(parent, "vlanName", value);
            append(parent, "action", "SHOW_PVLAN_IN_VLAN");
        } else if (adjusted == XML_FWK_OP_CREATE || adjusted == XML_FWK_OP_DELETE) {
            append(parent, "vlanName", value);
            append(parent, "rowStatus", adjusted == XML_FWK_OP_CREATE ? "configure" : "delete");
        }
    } else if (is(o, "cfg_vlan_agg")) {
        if (!record) return;
        if (adjusted == XML_FWK_OP_GET_ONE || adjusted == XML_FWK_OP_GET_NEXT) {
            appendField(parent, record);
        } else if (adjusted >= XML_FWK_OP_SET && adjusted <= XML_FWK_OP_DELETE) {
            appendField(parent, record);
            append(parent, "rowStatus", "configure");
        }
    } else {
        xmlFwkDefaultFill(parent, op, record, templateRecord, internalObject, externalObject, info);
    }
}

// ---- get

const char *requestObjectName(xmlDomNode_t *request) {
    xmlDomNode_t *object = xmlFwkRequestObject(request);
    return object ? object->name : nullptr;
}

xmlFwkValueList_t *nestedOf(xmlFwkValueList_t *list, const char *extName) {
    xmlFwkValue_t *r = xmlFwkListFind(list, extName);
    return r && r->kind == XML_FWK_VALUE_LIST ? r->value.list : nullptr;
}

void setText(xmlFwkValueList_t *list, const char *extName, const char *value) {
    xmlFwkValue_t *r = xmlFwkListFind(list, extName);
    if (r && r->kind == XML_FWK_VALUE_TEXT) xmlFwkValueSetText(r, value);
}

// The addresses of a VLAN: walked by address within the VLAN; the primary is the first
// that is not secondary.
void vlanAddresses(soap *soap, xmlFwkValueList_t *reply, xmlDomNode_t *request, char **message,
                   int *status, int *flags) {
    std::string vlanName = findText(request, "vlanName") ? findText(request, "vlanName") : "";
    xmlFwkValueList_t *primary = nestedOf(reply, "primaryIpv4Address");
    xmlFwkValueList_t *secondary = nestedOf(reply, "secondaryIpv4Address");
    *status = 1;
    *flags = XML_FWK_FLAG_CONSUMED;
    setMessage(message, nullptr);
    std::string last;
    bool primaryFound = false, secondaryFound = false;
    for (int n = 0; n < kWalkMax; n++) {
        char *data = nullptr;
        int got = 0;
        get(soap, XML_FWK_OP_WALK, request, &data, &got);
        Reply r(data);
        xmlFree(data);
        const char *address = r.value("ipaddress");
        if (got == 0 || r.empty() || !is(r.value("vlanName"), vlanName.c_str()) || !address ||
            last == address)
            break;
        last = address;
        bool isSecondary = is(r.value("secondaryAddr"), "1");
        xmlFwkValueList_t *into = isSecondary ? secondary : primary;
        bool &found = isSecondary ? secondaryFound : primaryFound;
        if (into && !found) {
            setText(into, "ipAddress", address);
            setText(into, "netmask", r.value("netmask"));
            found = true;
        }
        setField(request, "ipaddress", address);
        if (got != 2) break;
    }
    // The processor writes an object only when it was read: say it was.
    setMessage(message, "<vlanIpAddress/>");
}

// The IPv6 addresses of a VLAN's router interface, one instance each.
void ipv6Addresses(soap *soap, xmlFwkValue_t *record, xmlDomNode_t *request, char **message,
                   int *status, int *flags) {
    std::string vlanName = findText(request, "rtifName") ? findText(request, "rtifName") : "";
    xmlFwkValueList_t *nested = record->kind == XML_FWK_VALUE_LIST ? record->value.list : nullptr;
    *status = 1;
    *flags = XML_FWK_FLAG_CONSUMED;
    if (!nested) return;
    auto *array = static_cast<xmlFwkValueArray_t *>(xmlCalloc(1, sizeof(xmlFwkValueArray_t)));
    if (!array) return;
    std::string previous;
    for (int n = 0; n < kWalkMax && array->count < XML_FWK_ARRAY_MAX; n++) {
        char *data = nullptr;
        int got = 0;
        get(soap, XML_FWK_OP_WALK, request, &data, &got);
        Reply r(data);
        xmlFree(data);
        const char *address = r.value("ipv6_address_mask");
        if (got == 0 || !is(r.value("rtifName"), vlanName.c_str()) || !address ||
            previous == address)
            break;
        previous = address;
        xmlFwkValueList_t *instance = xmlFwkListCopy(nested);
        if (!instance) break;
        setText(instance, "ipv6Address", address);
        array->lists[array->count++] = instance;
        setField(request, "ipv6_address_mask", address);
        if (got != 2) break;
    }
    if (array->count == 0) {
        xmlFree(array);
        return;
    }
    xmlFwkListFree(nested);
    record->kind = XML_FWK_VALUE_ARRAY;
    record->value.array = array;
    setMessage(message, "<rtifIpv6Address/>");
}

// The spanning tree domains of a VLAN, comma-separated.
void stpDomains(soap *soap, xmlFwkValue_t *record, xmlDomNode_t *request, char **message,
                int *status, int *flags) {
    *status = 0;
    *flags = 0;
    std::string names, previous;
    for (int n = 0; n < kWalkMax; n++) {
        char *data = nullptr;
        int got = 0;
        get(soap, XML_FWK_OP_WALK, request, &data, &got);
        Reply r(data);
        xmlFree(data);
        if (got == 0) {
            if (n == 0) setMessage(message, "Internal Error");
            break;
        }
        *status = 1;
        const char *name = r.value("stpd_name");
        if (!name || previous == name) break;
        previous = name;
        if (!names.empty()) names += ",";
        names += name;
        setField(request, "stpd_name", name);
        if (got != 2) break;
    }
    if (*status) {
        xmlFwkValueSetText(record, names.c_str());
        setMessage(message, nullptr);
    }
}

// Customer VLANs (CustomerVlanConfig) and backbone services (BackboneVlanConfig) are
// written into the answer here, one object per VLAN, as a walk of their own.
bool appendObject(xmlDomNode_t *object) {
    std::string text = xml(object);
    return !text.empty() && xmlFwkResultAppend(text.c_str()) == 0;
}

xmlDomNode_t *newObject(xmlFwkObjectInfo_t *info) {
    xmlDomNode_t *object = xmlDomCreateElement("object");
    std::string type = std::string("vlan:") + (info && info->name ? info->name : "");
    if (object) xmlDomSetAttribute(object, "xsi:type", type.c_str());
    return object;
}

xmlDomNode_t *vlanRequest(const char *object, const char *keyField, const std::string &key) {
    xmlDomNode_t *request = xmlFwkBuildModuleRequest("vlan", object, nullptr, XML_FWK_OP_GET_ONE,
                                                     nullptr, nullptr, nullptr);
    if (request) append(xmlFwkRequestObject(request), keyField, key.c_str());
    return request;
}

void customerVlans(soap *soap, xmlFwkValueList_t *index, xmlFwkObjectInfo_t *info,
                   xmlDomNode_t *request, char **message, int *status, int *flags) {
    const char *given = text(xmlFwkListFind(index, "vlanName"));
    bool exact = given && *given;
    std::string key =
        exact ? given : (findText(request, "vlanName") ? findText(request, "vlanName") : "");
    *flags = XML_FWK_FLAG_CONSUMED | XML_FWK_FLAG_SKIP;
    *status = 1;
    setMessage(message, nullptr);
    for (int n = 0; n < kWalkMax; n++) {
        xmlDomNode_t *ask = vlanRequest("vlan", "name", key);
        char *data = nullptr;
        int got = 0;
        get(soap, exact ? XML_FWK_OP_GET_ONE : XML_FWK_OP_WALK, ask, &data, &got);
        xmlDomFreeNode(ask);
        Reply r(data);
        xmlFree(data);
        if (got == 0 || r.empty()) break;
        const char *name = r.value("name");
        const char *type = r.value("type");
        bool customer = is(type, "7");
        bool service =
            is(type, "5") && is(r.value("vManMode"), "1") && is(r.value("dot1ahMode"), "0");
        if (customer || service) {
            xmlDomNode_t *object = newObject(info);
            append(object, "vlanName", name);
            append(object, "isidName", r.value("isidName"));
            append(object, "isidValue", r.value("isid"));
            append(object, "vlanType", customer ? "cvlan" : "svlan");
            bool fits = appendObject(object);
            xmlDomFreeNode(object);
            if (!fits) break;
        }
        if (exact || got != 2 || !name || key == name) break;
        key = name;
    }
}

void backboneServices(soap *soap, xmlFwkValueList_t *index, xmlFwkObjectInfo_t *info,
                      char **message, int *status, int *flags) {
    const char *given = text(xmlFwkListFind(index, "name"));
    std::string wanted = given ? given : "";
    *flags = XML_FWK_FLAG_CONSUMED | XML_FWK_FLAG_SKIP;
    *status = 1;
    setMessage(message, nullptr);
    std::string current, isidName;
    xmlDomNode_t *object = nullptr;
    auto flush = [&]() {
        bool fits = !object || appendObject(object);
        xmlDomFreeNode(object);
        object = nullptr;
        return fits;
    };
    for (int n = 0; n < kWalkMax; n++) {
        xmlDomNode_t *ask =
            vlanRequest("bvlanIsidList", "bvlanName", wanted.empty() ? current : wanted);
        append(xmlFwkRequestObject(ask), "isidName", isidName.c_str());
        char *data = nullptr;
        int got = 0;
        get(soap, XML_FWK_OP_WALK, ask, &data, &got);
        xmlDomFreeNode(ask);
        Reply r(data);
        xmlFree(data);
        const char *bvlan = r.value("bvlanName");
        const char *isid = r.value("isidName");
        if (got == 0 || r.empty() || !bvlan || !isid) break;
        if (!wanted.empty() && wanted != bvlan) break;
        if (bvlan == current && isid == isidName) break;  // does not advance
        if (!object || current != bvlan) {
            if (!flush()) return;
            object = newObject(info);
            append(object, "name", bvlan);
            current = bvlan;
        }
        xmlDomNode_t *service = xmlDomCreateElement("service");
        append(service, "isidValue", r.value("isidValue"));
        append(service, "isidName", isid);
        if (xmlDomAppendChild(object, service) != 0) xmlDomFreeNode(service);
        isidName = isid;
        if (got != 2) break;
    }
    flush();
}

void vlanGet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
             xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
             char **message, int *status, int *flags) {
    const char *object = requestObjectName(request);
    *flags = 0;
    if (is(object, "vlanIpAddress"))
        return vlanAddresses(soap, reply, request, message, status, flags);
    if (is(object, "rtifIpv6Address")) {
        xmlFwkValue_t *record = xmlFwkListFind(reply, "primaryIpv6Address");
        if (record) return ipv6Addresses(soap, record, request, message, status, flags);
        return get(soap, XML_FWK_OP_WALK, request, message, status);
    }
    if (is(object, "stp_vlan_stats")) {
        xmlFwkValue_t *record = xmlFwkListFind(reply, "stpdNames");
        if (record && record->kind == XML_FWK_VALUE_TEXT)
            return stpDomains(soap, record, request, message, status, flags);
    }
    if (xmlFwkListFind(index, "translationVlan")) {
        // Translation members are the VLANs that belong to a translation VLAN.
        get(soap, op, request, message, status);
        Reply r(*status ? *message : nullptr);
        if (*status == 0 || r.empty() || !is(r.value("pvlanType"), "1") ||
            !is(r.value("vlanServicesMode"), "1"))
            *flags |= XML_FWK_FLAG_SKIP;
        return;
    }
    if (is(object, "cfg_vlan_agg")) {
        xmlFwkDefaultGet(soap, op, index, filter, reply, info, request, message, status, flags);
        Reply r(*status ? *message : nullptr);
        const char *super = r.value("superVlanName");
        if (!super || !*super) *flags |= XML_FWK_FLAG_SKIP;
        return;
    }
    if (is(object, "vlanProc")) {
        xmlFwkDefaultGet(soap, op, index, filter, reply, info, request, message, status, flags);
        std::string asked = findText(request, "name1") ? findText(request, "name1") : "";
        Reply r(*status ? *message : nullptr);
        const char *name = r.value("name1");
        if (*status == 0 || !name || strncmp(name, asked.c_str(), kVlanNameMax) != 0) {
            setField(request, "action", "SHOW_VMAN");
            setMessage(message, nullptr);
            xmlFwkDefaultGet(soap, op, index, filter, reply, info, request, message, status, flags);
        }
        *flags = 0;
        return;
    }
    if (is(object, "isidVlanList"))
        return customerVlans(soap, index, info, request, message, status, flags);
    if (is(object, "bvlanIsidList"))
        return backboneServices(soap, index, info, message, status, flags);
    xmlFwkDefaultGet(soap, op, index, filter, reply, info, request, message, status, flags);
    xmlFwkValue_t *vlanType = xmlFwkListFind(reply, "vlanType");
    if (is(object, "vlanPort") && vlanType && *status) {
        Reply r(*message);
        const char *type = r.value("type");
        xmlFwkValueSetText(vlanType, is(type, "7") ? "3" : type);
        setText(reply, "vlanTaggedPorts", r.value("taggedPorts"));
        setText(reply, "vlanUnTaggedPorts", r.value("untaggedPorts"));
        setText(reply, "vlanTranslatedPorts", r.value("translatedPorts"));
        *flags = XML_FWK_FLAG_CONSUMED;
    }
}

// ---- set

void failWith(char **message, int *status, const char *why) {
    *status = 0;
    setMessage(message, why);
}

bool tooLong(xmlDomNode_t *request, const char *field) {
    const char *name = findText(request, field);
    return name && strlen(name) > kVlanNameMax;
}

void appendTo(xmlDomNode_t *request, const char *object, const char *name, const char *value) {
    xmlDomNode_t *node = find(request, object);
    if (node) append(node, name, value);
}

void vlanSet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *values,
             xmlFwkValueList_t *unused, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
             char **message, int *status) {
    const char *tooLongText = "Vlan name can not contain more than 32 characters";
    if (op == XML_FWK_OP_CREATE && tooLong(request, "name"))
        return failWith(message, status, tooLongText);
    if (op == XML_FWK_OP_SET) {
        if (find(request, "ntUdpProfileEntry")) {
            const char *profile = findText(request, "udpProfileName");
            if (profile && !*profile) remove(request, "udpProfileName");
            return xmlFwkDefaultSet(soap, op, index, values, unused, info, request, message,
                                    status);
        }
        if (tooLong(request, "newName")) return failWith(message, status, tooLongText);
    }

    if (find(request, "tag")) {
        appendTo(request, "vlan", "tagged", "1");
    } else if (find(request, "taggedPorts") || find(request, "untaggedPorts") ||
               find(request, "translatedPorts")) {
        appendTo(request, "vlanPort", "keywordAll", "0");
    } else if (find(request, "subVlanName")) {
        if (op == XML_FWK_OP_CREATE) appendTo(request, "cfg_vlan_agg", "addVlan", "1");
        if (op == XML_FWK_OP_DELETE) appendTo(request, "cfg_vlan_agg", "addVlan", "0");
        if (op == XML_FWK_OP_SET) {
            if (find(request, "ipRange1")) {
                const char *range = findText(request, "ipRange1");
                bool none = !*range || is(range, "0.0.0.0");
                if (none) {
                    setField(request, "ipRange1", "0.0.0.0");
                    setField(request, "ipRange2", "0.0.0.0");
                }
                appendTo(request, "cfg_vlan_agg", "conUnconIpRangeOnSubvlan", none ? "0" : "1");
            }
            xmlFwkDefaultSet(soap, op, index, values, unused, info, request, message, status);
            const char *proxyArp = findText(request, "enabDisProxArpOnvlan");
            if (*status == 0 || !proxyArp) return;
            std::string sub = findText(request, "subVlanName");
            std::string text = "<set><cfg_vlan_agg><name>" + escape(sub) +
                               "</name><enabDisProxArpOnvlan>" + escape(proxyArp) +
                               "</enabDisProxArpOnvlan><rowStatus>create</rowStatus>"
                               "<vlanAll>0</vlanAll></cfg_vlan_agg></set>";
            setMessage(message, nullptr);
            return sendFixed(soap, op, "vlan", text, message, status);
        }
    } else if (xmlDomNode_t *addresses = find(request, "vlanIpAddress")) {
        xmlFwkValueList_t *primary = nestedOf(values, "primaryIpv4Address");
        xmlFwkValueList_t *secondary = nestedOf(values, "secondaryIpv4Address");
        const char *address = findText(request, "ipaddress");
        bool noAddress = !address || !*address;
        if (primary && noAddress) {
            remove(request, "ipaddress");
            remove(request, "netmask");
            while (xmlDomNode_t *old = xmlDomGetCharacterNode(addresses, "rowStatus", 0))
                xmlDomDeleteNode(addresses, old);
            append(addresses, "rowStatus", "delete");
        } else if (secondary) {
            append(addresses, "secondaryAddr", "1");
            if (address && !*address) remove(request, "ipaddress");
        }
    }
    xmlFwkDefaultSet(soap, op, index, values, unused, info, request, message, status);
}

// ---- protocol filters

void protocolGet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
                 xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                 char **message, int *status, int *flags) {
    xmlFwkDefaultGet(soap, op, index, filter, reply, info, request, message, status, flags);
    *flags = XML_FWK_FLAG_CONSUMED;
    Reply r(*status ? *message : nullptr);
    if (*status == 0 || r.empty()) return;
    if (op == XML_FWK_OP_WALK) {
        xmlFwkListClear(index);
        xmlFwkFillFromReply(info ? info->name : "", index, r.root(), 1, nullptr);
    }
    xmlFwkValue_t *data = xmlFwkListFind(reply, "protoData");
    if (!data || data->kind != XML_FWK_VALUE_LIST || !data->value.list) return;
    const char *countText = r.value("count");
    int count = countText ? atoi(countText) : 0;
    if (count <= 0) return;
    if (count > XML_FWK_ARRAY_MAX) count = XML_FWK_ARRAY_MAX;
    auto *array = static_cast<xmlFwkValueArray_t *>(xmlCalloc(1, sizeof(xmlFwkValueArray_t)));
    if (!array) return;
    for (int i = 0; i < count; i++) {
        xmlFwkValueList_t *instance = xmlFwkListCopy(data->value.list);
        if (!instance) break;
        xmlFwkFillFromReply(info ? info->name : "", instance, r.root(), 1, nullptr);
        array->lists[array->count++] = instance;
        // The next instance reads the next pair.
        for (const char *name : {"type", "value"}) {
            xmlDomNode_t *first = xmlDomGetCharacterNode(r.root(), name, 0);
            if (first) xmlDomDeleteNode(r.root(), first);
        }
    }
    xmlFwkListFree(data->value.list);
    data->kind = XML_FWK_VALUE_ARRAY;
    data->value.array = array;
}

void protocolSet(soap *soap, int op, xmlFwkValueList_t *, xmlFwkValueList_t *, xmlFwkValueList_t *,
                 xmlFwkObjectInfo_t *, xmlDomNode_t *request, char **message, int *status) {
    if (op != XML_FWK_OP_CREATE && op != XML_FWK_OP_DELETE) return;
    const char *action = op == XML_FWK_OP_CREATE ? "create" : "delete";
    const char *nameText = findText(request, "protoName");
    std::string name = escape(nameText ? nameText : "");
    xmlDomNode_t *type = find(request, "type");
    xmlDomNode_t *value = find(request, "value");
    std::string text;
    size_t limit;
    if (type && value) {
        text = "<set><protocol><filterName>" + name + "</filterName>" + xml(type) + xml(value) +
               "<rowStatus>" + action + "</rowStatus></protocol></set>";
        limit = kLongTextMax;
    } else {
        text = "<set><protocolFilter><name>" + name + "</name><rowStatus>" + action +
               "</rowStatus></protocolFilter></set>";
        limit = kPvlanTextMax;
    }
    if (text.size() >= limit) return failWith(message, status, "Request too long");
    sendFixed(soap, op, "vlan", text, message, status);
}

// ---- private VLAN and translation members

void pvlanMemberGet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
                    xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                    char **message, int *status, int *flags) {
    xmlFwkDefaultGet(soap, op, index, filter, reply, info, request, message, status, flags);
    if (!find(request, "vlan")) return;
    Reply r(*status ? *message : nullptr);
    if (*status == 0 || r.empty() || !is(r.value("vlanServicesMode"), "2"))
        *flags |= XML_FWK_FLAG_SKIP;
}

// The member's values as the request carries them, in their internal form.
void pvlanMemberSet(soap *soap, int op, xmlFwkValueList_t *, xmlFwkValueList_t *,
                    xmlFwkValueList_t *, xmlFwkObjectInfo_t *, xmlDomNode_t *request,
                    char **message, int *status) {
    const char *memberText = findText(request, "name");
    const char *parentText = findText(request, "parentVlan");
    const char *typeText = findText(request, "pvlanType");
    if (!memberText || !parentText || !typeText)
        return failWith(message, status,
                        "Invalid request, private vlan name, member vlan name, and member vlan "
                        "type must all be specified");
    std::string member = memberText, parent = parentText, type = typeText;
    if (member.empty() || parent.empty() || type.empty()) return;
    std::string p = escape(parent), m = escape(member), t = escape(type);
    std::string configure = "<set><pvlan><pvlanName>" + p + "</pvlanName><vlanName>" + m +
                            "</vlanName><rowStatus>configure</rowStatus><vlanServicesMode>2"
                            "</vlanServicesMode><pvlanType>" +
                            t + "</pvlanType></pvlan></set>";
    if (op == XML_FWK_OP_CREATE) {
        sendFixed(soap, op, "vlan",
                  "<set><pvlan><pvlanName>" + p +
                      "</pvlanName><rowStatus>create</rowStatus></pvlan></set>",
                  message, status);
        bool created = *status != 0;
        setMessage(message, nullptr);
        sendFixed(soap, op, "vlan", configure, message, status);
        if (*status == 0 && created) {
            // Undo the creation; the configure step's message says why it failed.
            char *undoMessage = nullptr;
            int undone = 0;
            sendFixed(soap, op, "vlan",
                      "<set><pvlan><pvlanName>" + p +
                          "</pvlanName><rowStatus>unconfigure</rowStatus></pvlan></set>",
                      &undoMessage, &undone);
            xmlFree(undoMessage);
            *status = 0;
        }
        return;
    }
    if (op == XML_FWK_OP_DELETE) {
        if (type != "0" && type != "3")
            return failWith(message, status, "Invalid type, must either network or subscriber");
        sendFixed(soap, op, "vlan",
                  "<set><pvlan><pvlanName>" + p + "</pvlanName><vlanName>" + m +
                      "</vlanName><rowStatus>delete</rowStatus><pvlanType>" +
                      (type == "3" ? "1" : "0") + "</pvlanType></pvlan></set>",
                  message, status);
    }
}

void translationMemberSet(soap *soap, int op, xmlFwkValueList_t *, xmlFwkValueList_t *,
                          xmlFwkValueList_t *, xmlFwkObjectInfo_t *, xmlDomNode_t *request,
                          char **message, int *status) {
    xmlDomNode_t *vlan = find(request, "vlan");
    const char *parent = vlan ? xmlDomGetCharacterData(vlan, "parentVlan", 0) : nullptr;
    const char *member = vlan ? xmlDomGetCharacterData(vlan, "name", 0) : nullptr;
    if (!parent || !member)
        return failWith(message, status,
                        "Invalid request, member vlan name and translation vlan name must both "
                        "be specified");
    if (!*parent || !*member) return;
    std::string head = "<set><pvlan><vlanName>" + escape(parent) + "</vlanName><memberVlanName>" +
                       escape(member) + "</memberVlanName>";
    if (op == XML_FWK_OP_CREATE)
        sendFixed(soap, op, "vlan",
                  head +
                      "<rowStatus>configure</rowStatus><vlanServicesMode>1</vlanServicesMode>"
                      "</pvlan></set>",
                  message, status);
    else if (op == XML_FWK_OP_DELETE)
        sendFixed(soap, op, "vlan",
                  head +
                      "<all>0</all><rowStatus>delete</rowStatus><vlanServicesMode>1"
                      "</vlanServicesMode></pvlan></set>",
                  message, status);
}

}  // namespace

void xmlFwkRegisterVlanHandlers() {
    for (int id : {8, 12}) xmlFwkRegister(id, vlanFill, vlanGet, vlanSet, 0);
    for (int id : {9, 14, 15, 16}) xmlFwkRegister(id, vlanFill, vlanGet, nullptr, 0);
    xmlFwkRegister(10, vlanFill, protocolGet, protocolSet, 0);
    xmlFwkRegister(11, vlanFill, pvlanMemberGet, pvlanMemberSet, 0);
    xmlFwkRegister(13, vlanFill, vlanGet, translationMemberSet, 0);
}
