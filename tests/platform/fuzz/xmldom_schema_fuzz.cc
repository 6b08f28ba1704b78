// Reads arbitrary bytes as up to three schema files (separated by a line "--") and walks
// what it accepted: an accepted set has no cycles, so every walk ends.
#include <cstdint>
#include <cstring>
#include <string>
#include <vector>

#include "platform/xmldom_schema.h"

namespace {

int gVisits;
volatile size_t gSink;

void walk(const xmlSchemaElement_t *e) {
    if (!e || ++gVisits > 100000) return;  // shared types may be reached many times
    if (strlen(e->name) > XML_SCHEMA_NAME_MAX) __builtin_trap();
    if (!e->type) return;
    for (int i = 0; i < e->type->enumCount; i++) gSink = strlen(e->type->enumValues[i]);
    for (int i = 0; i < e->type->childCount; i++) walk(e->type->children[i]);
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > (1u << 20)) return 0;
    std::string input(reinterpret_cast<const char *>(data), size);
    std::vector<std::string> files;
    for (size_t at = 0; files.size() < 3;) {
        size_t cut = input.find("\n--\n", at);
        files.push_back(input.substr(at, cut == std::string::npos ? cut : cut - at));
        if (cut == std::string::npos) break;
        at = cut + 4;
    }
    std::vector<std::vector<char>> copies;  // exact sizes: an over-read is visible
    std::vector<xmlSchemaText_t> texts;
    for (const std::string &f : files) copies.emplace_back(f.begin(), f.end());
    for (auto &c : copies) texts.push_back({"fuzz.xsd", c.data(), c.size()});
    char why[256];
    xmlSchema_t *s = xmlSchemaParseTexts(texts.data(), int(texts.size()), why, sizeof why);
    if (!s) return 0;
    gVisits = 0;
    for (const char *container : {"AccessObject", "A", "H", static_cast<const char *>(nullptr)})
        for (const char *name : {"a", "b", "e", "x", "vlanConfig", "top"})
            walk(xmlSchemaFindNode(name, container, s));
    xmlSchemaFree(s);
    return 0;
}
