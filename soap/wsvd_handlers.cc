// The glue that the generated dispatcher calls, each forwarding to its entry of
// gWsvdSoapHandlers, and the default table.
#include "soap/wsvd_handlers.h"

#include "soap/wsvd_soap.h"

namespace {

template <class Request, class Response>
int notAvailable(struct soap *soap, Request *, Response &) {
    return wsvdSoapNotAvailable(soap);
}

}  // namespace

const wsvdSoapHandlers gWsvdSoapDefaultHandlers = {
#define WSVD_OPERATION(glue, entry, request, response, ...) notAvailable<request, response>,
#define WSVD_PLACEHOLDER(glue, entry, request, response) \
    WSVD_OPERATION(glue, entry, request, response)
#include "soap/wsvd_operations.def"
#undef WSVD_OPERATION
#undef WSVD_PLACEHOLDER
};

wsvdSoapHandlers gWsvdSoapHandlers = gWsvdSoapDefaultHandlers;

// event:post and netb:hello are never served: the generic client fault answers them.
int __com__post(struct soap *, event__KarnEvent *) {
    return SOAP_CLI_FAULT;
}
int __com__hello(struct soap *, _netb__hello *) {
    return SOAP_CLI_FAULT;
}

#define WSVD_OPERATION(glue, entry, request, response, ...)            \
    int __com__##glue(struct soap *soap, request *in, response &out) { \
        return gWsvdSoapHandlers.entry(soap, in, out);                 \
    }
#define WSVD_PLACEHOLDER(glue, entry, request, response) \
    WSVD_OPERATION(glue, entry, request, response)
#include "soap/wsvd_operations.def"
#undef WSVD_OPERATION
#undef WSVD_PLACEHOLDER
