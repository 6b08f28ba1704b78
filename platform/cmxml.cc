#include "platform/cmxml.h"

#include <expat.h>

#include <sys/random.h>

#include <cstring>

namespace {

// Creating an expat parser costs more than parsing one reply of a walk does: its
// allocations, and drawing a hash salt from the kernel. So each thread keeps the last
// parser it freed and hands it out again, reset, under a salt drawn once per thread.
struct SpareParser {
    XML_Parser parser = nullptr;
    unsigned long salt = 0;
    ~SpareParser() {
        if (parser) XML_ParserFree(parser);
    }
};
thread_local SpareParser tSpare;

unsigned long threadSalt() {
    while (tSpare.salt == 0) {
        unsigned long salt = 0;
        if (getrandom(&salt, sizeof salt, 0) != sizeof salt) return 0;  // expat draws its own
        tSpare.salt = salt;
    }
    return tSpare.salt;
}

XML_Parser parserOf(void *area) {
    XML_Parser parser;
    memcpy(&parser, area, sizeof parser);
    return parser;
}

}  // namespace

int cmXML_ParserInit(void *area, size_t areaSize) {
    if (!area || areaSize < sizeof(XML_Parser)) return -1;
    XML_Parser parser = tSpare.parser;
    tSpare.parser = nullptr;
    if (!parser) parser = XML_ParserCreate(nullptr);
    if (parser) XML_SetHashSalt(parser, threadSalt());
    memcpy(area, &parser, sizeof parser);
    return parser ? 0 : -1;
}

void cmXML_ParserFree(void *area) {
    XML_Parser parser = parserOf(area);
    if (parser && !tSpare.parser && XML_ParserReset(parser, nullptr) == XML_TRUE)
        tSpare.parser = parser;
    else if (parser)
        XML_ParserFree(parser);
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
