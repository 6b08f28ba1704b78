// The daemon's serve step: the SOAP engine reading and writing through the worker, and
// the handlers it dispatches to.
#include "daemon/soap_serve.h"

#include "daemon/intake.h"
#include "daemon/worker.h"
#include "services/cli_sync.h"
#include "soap/wsvd_handlers.h"
#include "soap/wsvd_soap.h"

namespace {
void *threadInit() {
    static const wsvdSoapStream stream = {wsvdResponseWrite, wsvdRequestRead};
    wsvdSoapSetStream(&stream);
    return wsvdSoapContextNew();
}
void serve(void *context, wsvdRequest *r) {
    if (context) wsvdSoapServe(static_cast<struct soap *>(context), r);
}
void requestEnd(void *context) {
    if (context) wsvdSoapRequestEnd(static_cast<struct soap *>(context));
}
void threadEnd(void *context) {
    wsvdSoapContextFree(static_cast<struct soap *>(context));
}
}  // namespace

const wsvdServeOps wsvdSoapServeOps = {threadInit, serve, requestEnd, threadEnd};

void wsvdSoapInstallHandlers() {
#define WSVD_OPERATION(glue, entry, request, response, handler) gWsvdSoapHandlers.entry = handler;
#define WSVD_PLACEHOLDER(glue, entry, request, response)
#include "soap/wsvd_operations.def"
#undef WSVD_OPERATION
#undef WSVD_PLACEHOLDER
    wsvdPolicySetCliSend(wsvdSendCliRequest);
}
