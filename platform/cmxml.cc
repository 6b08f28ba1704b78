#include "platform/cmxml.h"

#include <expat.h>

#include <cstring>

namespace {

XML_Parser parserOf(void *area) {
    XML_Parser parser;
    memcpy(&parser, area, sizeof parser);
    return parser;
}

}  // namespace

int cmXML_ParserInit(void *area, size_t areaSize) {
    if (!area || areaSize < sizeof(XML_Parser)) return -1;
    XML_Parser parser = XML_ParserCreate(nullptr);
    memcpy(area, &parser, sizeof parser);
    return parser ? 0 : -1;
}

void cmXML_ParserFree(void *area) {
    XML_Parser parser = parserOf(area);
    if (parser) XML_ParserFree(parser);
    parser = nullptr;
    memcpy(area, &parser, sizeof parser);
}

void cmXML_SetElementHandler(void *area, cmXML_StartElementHandler start,
                             cmXML_EndElementHandler end) {
    XML_SetElementHandler(parserOf(area), start, end);
}

void cmXML_SetCharacterDataHandler(void *area, cmXML_CharacterDataHandler handler) {
    XML_SetCharacterDataHandler(parserOf(area), handler);
}

void cmXML_SetUserData(void *area, void *userData) {
    XML_SetUserData(parserOf(area), userData);
}

int cmXML_Parse(void *area, const char *text, int length, int isFinal) {
    if (length < 0) return 0;
    return XML_Parse(parserOf(area), text, length, isFinal) == XML_STATUS_OK ? 1 : 0;
}

int cmXML_GetErrorCode(void *area) {
    return static_cast<int>(XML_GetErrorCode(parserOf(area)));
}

const char *cmXML_ErrorString(int code) {
    const char *text = XML_ErrorString(static_cast<XML_Error>(code));
    return text ? text : "unknown XML error";
}
