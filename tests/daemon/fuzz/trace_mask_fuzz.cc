// Arbitrary text through the trace masker, cut into pieces at each 0xff byte. Whatever
// the cuts, the masked text is the same as that of the whole text in one piece; and
// whatever came before, a password element met in plain text is hidden.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <string_view>

#include "daemon/trace_mask.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    std::string_view input(reinterpret_cast<const char *>(data), size);
    std::string whole;
    for (char c : input)
        if (c != '\xff') whole += c;

    wsvdTraceMask pieces;
    std::string cut;
    size_t start = 0;
    for (size_t i = 0; i <= input.size(); i++) {
        if (i == input.size() || input[i] == '\xff') {
            cut += pieces.feed(input.substr(start, i - start));
            start = i + 1;
        }
    }
    wsvdTraceMask one;
    if (one.feed(whole) != cut) abort();

    // Once the masker is back in plain text (what follows "<y/>" shows it), a password
    // element that comes next is hidden.
    wsvdTraceMask next;
    std::string out = next.feed(whole + "<y/>");
    if (out.size() >= 4 && out.compare(out.size() - 4, 4, "<y/>") == 0 &&
        next.feed("<password>\x01SECRET</password>").find("SECRET") != std::string::npos)
        abort();
    return 0;
}
