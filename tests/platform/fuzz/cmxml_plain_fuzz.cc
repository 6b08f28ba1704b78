// Reads arbitrary bytes with the plain reader: what it accepts, the XML parser must
// read the same way; what it refuses, it must refuse before any handler call.
#include <cstdint>
#include <string>

#include "tests/platform/cmxml_events.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    if (size > (1u << 16)) return 0;
    const std::string text(reinterpret_cast<const char *>(data), size);
    std::string plain = cmxmltest::plainCalls(text);
    if (plain != "refused" && plain != cmxmltest::parserCalls(text)) __builtin_trap();
    return 0;
}
