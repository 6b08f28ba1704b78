// Arbitrary bytes as a request text through the SOAP engine's hooks: every input ends
// in an answer or a fault, never a crash or a hang.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <thread>

#include "daemon/soap_serve.h"
#include "platform/aaa.h"
#include "platform/dispatch.h"
#include "session/session_auth.h"
#include "tests/soap/soap_test_support.h"

namespace {

// Inputs that reach a real handler ask the platform to authenticate the caller. No
// platform process runs here, so the AAA library answers with a failure at once, on a
// dispatcher thread of our own; without it each such input would wait out the bound.
bool startPlatformAnswers() {
    setenv("KARN_RUN_LOCATION", "/nonexistent/wsvd-soap-fuzz", 1);
    dispatchThread_t mainThread{};
    dispatchInit("soapfuzz", 0, 1, &mainThread, 1);
    aaaRegister(wsvdAAACallBack, 0);
    wsvdSoapInstallHandlers();
    std::thread([] { dispatchHandler(); }).detach();
    return true;
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static bool platform = startPlatformAnswers();
    static struct soap *soap = wsvdSoapContextNew();
    (void)platform;
    std::string text(reinterpret_cast<const char *>(data), size);
    // Serve twice on the same context with different read sizes: state left behind by
    // one request must not disturb the next.
    serveText(soap, text, 1 + size % 13);
    serveText(soap, text, 4096);
    return 0;
}
