#include "cmclient/cm_readahead.h"

#include <cstring>

#include "cfgmgmt/cmBackend/src/cm_xml_text.h"
#include "platform/cmxml.h"
#include "platform/xmldom.h"

namespace {

const char kModulePrefix[] = "module_";

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
    std::string names[3];  // the root, "get" and the object
    int opened[3] = {};    // elements opened at each of those levels
    std::string field;
    cmGivenFields fields;
    bool refused = false;
};

void plainGetStart(void *user, const char *name, const char **) {
    auto *g = static_cast<PlainGet *>(user);
    int level = g->depth++;
    if (level < 3) {
        if (g->opened[level]++) g->refused = true;
        g->names[level] = name;
    } else if (level == 3) {
        g->field = name;
        g->fields[g->field].clear();  // the last of a repeated field counts, as in a document
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
        g->fields[g->field].append(text, size_t(length));
    else
        g->refused = true;
}

// A walk asks for every row with a plain text; reading it without building a document
// is what makes matching it with an answer read ahead cheap.
bool readPlainGet(const char *text, std::string *canonical) {
    PlainGet g;
    if (!cmXML_ParsePlainContent(text, strlen(text), plainGetStart, plainGetEnd, plainGetText,
                                 &g) ||
        g.refused || g.opened[2] != 1 || g.names[1] != "get" ||
        g.names[0].compare(0, sizeof kModulePrefix - 1, kModulePrefix) != 0)
        return false;
    *canonical = cmCanonicalGet(g.names[0].substr(sizeof kModulePrefix - 1), g.names[2], g.fields);
    return true;
}

}  // namespace

std::string cmCanonicalGet(const std::string &module, const std::string &object,
                           const cmGivenFields &fields) {
    std::string text = "<module_" + module + "><get><" + object + ">";
    for (const auto &[name, value] : fields) {
        if (value.empty()) continue;
        text += "<" + name + ">";
        cmXmlEscapeAppend(text, value);
        text += "</" + name + ">";
    }
    return text + "</" + object + "></get></module_" + module + ">";
}

std::string cmCanonicalGetOfText(const char *text) {
    if (!text) return "";
    std::string canonical;
    if (readPlainGet(text, &canonical)) return canonical;
    xmlDomNode_t *doc = xmlDomParseXmlData(text, strlen(text));
    if (!doc) return "";
    const xmlDomNode_t *root = onlyChild(doc);
    const xmlDomNode_t *get = root ? onlyChild(root) : nullptr;
    const xmlDomNode_t *object = get ? onlyChild(get) : nullptr;
    if (object && strncmp(root->name, kModulePrefix, sizeof kModulePrefix - 1) == 0 &&
        strcmp(get->name, "get") == 0 && plain(root) && plain(get) && plain(object)) {
        cmGivenFields fields;
        bool ok = true;
        for (const xmlDomNode_t *f = object->firstChild; f && ok; f = f->nextSibling) {
            ok = !f->firstChild && !f->attributes;
            fields[f->name] = f->data ? f->data : "";
        }
        if (ok)
            canonical = cmCanonicalGet(root->name + sizeof kModulePrefix - 1, object->name, fields);
    }
    xmlDomFreeNode(doc);
    return canonical;
}
