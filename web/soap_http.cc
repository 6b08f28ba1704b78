#include "web/soap_http.h"

#include <netinet/in.h>
#include <strings.h>

#include <cstring>

namespace {

bool isBlank(char c) {
    return c == ' ' || c == '\t' || c == '\r' || c == '\n' || c == '\v' || c == '\f';
}

bool isNameChar(char c) {
    return (c >= 'a' && c <= 'z') || (c >= 'A' && c <= 'Z') || (c >= '0' && c <= '9') || c == '_' ||
           c == '-' || c == '.';
}

// The local name of the start tag at text[at] (which is '<'), or "" when it is not a
// start tag (end tag, comment, declaration, processing instruction).
std::string_view startTagName(std::string_view text, size_t at) {
    size_t i = at + 1;
    if (i >= text.size() || !isNameChar(text[i])) return {};
    size_t nameStart = i;
    while (i < text.size() && (isNameChar(text[i]) || text[i] == ':')) i++;
    std::string_view qname = text.substr(nameStart, i - nameStart);
    // The name must be followed by the end of the tag or an attribute; a truncated tag
    // at the end of the text does not count.
    if (i >= text.size() || !(isBlank(text[i]) || text[i] == '>' || text[i] == '/')) return {};
    size_t colon = qname.rfind(':');
    return colon == std::string_view::npos ? qname : qname.substr(colon + 1);
}

// Position after the '>' that closes the tag starting at `at`, or npos.
size_t afterTag(std::string_view text, size_t at) {
    char quote = 0;
    for (size_t i = at + 1; i < text.size(); i++) {
        char c = text[i];
        if (quote) {
            if (c == quote) quote = 0;
        } else if (c == '"' || c == '\'') {
            quote = c;
        } else if (c == '>') {
            return i + 1;
        }
    }
    return std::string_view::npos;
}

// Position of the first start tag at or after `from`, skipping comments and processing
// instructions, or npos.
size_t nextStartTag(std::string_view text, size_t from) {
    size_t i = from;
    while ((i = text.find('<', i)) != std::string_view::npos) {
        if (text.substr(i, 4) == "<!--") {
            size_t end = text.find("-->", i + 4);
            if (end == std::string_view::npos) return end;
            i = end + 3;
        } else if (text.substr(i, 2) == "<?") {
            size_t end = text.find("?>", i + 2);
            if (end == std::string_view::npos) return end;
            i = end + 2;
        } else if (!startTagName(text, i).empty()) {
            return i;
        } else {
            i++;
        }
    }
    return i;
}

}  // namespace

webSoapVersion webSoapVersionOf(const char *contentType) {
    if (!contentType) return WEB_SOAP_NONE;
    std::string_view v(contentType);
    while (!v.empty() && isBlank(v.front())) v.remove_prefix(1);
    v = v.substr(0, v.find(';'));
    while (!v.empty() && isBlank(v.back())) v.remove_suffix(1);
    auto is = [&](const char *name) {
        return v.size() == strlen(name) && strncasecmp(v.data(), name, v.size()) == 0;
    };
    if (is("text/xml")) return WEB_SOAP_11;
    if (is("application/soap+xml")) return WEB_SOAP_12;
    return WEB_SOAP_NONE;
}

const char *webReplyContentType(webSoapVersion version) {
    return version == WEB_SOAP_12 ? "application/soap+xml; charset=utf-8"
                                  : "text/xml; charset=utf-8";
}

bool webIsExecHook(std::string_view text) {
    size_t i = 0;
    while (i < text.size() && isBlank(text[i])) i++;
    return text.substr(i, 6) == "<exec>";
}

std::string_view webSoapOperation(std::string_view text, bool *hasBody) {
    *hasBody = false;
    for (size_t at = nextStartTag(text, 0); at < text.size(); at = nextStartTag(text, at + 1)) {
        if (startTagName(text, at) != "Body") continue;
        *hasBody = true;
        size_t inside = afterTag(text, at);
        if (inside == std::string_view::npos || text[inside - 2] == '/') return {};
        size_t child = nextStartTag(text, inside);
        return child < text.size() ? startTagName(text, child) : std::string_view();
    }
    return {};
}

bool webIsSoapFault(std::string_view text) {
    bool hasBody;
    std::string_view first = webSoapOperation(text, &hasBody);
    if (hasBody) return first == "Fault";
    for (size_t at = nextStartTag(text, 0); at < text.size(); at = nextStartTag(text, at + 1))
        if (startTagName(text, at) == "Fault") return true;
    return false;
}

void webClientAddress(const sockaddr *address, uint8_t out[16]) {
    memset(out, 0, 16);
    if (!address) return;
    if (address->sa_family == AF_INET) {
        const auto *in = reinterpret_cast<const sockaddr_in *>(address);
        memcpy(out, &in->sin_addr, 4);
    } else if (address->sa_family == AF_INET6) {
        const auto *in6 = reinterpret_cast<const sockaddr_in6 *>(address);
        if (IN6_IS_ADDR_V4MAPPED(&in6->sin6_addr))
            memcpy(out, in6->sin6_addr.s6_addr + 12, 4);
        else
            memcpy(out, in6->sin6_addr.s6_addr, 16);
    }
}
