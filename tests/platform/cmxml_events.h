// What a text's handler calls were, written out, through the plain reader or expat.
#pragma once
#include <string>

#include "platform/cmxml.h"

namespace cmxmltest {

inline void onStart(void *user, const char *name, const char **) {
    *static_cast<std::string *>(user) += std::string("<") + name + ">";
}
inline void onEnd(void *user, const char *name) {
    *static_cast<std::string *>(user) += std::string("</") + name + ">";
}
// Text as one run between elements, however it was cut.
inline void onText(void *user, const char *text, int length) {
    static_cast<std::string *>(user)->append("|").append(text, size_t(length)).append("|");
}
inline std::string joinRuns(std::string calls) {
    for (size_t at; (at = calls.find("||")) != std::string::npos;) calls.erase(at, 2);
    return calls;
}

// The calls, or "refused" when the plain reader leaves the text to the parser.
inline std::string plainCalls(const std::string &text) {
    std::string calls;
    if (!cmXML_ParsePlainContent(text.data(), text.size(), onStart, onEnd, onText, &calls))
        return calls.empty() ? "refused" : "refused after calls: " + calls;
    return joinRuns(calls);
}

// The parser's calls inside a root element, or "error".
inline std::string parserCalls(const std::string &text) {
    alignas(void *) unsigned char area[CMXML_PARSER_AREA_SIZE];
    if (cmXML_ParserInit(area, sizeof area) != 0) return "no parser";
    std::string calls;
    cmXML_SetUserData(area, &calls);
    cmXML_SetElementHandler(area, onStart, onEnd);
    cmXML_SetCharacterDataHandler(area, onText);
    bool ok = cmXML_Parse(area, "<r>", 3, 0) &&
              cmXML_Parse(area, text.data(), int(text.size()), 0) &&
              cmXML_Parse(area, "</r>", 4, 1);
    cmXML_ParserFree(area);
    if (!ok) return "error";
    calls = joinRuns(calls);
    return calls.substr(3, calls.size() - 7);  // without the root
}

}  // namespace cmxmltest
