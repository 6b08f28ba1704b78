#include "soap/wsvd_screen.h"

#include <cstring>
#include <vector>

#include "soap/wsvd_soap.h"

const wsvdScreenLimits_t gWsvdScreenLimits = {
    WSVD_SOAP_MAX_ATTRIBUTES_PER_ELEMENT,
    WSVD_SOAP_MAX_ATTRIBUTES,
    WSVD_SOAP_MAX_NAMESPACES_IN_SCOPE,
    WSVD_SOAP_MAX_NAMESPACES,
    WSVD_SOAP_MAX_ELEMENTS,
    WSVD_SOAP_MAX_HEADER_ELEMENTS,
    WSVD_SOAP_MAX_NAME,
    WSVD_SOAP_MAX_LEVEL,
};

namespace {

bool isSpace(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n';
}

// Ends an element or attribute name.
bool endsName(char c) {
    return isSpace(c) || c == '/' || c == '>' || c == '=' || c == '"' || c == '\'';
}

std::string_view localName(std::string_view name) {
    size_t colon = name.find(':');
    return colon == std::string_view::npos ? name : name.substr(colon + 1);
}

class Screen {
public:
    Screen(std::string_view text, const wsvdScreenLimits_t &limits) : t_(text), l_(limits) {}
    const char *run();

private:
    // Position after `end` searched from `from`, or npos.
    size_t after(size_t from, const char *end) const {
        size_t p = t_.find(end, from);
        return p == std::string_view::npos ? p : p + strlen(end);
    }
    const char *startTag(size_t &pos);
    const char *endTag(size_t &pos);

    std::string_view t_;
    const wsvdScreenLimits_t &l_;
    size_t attributes_ = 0, namespaces_ = 0, elements_ = 0, headerElements_ = 0;
    size_t inScope_ = 0;
    std::vector<size_t> declared_;  // declarations of each open element
    size_t headerDepth_ = 0;        // depth of the open Header, 0 when none
};

const char *Screen::run() {
    size_t pos = 0;
    while (pos < t_.size()) {
        size_t lt = t_.find('<', pos);
        if (lt == std::string_view::npos) break;
        std::string_view rest = t_.substr(lt);
        if (rest.substr(0, 4) == "<!--") {
            pos = after(lt + 4, "-->");
        } else if (rest.substr(0, 9) == "<![CDATA[") {
            pos = after(lt + 9, "]]>");
        } else if (rest.substr(0, 2) == "<!") {
            return "Request refused: a SOAP message holds no document type declaration";
        } else if (rest.substr(0, 2) == "<?") {
            pos = after(lt + 2, "?>");
        } else if (rest.substr(0, 2) == "</") {
            pos = lt + 2;
            if (const char *why = endTag(pos)) return why;
        } else {
            pos = lt + 1;
            if (const char *why = startTag(pos)) return why;
        }
        // Text that ends inside a construct is left to the engine, which refuses it.
        if (pos == std::string_view::npos) break;
    }
    return nullptr;
}

const char *Screen::startTag(size_t &pos) {
    size_t nameStart = pos;
    while (pos < t_.size() && !endsName(t_[pos])) pos++;
    std::string_view name = t_.substr(nameStart, pos - nameStart);
    if (name.size() > l_.nameLength) return "Request refused: an element name is too long";
    if (++elements_ > l_.elements) return "Request refused: too many elements";
    if (headerDepth_ && ++headerElements_ > l_.headerElements)
        return "Request refused: too many elements in the SOAP Header";
    size_t attributes = 0, declared = 0;
    bool empty = false;
    while (pos < t_.size()) {
        char c = t_[pos];
        if (c == '>') break;
        if (c == '/') {
            empty = pos + 1 < t_.size() && t_[pos + 1] == '>';
            pos++;
            continue;
        }
        if (isSpace(c) || c == '=') {
            pos++;
            continue;
        }
        if (c == '"' || c == '\'') {  // a value, or stray quotes: skipped whole
            size_t close = t_.find(c, pos + 1);
            pos = close == std::string_view::npos ? t_.size() : close + 1;
            continue;
        }
        // An attribute name, or anything else the engine might take for one.
        size_t start = pos;
        while (pos < t_.size() && !endsName(t_[pos])) pos++;
        std::string_view attribute = t_.substr(start, pos - start);
        if (attribute.size() > l_.nameLength)
            return "Request refused: an attribute name is too long";
        if (++attributes > l_.attributesPerElement)
            return "Request refused: too many attributes on one element";
        if (++attributes_ > l_.attributes) return "Request refused: too many attributes";
        if (attribute == "xmlns" || attribute.substr(0, 6) == "xmlns:") {
            declared++;
            if (++namespaces_ > l_.namespaces)
                return "Request refused: too many namespace declarations";
            if (inScope_ + declared > l_.namespacesInScope)
                return "Request refused: too many namespace declarations in scope";
        }
    }
    if (pos < t_.size()) pos++;  // past '>'
    if (empty) return nullptr;
    if (declared_.size() >= l_.depth) return "Request refused: elements nested too deeply";
    declared_.push_back(declared);
    inScope_ += declared;
    if (declared_.size() == 2 && localName(name) == "Header") headerDepth_ = 2;
    return nullptr;
}

const char *Screen::endTag(size_t &pos) {
    size_t close = t_.find('>', pos);
    pos = close == std::string_view::npos ? t_.size() : close + 1;
    if (declared_.empty()) return nullptr;  // more ends than starts: the engine says so
    if (declared_.size() == headerDepth_) headerDepth_ = 0;
    inScope_ -= declared_.back();
    declared_.pop_back();
    return nullptr;
}

}  // namespace

const char *wsvdSoapScreen(std::string_view text, const wsvdScreenLimits_t &limits) {
    return Screen(text, limits).run();
}
