#include "platform/xmldom_schema.h"

#include <cstdarg>
#include <cstring>
#include <deque>
#include <map>
#include <string>
#include <utility>
#include <vector>

#include "platform/util.h"

namespace {

// Types of these namespaces are built in: an element of such a type is a simple value.
const char *const kBuiltinNamespaces[] = {
    "http://www.w3.org/2001/XMLSchema",
    "http://schemas.xmlsoap.org/soap/encoding/",
    "http://www.w3.org/XML/1998/namespace",
};

struct ElementDef;

struct TypeDef {
    xmlSchemaType_t pub{};
    std::string ns;
    const char *extends = nullptr;  // complexContent/extension base as written
    xmlDomNode_t *extendsScope = nullptr;
    TypeDef *base = nullptr;
    std::vector<ElementDef *> own;  // particles declared in this type
    std::vector<ElementDef *> all;  // the base type's children, then its own
    std::vector<xmlSchemaElement_t *> children;
    std::vector<const char *> enums;
    enum { NEW, MERGING, MERGED } merge = NEW;
    enum { UNSEEN, OPEN, CLOSED } walk = UNSEEN;
};

struct ElementDef {
    xmlSchemaElement_t pub{};
    xmlDomNode_t *node = nullptr;  // the declaration: the scope of its prefixes
    const char *ref = nullptr;     // a reference to a top-level element, as written
    ElementDef *target = nullptr;
    TypeDef *typeDef = nullptr;  // pub.type's record
    ElementDef *resolved() { return target ? target : this; }
};

using Key = std::pair<std::string, std::string>;  // namespace, local name

const char *localName(const char *qname) {
    const char *colon = strchr(qname, ':');
    return colon ? colon + 1 : qname;
}

bool is(const xmlDomNode_t *n, const char *local) {
    return n->type == XML_DOM_ELEMENT && strcmp(localName(n->name), local) == 0;
}

xmlDomNode_t *firstAppinfo(xmlDomNode_t *node) {
    for (xmlDomNode_t *a = node->firstChild; a; a = a->nextSibling) {
        if (!is(a, "annotation")) continue;
        for (xmlDomNode_t *i = a->firstChild; i; i = i->nextSibling)
            if (is(i, "appinfo")) return i;
    }
    return nullptr;
}

bool builtin(const std::string &ns) {
    for (const char *b : kBuiltinNamespaces)
        if (ns == b) return true;
    return false;
}

}  // namespace

struct xmlSchema_t {
    std::vector<xmlDomNode_t *> documents;  // names, facets and appinfo point into these
    std::deque<TypeDef> types;              // in file order
    std::deque<ElementDef> elements;
    std::map<Key, TypeDef *> typeByName;
    std::map<Key, ElementDef *> topByName;
    std::vector<ElementDef *> top;  // top-level elements in file order

    ~xmlSchema_t() {
        for (xmlDomNode_t *d : documents) xmlDomFreeParserData(d);
    }
};

namespace {

class Reader {
public:
    explicit Reader(xmlSchema_t *s) : s_(s) {}

    bool fail(const char *format, ...) __attribute__((format(printf, 2, 3))) {
        char line[512];
        va_list ap;
        va_start(ap, format);
        vsnprintf(line, sizeof line, format, ap);
        va_end(ap);
        if (why_.empty()) why_ = line;
        return false;
    }
    const std::string &why() const { return why_; }

    bool document(xmlDomNode_t *doc, const char *label) {
        label_ = label;
        xmlDomNode_t *root = doc->firstChild;
        if (!root || !is(root, "schema")) return fail("%s: not a schema", label);
        const char *tns = xmlDomGetAttributeValue(root, "targetNamespace");
        std::string ns = tns ? tns : "";
        for (xmlDomNode_t *c = root->firstChild; c; c = c->nextSibling) {
            if (is(c, "complexType") || is(c, "simpleType")) {
                const char *name = xmlDomGetAttributeValue(c, "name");
                if (!name || !*name) return fail("%s: a top-level type without a name", label);
                TypeDef *t = type(c, ns, name);
                if (!t) return false;
                if (!s_->typeByName.emplace(Key(ns, name), t).second)
                    return fail("%s: type %s is defined twice", label, name);
            } else if (is(c, "element")) {
                ElementDef *e = element(c, ns, true);
                if (!e) return false;
                if (!s_->topByName.emplace(Key(ns, e->pub.name), e).second)
                    return fail("%s: element %s is defined twice", label, e->pub.name);
                s_->top.push_back(e);
            }
            // Imports, includes (the file list names every file), attributes and
            // annotations of the schema itself are not needed.
        }
        return true;
    }

    bool resolveAll() {
        for (ElementDef &e : s_->elements) {
            if (e.ref) {
                Key k;
                if (!qname(e.node, e.ref, &k)) return false;
                auto found = s_->topByName.find(k);
                if (found == s_->topByName.end())
                    return fail("unknown element %s referenced", e.ref);
                e.target = found->second;
            } else if (*e.pub.typeName) {
                e.typeDef = typeOf(e.node, e.pub.typeName, e.pub.name);
                if (!why_.empty()) return false;
                if (e.typeDef) e.pub.type = &e.typeDef->pub;
            }
        }
        for (TypeDef &t : s_->types) {
            // A base of the built-in namespace adds no child elements.
            if (t.extends) t.base = typeOf(t.extendsScope, t.extends, t.pub.name);
            if (!why_.empty()) return false;
        }
        for (TypeDef &t : s_->types)
            if (!merge(&t)) return false;
        for (TypeDef &t : s_->types)
            if (!noContainmentCycle(&t)) return false;
        return true;
    }

private:
    bool nameFits(const char *name) {
        if (strlen(name) <= size_t(XML_SCHEMA_NAME_MAX)) return true;
        return fail("%s: a name longer than %d characters", label_, XML_SCHEMA_NAME_MAX);
    }

    // Namespace and local name of a reference written in the scope of `scope`.
    bool qname(xmlDomNode_t *scope, const char *written, Key *out) {
        const char *colon = strchr(written, ':');
        std::string attribute = "xmlns";
        if (colon) attribute += ":" + std::string(written, size_t(colon - written));
        const char *ns = nullptr;
        for (xmlDomNode_t *n = scope; n && n->type == XML_DOM_ELEMENT && !ns; n = n->parent)
            ns = xmlDomGetAttributeValue(n, attribute.c_str());
        if (!ns && colon) return fail("the prefix of %s is not declared", written);
        *out = Key(ns ? ns : "", localName(written));
        return true;
    }

    // The definition of a named type that `user` refers to; nullptr for a built-in type,
    // and nullptr with a reason set for an unknown one.
    TypeDef *typeOf(xmlDomNode_t *scope, const char *written, const char *user) {
        Key k;
        if (!qname(scope, written, &k) || builtin(k.first)) return nullptr;
        auto found = s_->typeByName.find(k);
        if (found == s_->typeByName.end()) {
            fail("unknown type %s (of %s)", written, *user ? user : "an anonymous type");
            return nullptr;
        }
        return found->second;
    }

    TypeDef *type(xmlDomNode_t *node, const std::string &ns, const char *name) {
        if (name && !nameFits(name)) return nullptr;
        TypeDef &t = s_->types.emplace_back();
        t.ns = ns;
        t.pub.name = name ? name : "";
        t.pub.base = "";
        t.pub.appinfo = firstAppinfo(node);
        if (is(node, "simpleType")) {
            t.pub.kind = XML_SCHEMA_SIMPLE;
            simple(node, &t);
            return &t;
        }
        t.pub.kind = XML_SCHEMA_COMPLEX;
        for (xmlDomNode_t *c = node->firstChild; c; c = c->nextSibling) {
            if (is(c, "sequence") || is(c, "choice") || is(c, "all")) {
                if (!particles(c, &t)) return nullptr;
            } else if (is(c, "complexContent")) {
                for (xmlDomNode_t *d = c->firstChild; d; d = d->nextSibling) {
                    if (!is(d, "extension") && !is(d, "restriction")) continue;
                    // A restriction restates the elements it keeps; an extension adds
                    // its own after the base type's.
                    if (is(d, "extension") && (t.extends = xmlDomGetAttributeValue(d, "base")))
                        t.extendsScope = d;
                    if (!particles(d, &t)) return nullptr;
                }
            } else if (is(c, "simpleContent")) {
                t.pub.kind = XML_SCHEMA_SIMPLE;
                simple(c, &t);
            } else if (is(c, "group")) {
                fail("%s: group references are not supported", label_);
                return nullptr;
            }
        }
        return &t;
    }

    void simple(xmlDomNode_t *node, TypeDef *t) {
        for (xmlDomNode_t *r = node->firstChild; r; r = r->nextSibling) {
            if (!is(r, "restriction") && !is(r, "extension")) continue;
            if (const char *base = xmlDomGetAttributeValue(r, "base")) t->pub.base = base;
            for (xmlDomNode_t *f = r->firstChild; f; f = f->nextSibling) {
                const char *value = xmlDomGetAttributeValue(f, "value");
                if (is(f, "enumeration") && value) t->enums.push_back(value);
            }
        }
        t->pub.enumCount = int(t->enums.size());
        t->pub.enumValues = t->enums.data();
    }

    bool particles(xmlDomNode_t *node, TypeDef *t) {
        for (xmlDomNode_t *c = node->firstChild; c; c = c->nextSibling) {
            if (is(c, "element")) {
                ElementDef *e = element(c, t->ns, false);
                if (!e) return false;
                t->own.push_back(e);
            } else if (is(c, "sequence") || is(c, "choice") || is(c, "all")) {
                if (!particles(c, t)) return false;
            } else if (is(c, "group")) {
                return fail("%s: group references are not supported", label_);
            }
        }
        return true;
    }

    ElementDef *element(xmlDomNode_t *node, const std::string &ns, bool topLevel) {
        ElementDef &e = s_->elements.emplace_back();
        e.node = node;
        const char *ref = xmlDomGetAttributeValue(node, "ref");
        if (ref && !topLevel) {
            e.ref = ref;
            return &e;
        }
        const char *name = xmlDomGetAttributeValue(node, "name");
        if (!name || !*name) {
            fail("%s: an element without a name", label_);
            return nullptr;
        }
        if (!nameFits(name)) return nullptr;
        e.pub.name = name;
        e.pub.appinfo = firstAppinfo(node);
        const char *typeName = xmlDomGetAttributeValue(node, "type");
        e.pub.typeName = typeName ? typeName : "";
        if (typeName) return nameFits(typeName) ? &e : nullptr;
        for (xmlDomNode_t *c = node->firstChild; c; c = c->nextSibling) {
            if (!is(c, "complexType") && !is(c, "simpleType")) continue;
            if (!(e.typeDef = type(c, ns, nullptr))) return nullptr;
            e.pub.type = &e.typeDef->pub;
            break;
        }
        return &e;
    }

    // Children of a type: its base type's (all the way up), then its own. The chain is
    // followed without recursion, so a long chain cannot exhaust the stack.
    bool merge(TypeDef *t) {
        std::vector<TypeDef *> chain;
        for (TypeDef *u = t; u && u->merge != TypeDef::MERGED; u = u->base) {
            if (u->merge == TypeDef::MERGING) return fail("type %s extends itself", u->pub.name);
            u->merge = TypeDef::MERGING;
            chain.push_back(u);
        }
        for (auto it = chain.rbegin(); it != chain.rend(); ++it) {
            TypeDef *u = *it;
            if (u->base) u->all = u->base->all;
            for (ElementDef *e : u->own) u->all.push_back(e->resolved());
            for (ElementDef *e : u->all) u->children.push_back(&e->pub);
            u->pub.childCount = int(u->children.size());
            u->pub.children = u->children.data();
            u->merge = TypeDef::MERGED;
        }
        return true;
    }

    // The object framework describes a type by walking into the types of its children;
    // a type that contains itself would never end.
    bool noContainmentCycle(TypeDef *start) {
        if (start->walk != TypeDef::UNSEEN) return true;
        std::vector<std::pair<TypeDef *, int>> stack{{start, 0}};
        start->walk = TypeDef::OPEN;
        while (!stack.empty()) {
            TypeDef *t = stack.back().first;
            size_t next = size_t(stack.back().second++);
            if (next == t->all.size()) {
                t->walk = TypeDef::CLOSED;
                stack.pop_back();
                continue;
            }
            TypeDef *c = t->all[next]->typeDef;
            if (!c || c->pub.kind != XML_SCHEMA_COMPLEX) continue;
            if (c->walk == TypeDef::OPEN)
                return fail("type %s contains itself", *c->pub.name ? c->pub.name : t->pub.name);
            if (c->walk == TypeDef::UNSEEN) {
                c->walk = TypeDef::OPEN;
                stack.emplace_back(c, 0);
            }
        }
        return true;
    }

    xmlSchema_t *s_;
    const char *label_ = "";
    std::string why_;
};

xmlSchema_t *finish(xmlSchema_t *s, Reader &r, char *why, size_t whySize) {
    if (r.why().empty() && r.resolveAll()) return s;
    if (why && whySize) strlcpy(why, r.why().c_str(), whySize);
    delete s;
    return nullptr;
}

}  // namespace

xmlSchema_t *xmlSchemaParse(const char *const *names, int count, const char *directory, char *why,
                            size_t whySize) {
    auto *s = new xmlSchema_t;
    Reader r(s);
    for (int i = 0; i < count && r.why().empty(); i++) {
        if (!names[i] || !*names[i]) continue;
        std::string path = std::string(directory ? directory : ".") + "/" + names[i];
        xmlDomNode_t *doc = xmlDomParseXmlFile(path.c_str());
        if (!doc) {
            r.fail("%s: cannot be read or is not well-formed XML", names[i]);
            break;
        }
        s->documents.push_back(doc);
        r.document(doc, names[i]);
    }
    return finish(s, r, why, whySize);
}

xmlSchema_t *xmlSchemaParseTexts(const xmlSchemaText_t *texts, int count, char *why,
                                 size_t whySize) {
    auto *s = new xmlSchema_t;
    Reader r(s);
    for (int i = 0; i < count && r.why().empty(); i++) {
        const char *label = texts[i].name ? texts[i].name : "";
        xmlDomNode_t *doc = xmlDomParseXmlData(texts[i].text, texts[i].length);
        if (!doc) {
            r.fail("%s: not well-formed XML", label);
            break;
        }
        s->documents.push_back(doc);
        r.document(doc, label);
    }
    return finish(s, r, why, whySize);
}

void xmlSchemaFree(xmlSchema_t *schema) {
    delete schema;
}

const xmlSchemaElement_t *xmlSchemaFindNode(const char *name, const char *container,
                                            const xmlSchema_t *schema) {
    if (!name || !schema) return nullptr;
    if (!container) {
        for (const ElementDef *e : schema->top)
            if (strcmp(e->pub.name, name) == 0) return &e->pub;
        return nullptr;
    }
    auto childOf = [name](const xmlSchemaType_t &t) -> const xmlSchemaElement_t * {
        for (int i = 0; i < t.childCount; i++)
            if (strcmp(t.children[i]->name, name) == 0) return t.children[i];
        return nullptr;
    };
    for (const TypeDef &t : schema->types) {
        if (t.pub.kind != XML_SCHEMA_COMPLEX || strcmp(t.pub.name, container) != 0) continue;
        if (const xmlSchemaElement_t *found = childOf(t.pub)) return found;
    }
    // A container may also be a top-level element with a type of its own.
    for (const ElementDef *e : schema->top) {
        if (strcmp(e->pub.name, container) != 0 || !e->pub.type) continue;
        if (const xmlSchemaElement_t *found = childOf(*e->pub.type)) return found;
    }
    return nullptr;
}

int xmlSchemaElementKind(const xmlSchemaElement_t *element) {
    return element && element->type && element->type->kind == XML_SCHEMA_COMPLEX
               ? XML_SCHEMA_COMPLEX
               : XML_SCHEMA_SIMPLE;
}

const char *xmlSchemaAppUtilGetElementName(const xmlSchemaElement_t *element) {
    return element ? element->name : nullptr;
}
