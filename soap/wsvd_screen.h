// A linear look at a request text before the SOAP engine reads it. The engine's time
// grows with the square of the attributes and namespace declarations of one element,
// with the declarations in scope for each name it resolves, and steeply with elements
// it keeps as trees (the Header, wildcards): a single request of a megabyte held the
// worker for minutes. The screen counts what the engine would pay for and turns away a
// text that asks for more than any request of this service needs, before the engine
// starts; what it lets through parses in well under 100 ms (bench/soap/bench_parse).
//
// It is no parser: tags are found as the engine finds them (comments, CDATA sections
// and processing instructions skipped; quoted attribute values may hold '>'), and it
// counts generously where text is not well-formed, which the engine refuses anyway.
#pragma once
#include <cstddef>
#include <string_view>

struct wsvdScreenLimits_t {
    size_t attributesPerElement;  // attributes of one start tag, declarations included
    size_t attributes;            // in the whole text
    size_t namespacesInScope;     // declarations of an element and its ancestors
    size_t namespaces;            // declarations in the whole text
    size_t elements;              // in the whole text
    size_t headerElements;        // inside the SOAP Header
    size_t nameLength;            // of an element or attribute name
    size_t depth;                 // of nested elements
};

// The limits of this service (see wsvd_soap.h).
extern const wsvdScreenLimits_t gWsvdScreenLimits;

// Null when the text may go to the engine, else why not (a static text for a fault:
// "Request refused: ...").
const char *wsvdSoapScreen(std::string_view text, const wsvdScreenLimits_t &limits);
