// Arbitrary bodies of the generic operations and NETCONF (switch:getRequest, setRequest,
// createRequest, deleteRequest, netb:rpc) through the SOAP engine, from a read-write
// session, against a configuration manager that answers three virtual routers to every
// walk and accepts every set: every input ends in an answer or a fault, never a crash
// or a walk that does not end.
#include <cstddef>
#include <cstdint>
#include <cstdlib>
#include <cstring>
#include <string>

#include "cfgmgmt/cmBackend/src/buffer.h"
#include "daemon/soap_serve.h"
#include "framework/xmlfwk_registry.h"
#include "platform/wsvd_link.h"
#include "session/session_table.h"
#include "tests/framework/generic_schema.h"
#include "tests/services/fake_peers.h"
#include "tests/soap/soap_test_support.h"
#include "tests/support/scratch.h"

namespace {

const std::string kDeclarations =
    kGenericNs + " xmlns:nc=\"urn:ietf:params:xml:ns:netconf:base:1.0\"";

// A walk sees vr1, vr2 and vr3, whatever it asks; sets succeed.
FakeCmReply cfgmgrAnswer(const FakeCmCall &call) {
    if (call.text.find("<set>") != std::string::npos) return cmOk();
    size_t n = gFake.cmCalls.size() % 4;
    if (n == 0) return cmOk();
    std::string name = "vr" + std::to_string(n);
    return cmOk("<vr><name>" + name + "</name><vrId>" + std::to_string(n) +
                    "</vrId><adminState>1</adminState></vr>",
                n < 3 ? 2 : 1);
}

struct Harness {
    struct soap *soap = nullptr;
    wsvdAnswer_t answer{};
    buffer_t *response = nullptr;
    char session[17] = "";

    Harness() {
        {
            ScratchDir dir("generic-fuzz");
            writeFile(dir / "objects.xsd", kGenericSchema);
            writeFile(dir / "xsdlist.lst", "objects.xsd\n");
            if (xmlFwkInit(dir.path().c_str()) != 1) abort();
        }
        wsvdSoapInstallHandlers();
        wsvdSessionTableReset();
        wsvdSession_t s{};
        s.sessionIndex = 1;
        s.accessRight = 1;
        wsvdSessionFormatId(1, 7, s.sessionId);
        wsvdSessionStore(&s);
        memcpy(session, s.sessionId, sizeof session);
        soap = wsvdSoapContextNew();
        wsvdAnswerInit(&answer);
        response = bufferAlloc(512);
        gFake.cmAnswer = cfgmgrAnswer;
    }

    void serve(const std::string &body) {
        wsvdRequest r{};
        r.seqnum = 1;
        r.clientKind = WSVD_CLIENT_WEB;
        r.answer = &answer;
        r.response = response;
        gFake.active = &r;
        gFake.cmCalls.clear();
        serveText(soap,
                  envelope(body, kDeclarations, kEnv11,
                           std::string("<hdr><sessionId>") + session + "</sessionId></hdr>"),
                  1000, &r);
        gFake.active = nullptr;
        free(r.replyMessage);
        free(r.replyData);
        // A walk that did not stop would go on until the answer is full.
        if (gFake.cmCalls.size() > 1100) abort();
    }
};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const uint8_t *data, size_t size) {
    static Harness harness;
    harness.serve(std::string(reinterpret_cast<const char *>(data), size));
    return 0;
}
