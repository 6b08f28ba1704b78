#include "cmclient/cm_readahead.h"

#include <algorithm>
#include <cstring>
#include <string_view>
#include <utility>
#include <vector>

#include "cfgmgmt/cmBackend/src/cm_xml_text.h"
#include "platform/cmxml.h"
#include "platform/xmldom.h"

namespace {

const char kModulePrefix[] = "module_";

// A field as a request gives it: name and value.
using Field = std::pair<std::string, std::string>;

// Sorts fields given in the order of a request by name, each name once with its last
// value, as a document's reader takes them. Requests give a handful: an insertion sort
// (stable, so the last of a name stays last) allocates nothing.
void lastOfEachName(std::vector<Field> *fields) {
    auto byName = [](const Field &a, const Field &b) { return a.first < b.first; };
    for (auto it = fields->begin(); it != fields->end(); ++it)
        std::rotate(std::upper_bound(fields->begin(), it, *it, byName), it, it + 1);
    auto sameName = [](const Field &a, const Field &b) { return a.first == b.first; };
    auto kept = std::unique(fields->rbegin(), fields->rend(), sameName);
    fields->erase(fields->begin(), kept.base());
}

// The canonical text of fields in name order, each name once: made in one string.
template <typename Fields>
std::string canonicalText(std::string_view module, std::string_view object, const Fields &fields) {
    size_t size = 2 * (module.size() + object.size()) + 40;
    for (const auto &[name, value] : fields) size += 2 * name.size() + value.size() + 5;
    std::string text;
    text.reserve(size);
    text.append("<module_").append(module).append("><get><").append(object).push_back('>');
    for (const auto &[name, value] : fields) {
        if (value.empty()) continue;
        text.append(1, '<').append(name).push_back('>');
        cmXmlEscapeAppend(text, value);
        text.append("</").append(name).push_back('>');
    }
    text.append("</").append(object).append("></get></module_").append(module).push_back('>');
    return text;
}

bool plain(const xmlDomNode_t *element) {
    if (element->attributes) return false;
    for (const char *c = element->data ? element->data : ""; *c; c++)
        if (*c != ' ' && *c != '\t' && *c != '\r' && *c != '\n') return false;
    return true;
}

// The only element child of `parent`, or null when it has none or several.
const xmlDomNode_t *onlyChild(const xmlDomNode_t *parent) {
    const xmlDomNode_t *child = parent->firstChild;
    return child && !child->nextSibling ? child : nullptr;
}

// A walk's request as the plain reader hands it over: a module root, "get", one object
// and its fields. A second element where one belongs, text beside the elements, or an
// element inside a field is `refused`, and the text left to the XML parser.
struct PlainGet {
    int depth = 0;
    std::string names[3];       // the root, "get" and the object
    int opened[3] = {};         // elements opened at each of those levels
    std::vector<Field> fields;  // in the order given, repeated ones too
    bool refused = false;
};

void plainGetStart(void *user, const char *name, const char **) {
    auto *g = static_cast<PlainGet *>(user);
    int level = g->depth++;
    if (level < 3) {
        if (g->opened[level]++) g->refused = true;
        g->names[level] = name;
    } else if (level == 3) {
        g->fields.emplace_back(name, std::string());
    } else {
        g->refused = true;
    }
}

void plainGetEnd(void *user, const char *) {
    static_cast<PlainGet *>(user)->depth--;
}

void plainGetText(void *user, const char *text, int length) {
    auto *g = static_cast<PlainGet *>(user);
    if (g->depth == 4)
        g->fields.back().second.append(text, size_t(length));
    else
        g->refused = true;
}

// A walk asks for every row with a plain text; reading it without building a document
// is what makes matching it with an answer read ahead cheap.
bool readPlainGet(const char *text, size_t length, std::string *canonical) {
    PlainGet g;
    g.fields.reserve(8);
    if (!cmXML_ParsePlainContent(text, length, plainGetStart, plainGetEnd, plainGetText, &g) ||
        g.refused || g.opened[2] != 1 || g.names[1] != "get" ||
        g.names[0].compare(0, sizeof kModulePrefix - 1, kModulePrefix) != 0)
        return false;
    lastOfEachName(&g.fields);
    *canonical = canonicalText(std::string_view(g.names[0]).substr(sizeof kModulePrefix - 1),
                               g.names[2], g.fields);
    return true;
}

}  // namespace

std::string cmCanonicalGet(const std::string &module, const std::string &object,
                           const cmGivenFields &fields) {
    return canonicalText(module, object, fields);
}

std::string cmCanonicalGetOfText(const char *text) {
    if (!text) return "";
    size_t length = strlen(text);
    std::string canonical;
    if (readPlainGet(text, length, &canonical)) return canonical;
    xmlDomNode_t *doc = xmlDomParseXmlData(text, length);
    if (!doc) return "";
    const xmlDomNode_t *root = onlyChild(doc);
    const xmlDomNode_t *get = root ? onlyChild(root) : nullptr;
    const xmlDomNode_t *object = get ? onlyChild(get) : nullptr;
    if (object && strncmp(root->name, kModulePrefix, sizeof kModulePrefix - 1) == 0 &&
        strcmp(get->name, "get") == 0 && plain(root) && plain(get) && plain(object)) {
        std::vector<Field> fields;
        bool ok = true;
        for (const xmlDomNode_t *f = object->firstChild; f && ok; f = f->nextSibling) {
            ok = !f->firstChild && !f->attributes;
            fields.emplace_back(f->name, f->data ? f->data : "");
        }
        if (ok) {
            lastOfEachName(&fields);
            canonical = canonicalText(root->name + sizeof kModulePrefix - 1, object->name, fields);
        }
    }
    xmlDomFreeNode(doc);
    return canonical;
}
