// The platform's XML event-parser wrappers (over expat).
//
// The caller provides the parser's area (CMXML_PARSER_AREA_SIZE bytes, usually on its
// stack). Here the area holds only a pointer to the real expat parser, which
// cmXML_ParserInit creates on the heap (or takes, reset, from the one its thread freed
// last) and cmXML_ParserFree releases (or keeps for its thread's next parse): every
// area that cmXML_ParserInit succeeded on must be handed to cmXML_ParserFree exactly
// once.
//
// Element names are reported as written (no namespace processing). Handlers run
// inside cmXML_Parse on the calling thread.
#pragma once
#include <cstddef>

constexpr size_t CMXML_PARSER_AREA_SIZE = 4124;

typedef void (*cmXML_StartElementHandler)(void *userData, const char *name, const char **atts);
typedef void (*cmXML_EndElementHandler)(void *userData, const char *name);
// `text` is not NUL-terminated; `length` bytes of UTF-8.
typedef void (*cmXML_CharacterDataHandler)(void *userData, const char *text, int length);

// Creates the parser inside `area` (of `areaSize` bytes); 0, or -1 when the area is
// too small or the parser cannot be created (nothing to free then).
int cmXML_ParserInit(void *area, size_t areaSize);
void cmXML_ParserFree(void *area);

void cmXML_SetElementHandler(void *area, cmXML_StartElementHandler start,
                             cmXML_EndElementHandler end);
void cmXML_SetCharacterDataHandler(void *area, cmXML_CharacterDataHandler handler);
void cmXML_SetUserData(void *area, void *userData);

// Feeds `length` bytes; `isFinal` non-zero marks the end of the document. 1 when the
// text was accepted so far, 0 on a syntax error (see cmXML_GetErrorCode).
int cmXML_Parse(void *area, const char *text, int length, int isFinal);
// The code of the last error (0 none) and its text (never null).
int cmXML_GetErrorCode(void *area);
const char *cmXML_ErrorString(int code);

// Reads `text` as the content of an element (elements and text in any order, every
// element closed) when it is of the plain form the processes write to one another:
// tags without attributes, blanks or prefixes, text of printable ASCII, tabs and line
// feeds with the five predefined entities, and CDATA sections of such characters. Calls the
// handlers as the parser would and returns 1; returns 0 without calling any for any other text,
// which the caller then hands to the parser. No parser is made or reset for it.
int cmXML_ParsePlainContent(const char *text, size_t length, cmXML_StartElementHandler start,
                            cmXML_EndElementHandler end, cmXML_CharacterDataHandler characters,
                            void *userData);
