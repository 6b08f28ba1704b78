#include "framework/idmgr_objects.h"

#include <arpa/inet.h>
#include <stdsoap2.h>

#include <algorithm>
#include <chrono>
#include <cstdarg>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "cmclient/cm.h"
#include "framework/xmlfwk_defaults.h"
#include "framework/xmlfwk_tables.h"
#include "platform/wsvdreq.h"

namespace {

// External object ids of the registry's table.
enum {
    kUserIdentityData = 40,
    kIdentityManagerConfig = 41,
    kKerberosServer = 42,
    kLdapServerConfig = 45,
    kUserRole = 46,
    kIpfixPortData = 55,
};

enum { kMessageMax = 128 };  // bytes of a formatted message, its zero included

struct DocumentFree {
    void operator()(xmlDomNode_t *n) const { xmlDomFreeNode(n); }
};
using Document = std::unique_ptr<xmlDomNode_t, DocumentFree>;

bool hasText(const char *text) {
    return text && *text;
}

// The text of the object element's child `name`: nullptr when there is no such child.
const char *childText(xmlDomNode_t *object, const char *name) {
    return object ? xmlDomGetCharacterData(object, name, 0) : nullptr;
}

// Gives an element the value `text` in place of what it held.
void replaceText(xmlDomNode_t *element, const char *text) {
    free(element->data);
    element->data = nullptr;
    element->rawData = 0;
    if (text && *text) xmlDomAppendData(element, text);
}

xmlDomNode_t *appendChild(xmlDomNode_t *object, const char *name, const char *text) {
    xmlDomNode_t *e = xmlDomCreateCharacterNode(name, text ? text : "");
    if (e && object && xmlDomAppendChild(object, e) == 0) return e;
    xmlDomFreeNode(e);
    return nullptr;
}

// The child `name` holding `text`: the first one changed, else a new one at the end.
xmlDomNode_t *setChild(xmlDomNode_t *object, const char *name, const char *text) {
    if (xmlDomNode_t *e = object ? xmlDomGetCharacterNode(object, name, 0) : nullptr) {
        replaceText(e, text);
        return e;
    }
    return appendChild(object, name, text);
}

void removeChildren(xmlDomNode_t *object, const char *name) {
    while (xmlDomNode_t *e = object ? xmlDomGetCharacterNode(object, name, 0) : nullptr)
        xmlDomDeleteNode(object, e);
}

void fail(char **message, int *status, const char *text) {
    if (message) *message = xmlStrdup(text);
    if (status) *status = 0;
}

// A message with one number or text in it, formatted as the identity manager's
// messages are: into kMessageMax bytes.
void failf(char **message, int *status, const char *format, ...) {
    char text[kMessageMax];
    va_list args;
    va_start(args, format);
    vsnprintf(text, sizeof text, format, args);
    va_end(args);
    fail(message, status, text);
}

const char *recordText(xmlFwkValueList_t *list, const char *name) {
    return list ? static_cast<const char *>(xmlFwkListValueOf(list, name, XML_FWK_VALUE_TEXT))
                : nullptr;
}

xmlFwkValueList_t *recordList(xmlFwkValueList_t *list, const char *name) {
    return list
               ? static_cast<xmlFwkValueList_t *>(xmlFwkListValueOf(list, name, XML_FWK_VALUE_LIST))
               : nullptr;
}

void setRecord(xmlFwkValueList_t *list, const char *name, const char *text) {
    xmlFwkValue_t *record = list ? xmlFwkListFind(list, name) : nullptr;
    if (record && record->kind == XML_FWK_VALUE_TEXT) xmlFwkValueSetText(record, text);
}

// A reply text parsed, and its object element (the document's root element).
Document parseReply(const char *text, xmlDomNode_t **object) {
    Document doc(text ? xmlDomParseXmlData(text, strlen(text)) : nullptr);
    *object = xmlDomGetFirstChild(doc.get());
    return doc;
}

// Sends a request node as a set and frees the message of a success: the status, with
// the message of a failure left in *message.
int sendSet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *values,
            xmlFwkObjectInfo_t *info, xmlDomNode_t *request, char **message) {
    char *text = nullptr;
    int status = 0;
    xmlFwkDefaultSet(soap, op, index, values, nullptr, info, request, &text, &status);
    if (status != 0) {
        xmlFree(text);
        text = nullptr;
    }
    if (message)
        *message = text;
    else
        xmlFree(text);
    return status;
}

// "module_idMgr" / "set" / `object` with one element per name/text pair.
xmlDomNode_t *newSetRequest(const char *object, std::initializer_list<const char *> fields) {
    xmlDomNode_t *root = xmlFwkBuildModuleRequest("idMgr", object, nullptr, XML_FWK_OP_SET, nullptr,
                                                  nullptr, nullptr);
    xmlDomNode_t *element = xmlFwkRequestObject(root);
    if (!element) {
        xmlDomFreeNode(root);
        return nullptr;
    }
    for (auto f = fields.begin(); f != fields.end() && f + 1 != fields.end(); f += 2) {
        if (!appendChild(element, f[0], f[1])) {
            xmlDomFreeNode(root);
            return nullptr;
        }
    }
    return root;
}

// ---- identity queries

// The first element below `node` whose name, prefix aside, is `local`.
xmlDomNode_t *findLocal(xmlDomNode_t *node, const char *local, int depth = 0) {
    for (xmlDomNode_t *c = node ? node->firstChild : nullptr; c && depth < XML_DOM_MAX_DEPTH;
         c = c->nextSibling) {
        const char *colon = strchr(c->name, ':');
        if (strcmp(colon ? colon + 1 : c->name, local) == 0) return c;
        if (xmlDomNode_t *found = findLocal(c, local, depth + 1)) return found;
    }
    return nullptr;
}

// The "maxSize" of the client's "getRequest" element, 0 when it gives none.
long requestedPageSize(soap *soap) {
    auto *record = soap ? static_cast<wsvdRequest *>(soap->user) : nullptr;
    if (!record || !record->pieces) return 0;
    std::string text;
    for (const wsvdBuf_t *b = record->pieces->head; b; b = b->next) text.append(b->text, b->length);
    Document doc(xmlDomParseXmlData(text.data(), text.size()));
    const char *size = xmlDomGetAttributeValue(findLocal(doc.get(), "getRequest"), "maxSize");
    return size ? strtol(size, nullptr, 10) : 0;
}

// A query field: from the request node, else the index list, else the filter list (a
// walk from the first identity carries the index values the client gave there).
const char *queryField(xmlDomNode_t *object, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
                       const char *element, const char *record) {
    const char *text = childText(object, element);
    if (!hasText(text)) text = recordText(index, record);
    if (!hasText(text)) text = recordText(filter, record);
    return hasText(text) ? text : nullptr;
}

void identityQuery(soap *soap, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
                   xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                   xmlDomNode_t *object, char **message, int *status, int *flags) {
    const char *dataset = queryField(object, index, filter, "datasetType", "datasetType");
    const char *user = queryField(object, index, filter, "userName", "userName");
    const char *domain = queryField(object, index, filter, "domain", "domain");
    const char *ports = queryField(object, index, filter, "portList", "portList");
    const char *since =
        queryField(object, index, filter, "modificationTimestamp", "modificationTimestamp");

    const char *code = nullptr;
    if (!dataset)
        return fail(message, status, "Invalid query: datasetType must be specified in the query.");
    // Values of the request node and the index list are in the identity manager's
    // form already; those of the filter list in the client's.
    if (strcmp(dataset, "active") == 0 || strcmp(dataset, "1") == 0) code = "1";
    if (strcmp(dataset, "event") == 0 || strcmp(dataset, "2") == 0) code = "2";
    if (!code) return fail(message, status, "Invalid query: Invalid datasetType sent in query.");
    if (domain && !user)
        return fail(
            message, status,
            "Invalid query: Domain name must be specified only with datasetType and user name");

    // The values are copied before their elements go: they may be those elements' texts.
    std::string userText = user ? user : "", domainText = domain ? domain : "";
    std::string portText = ports ? ports : "", sinceText = since ? since : "";
    bool hadPorts = childText(object, "portList") != nullptr;
    for (const char *name :
         {"datasetType", "userName", "domain", "portList", "queryTimestamp", "in_queryTimestamp"})
        removeChildren(object, name);

    auto now = std::chrono::duration_cast<std::chrono::milliseconds>(
        std::chrono::system_clock::now().time_since_epoch());
    char stamp[32];
    snprintf(stamp, sizeof stamp, "%lld", static_cast<long long>(now.count()));
    bool built = appendChild(object, "datasetType", code) &&
                 (!user || appendChild(object, "userName", userText.c_str())) &&
                 (!domain || appendChild(object, "domain", domainText.c_str())) &&
                 (!(ports || hadPorts) || appendChild(object, "portList", portText.c_str())) &&
                 appendChild(object, "queryTimestamp", stamp) &&
                 (!since || appendChild(object, "in_queryTimestamp", sinceText.c_str()));
    if (!built) return fail(message, status, "Memory Allocation Failed");
    setRecord(reply, "queryTimestamp", since ? sinceText.c_str() : "0");

    int op = requestedPageSize(soap) == 0 ? XML_FWK_OP_GET_ONE : XML_FWK_OP_GET_NEXT;
    xmlFwkDefaultGet(soap, op, index, filter, reply, info, request, message, status, flags);
}

// The further locations of one identity: the first came with the identity; the others
// are read one after the other, each reply's port and MAC address naming the next.
void locationWalk(soap *soap, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
                  xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                  xmlDomNode_t *object, int *status) {
    *status = 1;
    const char *count = recordText(reply, "numOfLocations");
    long wanted = count ? strtol(count, nullptr, 10) : 0;
    xmlFwkValue_t *location = reply ? xmlFwkListFind(reply, "location") : nullptr;
    if (wanted <= 1 || !location || location->kind != XML_FWK_VALUE_LIST || !location->value.list)
        return;
    if (wanted > XML_FWK_ARRAY_MAX) wanted = XML_FWK_ARRAY_MAX;
    xmlFwkValueList_t *first = location->value.list;
    const char *mac = recordText(first, "macAddress");
    const char *port = recordText(first, "port");
    if ((xmlFwkListFind(first, "macAddress") && !hasText(mac)) ||
        (xmlFwkListFind(first, "port") && !hasText(port))) {
        *status = 0;
        return;
    }
    xmlDomNode_t *portKey = setChild(object, "port", port);
    xmlDomNode_t *macKey = setChild(object, "mac", mac);
    auto *array = static_cast<xmlFwkValueArray_t *>(xmlCalloc(1, sizeof(xmlFwkValueArray_t)));
    if (!portKey || !macKey || !array) {
        xmlFree(array);
        *status = 0;
        return;
    }
    array->lists[array->count++] = first;
    location->kind = XML_FWK_VALUE_ARRAY;
    location->value.array = array;

    while (array->count < wanted) {
        char *text = nullptr;
        int got = 0, unused = 0;
        xmlFwkDefaultGet(soap, XML_FWK_OP_WALK, index, filter, reply, info, request, &text, &got,
                         &unused);
        xmlDomNode_t *row = nullptr;
        Document doc = got ? parseReply(text, &row) : Document();
        xmlFree(text);
        const char *nextMac = childText(row, "mac");
        const char *nextPort = childText(row, "port");
        // A reply that does not move the key on would be asked for again and again.
        if (!hasText(nextMac) || !hasText(nextPort) ||
            (strcmp(nextMac, xmlDomGetData(macKey)) == 0 &&
             strcmp(nextPort, xmlDomGetData(portKey)) == 0))
            break;
        xmlFwkValueList_t *copy = xmlFwkListCopy(first);
        if (!copy) break;
        xmlFwkListClear(copy);
        xmlFwkFillFromReply(info ? info->name : nullptr, copy, row, 1, nullptr);
        array->lists[array->count++] = copy;
        replaceText(macKey, nextMac);
        replaceText(portKey, nextPort);
    }
}

// ---- user roles: the walks of a role's policies, child roles and identities

enum class WalkKind { policy, child, identity };

struct WalkEntry {
    std::string name;  // policy or rule name, child role name, user name
    bool rule = false;
    std::vector<std::pair<const char *, std::string>> keys;  // request element, value
};

// The entry a walk reply names; false when it names none (a policy reply without
// either name is skipped by the caller).
bool readEntry(WalkKind kind, xmlDomNode_t *row, WalkEntry *entry) {
    auto text = [row](const char *name) {
        const char *t = childText(row, name);
        return std::string(t ? t : "");
    };
    switch (kind) {
        case WalkKind::policy:
            entry->rule = hasText(childText(row, "ruleName"));
            entry->name = text(entry->rule ? "ruleName" : "policyName");
            entry->keys = {{entry->rule ? "ruleName" : "policyName", entry->name},
                           {"order", text("order")}};
            return !entry->name.empty();
        case WalkKind::child:
            entry->name = text("childRoleName");
            entry->keys = {{"childRoleName", entry->name}};
            return true;
        case WalkKind::identity:
            entry->name = text("userName");
            entry->keys = {{"userName", entry->name},
                           {"domain", text("domain")},
                           {"mac", text("mac")},
                           {"port", text("port")},
                           {"ipv4", text("ipv4")}};
            return true;
    }
    return false;
}

// Fills the inner record of an instance ("policy", "child", "identity") from the entry.
void fillInstance(WalkKind kind, xmlFwkValueList_t *instance, const WalkEntry &entry) {
    static const char *const kInner[] = {"policy", "child", "identity"};
    xmlFwkValueList_t *inner = recordList(instance, kInner[int(kind)]);
    if (!inner) return;
    if (kind == WalkKind::policy) {
        setRecord(inner, entry.rule ? "ruleName" : "policyName", entry.name.c_str());
        setRecord(inner, "order", entry.keys[1].second.c_str());
        return;
    }
    // The external names of the identity fields, in the order of the entry's keys.
    static const char *const kIdentity[] = {"userName", "domain", "macAddress", "port",
                                            "ipAddress"};
    for (size_t i = 0; i < entry.keys.size(); i++)
        setRecord(inner, kind == WalkKind::child ? "childRoleName" : kIdentity[i],
                  entry.keys[i].second.c_str());
}

// Moves the walk request on to `entry`, so that the next get asks for the one after it.
void moveWalkKey(WalkKind kind, xmlDomNode_t *object, const WalkEntry &entry) {
    if (kind == WalkKind::policy) {
        xmlDomNode_t *name = xmlDomGetCharacterNode(object, "policyName", 0);
        if (!name) name = xmlDomGetCharacterNode(object, "ruleName", 0);
        if (name) {
            xmlDomSetNodeName(name, entry.keys[0].first);
            replaceText(name, entry.keys[0].second.c_str());
            setChild(object, "order", entry.keys[1].second.c_str());
            return;
        }
    }
    for (const auto &key : entry.keys) setChild(object, key.first, key.second.c_str());
}

void roleWalk(WalkKind kind, soap *soap, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
              xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
              xmlDomNode_t *object, char **message, int *status, int *flags) {
    static const char *const kRecords[] = {"policyInfo", "childInfo", "identityInfo"};
    *status = 1;
    *flags = XML_FWK_FLAG_CONSUMED;
    xmlFwkValue_t *record = reply ? xmlFwkListFind(reply, kRecords[int(kind)]) : nullptr;
    if (!record || record->kind != XML_FWK_VALUE_LIST || !record->value.list || !object) return;
    const char *roleText = childText(object, "roleName");
    std::string role = roleText ? roleText : "";
    std::string lastSeen;
    size_t nameMax = kind == WalkKind::identity ? IDMGR_IDENTITY_NAME_MAX : IDMGR_ROLE_NAME_MAX;
    xmlFwkValueArray_t *array = nullptr;

    // Every round moves the key on or ends the walk; the bound only guards against a
    // peer that answers more-to-come without rows for ever.
    for (int round = 0; round < 2 * XML_FWK_ARRAY_MAX; round++) {
        char *text = nullptr;
        int got = 0, unused = 0;
        xmlFwkDefaultGet(soap, XML_FWK_OP_WALK, index, filter, reply, info, request, &text, &got,
                         &unused);
        if (got == 0) {
            if (!array) {
                *status = 0;
                if (message)
                    *message = text;
                else
                    xmlFree(text);
                return;
            }
            xmlFree(text);
            break;
        }
        if (!hasText(text)) {
            xmlFree(text);
            if (got == 2) continue;
            break;
        }
        xmlDomNode_t *row = nullptr;
        Document doc = parseReply(text, &row);
        xmlFree(text);
        const char *rowRole = childText(row, "roleName");
        if (!rowRole || role != rowRole) break;
        WalkEntry entry;
        bool named = readEntry(kind, row, &entry);
        if (named && entry.name == lastSeen) break;
        if (named) {
            if (!array)
                array = static_cast<xmlFwkValueArray_t *>(xmlCalloc(1, sizeof(xmlFwkValueArray_t)));
            xmlFwkValueList_t *copy = array && array->count < XML_FWK_ARRAY_MAX
                                          ? xmlFwkListCopy(record->value.list)
                                          : nullptr;
            if (!copy) break;
            xmlFwkListClear(copy);
            fillInstance(kind, copy, entry);
            array->lists[array->count++] = copy;
            moveWalkKey(kind, object, entry);
            lastSeen = entry.name.substr(0, nameMax);
        } else {
            // A policy reply without either name: step past its order alone.
            setChild(object, "order", childText(row, "order"));
        }
        if (got < 2) break;
    }
    if (array) {
        xmlFwkListFree(record->value.list);
        record->kind = XML_FWK_VALUE_ARRAY;
        record->value.array = array;
    }
}

// ---- user roles: the policies and dynamic rules of a set

struct RoleEntry {
    xmlDomNode_t *name;   // the policyName or ruleName element, renamed while in flight
    xmlDomNode_t *order;  // the "order" element after it, or nullptr
    bool rule;
    bool all;
    int position;  // its order, 0 when none
};

const char *entryName(bool rule) {
    return rule ? "ruleName" : "policyName";
}

void removeEntry(xmlDomNode_t *object, RoleEntry &e) {
    if (e.order) xmlDomDeleteNode(object, e.order);
    xmlDomDeleteNode(object, e.name);
    e.name = e.order = nullptr;
}

// Checks the entries, renaming them "POLICY" and "RULE"; nullptr when they hold
// together, else the message.
const char *readEntries(xmlDomNode_t *object, int op, std::vector<RoleEntry> *entries) {
    uint64_t used = 0;
    RoleEntry *pending = nullptr;
    int policies = 0, rules = 0;
    for (xmlDomNode_t *c = object->firstChild; c; c = c->nextSibling) {
        bool policy = strcmp(c->name, "policyName") == 0;
        if (policy || strcmp(c->name, "ruleName") == 0) {
            const char *name = xmlDomGetData(c);
            if (!*name) return policy ? "Policy Name cannot be Empty" : "Rule Name cannot be Empty";
            entries->push_back({c, nullptr, !policy, strcmp(name, "all") == 0, 0});
            (policy ? policies : rules)++;
            xmlDomSetNodeName(c, policy ? "POLICY" : "RULE");
            pending = &entries->back();
        } else if (strcmp(c->name, "order") == 0 && pending) {
            char *end = nullptr;
            long order = strtol(xmlDomGetData(c), &end, 10);
            if (*end || order < 1 || order > 32)
                return "No holes is allowed in specifying policy/dynamic-rules order";
            if (used & (uint64_t(1) << order)) return "Policy Order cannot be same";
            used |= uint64_t(1) << order;
            pending->order = c;
            pending->position = int(order);
            pending = nullptr;
        }
    }
    if (policies > IDMGR_ROLE_ENTRIES_MAX || rules > IDMGR_ROLE_ENTRIES_MAX ||
        policies + rules > IDMGR_ROLE_ENTRIES_MAX)
        return "Only 8 policy/dynamic-rules allowed";
    int ordered = 0;
    for (const RoleEntry &e : *entries) {
        if (e.all) {
            if (op != XML_FWK_OP_DELETE)
                return e.rule ? "Invalid rule name specified" : "Invalid policy name specified";
            if ((e.rule ? rules : policies) > 1)
                return e.rule ? "ALL option can have only single entry for Rule"
                              : "ALL option can have only single entry for policy";
        } else if (e.position == 0) {
            return "No holes is allowed in specifying policy/dynamic-rules order";
        }
        if (e.position) ordered++;
    }
    // The orders given must be exactly 1 to n.
    if (used != (uint64_t(1) << (ordered + 1)) - 2)
        return "No holes is allowed in specifying policy/dynamic-rules order";
    return nullptr;
}

// Sends the policies and rules of a role one request each, in their order. A failure
// of a set takes back the entries already sent.
void sendRoleEntries(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *values,
                     xmlFwkObjectInfo_t *info, xmlDomNode_t *request, xmlDomNode_t *object,
                     char **message, int *status) {
    std::vector<RoleEntry> entries;
    if (const char *why = readEntries(object, op, &entries)) return fail(message, status, why);
    if (entries.empty()) {
        xmlFwkDefaultSet(soap, op, index, values, nullptr, info, request, message, status);
        return;
    }
    const char *given = childText(object, "rowStatus");
    std::string action = given ? given : "";
    for (RoleEntry &e : entries) {
        if (!e.all) continue;
        xmlDomSetNodeName(e.name, entryName(e.rule));
        setChild(object, "rowStatus", "unconfigure");
        char *why = nullptr;
        int sent = sendSet(soap, op, index, values, info, request, &why);
        xmlFree(why);
        if (sent == 0)
            return fail(
                message, status,
                e.rule ? "Unable to remove all dynamic rules" : "Unable to remove all policies");
        removeEntry(object, e);
        setChild(object, "rowStatus", action.c_str());  // the others go as asked
    }

    // The others by their order (an "all" entry may have taken an order before them).
    std::vector<RoleEntry *> ordered;
    for (RoleEntry &e : entries)
        if (!e.all) ordered.push_back(&e);
    std::sort(ordered.begin(), ordered.end(),
              [](const RoleEntry *a, const RoleEntry *b) { return a->position < b->position; });
    *status = 1;
    for (RoleEntry *e : ordered) {
        int position = e->position;
        setChild(object, "isFirstXmlReq", e == ordered.front() ? "1" : "0");
        xmlDomSetNodeName(e->name, entryName(e->rule));
        char *why = nullptr;
        if (sendSet(soap, op, index, values, info, request, &why) != 0) {
            xmlDomSetNodeName(e->name, e->rule ? "RuleDone" : "PolicyDone");
            continue;
        }
        removeEntry(object, *e);
        if (op == XML_FWK_OP_SET) {
            setChild(object, "rowStatus", "delete");
            for (RoleEntry &done : entries) {
                if (done.all || !done.name || done.position >= position) continue;
                xmlDomSetNodeName(done.name, entryName(done.rule));
                sendSet(soap, op, index, values, info, request, nullptr);
                removeEntry(object, done);
            }
        }
        failf(message, status, "%s", why ? why : "Unknown Error");
        xmlFree(why);
        return;
    }
}

bool inRange(const char *text, long low, long high) {
    char *end = nullptr;
    long value = strtol(text, &end, 10);
    return *text && !*end && value >= low && value <= high;
}

// The checks of a role's own fields; nullptr when they pass, else the message.
const char *checkRole(xmlDomNode_t *object, int op, char *buffer) {
    const char *role = childText(object, "roleName");
    if (!hasText(role)) return "No role specified";
    if (strlen(role) > IDMGR_ROLE_NAME_MAX) {
        snprintf(buffer, kMessageMax, "Role name cannot contain more than %d characters",
                 IDMGR_ROLE_NAME_MAX);
        return buffer;
    }
    if (strcmp(role, "all") == 0) {
        if (op != XML_FWK_OP_DELETE) return "Invalid role name specified";
        setChild(object, "rowStatus", "unconfigure");
    }
    const char *criteria = childText(object, "matchCriteria");
    if (criteria && strlen(criteria) > IDMGR_MATCH_CRITERIA_MAX) {
        snprintf(buffer, kMessageMax, "Role match criteria cannot contain more than %d characters",
                 IDMGR_MATCH_CRITERIA_MAX);
        return buffer;
    }
    const char *priority = childText(object, "priority");
    if (priority && !inRange(priority, 1, 255)) return "Role priority has to be in the range 1-255";
    const char *tag = childText(object, "vlanTag");
    if (tag && !inRange(tag, 1, 4094)) return "VLAN Tag has to be in the range 1-4094";
    return nullptr;
}

// "childDetails" and "identityDetails" name the child role or the user directly.
void renameDetails(xmlDomNode_t *object, const char *details, const char *name) {
    if (xmlDomNode_t *e = xmlDomGetCharacterNode(object, details, 0)) xmlDomSetNodeName(e, name);
}

// ---- LDAP servers

bool isAddress(const char *text) {
    in_addr address;
    return inet_pton(AF_INET, text, &address) == 1;
}

// Copies the client's field `name` into the new request when given: nullptr, or the
// message when it is given empty (or, for addresses, is not one).
const char *copyField(xmlDomNode_t *from, xmlDomNode_t *to, const char *name, const char *empty,
                      bool address = false) {
    const char *text = childText(from, name);
    if (!text) return nullptr;
    if (!*text || (address && !isAddress(text))) return empty;
    return appendChild(to, name, text) ? nullptr : "Memory Allocation Failed";
}

const char *copyPort(xmlDomNode_t *from, xmlDomNode_t *to) {
    const char *port = childText(from, "serverPort");
    if (!port) return nullptr;
    if (!inRange(port, 1, 65535)) return "Server Port must be in the range [1, 65535]";
    return appendChild(to, "serverPort", port) ? nullptr : "Memory Allocation Failed";
}

const char *buildLdapServer(xmlDomNode_t *from, xmlDomNode_t *to, int op) {
    const char *why = nullptr;
    const char *ip = childText(from, "serverIP");
    const char *host = childText(from, "serverHostName");
    if (op != XML_FWK_OP_DELETE) {
        if (!appendChild(to, "rowStatus", "create")) return "Memory Allocation Failed";
        if ((why = copyField(from, to, "domain", "Invalid Domain Name"))) return why;
        if (ip) {
            if ((why = copyField(from, to, "serverIP", "Invalid Server IP", true))) return why;
        } else {
            if (!host) return "Cannot configure LDAP server without hostname or IP";
            if ((why = copyField(from, to, "serverHostName", "Invalid Hostname"))) return why;
        }
        if ((why = copyPort(from, to))) return why;
        if ((why = copyField(from, to, "clientIP", "Invalid Client IP", true))) return why;
        if ((why = copyField(from, to, "vrName", "Invalid VR-Name"))) return why;
        return copyField(from, to, "securityMechanism", "Invalid Security Mechanism");
    }
    if ((why = copyField(from, to, "domain", "Invalid Domain Name"))) return why;
    if (ip) {
        if (!*ip || !isAddress(ip)) return "Invalid Server IP";
        bool every = strcmp(ip, "0.0.0.0") == 0;
        if (!appendChild(to, "rowStatus", every ? "unconfigure" : "delete") ||
            (!every && !appendChild(to, "serverIP", ip)))
            return "Memory Allocation Failed";
    } else {
        if (!host) return "Cannot delete LDAP server without hostname or IP";
        if (!*host) return "Invalid Hostname";
        bool every = strcmp(host, "all") == 0;
        if (!appendChild(to, "rowStatus", every ? "unconfigure" : "delete") ||
            (!every && !appendChild(to, "serverHostName", host)))
            return "Memory Allocation Failed";
    }
    if ((why = copyPort(from, to))) return why;
    return copyField(from, to, "vrName", "Invalid VR-Name");
}

}  // namespace

void idMgrIdentityGet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
                      xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                      char **message, int *status, int *flags) {
    if (flags) *flags = 0;
    if (message) *message = nullptr;
    int ignored = 0;
    if (!flags) flags = &ignored;
    if (!status) status = &ignored;
    xmlDomNode_t *object = xmlFwkRequestObject(request);
    const char *name = object ? object->name : "";
    if (strcmp(name, "idMgrLocation") == 0) {
        *flags = XML_FWK_FLAG_CONSUMED;
        return locationWalk(soap, index, filter, reply, info, request, object, status);
    }
    if (strcmp(name, "idMgrUserIdentity") == 0)
        return identityQuery(soap, index, filter, reply, info, request, object, message, status,
                             flags);
    xmlFwkDefaultGet(soap, op, index, filter, reply, info, request, message, status, flags);
}

void idMgrConfigGet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
                    xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                    char **message, int *status, int *flags) {
    char *text = nullptr;
    int got = 0;
    xmlFwkDefaultGet(soap, op, index, filter, reply, info, request, &text, &got, flags);
    xmlDomNode_t *object = xmlFwkRequestObject(request);
    if (got != 0 && hasText(text) && object && strcmp(object->name, "idMgrLDAPCfg") == 0) {
        xmlDomNode_t *row = nullptr;
        Document doc = parseReply(text, &row);
        if (row) {
            setRecord(reply, "bindCredential", childText(row, "userName"));
            setRecord(reply, "encrypted", childText(row, "encrypted"));
            setRecord(reply, "baseDN", childText(row, "domainName"));
            // The identity manager keeps whether each kind of network login is off.
            const char *const kPairs[][2] = {{"netloginDot1xEnabled", "dot1xDisabled"},
                                             {"netloginMacEnabled", "macDisabled"},
                                             {"netloginWebEnabled", "webDisabled"}};
            for (const auto &pair : kPairs) {
                const char *off = childText(row, pair[1]);
                char enabled[8];
                snprintf(enabled, sizeof enabled, "%i", off && strcmp(off, "0") == 0 ? 1 : 0);
                setRecord(reply, pair[0], enabled);
            }
        }
    }
    if (status) *status = got;
    if (message)
        *message = text;
    else
        xmlFree(text);
}

void idMgrConfigSet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *values,
                    xmlFwkValueList_t *unused, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                    char **message, int *status) {
    xmlDomNode_t *object = xmlFwkRequestObject(request);
    if (xmlDomNode_t *ports =
            object ? xmlDomGetCharacterNode(object, "enabledPorts", 0) : nullptr) {
        if (strcmp(xmlDomGetData(ports), "all") == 0) replaceText(ports, "*");
        if (!*xmlDomGetData(ports)) return fail(message, status, "Port list cannot be empty");
    }
    const char *bindName = childText(object, "userName");
    if (bindName && strlen(bindName) > IDMGR_LDAP_BIND_NAME_MAX)
        return failf(message, status, "LDAP bind user name cannot contain more than %d characters",
                     IDMGR_LDAP_BIND_NAME_MAX);

    // A set of one field may be a reset of it (value 0, or "unconfigure" for all).
    xmlFwkValue_t *only = values && values->count == 1 ? &values->records[0] : nullptr;
    const char *n = only && only->kind == XML_FWK_VALUE_TEXT ? only->extName : "";
    const char *v =
        only && only->kind == XML_FWK_VALUE_TEXT && only->value.text ? only->value.text : "";
    bool set = op == XML_FWK_OP_SET;
    bool zero = set && strcmp(v, "0") == 0;
    if (set && strcmp(n, "action") == 0 && strcmp(v, "unconfigure") == 0) {
        const char *const kDefaults[][2] = {
            {"enabledPorts", "*"}, {"maxMemorySize", "512"}, {"staleEntryExpiryTimeout", "180"},
            {"enabled", "0"},      {"snmpTrapEnabled", "1"}, {"matchCriteriaInherit", "0"}};
        for (const auto &d : kDefaults) setChild(object, d[0], d[1]);
        xmlDomNode_t *resets[] = {
            newSetRequest("idMgrKSnoopServerEntry",
                          {"rowStatus", "unconfigure", "ipAddress", "0.0.0.0"}),
            newSetRequest("idMgrKSnoopGlobalCfg", {"rowStatus", "unconfigure"}),
            newSetRequest("idMgrLDAPCfg", {"rowStatus", "unconfigure"}),
        };
        bool built = resets[0] && resets[1] && resets[2];
        for (xmlDomNode_t *reset : resets) {
            if (built) sendSet(soap, op, index, values, info, reset, nullptr);
            xmlDomFreeNode(reset);
        }
        if (!built) return fail(message, status, "Memory Allocation Failed");
    } else if (zero && strcmp(n, "maxIdDatabaseSize") == 0) {
        setChild(object, "maxMemorySize", "512");
    } else if (zero && strcmp(n, "expiredEntryTimeout") == 0) {
        setChild(object, "staleEntryExpiryTimeout", "180");
    } else if (zero && (strcmp(n, "kerberosAgeOutTime") == 0 ||
                        strcmp(n, "kerberosForceAgeOutTime") == 0)) {
        setChild(object, "rowStatus", "unconfigure");
    } else if (strcmp(n, "idMgmtEnabledPorts") == 0) {
        // The ports are added to (create) or taken from (set) those enabled.
        removeChildren(object, "rowStatus");
        if (op == XML_FWK_OP_SET) appendChild(object, "action", "3");
        if (op == XML_FWK_OP_CREATE) appendChild(object, "action", "1");
    } else if (zero && strcmp(n, "baseDN") == 0) {
        setChild(object, "rowStatus", "unconfigure");
        setChild(object, "domainName", "0");
    } else if (zero && strcmp(n, "bindCredential") == 0) {
        setChild(object, "rowStatus", "unconfigure");
        setChild(object, "userName", "0");
    } else if (set && strncmp(n, "netlogin", 8) == 0) {
        const char *const kPairs[][2] = {{"netloginDot1xEnabled", "dot1xDisabled"},
                                         {"netloginMacEnabled", "macDisabled"},
                                         {"netloginWebEnabled", "webDisabled"}};
        for (const auto &pair : kPairs)
            if (strcmp(n, pair[0]) == 0)
                setChild(object, pair[1], strcmp(v, "true") == 0 ? "0" : "1");
    }
    xmlFwkDefaultSet(soap, op, index, values, unused, info, request, message, status);
}

void idMgrKerberosSet(soap *soap, int op, xmlFwkValueList_t *, xmlFwkValueList_t *,
                      xmlFwkValueList_t *, xmlFwkObjectInfo_t *, xmlDomNode_t *request,
                      char **message, int *status) {
    xmlDomNode_t *object = xmlFwkRequestObject(request);
    const char *address = childText(object, "ipAddress");
    if (op == XML_FWK_OP_DELETE && address && strcmp(address, "0.0.0.0") == 0)
        setChild(object, "rowStatus", "unconfigure");  // every server
    auto *record = soap ? static_cast<wsvdRequest *>(soap->user) : nullptr;
    char text[XML_FWK_REQUEST_TEXT_MAX];
    if (!record || !request) return fail(message, status, "Internal Error");
    if (xmlDomBuildXmlData(request, text, sizeof text, XML_DOM_WRITE_COMPACT) < 0)
        return fail(message, status, "Request too long: its text exceeds 8192 bytes");
    char *reply = nullptr;
    int got = 0;
    xmlFwkSendToCfgmgr(record, xmlFwkRequestModule(request), CM_OP_SET, 0, text, &reply, &got);
    if (status) *status = got;
    if (message)
        *message = reply;
    else
        xmlFree(reply);
}

void idMgrLdapServerGet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
                        xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                        char **message, int *status, int *flags) {
    xmlDomNode_t *object = xmlFwkRequestObject(request);
    if ((op == XML_FWK_OP_WALK || op == XML_FWK_OP_GET_NEXT) && object &&
        strcmp(object->name, "idMgrLDAPServerCfg") == 0)
        for (const char *name : {"rowStatus", "serverIP", "clientIP", "vrName", "serverPort"})
            removeChildren(object, name);
    xmlFwkDefaultGet(soap, op, index, filter, reply, info, request, message, status, flags);
    if (flags) *flags = 0;
}

void idMgrLdapServerSet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *values,
                        xmlFwkValueList_t *unused, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                        char **message, int *status) {
    Document server(newSetRequest("idMgrLDAPServerCfg", {}));
    if (!server) return fail(message, status, "Memory Allocation Failed");
    // The request carries every index field; a server address the client did not give
    // is an empty element there.
    xmlDomNode_t *client = xmlFwkRequestObject(request);
    const char *ip = recordText(index, "serverIp");
    if (!ip) removeChildren(client, "serverIP");
    if (const char *why =
            buildLdapServer(xmlFwkRequestObject(request), xmlFwkRequestObject(server.get()), op))
        return fail(message, status, why);
    xmlFwkDefaultSet(soap, op, index, values, unused, info, server.get(), message, status);
}

void idMgrUserRoleGet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *filter,
                      xmlFwkValueList_t *reply, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                      char **message, int *status, int *flags) {
    int ignoredFlags = 0, ignoredStatus = 0;
    if (!flags) flags = &ignoredFlags;
    if (!status) status = &ignoredStatus;
    *flags = 0;
    if (message) *message = nullptr;
    xmlDomNode_t *object = xmlFwkRequestObject(request);
    // A walk of every role starts without one; any other get names its role.
    bool walk = op == XML_FWK_OP_WALK || op == XML_FWK_OP_GET_NEXT;
    if (!walk && !hasText(childText(object, "roleName")) && index && index->count > 0)
        return fail(message, status, "No role specified");
    const char *name = object ? object->name : "";
    if (strcmp(name, "idMgrUserRolePolicyCfg") == 0)
        return roleWalk(WalkKind::policy, soap, index, filter, reply, info, request, object,
                        message, status, flags);
    if (strcmp(name, "idMgrUserRoleChildCfg") == 0)
        return roleWalk(WalkKind::child, soap, index, filter, reply, info, request, object, message,
                        status, flags);
    if (strcmp(name, "idMgrUserRoleIdentity") == 0)
        return roleWalk(WalkKind::identity, soap, index, filter, reply, info, request, object,
                        message, status, flags);
    xmlFwkDefaultGet(soap, op, index, filter, reply, info, request, message, status, flags);
}

void idMgrUserRoleSet(soap *soap, int op, xmlFwkValueList_t *index, xmlFwkValueList_t *values,
                      xmlFwkValueList_t *unused, xmlFwkObjectInfo_t *info, xmlDomNode_t *request,
                      char **message, int *status) {
    xmlDomNode_t *object = xmlFwkRequestObject(request);
    const char *name = object ? object->name : "";
    if (strcmp(name, "idMgrUserRoleCfg") == 0) {
        char buffer[kMessageMax];
        if (const char *why = checkRole(object, op, buffer)) return fail(message, status, why);
    } else if (strcmp(name, "idMgrUserRolePolicyCfg") == 0) {
        // The client's action names what the values list carries after the role.
        xmlFwkValue_t *second = values && values->count >= 2 ? &values->records[1] : nullptr;
        if (second && second->kind == XML_FWK_VALUE_TEXT &&
            strcmp(second->extName, "action") == 0 && second->value.text &&
            strcmp(second->value.text, "unconfigure") == 0)
            setChild(object, "rowStatus", "delete");
        return sendRoleEntries(soap, op, index, values, info, request, object, message, status);
    } else if (strcmp(name, "idMgrUserRoleChildCfg") == 0) {
        renameDetails(object, "childDetails", "childRoleName");
        const char *child = childText(object, "childRoleName");
        if (child && strcmp(child, "all") == 0) {
            if (op != XML_FWK_OP_DELETE)
                return fail(message, status, "Invalid child name specified");
            setChild(object, "rowStatus", "unconfigure");
        }
    } else if (strcmp(name, "idMgrUserRoleIdentity") == 0) {
        renameDetails(object, "identityDetails", "userName");
    }
    xmlFwkDefaultSet(soap, op, index, values, unused, info, request, message, status);
}

void idMgrIpfixPortFill(xmlDomNode_t *parent, int op, xmlFwkValue_t *record,
                        xmlFwkValue_t *templateRecord, const char *internalObject,
                        const char *externalObject, xmlFwkObjectInfo_t *info) {
    bool portList = record && record->kind == XML_FWK_VALUE_TEXT && record->extName &&
                    strcmp(record->extName, "portList") == 0;
    if (!portList || !parent || strcmp(parent->name, "ipfixPort") != 0)
        return xmlFwkDefaultFill(parent, op, record, templateRecord, internalObject, externalObject,
                                 info);
    const char *value = record->value.text;
    if (op == XML_FWK_OP_GET_NEXT) {
        // A continuation goes on from the port of the template (the last one read).
        const char *from = templateRecord && templateRecord->kind == XML_FWK_VALUE_TEXT &&
                                   hasText(templateRecord->value.text)
                               ? templateRecord->value.text
                               : value;
        appendChild(parent, "port", from);
        appendChild(parent, "portList", hasText(value) ? value : "*");
    } else if (op == XML_FWK_OP_GET_ONE) {
        appendChild(parent, "portList", value);
    } else if (op == XML_FWK_OP_SET) {
        xmlFwkDefaultFill(parent, op, record, templateRecord, internalObject, externalObject, info);
        removeChildren(parent, "port");
        appendChild(parent, "portList", value);
    } else {
        xmlFwkDefaultFill(parent, op, record, templateRecord, internalObject, externalObject, info);
    }
}

void xmlFwkRegisterIdMgr() {
    xmlFwkRegister(kUserIdentityData, xmlFwkDefaultFill, idMgrIdentityGet, xmlFwkDefaultSet, 0);
    xmlFwkRegister(kIdentityManagerConfig, xmlFwkDefaultFill, idMgrConfigGet, idMgrConfigSet, 0);
    xmlFwkRegister(kKerberosServer, xmlFwkDefaultFill, xmlFwkDefaultGet, idMgrKerberosSet, 0);
    xmlFwkRegister(kLdapServerConfig, xmlFwkDefaultFill, idMgrLdapServerGet, idMgrLdapServerSet, 0);
    xmlFwkRegister(kUserRole, xmlFwkDefaultFill, idMgrUserRoleGet, idMgrUserRoleSet, 0);
    xmlFwkRegister(kIpfixPortData, idMgrIpfixPortFill, xmlFwkDefaultGet, xmlFwkDefaultSet, 0);
}
