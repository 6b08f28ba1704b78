#include "cfgmgmt/cmBackend/src/cm_xml_text.h"

void cmXmlEscapeAppend(std::string &out, std::string_view text) {
    for (char c : text) {
        switch (c) {
            case '&':
                out += "&amp;";
                break;
            case '<':
                out += "&lt;";
                break;
            case '>':
                out += "&gt;";
                break;
            case '"':
                out += "&quot;";
                break;
            case '\'':
                out += "&apos;";
                break;
            default:
                out += c;
        }
    }
}

std::string cmXmlEscape(std::string_view text) {
    std::string out;
    out.reserve(text.size());
    cmXmlEscapeAppend(out, text);
    return out;
}

bool cmTextHasControl(std::string_view text, bool lineBreaks) {
    for (char c : text) {
        unsigned char u = static_cast<unsigned char>(c);
        if (lineBreaks && (c == '\t' || c == '\n' || c == '\r')) continue;
        if (u < 0x20 || u == 0x7f) return true;
    }
    return false;
}
