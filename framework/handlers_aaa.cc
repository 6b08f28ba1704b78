// The AAA family: TACACS+ and RADIUS servers, the password policy, accounts and
// sessions. Server settings are rows by type (0 authentication, 1 accounting, 2 CLI
// command authorisation) and server number, so the handlers name the row each field
// belongs to; the external objects hold them as flags, timeouts and arrays of servers.
#include <cstdio>
#include <cstring>
#include <string>

#include "framework/xmlfwk_handlers.h"
#include "framework/xmlfwk_tables.h"

using namespace xmlFwkHandler;

namespace {

enum { kServers = 2, kPolicyTextMax = 2000 };

bool is(const char *a, const char *b) {
    return a && b && strcmp(a, b) == 0;
}

void failWith(char **message, int *status, const char *why) {
    *status = 0;
    setMessage(message, why);
}

// ---- fill

void aaaFill(xmlDomNode_t *parent, int op, xmlFwkValue_t *record, xmlFwkValue_t *,
             const char *internalObject, const char *, xmlFwkObjectInfo_t *) {
    const char *o = internalObject;
    if (!record || internalObjectId(o) < 0) return;
    int adjusted = adjustOp(op, record);
    bool read = adjusted == XML_FWK_OP_GET_ONE || adjusted == XML_FWK_OP_GET_NEXT;
    if (is(o, "acctPasswordSecurityGlobalCfg") || is(o, "tacacs")) return;
    if (is(o, "account") || is(o, "acctPasswordSecurity")) {
        if (read) appendField(parent, record);
        if (adjusted >= XML_FWK_OP_SET && adjusted <= XML_FWK_OP_DELETE) {
            const char *const status[] = {"configure", "create", "delete"};
            append(parent, "rowStatus", status[adjusted - XML_FWK_OP_SET]);
            appendField(parent, record);
        }
    } else if (is(o, "session")) {
        if (read || adjusted == XML_FWK_OP_NONE) {
            if (read) appendField(parent, record);
            append(parent, "action", "1");
        } else {
            appendField(parent, record);
        }
    } else if (is(o, "session_history")) {
        if (read) appendField(parent, record);
    } else {
        appendField(parent, record);
    }
}

// ---- requests of fixed texts

// A get of `object` of module aaa whose element holds `markup`; *message the reply data.
void getFixed(soap *soap, const char *object, const char *markup, char **message, int *status) {
    xmlDomNode_t *request = xmlFwkBuildModuleRequest("aaa", object, nullptr, XML_FWK_OP_GET_ONE,
                                                     nullptr, nullptr, nullptr);
    xmlDomNode_t *element = xmlFwkRequestObject(request);
    if (!element || xmlDomSetData(element, markup) != 0) {
        xmlDomFreeNode(request);
        return failWith(message, status, "Internal Error");
    }
    get(soap, XML_FWK_OP_GET_ONE, request, message, status);
    xmlDomFreeNode(request);
}

xmlFwkValueList_t *nestedOf(xmlFwkValueList_t *list, const char *extName) {
    xmlFwkValue_t *r = xmlFwkListFind(list, extName);
    return r && r->kind == XML_FWK_VALUE_LIST ? r->value.list : nullptr;
}

// The elements of a value list's text records that carry a value, by internal name.
std::string fieldsOf(const xmlFwkValueList_t *list) {
    std::string out;
    for (int i = 0; list && i < list->count; i++) {
        const xmlFwkValue_t &r = list->records[i];
        if (r.kind != XML_FWK_VALUE_TEXT || !r.value.text) continue;
        out += std::string("<") + r.intName + ">" + escape(r.value.text) + "</" + r.intName + ">";
    }
    return out;
}

// The instances of a nested record of a set: one for a nested list, each of an array.
int instancesOf(xmlFwkValue_t *record, xmlFwkValueList_t **out, int max) {
    if (!record) return 0;
    if (record->kind == XML_FWK_VALUE_LIST && record->value.list) {
        out[0] = record->value.list;
        return 1;
    }
    int n = 0;
    if (record->kind == XML_FWK_VALUE_ARRAY && record->value.array)
        for (; n < record->value.array->count && n < max; n++)
            out[n] = record->value.array->lists[n];
    return n;
}

// Sets one row: "<set><object>key fields<rowStatus>configure</rowStatus></object></set>".
void setRow(soap *soap, int op, const char *object, const std::string &key,
            const std::string &fields, char **message, int *status) {
    setMessage(message, nullptr);
    sendFixed(soap, op, "aaa",
              std::string("<set><") + object + ">" + key + fields +
                  "<rowStatus>configure</rowStatus></" + object + "></set>",
              message, status);
}

// Servers of a set: instance i is server number `first` + i of the given type.
void setServers(soap *soap, int op, xmlFwkValue_t *record, const char *object,
                const std::string &type, int first, char **message, int *status) {
    xmlFwkValueList_t *servers[kServers] = {};
    int n = instancesOf(record, servers, kServers);
    if (n == 0)
        return failWith(message, status, "Invalid set request, no input parameters specified");
    for (int i = 0; i < n; i++) {
        std::string key = type + "<server_no>" + std::to_string(first + i) + "</server_no>";
        setRow(soap, op, object, key, fieldsOf(servers[i]), message, status);
        if (*status == 0) return;
    }
}

// ---- TACACS+

void tacacsServers(soap *soap, xmlFwkValue_t *record, const char *type, xmlFwkObjectInfo_t *info) {
    if (!record || record->kind != XML_FWK_VALUE_LIST || !record->value.list) return;
    auto *array = static_cast<xmlFwkValueArray_t *>(xmlCalloc(1, sizeof(xmlFwkValueArray_t)));
    for (int i = 0; array && i < kServers; i++) {
        std::string markup = std::string("<type>") + type + "</type><server_no>" +
                             std::to_string(i) + "</server_no>";
        char *data = nullptr;
        int got = 0;
        getFixed(soap, "tacacs", markup.c_str(), &data, &got);
        Reply r(got ? data : nullptr);
        xmlFree(data);
        xmlFwkValueList_t *server = xmlFwkListCopy(record->value.list);
        if (!server) break;
        // A server at 0.0.0.0 is not configured: it stays empty.
        if (!r.empty() && !is(r.value("host_ipaddr"), "0.0.0.0"))
            xmlFwkFillFromReply(info ? info->name : "", server, r.root(), 1, nullptr);
        array->lists[array->count++] = server;
    }
    if (!array || array->count == 0) {
        xmlFree(array);
        return;
    }
    xmlFwkListFree(record->value.list);
    record->kind = XML_FWK_VALUE_ARRAY;
    record->value.array = array;
}

void tacacsGet(soap *soap, int, xmlFwkValueList_t *, xmlFwkValueList_t *, xmlFwkValueList_t *reply,
               xmlFwkObjectInfo_t *info, xmlDomNode_t *request, char **message, int *status,
               int *flags) {
    *status = 1;
    *flags = XML_FWK_FLAG_CONSUMED;
    if (find(request, "tacacs_service")) {
        const struct {
            const char *enabled, *timeout, *type;
        } kinds[] = {{"cliAuthEnabled", nullptr, "<type>2</type>"},
                     {"accountServerEnabled", "accountServerTimeout", "<type>1</type>"},
                     {"authServerEnabled", "authServerTimeout", "<type>0</type>"}};
        for (const auto &k : kinds) {
            xmlFwkValue_t *enabled = xmlFwkListFind(reply, k.enabled);
            xmlFwkValue_t *timeout = k.timeout ? xmlFwkListFind(reply, k.timeout) : nullptr;
            if (!enabled && !timeout) continue;
            char *data = nullptr;
            int got = 0;
            getFixed(soap, "tacacs_service", k.type, &data, &got);
            Reply r(got ? data : nullptr);
            xmlFree(data);
            if (enabled) xmlFwkValueSetText(enabled, r.value(enabled->intName));
            if (timeout) xmlFwkValueSetText(timeout, r.value(timeout->intName));
        }
    } else if (find(request, "tacacs")) {
        tacacsServers(soap, xmlFwkListFind(reply, "authServer"), "0", info);
    } else if (find(request, "tacacs1")) {
        tacacsServers(soap, xmlFwkListFind(reply, "accountServer"), "1", info);
    }
    setMessage(message, "<tacacs/>");
}

void tacacsSet(soap *soap, int op, xmlFwkValueList_t *, xmlFwkValueList_t *values,
               xmlFwkValueList_t *, xmlFwkObjectInfo_t *, xmlDomNode_t *request, char **message,
               int *status) {
    if (find(request, "tacacs_service")) {
        // Each kind is a row of its own: one request per kind given.
        const struct {
            const char *enabled, *timeout, *type;
        } kinds[] = {{"cliAuthEnabled", nullptr, "2"},
                     {"authServerEnabled", "authServerTimeout", "0"},
                     {"accountServerEnabled", "accountServerTimeout", "1"}};
        for (const auto &k : kinds) {
            const char *enabled = text(xmlFwkListFind(values, k.enabled));
            const char *timeout = k.timeout ? text(xmlFwkListFind(values, k.timeout)) : nullptr;
            if (!enabled && !timeout) continue;
            std::string fields;
            if (enabled) fields += "<enabled>" + escape(enabled) + "</enabled>";
            if (timeout) fields += "<timeout>" + escape(timeout) + "</timeout>";
            setRow(soap, op, "tacacs_service", std::string("<type>") + k.type + "</type>", fields,
                   message, status);
            if (*status == 0) return;
        }
    } else if (find(request, "tacacs")) {
        setServers(soap, op, xmlFwkListFind(values, "authServer"), "tacacs", "<type>0</type>", 0,
                   message, status);
    } else if (find(request, "tacacs1")) {
        setServers(soap, op, xmlFwkListFind(values, "accountServer"), "tacacs", "<type>1</type>", 0,
                   message, status);
    }
}

// ---- RADIUS

struct RadiusKind {
    const char *config, *server, *object, *type;
};
const RadiusKind kRadius[] = {
    {"mgmtAuthServerConfig", "mgmtAuthServer", "radiusAuthServer", "0"},
    {"mgmtAccountServerConfig", "mgmtAccountServer", "radiusAccServer", "1"},
};

void radiusServers(soap *soap, xmlFwkValue_t *record, const char *object,
                   xmlFwkObjectInfo_t *info) {
    if (!record || record->kind != XML_FWK_VALUE_LIST || !record->value.list) return;
    auto *array = static_cast<xmlFwkValueArray_t *>(xmlCalloc(1, sizeof(xmlFwkValueArray_t)));
    for (int i = 1; array && i <= kServers; i++) {
        std::string markup =
            "<server_set>1</server_set><server_no>" + std::to_string(i) + "</server_no>";
        char *data = nullptr;
        int got = 0;
        getFixed(soap, object, markup.c_str(), &data, &got);
        Reply r(got == 1 ? data : nullptr);
        xmlFree(data);
        if (r.empty()) continue;
        xmlFwkValueList_t *server = xmlFwkListCopy(record->value.list);
        if (!server) break;
        xmlFwkFillFromReply(info ? info->name : "", server, r.root(), 1, nullptr);
        array->lists[array->count++] = server;
    }
    if (!array) return;
    xmlFwkListFree(record->value.list);
    record->kind = XML_FWK_VALUE_ARRAY;
    record->value.array = array;
}

void radiusGet(soap *soap, int, xmlFwkValueList_t *, xmlFwkValueList_t *, xmlFwkValueList_t *reply,
               xmlFwkObjectInfo_t *info, xmlDomNode_t *request, char **message, int *status,
               int *flags) {
    *status = 1;
    *flags = XML_FWK_FLAG_CONSUMED;
    if (find(request, "radius_service")) {
        for (const RadiusKind &k : kRadius) {
            xmlFwkValueList_t *config = nestedOf(reply, k.config);
            xmlFwkValue_t *enabled = xmlFwkListFind(config, "serverEnabled");
            if (!enabled) continue;
            std::string markup =
                std::string("<type>") + k.type + "</type><server_set>1</server_set>";
            char *data = nullptr;
            int got = 0;
            getFixed(soap, "radius_service", markup.c_str(), &data, &got);
            Reply r(got == 1 ? data : nullptr);
            xmlFree(data);
            if (r.empty()) continue;
            xmlFwkValueSetText(enabled, r.value(enabled->intName));
            if (xmlFwkValue_t *timeout = xmlFwkListFind(config, "serverTimeout"))
                xmlFwkValueSetText(timeout, r.value(timeout->intName));
        }
        *status = 2;
    } else {
        for (const RadiusKind &k : kRadius)
            if (find(request, k.object))
                radiusServers(soap, xmlFwkListFind(nestedOf(reply, k.config), k.server), k.object,
                              info);
    }
    setMessage(message, "<radius/>");
}

void radiusSet(soap *soap, int op, xmlFwkValueList_t *, xmlFwkValueList_t *values,
               xmlFwkValueList_t *, xmlFwkObjectInfo_t *, xmlDomNode_t *request, char **message,
               int *status) {
    for (const RadiusKind &k : kRadius) {
        if (!find(request, k.object)) continue;
        return setServers(soap, op, xmlFwkListFind(nestedOf(values, k.config), k.server), k.object,
                          "<server_set>1</server_set>", 1, message, status);
    }
    if (!find(request, "radius_service")) return;
    for (const RadiusKind &k : kRadius) {
        xmlFwkValueList_t *config = nestedOf(values, k.config);
        if (!config) continue;
        // The servers of the kind are rows of their own, set by their own request.
        std::string fields;
        for (const char *name : {"serverEnabled", "serverTimeout"}) {
            xmlFwkValue_t *r = xmlFwkListFind(config, name);
            if (text(r))
                fields +=
                    std::string("<") + r->intName + ">" + escape(text(r)) + "</" + r->intName + ">";
        }
        if (fields.empty()) continue;
        setRow(soap, op, "radius_service",
               std::string("<type>") + k.type + "</type><server_set>1</server_set>", fields,
               message, status);
        if (*status == 0) return;
    }
}

// ---- password policy and sessions

void passwordPolicySet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *values,
                       xmlFwkValueList_t *unused, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                       char **message, int *status) {
    xmlDomNode_t *global = find(request, "acctPasswordSecurityGlobalCfg");
    if (!global) return;
    xmlFwkDefaultSet(soap, XML_FWK_OP_SET, index, values, unused, info, request, message, status);
    if (*status == 0) return;
    // Every account takes the new rules as well.
    char fields[kPolicyTextMax];
    if (xmlDomGetNodeContent(global, fields, sizeof fields) < 0)
        return failWith(message, status, "Request too long");
    std::string text = std::string(
                           "<set><acctPasswordSecurity><rowStatus>configure</rowStatus>"
                           "<name>all</name>") +
                       fields + "</acctPasswordSecurity></set>";
    if (text.size() >= kPolicyTextMax) return failWith(message, status, "Request too long");
    setMessage(message, nullptr);
    sendFixed(soap, op, "aaa", text, message, status);
}

void sessionSet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *values,
                xmlFwkValueList_t *unused, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                char **message, int *status) {
    const char *id = text(xmlFwkListFind(index, "Id"));
    std::string session = id && *id ? xml(find(request, "sessId")) : "";
    xmlDomNode_t *set = find(request, "set");
    if (set && set->parent) xmlDomDeleteNode(set->parent, set);
    std::string markup = "<setop><session>" + session + "</session></setop>";
    if (!request || xmlDomSetData(request, markup.c_str()) != 0)
        return failWith(message, status, "Internal Error");
    xmlFwkDefaultSet(soap, op, index, values, unused, info, request, message, status);
}

}  // namespace

void xmlFwkRegisterAaaHandlers() {
    xmlFwkRegister(33, aaaFill, tacacsGet, tacacsSet, 0);
    xmlFwkRegister(34, aaaFill, radiusGet, radiusSet, 0);
    xmlFwkRegister(35, aaaFill, nullptr, passwordPolicySet, 0);
    for (int id : {36, 38}) xmlFwkRegister(id, aaaFill, nullptr, nullptr, 0);
    xmlFwkRegister(37, aaaFill, nullptr, sessionSet, 0);
}
