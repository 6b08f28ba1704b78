#include "cmclient/cm_readahead.h"

#include <cstring>
#include <string_view>

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

// Reads the form a walk prints its requests in (elements without attributes or blanks
// between them, values of printable ASCII with the five predefined entities) without
// building a document: a walk asks for every row with such a text. Any other text is
// refused and left to the XML parser, so what this accepts it reads as the parser would.
class PlainGetScan {
public:
    explicit PlainGetScan(const char *text) : at_(text) {}

    bool read(std::string *canonical) {
        std::string_view root, get, object;
        bool rootEmpty, getEmpty, objectEmpty;
        if (!open(&root, &rootEmpty) || rootEmpty || !open(&get, &getEmpty) || getEmpty ||
            !open(&object, &objectEmpty))
            return false;
        if (root.substr(0, sizeof kModulePrefix - 1) != kModulePrefix || get != "get") return false;
        cmGivenFields fields;
        while (!objectEmpty && !(at_[0] == '<' && at_[1] == '/')) {
            std::string_view name;
            bool empty;
            if (!open(&name, &empty)) return false;
            std::string &value = fields[std::string(name)];
            value.clear();
            if (!empty && (!text(&value) || !close(name))) return false;
        }
        if ((!objectEmpty && !close(object)) || !close(get) || !close(root) || *at_) return false;
        *canonical = cmCanonicalGet(std::string(root.substr(sizeof kModulePrefix - 1)),
                                    std::string(object), fields);
        return true;
    }

private:
    static bool nameStart(char c) {
        return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || c == '_';
    }
    static bool nameChar(char c) {
        return nameStart(c) || (c >= '0' && c <= '9') || c == '-' || c == '.';
    }

    bool name(std::string_view *out) {
        const char *start = at_;
        if (!nameStart(*at_)) return false;
        while (nameChar(*at_)) at_++;
        *out = std::string_view(start, size_t(at_ - start));
        return true;
    }

    // "<name>", or "<name/>" (`empty`).
    bool open(std::string_view *out, bool *empty) {
        if (*at_ != '<') return false;
        at_++;
        if (!name(out)) return false;
        *empty = at_[0] == '/';
        if (*empty) at_++;
        if (*at_ != '>') return false;
        at_++;
        return true;
    }

    bool close(std::string_view expected) {
        std::string_view got;
        if (at_[0] != '<' || at_[1] != '/') return false;
        at_ += 2;
        if (!name(&got) || got != expected || *at_ != '>') return false;
        at_++;
        return true;
    }

    // Text up to the next element.
    bool text(std::string *out) {
        static const struct {
            std::string_view reference;
            char c;
        } kEntities[] = {
            {"&amp;", '&'}, {"&lt;", '<'}, {"&gt;", '>'}, {"&quot;", '"'}, {"&apos;", '\''}};
        while (*at_ != '<') {
            char c = *at_;
            if (c == '&') {
                bool known = false;
                for (const auto &e : kEntities)
                    if (strncmp(at_, e.reference.data(), e.reference.size()) == 0) {
                        *out += e.c;
                        at_ += e.reference.size();
                        known = true;
                        break;
                    }
                if (!known) return false;
                continue;
            }
            // Controls, bytes of other characters (the parser checks their encoding) and
            // the end of a text (a section end is not allowed in text) are the parser's.
            unsigned char u = static_cast<unsigned char>(c);
            if (u < 0x20 || u > 0x7e || (c == ']' && at_[1] == ']' && at_[2] == '>')) return false;
            *out += c;
            at_++;
        }
        return true;
    }

    const char *at_;
};

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
    if (PlainGetScan(text).read(&canonical)) return canonical;
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
