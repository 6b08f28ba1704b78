#include "cmclient/cm_readahead.h"

#include <cstring>

#include "cfgmgmt/cmBackend/src/cm_xml_text.h"
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
    xmlDomNode_t *doc = xmlDomParseXmlData(text, strlen(text));
    if (!doc) return "";
    std::string canonical;
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
