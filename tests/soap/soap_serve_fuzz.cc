// Arbitrary bytes as a request text through the SOAP engine's hooks: every input ends
// in an answer or a fault, never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <string>

#include "tests/soap/soap_test_support.h"

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static struct soap *soap = wsvdSoapContextNew();
    std::string text(reinterpret_cast<const char *>(data), size);
    // Serve twice on the same context with different read sizes: state left behind by
    // one request must not disturb the next.
    serveText(soap, text, 1 + size % 13);
    serveText(soap, text, 4096);
    return 0;
}
