#include "web/wsdl.h"

#include <cstdio>

namespace {

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

// Escapes the characters that cannot stand inside a double-quoted attribute.
std::string attributeText(std::string_view v) {
    std::string out;
    for (char c : v) {
        if (c == '&')
            out += "&amp;";
        else if (c == '"')
            out += "&quot;";
        else if (c == '<')
            out += "&lt;";
        else
            out += c;
    }
    return out;
}

// Within the tag text[tagStart, tagEnd), replaces the value of attribute `name` using
// `replace` (given the old value; returns false to leave it). Appends the tag to out.
template <typename F>
void rewriteAttribute(std::string_view tag, std::string_view name, F replace, std::string *out) {
    size_t at = 0;
    while ((at = tag.find(name, at)) != std::string_view::npos) {
        bool startsWord = at > 0 && (tag[at - 1] == ' ' || tag[at - 1] == '\t' ||
                                     tag[at - 1] == '\n' || tag[at - 1] == '\r');
        size_t eq = at + name.size();
        while (eq < tag.size() && (tag[eq] == ' ' || tag[eq] == '\t')) eq++;
        if (!startsWord || eq >= tag.size() || tag[eq] != '=') {
            at += name.size();
            continue;
        }
        size_t q = eq + 1;
        while (q < tag.size() && (tag[q] == ' ' || tag[q] == '\t')) q++;
        if (q >= tag.size() || (tag[q] != '"' && tag[q] != '\'')) break;
        size_t close = tag.find(tag[q], q + 1);
        if (close == std::string_view::npos) break;
        std::string value;
        if (!replace(tag.substr(q + 1, close - q - 1), &value)) break;
        out->append(tag.substr(0, q));
        out->append("\"" + attributeText(value) + "\"");
        out->append(tag.substr(close + 1));
        return;
    }
    out->append(tag);
}

}  // namespace

std::string webRewriteWsdl(std::string_view text, const std::string &endpoint) {
    std::string out;
    out.reserve(text.size() + 256);
    size_t at = 0;
    while (at < text.size()) {
        size_t lt = text.find('<', at);
        if (lt == std::string_view::npos) break;
        out.append(text.substr(at, lt - at));
        size_t gt = text.find('>', lt);
        if (gt == std::string_view::npos) {
            at = lt;
            break;
        }
        std::string_view tag = text.substr(lt, gt + 1 - lt);
        size_t nameEnd = 1;
        while (nameEnd < tag.size() && (isNameChar(tag[nameEnd]) || tag[nameEnd] == ':')) nameEnd++;
        std::string_view name = tag.substr(1, nameEnd - 1);
        size_t colon = name.rfind(':');
        std::string_view local = colon == std::string_view::npos ? name : name.substr(colon + 1);
        if (local == "address" && colon != std::string_view::npos) {
            rewriteAttribute(
                tag, "location",
                [&](std::string_view, std::string *v) {
                    *v = endpoint;
                    return true;
                },
                &out);
        } else if (local == "import" || local == "include") {
            rewriteAttribute(
                tag, "schemaLocation",
                [&](std::string_view old, std::string *v) {
                    if (!webIsSchemaName(old)) return false;
                    *v = endpoint + "?xsd=" + std::string(old);
                    return true;
                },
                &out);
        } else {
            out.append(tag);
        }
        at = gt + 1;
    }
    if (at < text.size()) out.append(text.substr(at));
    return out;
}

bool webIsSchemaName(std::string_view name) {
    if (name.empty() || name.size() > 64 || name.front() == '.') return false;
    if (name.size() < 5 || name.substr(name.size() - 4) != ".xsd") return false;
    for (char c : name)
        if (!isNameChar(c)) return false;
    return true;
}

bool webIsSafeHost(std::string_view host) {
    if (host.empty() || host.size() > 255) return false;
    for (char c : host)
        if (!(isNameChar(c) || c == ':' || c == '[' || c == ']')) return false;
    return true;
}

bool webReadFile(const std::string &path, std::string *text, size_t maxBytes) {
    FILE *f = fopen(path.c_str(), "rb");
    if (!f) return false;
    text->clear();
    char chunk[16384];
    size_t n;
    bool ok = true;
    while ((n = fread(chunk, 1, sizeof chunk, f)) > 0) {
        if (text->size() + n > maxBytes) {
            ok = false;
            break;
        }
        text->append(chunk, n);
    }
    if (ferror(f)) ok = false;
    fclose(f);
    return ok;
}
