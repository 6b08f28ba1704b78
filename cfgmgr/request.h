// Reading the store's texts: requests "<module_M><get|set|setop><object>fields</object>
// </...></module_M>", and rows "<object>fields</object>" (saved, canned and factory
// rows). A field is an element holding a value; attributes are ignored. Anything else
// (text outside fields, elements inside fields, a second object, a document type) is
// refused with the reason.
#pragma once
#include <cstddef>
#include <string>
#include <vector>

enum : size_t {
    CFG_MAX_FIELDS = 256,           // fields of one object in one text
    CFG_MAX_FIELDS_WRITTEN = 1024,  // field elements of one object, repeats included
    CFG_MAX_VALUE_LENGTH = 65535,   // characters of one value
};

struct cfgGivenField {
    std::string name;
    std::string text;  // "" for an empty element
};

struct cfgObjectText {
    std::string module;                 // requests only
    std::string operation;              // requests only: the operation element's name, as written
    std::string object;                 // "" when the operation holds no object
    std::vector<cfgGivenField> fields;  // in order; a field given twice keeps its last value
    // Every field element as written, repeats included: for modules whose requests say
    // which value goes with which by where it stands (cfgEvent::request hooks).
    std::vector<cfgGivenField> sequence;
};

// 0, or -1 with the reason in *why.
int cfgRequestRead(const char *text, size_t length, cfgObjectText *out, std::string *why);
int cfgRowRead(const std::string &text, cfgObjectText *out, std::string *why);

// The module named by a request's root element ("" when it has none), without reading
// the rest: requests of backend modules are relayed as they came.
std::string cfgRequestModule(const char *text);
