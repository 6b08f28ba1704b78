#include "framework/xmlfwk_process.h"

#include <cstdio>
#include <cstring>
#include <memory>
#include <string>
#include <vector>

#include "framework/xmlfwk_defaults.h"
#include "framework/xmlfwk_mapper.h"
#include "framework/xmlfwk_tables.h"
#include "platform/util.h"

namespace {

enum { kQueryItemsMax = 100 };

const char kObjectsOpen[] = "<objects>";
const char kObjectsClose[] = "</objects>";
const char kInternalError[] = "Internal Server Error";
const char kNoInput[] = "Invalid set request, no input parameters specified";

struct ListFree {
    void operator()(xmlFwkValueList_t *l) const { xmlFwkListFree(l); }
};
using List = std::unique_ptr<xmlFwkValueList_t, ListFree>;

struct NodeFree {
    void operator()(xmlDomNode_t *n) const { xmlDomFreeNode(n); }
};
using Node = std::unique_ptr<xmlDomNode_t, NodeFree>;

struct TextFree {
    void operator()(char *t) const { xmlFree(t); }
};
using Text = std::unique_ptr<char, TextFree>;

std::string format(const char *pattern, const char *name) {
    char text[512];
    Sprintf(text, sizeof text, pattern, name ? name : "");
    return text;
}

bool hasText(const xmlFwkValue_t *r) {
    return r->kind == XML_FWK_VALUE_TEXT && r->value.text && *r->value.text;
}

// A value given (for text records the empty text counts).
bool hasValue(const xmlFwkValue_t *r) {
    switch (r->kind) {
        case XML_FWK_VALUE_TEXT:
            return r->value.text != nullptr;
        case XML_FWK_VALUE_LIST:
            return xmlFwkListHasValue(r->value.list);
        case XML_FWK_VALUE_ARRAY:
            return r->value.array && r->value.array->count > 0;
    }
    return false;
}

bool allHave(const xmlFwkValueList_t *list, bool (*test)(const xmlFwkValue_t *)) {
    for (int i = 0; i < list->count; i++)
        if (!test(&list->records[i])) return false;
    return true;
}

// The object's own internal object and its module, from its metadata.
struct Holder {
    const char *module;
    const char *internalObject;
};

Holder holderOf(const xmlFwkObjectInfo_t *info) {
    return {xmlFwkGetMeta(info->typeInfo.appinfo, "module", nullptr),
            xmlFwkGetMeta(info->typeInfo.appinfo, "internalObject", nullptr)};
}

// A request node as text, prefixed by its op: two requests that read the same are sent
// the same way only when this is equal.
std::string requestKey(int op, const xmlDomNode_t *request) {
    std::vector<char> text(XML_FWK_REQUEST_TEXT_MAX);
    if (!request ||
        xmlDomBuildXmlData(request, text.data(), text.size(), XML_DOM_WRITE_COMPACT) < 0)
        return "";
    return std::to_string(op) + text.data();
}

// ---- checking the client's object

const xmlFwkFieldDesc_t *fieldNamed(const xmlFwkFieldList_t *fields, const char *name) {
    for (int i = 0; fields && i < fields->count; i++)
        if (strcmp(fields->fields[i]->name, name) == 0) return fields->fields[i];
    return nullptr;
}

bool isEnumValue(const xmlFwkFieldDesc_t *d, const char *text) {
    for (int i = 0; i < d->enumCount; i++)
        if (strcmp(d->enumValues[i], text) == 0) return true;
    return false;
}

// Every element of the client's object names a field of the object, and a value that
// a set sends to an enumerated field is one of its values; "" when so, else the reason.
std::string checkFields(xmlDomNode_t *node, const xmlFwkFieldList_t *fields, int op,
                        const char *objectName) {
    for (xmlDomNode_t *c = node->firstChild; c; c = c->nextSibling) {
        if (strcmp(c->name, "extension") == 0) continue;
        const xmlFwkFieldDesc_t *d = fieldNamed(fields, c->name);
        if (!d) return "Unknown field \"" + std::string(c->name) + "\" in " + objectName;
        if (d->kind == XML_FWK_KIND_SEQUENCE) {
            std::string why = checkFields(c, d->nested, op, objectName);
            if (!why.empty()) return why;
        } else if (op >= XML_FWK_OP_SET && d->enumCount > 0 && *xmlDomGetData(c) &&
                   !isEnumValue(d, xmlDomGetData(c))) {
            return "Invalid value \"" + std::string(xmlDomGetData(c)) + "\" for field " + d->name;
        }
    }
    return "";
}

// ---- get

// The client's values as a match filter: an element named like the object holding a
// copy of every field given with a text (nested fields as elements holding their given
// fields); nullptr when nothing was given.
xmlDomNode_t *matchFilter(xmlDomNode_t *node, const xmlFwkFieldList_t *fields, const char *name) {
    xmlDomNode_t *filter = xmlDomCreateElement(name);
    if (!filter) return nullptr;
    for (int i = 0; fields && i < fields->count; i++) {
        const xmlFwkFieldDesc_t *d = fields->fields[i];
        xmlDomNode_t *given = xmlDomGetCharacterNode(node, d->name, 0);
        if (!given) continue;
        xmlDomNode_t *copy = nullptr;
        if (d->kind == XML_FWK_KIND_SEQUENCE)
            copy = matchFilter(given, d->nested, d->name);
        else if (*xmlDomGetData(given))
            copy = xmlDomCreateCharacterNode(d->name, xmlDomGetData(given));
        if (copy && xmlDomAppendChild(filter, copy) != 0) xmlDomFreeNode(copy);
    }
    if (!filter->firstChild) {
        xmlDomFreeNode(filter);
        return nullptr;
    }
    return filter;
}

// The fields a get answers with: the other list, or the part that "queryParameters"
// ("include:a,b" or "exclude:a,b") selects. Values are left empty.
List replyFields(xmlFwkValueList_t *other, const xmlFwkFieldList_t *indexFields,
                 const std::string &query) {
    List reply(xmlFwkListNew());
    if (!reply) return reply;
    std::vector<std::string> names;
    bool include = false, decided = false;
    size_t start = 0;
    for (int item = 0; item < kQueryItemsMax && start <= query.size() && !decided; item++) {
        size_t end = query.find(';', start);
        if (end == std::string::npos) end = query.size();
        std::string text = query.substr(start, end - start);
        start = end + 1;
        size_t colon = text.find(':');
        if (colon == std::string::npos || text.find(':', colon + 1) != std::string::npos) continue;
        decided = true;
        std::string key = text.substr(0, colon);
        if (key != "include" && key != "exclude") break;
        include = key == "include";
        std::string list = text.substr(colon + 1);
        for (size_t at = 0; at <= list.size();) {
            size_t comma = list.find(',', at);
            if (comma == std::string::npos) comma = list.size();
            std::string n = list.substr(at, comma - at);
            n.erase(0, n.find_first_not_of(" \t\r\n"));
            n.erase(n.find_last_not_of(" \t\r\n") + 1);
            if (!n.empty()) names.push_back(n);
            at = comma + 1;
        }
    }
    auto named = [&names](const char *n) {
        for (const std::string &s : names)
            if (s == n) return true;
        return false;
    };
    bool found = false;
    for (const std::string &n : names)
        found = found || xmlFwkListFind(other, n.c_str()) || fieldNamed(indexFields, n.c_str());
    bool whole = names.empty() || !found;
    for (int i = 0; i < other->count; i++) {
        const xmlFwkValue_t *r = &other->records[i];
        if (!whole && named(r->extName) != include) continue;
        if (xmlFwkListAppendCopy(reply.get(), r) != 0) return List();
    }
    xmlFwkListClear(reply.get());
    return reply;
}

struct Get {
    struct soap *soap;
    const xmlFwkCallbacks_t *callbacks;
    xmlFwkObjectInfo_t *info;
    const char *name;
    const char *category;
    const char *typeAttribute;
    xmlFwkResult_t *result;
    Holder holder;
    xmlDomNode_t *filter;  // the match filter, or nullptr
    xmlFwkValueList_t *index;
    xmlFwkValueList_t *index2;
    xmlFwkValueList_t *filterList;
    xmlFwkValueList_t *reply;
    bool full = false;  // the answer has no room for another object
};

// One call of the get callback. The reply's data, unless the callback consumed it, is
// parsed for fast search: nullptr in *document when there is none or it is damaged
// (*damaged then).
struct Reply {
    int status = 0;
    int flags = 0;
    Text message;
    Node document;
    bool damaged = false;
};

Reply callGet(Get &g, int op, xmlDomNode_t *request) {
    Reply r;
    char *message = nullptr;
    g.callbacks->get(g.soap, op, g.index, g.filterList, g.reply, g.info, request, &message,
                     &r.status, &r.flags);
    r.message.reset(message);
    if (r.status != 0 && !(r.flags & XML_FWK_FLAG_CONSUMED) && message) {
        r.document.reset(xmlDomParseXmlDataFastSearch(message, strlen(message)));
        r.damaged = !r.document;
    }
    return r;
}

xmlDomNode_t *replyRoot(const Reply &r) {
    return xmlDomGetFirstChild(r.document.get());
}

bool addRecords(xmlDomNode_t *parent, xmlFwkValueList_t *list, xmlDomNode_t *filter, bool filtered,
                bool *anyValue);

// One record as the answer writes it; false when it rejects the instance.
bool addRecord(xmlDomNode_t *parent, xmlFwkValue_t *r, xmlDomNode_t *filter, bool filtered,
               bool *anyValue) {
    if (r->kind == XML_FWK_VALUE_TEXT) {
        const char *value = r->value.text;
        if (value) *anyValue = true;
        xmlDomNode_t *e = xmlDomCreateCharacterNode(r->extName, value ? value : "");
        if (e && xmlDomAppendChild(parent, e) != 0) xmlDomFreeNode(e);
        const char *wanted = filtered ? xmlDomGetCharacterData(filter, r->extName, 0) : nullptr;
        return !wanted || !*wanted || (value && strcmp(value, wanted) == 0);
    }
    std::vector<xmlFwkValueList_t *> instances;
    if (r->kind == XML_FWK_VALUE_LIST && r->value.list) instances.push_back(r->value.list);
    if (r->kind == XML_FWK_VALUE_ARRAY && r->value.array)
        instances.assign(r->value.array->lists, r->value.array->lists + r->value.array->count);
    xmlDomNode_t *nestedFilter = filtered ? xmlDomGetCharacterNode(filter, r->extName, 0) : nullptr;
    bool kept = true;
    for (xmlFwkValueList_t *instance : instances) {
        xmlDomNode_t *e = xmlDomCreateElement(r->extName);
        if (!e || xmlDomAppendChild(parent, e) != 0) {
            xmlDomFreeNode(e);
            continue;
        }
        // Instances of a repeated field are not matched: which one would the filter name?
        bool matched = r->kind == XML_FWK_VALUE_LIST;
        kept = addRecords(e, instance, nestedFilter, filtered && matched, anyValue) && kept;
    }
    return kept;
}

bool addRecords(xmlDomNode_t *parent, xmlFwkValueList_t *list, xmlDomNode_t *filter, bool filtered,
                bool *anyValue) {
    bool kept = true;
    for (int i = 0; list && i < list->count; i++)
        kept = addRecord(parent, &list->records[i], filter, filtered, anyValue) && kept;
    return kept;
}

// Writes one object into the answer, unless the match filter rejects it or it has no
// value; marks the answer full when it does not fit.
void appendObject(Get &g, xmlFwkValueList_t *index, bool filtered) {
    Node object(xmlDomCreateElement("object"));
    if (!object) return;
    if (g.typeAttribute && *g.typeAttribute) {
        std::string type = std::string(g.category) + ":" + g.name;
        xmlDomSetAttribute(object.get(), g.typeAttribute, type.c_str());
    }
    bool anyValue = false;
    filtered = filtered && g.filter;
    bool kept = addRecords(object.get(), index, g.filter, filtered, &anyValue);
    kept = addRecords(object.get(), g.reply, g.filter, filtered, &anyValue) && kept;
    if (!kept || !anyValue) return;
    // Most objects are small: the buffer grows only for those that need it.
    std::vector<char> text(16384);
    int length;
    while ((length = xmlDomBuildXmlData(object.get(), text.data(), text.size(),
                                        XML_DOM_WRITE_COMPACT)) < 0 &&
           text.size() < XML_FWK_OBJECT_MAX)
        text.resize(std::min<size_t>(text.size() * 4, XML_FWK_OBJECT_MAX));
    if (length < 0 || !g.result->fits(size_t(length) + strlen(kObjectsClose))) {
        g.full = true;
        return;
    }
    g.result->text.append(text.data(), size_t(length));
}

// The per-object requests of a round: request 0 for the object's own internal object,
// then one per further internal object that a field of the reply list lives in.
bool addFollowUps(Get &g, std::vector<Node> &requests, xmlFwkValueList_t *list, const char *module,
                  int op) {
    for (int i = 0; list && i < list->count; i++) {
        xmlFwkValue_t *r = &list->records[i];
        if (r->intObject) {
            bool held = false;
            for (const Node &q : requests) {
                xmlDomNode_t *object = xmlFwkRequestObject(q.get());
                held = held || (object && strcmp(object->name, r->intObject) == 0);
            }
            if (held) continue;
            if (requests.size() == XML_FWK_REQUESTS_MAX) return false;
            const char *from = r->module ? r->module : module;
            // A request that cannot be built is one whose fields stay empty, as when
            // cfgmgr refuses it.
            if (xmlDomNode_t *q = xmlFwkBuildModuleRequest(from, r->intObject, g.name, op, g.index,
                                                           g.index2, g.info))
                requests.emplace_back(q);
            continue;
        }
        xmlFwkValueList_t *nested = nullptr;
        if (r->kind == XML_FWK_VALUE_LIST) nested = r->value.list;
        if (r->kind == XML_FWK_VALUE_ARRAY && r->value.array && r->value.array->count)
            nested = r->value.array->lists[0];
        if (nested && !addFollowUps(g, requests, nested, r->module ? r->module : module, op))
            return false;
    }
    return true;
}

// The round would send what the round before sent first, the same way: the
// configuration manager would answer as before, and the walk would never end.
bool repeats(const std::string &request, const std::string &previous) {
    return !request.empty() && request == previous;
}

bool isWalkOnly(const char *name) {
    return strcmp(name, "BackboneVlanConfig") == 0 || strcmp(name, "CustomerVlanConfig") == 0;
}

int fail(xmlFwkResult_t *result, const char *message) {
    result->set(message && *message ? message : kInternalError);
    return 0;
}

// The get being served on this thread, for xmlFwkResultAppend.
thread_local Get *tCurrentGet = nullptr;

int walk(Get &g, int mode, int maxSize) {
    struct Current {
        explicit Current(Get *g) { tCurrentGet = g; }
        ~Current() { tCurrentGet = nullptr; }
    } current(&g);
    bool hasIndex = g.info->indexFields && g.info->indexFields->count > 0;
    int walkMode = hasIndex && allHave(g.index, hasText) ? 2 : 3;
    if (mode == XML_FWK_MODE_NEXT) walkMode = 3;  // from the index given, when it was whole
    int op = XML_FWK_OP_GET_ONE;                  // of the per-object requests
    int count = 0;
    std::string lastRequest;  // what the previous round sent first, and how
    g.result->text = kObjectsOpen;

    for (;;) {
        xmlFwkMapValues(g.name, g.index, XML_FWK_TO_INTERNAL, XML_FWK_OP_GET);
        if (isWalkOnly(g.name)) walkMode = 3;
        int roundStatus = 1;
        int lastStatus = 0;
        int flags = 0;
        std::string firstRequest;

        if (walkMode == 3 && g.holder.module && g.holder.internalObject) {
            Node request(xmlFwkBuildModuleRequest(g.holder.module, g.holder.internalObject, g.name,
                                                  XML_FWK_OP_WALK, g.index, nullptr, g.info));
            if (!request) return fail(g.result, kInternalError);
            firstRequest = requestKey(XML_FWK_OP_WALK, request.get());
            if (repeats(firstRequest, lastRequest)) return fail(g.result, kInternalError);
            Reply r = callGet(g, XML_FWK_OP_WALK, request.get());
            lastStatus = r.status;
            flags = r.flags;
            if (r.status == 0) return fail(g.result, r.message.get());
            if (r.damaged)
                return fail(g.result, "Internal Server Error : Could not parse response data");
            if (r.document) {
                xmlFwkFillFromReply(g.name, g.reply, replyRoot(r), 0, r.document.get());
                xmlFwkListClear(g.index);
                xmlFwkFillFromReply(g.name, g.index, replyRoot(r), 1, r.document.get());
            } else if (!r.message && r.status == 1) {
                g.result->text += kObjectsClose;
                return 1;
            } else if (!r.message && !(r.flags & XML_FWK_FLAG_CONSUMED)) {
                return fail(g.result, kInternalError);  // more follow, but nothing came
            }
            roundStatus = r.status;
        }

        // Request 0 is sent only when the walk request did not already read it.
        std::vector<Node> requests;
        if (g.holder.module && g.holder.internalObject)
            requests.emplace_back(xmlFwkBuildModuleRequest(g.holder.module, g.holder.internalObject,
                                                           g.name, op, g.index, g.index2, g.info));
        else
            requests.emplace_back();
        if (!addFollowUps(g, requests, g.reply, g.holder.module, op))
            return fail(g.result, kInternalError);
        size_t first = walkMode == 3 ? 1 : 0;
        bool found = walkMode == 3 || !requests[0];
        for (size_t i = first; i < requests.size(); i++) {
            if (!requests[i]) continue;
            bool last = i + 1 == requests.size();
            if (i == 0) {
                firstRequest = requestKey(op, requests[0].get());
                if (repeats(firstRequest, lastRequest)) return fail(g.result, kInternalError);
            }
            Reply r = callGet(g, op, requests[i].get());
            lastStatus = r.status;
            flags = r.flags;
            if (r.status == 0) {
                if (i == 0) return fail(g.result, r.message.get());
                continue;
            }
            // An object named by its index that the configuration manager does not
            // have is not answered at all.
            if (i == 0) found = r.message || (r.flags & XML_FWK_FLAG_CONSUMED);
            if (!r.document) {
                if (i == 0 && last && r.status == 2 && !r.message)
                    return fail(g.result, kInternalError);  // more follow, but nothing came
                continue;
            }
            xmlFwkFillFromReply(g.name, g.reply, replyRoot(r), 0, r.document.get());
            if (last && ((walkMode == 2 && r.status == 2) || op == XML_FWK_OP_GET_NEXT)) {
                flags |= XML_FWK_FLAG_NO_FILTER;
                xmlFwkListClear(g.index2);
                xmlFwkFillFromReply(g.name, g.index2, replyRoot(r), 1, r.document.get());
                op = XML_FWK_OP_GET_NEXT;
            }
        }
        lastRequest = firstRequest;

        if (mode == XML_FWK_MODE_NEXT) {
            if (!(flags & XML_FWK_FLAG_SKIP)) count++;
            if (count >= maxSize) roundStatus = 1;
        }
        xmlFwkMapValues(g.name, g.index, XML_FWK_TO_EXTERNAL, XML_FWK_OP_GET);
        xmlFwkMapValues(g.name, g.reply, XML_FWK_TO_EXTERNAL, XML_FWK_OP_GET);
        if (found && !(flags & XML_FWK_FLAG_SKIP)) {
            bool filtered = !(flags & XML_FWK_FLAG_NO_FILTER);
            if (op == XML_FWK_OP_GET_NEXT) {
                // The index the continuation read, in the client's form; the list itself
                // stays as the next request needs it.
                List shown(xmlFwkListCopy(g.index2));
                if (!shown) return fail(g.result, kInternalError);
                xmlFwkMapValues(g.name, shown.get(), XML_FWK_TO_EXTERNAL, XML_FWK_OP_GET);
                appendObject(g, shown.get(), filtered);
            } else {
                appendObject(g, g.index, filtered);
            }
        }
        if ((walkMode == 3 && roundStatus == 1) || (walkMode == 2 && lastStatus < 2) || !hasIndex ||
            g.full)
            break;
        xmlFwkListClear(g.reply);
    }
    g.result->text += kObjectsClose;
    return 1;
}

int getObjects(soap *soap, const xmlFwkCallbacks_t *callbacks, xmlFwkObjectInfo_t *info,
               xmlDomNode_t *objectNode, const char *category, const char *typeAttribute,
               xmlFwkResult_t *result, xmlFwkValueList_t *index, xmlFwkValueList_t *index2,
               xmlFwkValueList_t *other, int mode, int maxSize) {
    Node filter(mode == XML_FWK_MODE_NEXT ? nullptr
                                          : matchFilter(objectNode, info->fields, info->name));
    bool hasIndex = info->indexFields && info->indexFields->count > 0;
    bool walkFromIndex = hasIndex && allHave(index, hasText);
    List filterList(xmlFwkListNew());
    if (!filterList) return fail(result, kInternalError);
    bool copied = true;
    for (int i = 0; !walkFromIndex && i < index->count; i++)
        if (hasText(&index->records[i]))
            copied = copied && xmlFwkListAppendCopy(filterList.get(), &index->records[i]) == 0;

    std::string query;
    if (xmlFwkValue_t *q = xmlFwkListFind(other, "queryParameters")) {
        if (q->kind == XML_FWK_VALUE_TEXT && q->value.text) query = q->value.text;
        xmlFwkListRemove(other, "queryParameters");
    }
    for (int i = 0; i < other->count; i++) {
        const xmlFwkValue_t *r = &other->records[i];
        if (hasText(r) || (r->kind != XML_FWK_VALUE_TEXT && hasValue(r)))
            copied = copied && xmlFwkListAppendCopy(filterList.get(), r) == 0;
    }
    List reply = replyFields(other, info->indexFields, query);
    if (!copied || !reply) return fail(result, kInternalError);
    // A walk over the whole table starts at its first object; "next" goes on after the
    // object given whole.
    if (!walkFromIndex && hasIndex) xmlFwkListClear(index);

    if (!callbacks->get) return fail(result, kInternalError);
    Get g{soap,           callbacks,    info,  info->name, category,         typeAttribute, result,
          holderOf(info), filter.get(), index, index2,     filterList.get(), reply.get()};
    return walk(g, mode, maxSize);
}

// ---- set, create, delete

struct Set {
    const char *name;
    xmlFwkObjectInfo_t *info;
    xmlFwkValueList_t *index;
    int op;
    std::vector<Node> requests;
    std::string why;  // set when building failed
};

// The request of `internalObject`, made when there is none yet.
xmlDomNode_t *requestFor(Set &s, const char *module, const char *internalObject) {
    for (const Node &q : s.requests) {
        xmlDomNode_t *object = xmlFwkRequestObject(q.get());
        if (object && strcmp(object->name, internalObject) == 0) return q.get();
    }
    if (s.requests.size() == XML_FWK_REQUESTS_MAX) return nullptr;
    // A create makes the object once: the requests of its further internal objects set.
    int op = s.op == XML_FWK_OP_CREATE && !s.requests.empty() ? XML_FWK_OP_SET : s.op;
    s.requests.emplace_back(
        xmlFwkBuildModuleRequest(module, internalObject, s.name, op, s.index, nullptr, s.info));
    return s.requests.back().get();
}

bool buildSets(Set &s, xmlFwkValueList_t *list, const char *module, const char *internalObject) {
    for (int i = 0; list && i < list->count; i++) {
        xmlFwkValue_t *r = &list->records[i];
        if (r->kind == XML_FWK_VALUE_LIST) {
            bool own = r->intObject != nullptr;
            if (!buildSets(s, r->value.list, own && r->module ? r->module : module,
                           own ? r->intObject : internalObject))
                return false;
            continue;
        }
        if (r->kind == XML_FWK_VALUE_ARRAY) {
            for (int j = 0; r->value.array && j < r->value.array->count; j++)
                if (!buildSets(s, r->value.array->lists[j], module, internalObject)) return false;
            continue;
        }
        if (!r->value.text) continue;
        std::vector<char> buffer(3 * strlen(r->value.text) + 1024);
        memcpy(buffer.data(), r->value.text, strlen(r->value.text) + 1);
        xmlFwkExtToInt(s.name, r, buffer.data(), buffer.size(), s.op);
        const char *holderModule = r->intObject && r->module ? r->module : module;
        xmlDomNode_t *request =
            requestFor(s, holderModule, r->intObject ? r->intObject : internalObject);
        xmlDomNode_t *value = xmlDomCreateCharacterNode(r->intName, buffer.data());
        if (!request || !value || xmlDomAppendChild(xmlFwkRequestObject(request), value) != 0) {
            xmlDomFreeNode(value);
            s.why = format("Field %s can not be sent to the configuration manager", r->extName);
            return false;
        }
    }
    return true;
}

int setObject(soap *soap, const xmlFwkCallbacks_t *callbacks, xmlFwkObjectInfo_t *info, int op,
              xmlFwkResult_t *result, xmlFwkValueList_t *index, xmlFwkValueList_t *other) {
    xmlFwkMapValues(info->name, index, XML_FWK_TO_INTERNAL, op);
    List values(xmlFwkListNew());
    if (!values) return fail(result, kInternalError);
    if (allHave(index, hasValue)) {
        for (int i = 0; i < other->count; i++)
            if (hasValue(&other->records[i]) &&
                xmlFwkListAppendCopy(values.get(), &other->records[i]) != 0)
                return fail(result, kInternalError);
    }
    Holder holder = holderOf(info);
    if (!holder.module || !holder.internalObject) return fail(result, kNoInput);

    Set s{info->name, info, index, op, {}, ""};
    if (!buildSets(s, values.get(), holder.module, holder.internalObject))
        return fail(result, s.why.empty() ? kInternalError : s.why.c_str());
    if (s.requests.empty()) {
        if (op == XML_FWK_OP_SET) return fail(result, kNoInput);
        if (!requestFor(s, holder.module, holder.internalObject))
            return fail(result, kInternalError);
    }
    if (!callbacks->set) return fail(result, kInternalError);
    for (size_t i = 0; i < s.requests.size(); i++) {
        int sendOp = op == XML_FWK_OP_CREATE && i > 0 ? XML_FWK_OP_SET : op;
        char *message = nullptr;
        int status = 0;  // a callback that returns without sending has failed
        callbacks->set(soap, sendOp, index, values.get(), nullptr, info, s.requests[i].get(),
                       &message, &status);
        Text owned(message);
        if (status == 0) {
            // Requests already sent stay applied: the configuration manager has no undo.
            result->set(message && *message ? message : "Unknown Error");
            return 0;
        }
    }
    result->set("SUCCESS");
    return 1;
}

}  // namespace

int xmlFwkResultAppend(const char *xml) {
    Get *g = tCurrentGet;
    if (!g || !xml) return -1;
    if (g->full || !g->result->fits(strlen(xml) + strlen(kObjectsClose))) {
        g->full = true;
        return -1;
    }
    g->result->text += xml;
    return 0;
}

void xmlFwkResult_t::set(const char *message) {
    text = message ? message : "";
    if (size > 0 && text.size() >= size) text.resize(size - 1);
}

void xmlFwkProcess(soap *soap, const char *category, xmlDomNode_t *objectNode, int op,
                   const char *container, xmlFwkResult_t *result, int *status,
                   const char *typeAttribute, int, int mode, int maxSize) {
    *status = 0;
    const char *name = objectNode ? objectNode->name : "";
    const xmlFwkCallbacks_t *callbacks = xmlFwkFindCallbacks(name);
    if (!callbacks) {
        result->set(
            format("XML API Interfaces are not supported for this object (%s), no callback", name)
                .c_str());
        return;
    }
    xmlFwkObjectInfo_t *info = xmlFwkGetObjectInfo(name, container);
    if (!info) {
        result->set(
            format("XML API Interfaces are not supported for this object (%s)", name).c_str());
        return;
    }
    std::string why = checkFields(objectNode, info->fields, op, name);
    if (!why.empty()) {
        result->set(why.c_str());
        return;
    }

    List index(xmlFwkListNew()), index2(xmlFwkListNew()), other(xmlFwkListNew());
    if (!index || !index2 || !other ||
        xmlFwkBuildValueList(objectNode, op, info->indexFields, index.get(), 0) != 0 ||
        xmlFwkBuildValueList(objectNode, op, info->indexFields, index2.get(), 0) != 0 ||
        xmlFwkBuildValueList(objectNode, op, info->otherFields, other.get(), 0) != 0) {
        result->set(kInternalError);
        return;
    }
    if (op == XML_FWK_OP_GET) {
        *status = getObjects(soap, callbacks, info, objectNode, category, typeAttribute, result,
                             index.get(), index2.get(), other.get(), mode, maxSize);
    } else if (op == XML_FWK_OP_SET && other->count == 0) {
        result->set("Input parameters are not settable");
    } else if (op >= XML_FWK_OP_SET && op <= XML_FWK_OP_DELETE) {
        *status = setObject(soap, callbacks, info, op, result, index.get(), other.get());
    }
}
